#include <gtest/gtest.h>

#include <vector>

#include "platform/forms/form.h"
#include "platform/forms/picture_box.h"
#include "platform/gdi/device_context.h"

namespace platform {
namespace {

// Colour values, red in the lowest byte.
constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0, kGrey = 0x808080;
constexpr uint32_t kKey = 0xFF00FF;  // magenta, the colour keyed out

using Pixels = std::vector<uint32_t>;  // colour values, row by row

QImage ImageOf(int w, int h, const Pixels& colours) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, ColorToPixel(colours[y * w + x]));
  return image;
}

Pixels ColoursOf(const QImage& image) {
  Pixels out;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) out.push_back(PixelToColor(image.pixel(x, y)));
  return out;
}

// A memory context with its own bitmap; everything is freed on destruction.
class MemDc {
 public:
  MemDc(int w, int h, const Pixels& colours) {
    Init(CreateBitmapFromImage(ImageOf(w, h, colours)));
  }
  // A monochrome surface whose bits are given as 0 and 1, at most 16 to a row.
  static MemDc Mono(int w, int h, const Pixels& bits) {
    std::vector<uint8_t> packed(static_cast<size_t>(h) * 2, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (bits[y * w + x]) packed[y * 2 + x / 8] |= 0x80 >> (x % 8);
    MemDc dc;
    dc.Init(CreateBitmap(w, h, 1, 1, packed.data()));
    return dc;
  }
  MemDc(MemDc&& o) noexcept : dc(o.dc), bitmap(o.bitmap), old(o.old) { o.dc = o.bitmap = 0; }
  ~MemDc() {
    if (dc) {
      SelectObject(dc, old);
      DeleteDC(dc);
      DeleteObject(bitmap);
    }
  }
  Pixels Colours() const { return ColoursOf(BitmapImage(bitmap)); }
  // A monochrome surface's bits, 1 for white.
  Pixels Bits() const {
    Pixels out;
    for (uint32_t c : Colours()) out.push_back(c == kWhite ? 1 : 0);
    return out;
  }

  Hdc dc = 0;
  HBitmap bitmap = 0;
  HGdiObj old = 0;

 private:
  MemDc() = default;
  void Init(HBitmap b) {
    bitmap = b;
    dc = CreateCompatibleDC(0);
    old = SelectObject(dc, bitmap);
    EXPECT_NE(old, 0u);
  }
};

TEST(BitBltRasterOps, SrcCopyReplacesDestination) {
  MemDc dst(2, 2, {kRed, kGreen, kBlue, kWhite});
  MemDc src(2, 2, {kGrey, kBlack, 0x123456, 0xABCDEF});
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(dst.Colours(), (Pixels{kGrey, kBlack, 0x123456, 0xABCDEF}));
}

TEST(BitBltRasterOps, SrcAndCombinesBitByBit) {
  MemDc dst(2, 2, {0xF0F0F0, 0x0F0F0F, 0xFF00FF, 0x123456});
  MemDc src(2, 2, {0x3C3C3C, 0xFFFFFF, 0x00FF00, 0});
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, kRopSrcAnd));
  EXPECT_EQ(dst.Colours(), (Pixels{0x303030, 0x0F0F0F, 0x000000, 0}));
}

TEST(BitBltRasterOps, SrcPaintCombinesBitByBit) {
  MemDc dst(2, 2, {0xF0F0F0, 0x0F0F0F, 0xFF0000, 0x123456});
  MemDc src(2, 2, {0x0C0C0C, 0xFFFFFF, 0x0000FF, 0});
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, kRopSrcPaint));
  EXPECT_EQ(dst.Colours(), (Pixels{0xFCFCFC, 0xFFFFFF, 0xFF00FF, 0x123456}));
}

TEST(BitBltRasterOps, AndNotSourceClearsTheSourcesBits) {
  MemDc dst(2, 2, {0xFFFFFF, 0x0F0F0F, 0xFF00FF, 0x123456});
  MemDc src(2, 2, {0x0000FF, 0x0F0000, 0xFFFFFF, 0});
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, kRopAndNotSrc));
  EXPECT_EQ(dst.Colours(), (Pixels{0xFFFF00, 0x000F0F, 0, 0x123456}));
  // The result stays opaque even though AND NOT clears the top byte of every source word.
  const QImage image = BitmapImage(dst.bitmap);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(qAlpha(image.pixel(x, y)), 255);
}

