// TransparencyComposer: the selection is cut to the piece's corner, the piece is laid down from
// inside its capture border with the key colour (and near colours, by the tolerance) left out,
// floating and the unsaved composite follow the steps, and each format writes its file or names
// it in a message.
#include "app/editors/transparency/transparency_composer.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <memory>

#include "app/tests/app_fixture.h"
#include "platform/gdi/device_context.h"
#include "platform/tests/memory_dc.h"

namespace kestrin {
namespace {

using namespace platform;

constexpr QRgb kGreen = 0xFF00FF00;

using platform::testing::MemoryDc;

QImage Filled(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Every pixel its own colour, from its position.
QImage Gradient(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(20 * x, 20 * y, 100));
  return image;
}

// A captured piece: a one-pixel border, then green on the diagonal and red, near-green or blue
// elsewhere.
Picture Capture() {
  QImage image = Filled(8, 8, qRgb(0, 0, 0));
  for (int y = 1; y < 7; ++y)
    for (int x = 1; x < 7; ++x)
      image.setPixel(x, y,
                     x == y       ? kGreen
                     : x == y + 1 ? qRgb(10, 245, 10)  // distance 17.3 from green
                     : x < 4      ? qRgb(220, 30, 30)
                                  : qRgb(30, 30, 220));
  return std::make_shared<StdPicture>(image);
}

TEST(TransparencyComposer, CutsTheSelectionToThePiecesTopLeftCorner) {
  const QImage source = Gradient(10, 8);
  MemoryDc from(source);
  MemoryDc piece(Filled(5, 4, qRgb(1, 2, 3)));
  TransparencyComposer::CutPiece(piece.dc, from.dc, 3, 2, 4, 3);
  const QImage cut = piece.Image().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      const QRgb expected = x < 4 && y < 3 ? source.pixel(3 + x, 2 + y) : qRgb(1, 2, 3);
      EXPECT_EQ(cut.pixel(x, y), expected) << x << "," << y;
    }
}

TEST(TransparencyComposer, LaysThePieceFromInsideItsBorderWithTheKeyColourLeftOut) {
  const QImage before = Gradient(12, 10);
  MemoryDc target(before);
  const Picture piece = Capture();
  TransparencyComposer::DrawPiece(target.dc, 2, 3, 6, 6, piece, {0x00FF00, 0});
  const QImage after = target.Image().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 2 && x < 8 && y >= 3 && y < 9;
      const QRgb drawn = inside ? piece->Image().pixel(x - 2 + 1, y - 3 + 1) : 0;
      const QRgb expected = inside && drawn != kGreen ? drawn : before.pixel(x, y);
      EXPECT_EQ(after.pixel(x, y), expected) << x << "," << y;
    }
}

TEST(TransparencyComposer, TheToleranceLeavesOutNearColoursOnly) {
  const QImage before = Filled(6, 6, qRgb(255, 255, 255));
  MemoryDc target(before);
  const Picture piece = Capture();
  // 5 x 4.42 = 22.1 reaches the near green (17.3) but not red or blue.
  TransparencyComposer::DrawPiece(target.dc, 0, 0, 6, 6, piece, {0x00FF00, 5});
  const QImage after = target.Image().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const QRgb drawn = piece->Image().pixel(x + 1, y + 1);
      const bool keyed = x == y || x == y + 1;
      EXPECT_EQ(after.pixel(x, y), keyed ? qRgb(255, 255, 255) : drawn) << x << "," << y;
    }
}

TEST(TransparencyComposer, FloatsUntilPlacedAndThenHoldsAnUnsavedCompositeUntilForgotten) {
  TransparencyComposer composer;
  EXPECT_FALSE(composer.Floating());
  EXPECT_FALSE(composer.CompositeUnsaved());
  composer.Float();
  EXPECT_TRUE(composer.Floating());
  EXPECT_FALSE(composer.CompositeUnsaved());
  composer.Placed();
  EXPECT_FALSE(composer.Floating());
  EXPECT_TRUE(composer.CompositeUnsaved());
  composer.ForgetComposite();
  EXPECT_FALSE(composer.CompositeUnsaved());
}

class TransparencyComposerSave : public testing::AppTest {
 protected:
  // Four flat bands: few enough colours for an exact GIF.
  static QImage Bands() {
    QImage image(20, 12, QImage::Format_RGB32);
    const QRgb bands[] = {qRgb(250, 250, 250), qRgb(255, 200, 0), qRgb(20, 20, 20),
                          qRgb(90, 160, 255)};
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 20; ++x) image.setPixel(x, y, bands[(x / 5 + y / 6) % 4]);
    return image;
  }
  bool Save(CompositeFormat format, const std::string& name) {
    composer_.Placed();
    return composer_.Save(format, name, {picture_, dc_.dc, 20, 12}, 90, GifOptions{});
  }

  TransparencyComposer composer_;
  Picture picture_ = std::make_shared<StdPicture>(Bands());
  MemoryDc dc_{Bands()};
};

TEST_F(TransparencyComposerSave, WritesEachFormatAndCountsTheCompositeAsSaved) {
  const std::string name = temp_.File("result");
  ASSERT_TRUE(Save(CompositeFormat::Bmp, name));
  EXPECT_FALSE(composer_.CompositeUnsaved());
  EXPECT_EQ(QImage(QString::fromStdString(name + ".bmp")).convertToFormat(QImage::Format_RGB32),
            Bands());

  ASSERT_TRUE(Save(CompositeFormat::Jpeg, name));
  EXPECT_FALSE(composer_.CompositeUnsaved());
  const QImage jpeg(QString::fromStdString(name + ".jpg"));
  EXPECT_EQ(jpeg.size(), QSize(20, 12));

  ASSERT_TRUE(Save(CompositeFormat::Gif, name));
  EXPECT_FALSE(composer_.CompositeUnsaved());
  const testing::DecodedGif gif = testing::DecodeGif(name + ".gif");
  ASSERT_TRUE(gif.ok) << gif.error;
  ASSERT_EQ(gif.imageWidth, 20);
  ASSERT_EQ(gif.imageHeight, 12);
  EXPECT_EQ(gif.transparentIndex, -1);  // opaque, whatever the options said
  const QImage bands = Bands();
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) {
      const auto& c = gif.palette[gif.indices[y * 20 + x]];
      EXPECT_EQ(qRgb(c.gRed, c.gGreen, c.gBlue), bands.pixel(x, y)) << x << "," << y;
    }
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(TransparencyComposerSave, AFileThatCannotBeWrittenIsNamedAndTheCompositeStaysUnsaved) {
  const std::string name = temp_.File("missing/result");
  for (CompositeFormat format :
       {CompositeFormat::Bmp, CompositeFormat::Jpeg, CompositeFormat::Gif}) {
    const size_t before = boxes_->shown.size();
    EXPECT_FALSE(Save(format, name));
    EXPECT_TRUE(composer_.CompositeUnsaved());
    ASSERT_EQ(boxes_->shown.size(), before + 1);
    EXPECT_NE(boxes_->shown.back().text.find(name), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(temp_.File("missing")));
}

TEST_F(TransparencyComposerSave, WithoutAFormatNothingIsWritten) {
  EXPECT_FALSE(Save(CompositeFormat::None, temp_.File("result")));
  EXPECT_TRUE(composer_.CompositeUnsaved());
  EXPECT_TRUE(std::filesystem::is_empty(temp_.path()));
}

}  // namespace
}  // namespace kestrin
