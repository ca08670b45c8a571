// PE: the key colour leaves the target visible, every other source pixel is drawn, and the
// drawing follows the rectangle and source position it is given.
#include "app/editors/transparency/colour_key_blit.h"

#include <gtest/gtest.h>

#include <QImage>

#include "platform/gdi/sys_colors.h"
#include "platform/tests/memory_dc.h"

namespace kestrin {
namespace {

using namespace platform;

constexpr uint32_t kKey = 0x00FF00;  // colour value: green

using platform::testing::MemoryDc;

QImage Target() {
  QImage t(6, 5, QImage::Format_RGB32);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) t.setPixel(x, y, qRgb(10 * x, 20 * y, 200));
  return t;
}

// Key-coloured pixels on a diagonal, the others distinct.
QImage Source(QRgb key) {
  QImage s(4, 4, QImage::Format_RGB32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) s.setPixel(x, y, x == y ? key : qRgb(255, 30 * x, 40 * y));
  return s;
}

// What drawing w x h pixels of `source` at (sx, sy) onto `target` at (dx, dy) with `key` left
// out should give.
QImage Expected(QImage target, const QImage& source, int dx, int dy, int w, int h, int sx, int sy,
                QRgb key) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb s = source.pixel(sx + x, sy + y);
      if ((s & 0xFFFFFF) != (key & 0xFFFFFF)) target.setPixel(dx + x, dy + y, s);
    }
  return target;
}

TEST(PETest, DrawPLeavesTheTargetWhereTheSourceHasTheKeyColour) {
  PE pe;
  MemoryDc target(Target()), source(Source(ColorToPixel(kKey)));
  pe.DrawP(target.dc, 1, 0, 3, 4, source.dc, 1, 0, kKey, 0);
  EXPECT_EQ(target.Image(),
            Expected(Target(), Source(ColorToPixel(kKey)), 1, 0, 3, 4, 1, 0, ColorToPixel(kKey)));
}

TEST(PETest, DrawPWithAColourTheSourceLacksCopiesTheSourceUnchanged) {
  PE pe;
  MemoryDc target(Target()), source(Source(ColorToPixel(kKey)));
  pe.DrawP(target.dc, 2, 1, 4, 4, source.dc, 0, 0, 0x123456, 0);
  QImage want = Target();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) want.setPixel(2 + x, 1 + y, Source(ColorToPixel(kKey)).pixel(x, y));
  EXPECT_EQ(target.Image(), want);
}

TEST(PETest, ASystemColourKeyIsTranslatedFirst) {
  constexpr int32_t kButtonFace = static_cast<int32_t>(0x8000000F);
  const QRgb face = ColorToPixel(static_cast<uint32_t>(TranslateColor(kButtonFace)));
  PE pe;
  MemoryDc target(Target()), source(Source(face));
  pe.DrawP(target.dc, 0, 0, 4, 4, source.dc, 0, 0, kButtonFace, 0);
  EXPECT_EQ(target.Image(), Expected(Target(), Source(face), 0, 0, 4, 4, 0, 0, face));
}

TEST(PETest, PTSDrawsAPictureAndNothingForAMissingOne) {
  PE pe;
  MemoryDc target(Target());
  pe.PTS(target.dc, 0, 0, 4, 4, nullptr, 0, 0, kKey, 0);
  pe.PTS(target.dc, 0, 0, 4, 4, std::make_shared<StdPicture>(QImage()), 0, 0, kKey, 0);
  EXPECT_EQ(target.Image(), Target());
  const QImage source = Source(ColorToPixel(kKey));
  pe.PTS(target.dc, 2, 2, 3, 3, std::make_shared<StdPicture>(source), 1, 1, kKey, pe.Palette());
  EXPECT_EQ(target.Image(), Expected(Target(), source, 2, 2, 3, 3, 1, 1, ColorToPixel(kKey)));
}

// Near and far relatives of the key: distances from green 5.66, 8.49 and 44.72.
QImage NearColours() {
  QImage s(4, 1, QImage::Format_RGB32);
  s.setPixel(0, 0, qRgb(0, 255, 0));
  s.setPixel(1, 0, qRgb(4, 251, 0));
  s.setPixel(2, 0, qRgb(0, 249, 6));
  s.setPixel(3, 0, qRgb(20, 215, 0));
  return s;
}

TEST(PETest, ToleranceZeroIsTheExactKeyAndLargerOnesTakeNearColoursOnly) {
  PE pe;
  const QImage target = Target().copy(0, 0, 4, 1);
  auto draw = [&](int tolerance) {
    MemoryDc t(target), source(NearColours());
    pe.DrawP(t.dc, 0, 0, 4, 1, source.dc, 0, 0, kKey, 0, tolerance);
    return t.Image();
  };
  auto keyed = [&](const QImage& result) {
    std::vector<bool> kept;
    for (int x = 0; x < 4; ++x) kept.push_back(result.pixel(x, 0) == target.pixel(x, 0));
    return kept;
  };
  EXPECT_EQ(draw(0), Expected(target, NearColours(), 0, 0, 4, 1, 0, 0, ColorToPixel(kKey)));
  EXPECT_EQ(keyed(draw(0)), (std::vector<bool>{true, false, false, false}));
  EXPECT_EQ(keyed(draw(1)), (std::vector<bool>{true, false, false, false})) << "4.42 apart";
  EXPECT_EQ(keyed(draw(2)), (std::vector<bool>{true, true, true, false})) << "8.84 apart";
  EXPECT_EQ(keyed(draw(10)), (std::vector<bool>{true, true, true, false})) << "44.2 apart";
  EXPECT_EQ(keyed(draw(11)), (std::vector<bool>{true, true, true, true}));
}

TEST(PETest, FullToleranceCoversTheWholeCube) {
  PE pe;
  QImage corners(2, 1, QImage::Format_RGB32);
  corners.setPixel(0, 0, qRgb(0, 0, 0));
  corners.setPixel(1, 0, qRgb(255, 255, 255));
  MemoryDc t(Target().copy(0, 0, 2, 1)), source(corners);
  pe.DrawP(t.dc, 0, 0, 2, 1, source.dc, 0, 0, 0xFFFFFF, 0, 100);
  EXPECT_EQ(t.Image(), Target().copy(0, 0, 2, 1)) << "black is 441.7 from white";
  MemoryDc u(Target().copy(0, 0, 2, 1));
  pe.DrawP(u.dc, 0, 0, 2, 1, source.dc, 0, 0, 0xFFFFFF, 0, 99);
  EXPECT_EQ(u.Image().pixel(0, 0), qRgb(0, 0, 0)) << "437.6 is not enough";
}

TEST(PETest, ThePaletteLivesWithTheObject) {
  HPalette palette;
  {
    PE pe;
    palette = pe.Palette();
    ASSERT_NE(palette, 0u);
    PaletteEntry e;
    EXPECT_EQ(GetPaletteEntries(palette, 0, 1, &e), 1u);
  }
  PaletteEntry e;
  EXPECT_EQ(GetPaletteEntries(palette, 0, 1, &e), 0u);
}

}  // namespace
}  // namespace kestrin