TEST(BitBltRasterOps, UnknownRopAndNegativeSizesAreRefusedAndDrawNothing) {
  MemDc dst(1, 1, {kRed});
  MemDc src(1, 1, {kBlue});
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 0x00660046));  // SRCINVERT
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, -1, 1, src.dc, 0, 0, kRopSrcCopy));
  EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, -1, src.dc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(dst.Colours(), (Pixels{kRed}));
}

TEST(BitBltToMonochrome, SourceBackgroundColourGivesOneAndEverythingElseZero) {
  MemDc src(3, 2, {kKey, kRed, kKey, 0xFE00FF, kKey, kWhite});
  SetBkColor(src.dc, kKey);
  SetTextColor(src.dc, kWhite);  // plays no part in this direction
  MemDc mask = MemDc::Mono(3, 2, {0, 0, 0, 0, 0, 0});
  SetBkColor(mask.dc, kRed);  // nor does the monochrome target's own colours
  ASSERT_TRUE(BitBlt(mask.dc, 0, 0, 3, 2, src.dc, 0, 0, kRopSrcCopy));
  // 0xFE00FF differs from the key in one bit and must not match.
  EXPECT_EQ(mask.Bits(), (Pixels{1, 0, 1, 0, 1, 0}));
}

TEST(BitBltToMonochrome, FollowsTheBackgroundColourOfTheMoment) {
  MemDc src(2, 1, {kRed, kGreen});
  MemDc mask = MemDc::Mono(2, 1, {0, 0});
  SetBkColor(src.dc, kGreen);
  ASSERT_TRUE(BitBlt(mask.dc, 0, 0, 2, 1, src.dc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(mask.Bits(), (Pixels{0, 1}));
  SetBkColor(src.dc, kRed);
  ASSERT_TRUE(BitBlt(mask.dc, 0, 0, 2, 1, src.dc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(mask.Bits(), (Pixels{1, 0}));
}

TEST(BitBltToMonochrome, CombinesAfterConverting) {
  MemDc src(4, 1, {kKey, kKey, kRed, kRed});
  SetBkColor(src.dc, kKey);
  MemDc mask = MemDc::Mono(4, 1, {1, 0, 1, 0});
  ASSERT_TRUE(BitBlt(mask.dc, 0, 0, 4, 1, src.dc, 0, 0, kRopSrcAnd));
  EXPECT_EQ(mask.Bits(), (Pixels{1, 0, 0, 0}));
  MemDc mask2 = MemDc::Mono(4, 1, {1, 0, 1, 0});
  ASSERT_TRUE(BitBlt(mask2.dc, 0, 0, 4, 1, src.dc, 0, 0, kRopSrcPaint));
  EXPECT_EQ(mask2.Bits(), (Pixels{1, 1, 1, 0}));
}

TEST(BitBltFromMonochrome, OneGivesTargetBackgroundAndZeroItsTextColour) {
  MemDc mask = MemDc::Mono(3, 1, {1, 0, 1});
  SetBkColor(mask.dc, kGreen);  // the source's colours play no part in this direction
  SetTextColor(mask.dc, kBlue);
  MemDc dst(3, 1, {kGrey, kGrey, kGrey});
  SetBkColor(dst.dc, 0x336699);
  SetTextColor(dst.dc, 0x102030);
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 3, 1, mask.dc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(dst.Colours(), (Pixels{0x336699, 0x102030, 0x336699}));
}

TEST(BitBltFromMonochrome, SrcAndWithWhiteAndBlackKeepsOrClears) {
  MemDc mask = MemDc::Mono(2, 2, {1, 0, 0, 1});
  MemDc dst(2, 2, {kRed, kGreen, kBlue, 0x123456});  // default colours: white back, black text
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, mask.dc, 0, 0, kRopSrcAnd));
  EXPECT_EQ(dst.Colours(), (Pixels{kRed, kBlack, kBlack, 0x123456}));
}

TEST(BitBltFromMonochrome, AndNotWithBlackTextAndWhiteBackClearsWhereOne) {
  MemDc mask = MemDc::Mono(2, 2, {1, 0, 0, 1});
  MemDc dst(2, 2, {kRed, kGreen, kBlue, 0x123456});
  SetTextColor(dst.dc, kBlack);
  SetBkColor(dst.dc, kWhite);
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, mask.dc, 0, 0, kRopAndNotSrc));
  EXPECT_EQ(dst.Colours(), (Pixels{kBlack, kGreen, kBlue, kBlack}));
}

