#include "giflib/tests/overlay_support.h"

#include "giflib/engine/error_record.h"

namespace pellory::testing {

int32_t ColourAt(const Picture& picture, int x, int y) {
  const QRgb c = picture->Image().pixel(x, y);
  return Rgb(qRed(c), qGreen(c), qBlue(c));
}

namespace {
uint32_t ToRgb(int32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
}  // namespace

Picture Solid(int w, int h, int32_t colour) {
  return MakeRgbPicture(w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, ToRgb(colour)));
}

Picture Framed(int w, int h, int32_t frame, int32_t inner) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      px[static_cast<size_t>(y) * w + x] =
          ToRgb(x == 0 || y == 0 || x == w - 1 || y == h - 1 ? frame : inner);
  return MakeRgbPicture(w, h, px);
}

QRect BoundsOf(const Picture& picture, int32_t colour) {
  QRect r;
  const QImage& img = picture->Image();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (ColourAt(picture, x, y) == colour) r = r.united(QRect(x, y, 1, 1));
  return r;
}

void OverlayTest::SetUp() {
  engine::PendingError() = {};
  boxes_ = std::make_shared<platform::ScriptedMessageBoxes>();
  previous_ = platform::SetMessageBoxBackend(boxes_);
  ol_ = NewOverlay();
}

void OverlayTest::TearDown() {
  ol_.reset();
  platform::SetMessageBoxBackend(previous_);
  EXPECT_EQ(temp_.CountEntries(), 0) << "temporary files left behind";
}

std::unique_ptr<Vesk_OverLay> OverlayTest::NewOverlay() {
  auto ol = std::make_unique<Vesk_OverLay>();
  ol->TempPathMode(UserCustom);
  ol->TempPath(temp_.path());
  return ol;
}

}  // namespace pellory::testing