TEST(BitBltClipping, ClipsToTheDestination) {
  MemDc dst(3, 3, Pixels(9, kBlack));
  MemDc src(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  ASSERT_TRUE(BitBlt(dst.dc, 1, 2, 5, 5, src.dc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(dst.Colours(), (Pixels{0, 0, 0, 0, 0, 0, 0, 1, 2}));
  MemDc dst2(3, 3, Pixels(9, kBlack));
  ASSERT_TRUE(BitBlt(dst2.dc, -1, -2, 3, 3, src.dc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(dst2.Colours(), (Pixels{8, 9, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(BitBltClipping, ClipsToTheSourceAndMovesTheDestinationAlong) {
  MemDc src(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  MemDc dst(3, 3, Pixels(9, kBlack));
  // Source rectangle from (-1, -1): its first row and column do not exist and draw nothing.
  ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 3, 3, src.dc, -1, -1, kRopSrcCopy));
  EXPECT_EQ(dst.Colours(), (Pixels{0, 0, 0, 0, 1, 2, 0, 4, 5}));
  MemDc dst2(3, 3, Pixels(9, kBlack));
  ASSERT_TRUE(BitBlt(dst2.dc, 0, 0, 3, 3, src.dc, 2, 1, kRopSrcCopy));
  EXPECT_EQ(dst2.Colours(), (Pixels{6, 0, 0, 9, 0, 0, 0, 0, 0}));
  MemDc dst3(3, 3, Pixels(9, kBlack));
  ASSERT_TRUE(BitBlt(dst3.dc, 0, 0, 3, 3, src.dc, 5, 5, kRopSrcCopy));
  EXPECT_EQ(dst3.Colours(), Pixels(9, kBlack));
}

TEST(BitBltClipping, OverlappingCopyWithinOneBitmapReadsTheOriginal) {
  MemDc dc(4, 1, {1, 2, 3, 4});
  ASSERT_TRUE(BitBlt(dc.dc, 1, 0, 3, 1, dc.dc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(dc.Colours(), (Pixels{1, 1, 2, 3}));
}

// The mask-and-sprite drawing that keys out one colour, step by step as the transparent drawing
// does it: the target area is read into a background buffer, the source into a sprite buffer, a
// mask is made from the key colour, the sprite's keyed pixels are blackened, the background's
// other pixels are blackened, the sprite is ORed in, and the result goes back to the target.
void DrawKeyedOut(Hdc target, int dx, int dy, int w, int h, Hdc source, int sx, int sy,
                  uint32_t key) {
  const Hdc screen = GetDC(nullptr);
  const Hdc bk = CreateCompatibleDC(screen);
  const HBitmap bkBitmap = CreateCompatibleBitmap(screen, w, h);
  const HGdiObj bkOld = SelectObject(bk, bkBitmap);
  ASSERT_TRUE(BitBlt(bk, 0, 0, w, h, target, dx, dy, kRopSrcCopy));

  const Hdc src = CreateCompatibleDC(screen);
  const HBitmap srcBitmap = CreateCompatibleBitmap(screen, w, h);
  const HGdiObj srcOld = SelectObject(src, srcBitmap);
  SetBkColor(src, GetBkColor(source));
  SetTextColor(src, GetTextColor(source));
  ASSERT_TRUE(BitBlt(src, 0, 0, w, h, source, sx, sy, kRopSrcCopy));

  const Hdc mk = CreateCompatibleDC(screen);
  const HBitmap mask = CreateBitmap(w, h, 1, 1, nullptr);
  const HGdiObj mkOld = SelectObject(mk, mask);
  SetBkColor(src, key);
  SetTextColor(src, kWhite);
  ASSERT_TRUE(BitBlt(mk, 0, 0, w, h, src, 0, 0, kRopSrcCopy));

  SetTextColor(src, kBlack);
  SetBkColor(src, kWhite);
  ASSERT_TRUE(BitBlt(src, 0, 0, w, h, mk, 0, 0, kRopAndNotSrc));
  ASSERT_TRUE(BitBlt(bk, 0, 0, w, h, mk, 0, 0, kRopSrcAnd));
  ASSERT_TRUE(BitBlt(bk, 0, 0, w, h, src, 0, 0, kRopSrcPaint));
  ASSERT_TRUE(BitBlt(target, dx, dy, w, h, bk, 0, 0, kRopSrcCopy));

  for (auto [dc, old, bitmap] : {std::tuple{bk, bkOld, bkBitmap},
                                 std::tuple{src, srcOld, srcBitmap}, std::tuple{mk, mkOld, mask}}) {
    EXPECT_EQ(SelectObject(dc, old), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(dc));
  }
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

TEST(TransparentBlit, KeyColourLeavesTheTargetExactlyAsItWas) {
  // The target: every pixel distinct, including black and white, which the mask steps produce
  // on their way and must not leak into the result.
  const Pixels target{0x010203, kBlack,   kWhite,   0x405060, 0x708090, 0xA0B0C0,
                      0xD0E0F0, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555};
  MemDc dst(4, 3, target);
  // The source, one pixel of margin around a 3 x 2 piece; black and white sprite pixels too.
  const Pixels source{kGrey, kGrey,  kGrey, kGrey,  kGrey,  //
                      kGrey, kKey,   kRed,  kKey,   kGrey,  //
                      kGrey, kBlack, kKey,  kWhite, kGrey,  //
                      kGrey, kGrey,  kGrey, kGrey,  kGrey};
  MemDc src(5, 4, source);
  DrawKeyedOut(dst.dc, 1, 1, 3, 2, src.dc, 1, 1, kKey);

  Pixels expected = target;
  expected[1 * 4 + 2] = kRed;
  expected[2 * 4 + 1] = kBlack;
  expected[2 * 4 + 3] = kWhite;
  EXPECT_EQ(dst.Colours(), expected);
}

TEST(TransparentBlit, AbsentKeyColourCopiesTheSourceUnchanged) {
  MemDc dst(3, 2, Pixels(6, 0x445566));
  const Pixels source{kRed, kBlack, kWhite, kGreen, kBlue, 0x0A0B0C};
  MemDc src(3, 2, source);
  DrawKeyedOut(dst.dc, 0, 0, 3, 2, src.dc, 0, 0, kKey);
  EXPECT_EQ(dst.Colours(), source);
}

TEST(TransparentBlit, EveryPixelKeyedOutLeavesTheTarget) {
  const Pixels target{kRed, kBlack, kWhite, kGreen};
  MemDc dst(2, 2, target);
  MemDc src(2, 2, Pixels(4, kKey));
  DrawKeyedOut(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, kKey);
  EXPECT_EQ(dst.Colours(), target);
}

TEST(TransparentBlit, OntoAPictureBoxKeepsItsImageWhereTheKeyWas) {
  Form form;
  PictureBox& box = form.GetControls().Add<PictureBox>("Target");
  box.SetScaleMode(kScalePixels);
  box.SetBorderStyle(0);
  box.SetBackColor(0x0A0B0C);
  box.ResizePixels(4, 2);
  box.Cls();
  box.Line(0, 1, 4, 1, 0x00FF00);  // bottom row green, top row the background
  MemDc src(2, 2, {kKey, kRed, kBlue, kKey});
  const Hdc dc = GetDC(&box);
  DrawKeyedOut(dc, 1, 0, 2, 2, src.dc, 0, 0, kKey);
  EXPECT_EQ(ReleaseDC(&box, dc), 1);
  const uint32_t back = 0x0A0B0C, green = 0x00FF00;
  const Pixels expected{back, back, kRed, back, green, kBlue, green, green};
  EXPECT_EQ(ColoursOf(box.ImageData()), expected);
}

}  // namespace
}  // namespace platform
