#include "platform/gdi/device_context.h"

#include <gtest/gtest.h>

#include <QImage>
#include <set>
#include <thread>
#include <vector>

#include "platform/gdi/sys_colors.h"

namespace platform {
namespace {

TEST(GdiHandles, UnknownHandlesAreRefusedEverywhere) {
  for (uint32_t h : {0u, 1u, 0xFFFFu, 0x12340007u, 0xFFFFFFFFu}) {
    EXPECT_EQ(SelectObject(h, h), 0u);
    EXPECT_FALSE(DeleteDC(h));
    EXPECT_FALSE(DeleteObject(h));
    EXPECT_EQ(ReleaseDC(nullptr, h), 0);
    EXPECT_EQ(SetBkColor(h, 0), kClrInvalid);
    EXPECT_EQ(SetTextColor(h, 0), kClrInvalid);
    EXPECT_EQ(GetPixel(h, 0, 0), kClrInvalid);
    EXPECT_EQ(CreateCompatibleBitmap(h, 2, 2), 0u);
    if (h != 0) {
      EXPECT_EQ(CreateCompatibleDC(h), 0u);  // 0 stands for the screen
    }
    EXPECT_EQ(RealizePalette(h), kGdiError);
    EXPECT_EQ(GetNearestPaletteIndex(h, 0), kClrInvalid);
    EXPECT_FALSE(BitBlt(h, 0, 0, 1, 1, h, 0, 0, kRopSrcCopy));
    EXPECT_TRUE(BitmapImage(h).isNull());
  }
}

TEST(GdiHandles, DeletedHandlesStayRefusedAfterTheirSlotIsReused) {
  const HBitmap first = CreateBitmap(2, 2, 1, 32, nullptr);
  ASSERT_NE(first, 0u);
  EXPECT_TRUE(DeleteObject(first));
  EXPECT_FALSE(DeleteObject(first));
  // Make objects until the freed slot is handed out again.
  std::vector<HBitmap> later;
  bool reused = false;
  for (int i = 0; i < 70000 && !reused; ++i) {
    later.push_back(CreateBitmap(1, 1, 1, 1, nullptr));
    reused = (later.back() & 0xFFFF) == (first & 0xFFFF);
  }
  ASSERT_TRUE(reused);
  const Hdc dc = CreateCompatibleDC(0);
  EXPECT_EQ(SelectObject(dc, first), 0u);
  EXPECT_TRUE(BitmapImage(first).isNull());
  for (HBitmap h : later) {
    EXPECT_NE(h, first);
    EXPECT_TRUE(DeleteObject(h));
  }
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiHandles, NewBitmapsAreBlackEvenInTheMemoryOfDeletedOnes) {
  QImage white(5, 4, QImage::Format_RGB32);
  white.fill(0xFFFFFFFFu);
  const HBitmap source = CreateBitmapFromImage(white);
  const Hdc src = CreateCompatibleDC(0), dst = CreateCompatibleDC(0);
  const HGdiObj srcOld = SelectObject(src, source);
  for (int round = 0; round < 3; ++round) {
    const HBitmap bitmap = CreateCompatibleBitmap(src, 5, 4);
    EXPECT_EQ(BitmapImage(bitmap).pixel(4, 3), 0xFF000000u) << "round " << round;
    const HGdiObj old = SelectObject(dst, bitmap);
    // Part of it drawn: the rest stays black.
    ASSERT_TRUE(BitBlt(dst, 1, 1, 2, 2, src, 0, 0, kRopSrcCopy));
    EXPECT_EQ(GetPixel(dst, 0, 0), 0u);
    EXPECT_EQ(GetPixel(dst, 1, 1), 0xFFFFFFu);
    // All of it drawn, so that the next bitmap gets a white buffer to start from.
    ASSERT_TRUE(BitBlt(dst, 0, 0, 5, 4, src, 0, 0, kRopSrcCopy));
    EXPECT_EQ(GetPixel(dst, 0, 0), 0xFFFFFFu);
    SelectObject(dst, old);
    EXPECT_TRUE(DeleteObject(bitmap));
  }
  // A whole copy with a raster operation that reads the destination reads black.
  const HBitmap bitmap = CreateCompatibleBitmap(src, 5, 4);
  const HGdiObj old = SelectObject(dst, bitmap);
  ASSERT_TRUE(BitBlt(dst, 0, 0, 5, 4, src, 0, 0, kRopSrcAnd));
  EXPECT_EQ(GetPixel(dst, 2, 2), 0u);
  SelectObject(dst, old);
  DeleteObject(bitmap);
  SelectObject(src, srcOld);
  DeleteDC(src);
  DeleteDC(dst);
  DeleteObject(source);
}

TEST(GdiHandles, DeletedContextIsRefused) {
  const Hdc dc = CreateCompatibleDC(0);
  const HBitmap b = CreateBitmap(1, 1, 1, 32, nullptr);
  ASSERT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(SelectObject(dc, b), 0u);
  EXPECT_EQ(SetBkColor(dc, 0), kClrInvalid);
  EXPECT_TRUE(DeleteObject(b));
}

TEST(GdiHandles, ReleasedWindowContextIsRefused) {
  const Hdc screen = GetDC(nullptr);
  ASSERT_NE(screen, 0u);
  EXPECT_EQ(DeleteDC(screen), false);  // not a memory context
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 0);
  EXPECT_EQ(CreateCompatibleDC(screen), 0u);
  EXPECT_EQ(CreateHalftonePalette(screen), 0u);
}

TEST(GdiHandles, ObjectsOfTheWrongKindAreRefused) {
  const Hdc dc = CreateCompatibleDC(0);
  const HPalette pal = CreateHalftonePalette(0);
  const HBitmap b = CreateBitmap(1, 1, 1, 32, nullptr);
  EXPECT_EQ(SelectObject(dc, pal), 0u);  // palettes go through SelectPalette
  EXPECT_EQ(SelectObject(b, b), 0u);
  EXPECT_EQ(SelectPalette(dc, b, true), 0u);
  EXPECT_FALSE(DeleteObject(dc));  // a context is deleted with DeleteDC
  EXPECT_FALSE(DeleteDC(b));
  EXPECT_EQ(GetPaletteEntries(b, 0, 1, nullptr), 0u);
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_TRUE(DeleteObject(pal));
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiHandles, HandlesFromTwoThreadsAreDistinct) {
  std::vector<HBitmap> a, b;
  auto make = [](std::vector<HBitmap>& out) {
    for (int i = 0; i < 500; ++i) out.push_back(CreateBitmap(1, 1, 1, 1, nullptr));
  };
  std::thread t(make, std::ref(a));
  make(b);
  t.join();
  std::set<HBitmap> all(a.begin(), a.end());
  all.insert(b.begin(), b.end());
  EXPECT_EQ(all.size(), 1000u);
  EXPECT_EQ(all.count(0u), 0u);
  for (HBitmap h : all) EXPECT_TRUE(DeleteObject(h));
}

TEST(SelectObject, ReturnsTheBitmapSelectedBefore) {
  const Hdc dc = CreateCompatibleDC(0);
  const HBitmap one = CreateBitmap(2, 2, 1, 32, nullptr);
  const HBitmap two = CreateBitmap(3, 3, 1, 32, nullptr);
  const HGdiObj stock = SelectObject(dc, one);
  ASSERT_NE(stock, 0u);
  EXPECT_NE(stock, one);
  EXPECT_EQ(SelectObject(dc, two), one);
  EXPECT_EQ(SelectObject(dc, stock), two);
  EXPECT_EQ(SelectObject(dc, stock), stock);
  EXPECT_TRUE(DeleteObject(one));
  EXPECT_TRUE(DeleteObject(two));
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(SelectObject, FreshMemoryContextHoldsAOneByOneMonochromeBitmap) {
  const Hdc dc = CreateCompatibleDC(0);
  const HBitmap mine = CreateBitmap(1, 1, 1, 32, nullptr);
  const HGdiObj stock = SelectObject(dc, mine);
  const QImage image = BitmapImage(stock);
  EXPECT_EQ(image.size(), QSize(1, 1));
  EXPECT_FALSE(DeleteObject(stock));  // stock objects stay
  SelectObject(dc, stock);
  // So a bitmap "compatible" with a fresh memory context is monochrome: colours drawn into it
  // collapse to black and white.
  const HBitmap compatible = CreateCompatibleBitmap(dc, 2, 1);
  const HBitmap colour = CreateBitmapFromImage([] {
    QImage i(2, 1, QImage::Format_RGB32);
    i.setPixel(0, 0, qRgb(200, 10, 10));
    i.setPixel(1, 0, qRgb(255, 255, 255));
    return i;
  }());
  const Hdc from = CreateCompatibleDC(0);
  const HGdiObj fromOld = SelectObject(from, colour);
  const HGdiObj old = SelectObject(dc, compatible);
  ASSERT_TRUE(BitBlt(dc, 0, 0, 2, 1, from, 0, 0, kRopSrcCopy));
  EXPECT_EQ(GetPixel(dc, 0, 0), 0u);
  EXPECT_EQ(GetPixel(dc, 1, 0), 0xFFFFFFu);  // the source's background colour, white
  SelectObject(dc, old);
  SelectObject(from, fromOld);
  EXPECT_TRUE(DeleteObject(compatible));
  EXPECT_TRUE(DeleteObject(colour));
  EXPECT_TRUE(DeleteObject(mine));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteDC(from));
}

TEST(SelectObject, ABitmapLivesInOneContextAtATimeAndIsNotDeletedThere) {
  const Hdc a = CreateCompatibleDC(0);
  const Hdc b = CreateCompatibleDC(0);
  const HBitmap bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
  const HGdiObj aOld = SelectObject(a, bitmap);
  EXPECT_EQ(SelectObject(b, bitmap), 0u);
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(SelectObject(a, aOld), bitmap);
  EXPECT_NE(SelectObject(b, bitmap), 0u);
  // Deleting the context lets go of its bitmap without deleting it.
  EXPECT_TRUE(DeleteDC(b));
  EXPECT_FALSE(BitmapImage(bitmap).isNull());
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(a));
}

TEST(Bitmaps, CreateBitmapReadsPaddedRows) {
  // 17 pixels wide: each monochrome row takes 4 bytes.
  const uint8_t mono[] = {0x80, 0x01, 0x80, 0x00,   // pixels 0, 15, 16
                          0x40, 0x00, 0x00, 0x00};  // pixel 1
  const QImage m = BitmapImage(CreateBitmap(17, 2, 1, 1, mono));
  ASSERT_EQ(m.size(), QSize(17, 2));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 17; ++x) {
      const bool one = (y == 0 && (x == 0 || x == 15 || x == 16)) || (y == 1 && x == 1);
      EXPECT_EQ(m.pixel(x, y), one ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
    }
  const uint8_t colour[] = {0x30, 0x20, 0x10, 0, 0xFF, 0, 0, 0};
  const QImage c = BitmapImage(CreateBitmap(2, 1, 1, 32, colour));
  EXPECT_EQ(c.pixel(0, 0), qRgb(0x10, 0x20, 0x30));
  EXPECT_EQ(c.pixel(1, 0), qRgb(0, 0, 0xFF));
  EXPECT_EQ(CreateBitmap(2, 2, 1, 8, nullptr), 0u);
  EXPECT_EQ(CreateBitmap(2, 2, 2, 1, nullptr), 0u);
  EXPECT_EQ(CreateBitmap(-1, 2, 1, 1, nullptr), 0u);
}

TEST(Bitmaps, CompatibleWithScreenIsColourAndStartsBlack) {
  const Hdc screen = GetDC(nullptr);
  const HBitmap b = CreateCompatibleBitmap(screen, 3, 2);
  const QImage image = BitmapImage(b);
  ASSERT_EQ(image.size(), QSize(3, 2));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image.pixel(x, y), 0xFF000000u);
  // A colour survives a copy into it, which a monochrome bitmap would not keep.
  const Hdc dc = CreateCompatibleDC(screen);
  const HGdiObj old = SelectObject(dc, b);
  QImage colour(1, 1, QImage::Format_RGB32);
  colour.fill(qRgb(12, 34, 56));
  const HBitmap src = CreateBitmapFromImage(colour);
  const Hdc sdc = CreateCompatibleDC(screen);
  const HGdiObj sOld = SelectObject(sdc, src);
  ASSERT_TRUE(BitBlt(dc, 2, 1, 1, 1, sdc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(GetPixel(dc, 2, 1), 0x38220Cu);
  SelectObject(sdc, sOld);
  EXPECT_TRUE(DeleteDC(sdc));
  EXPECT_EQ(SelectObject(dc, old), b);
  EXPECT_TRUE(DeleteObject(src));
  EXPECT_TRUE(DeleteObject(b));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

TEST(Palettes, HalftonePaletteHasTheHalftoneEntries) {
  const HPalette pal = CreateHalftonePalette(0);
  ASSERT_NE(pal, 0u);
  PaletteEntry entries[256];
  ASSERT_EQ(GetPaletteEntries(pal, 0, 256, entries), 256u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(entries[i].red, HalftonePalette()[i].red);
    EXPECT_EQ(entries[i].green, HalftonePalette()[i].green);
    EXPECT_EQ(entries[i].blue, HalftonePalette()[i].blue);
  }
  EXPECT_EQ(GetPaletteEntries(pal, 250, 10, entries), 6u);
  for (uint32_t c : {0u, 0xFFFFFFu, 0x123456u, 0x0000FFu})
    EXPECT_EQ(GetNearestPaletteIndex(pal, c),
              NearestHalftoneIndex(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
  EXPECT_TRUE(DeleteObject(pal));
  EXPECT_EQ(GetPaletteEntries(pal, 0, 1, entries), 0u);
}

TEST(Palettes, SelectPaletteReturnsThePreviousAndRealizeCountsEntries) {
  const Hdc dc = CreateCompatibleDC(0);
  const HPalette one = CreateHalftonePalette(dc);
  const HPalette two = CreateHalftonePalette(dc);
  EXPECT_EQ(RealizePalette(dc), 0u);  // nothing selected yet
  EXPECT_EQ(SelectPalette(dc, one, true), 0u);
  EXPECT_EQ(SelectPalette(dc, two, false), one);
  EXPECT_EQ(RealizePalette(dc), 256u);
  EXPECT_EQ(SelectPalette(dc, one, true), two);
  // A deleted palette no longer counts as selected.
  EXPECT_TRUE(DeleteObject(one));
  EXPECT_EQ(RealizePalette(dc), 0u);
  EXPECT_TRUE(DeleteObject(two));
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(OleTranslateColor, PlainValuesKeepTheirLowThreeBytes) {
  uint32_t rgb = 1;
  EXPECT_EQ(OleTranslateColor(0x00123456, 0, &rgb), kSOk);
  EXPECT_EQ(rgb, 0x123456u);
  EXPECT_EQ(OleTranslateColor(0x02ABCDEF, 0, &rgb), kSOk);
  EXPECT_EQ(rgb, 0xABCDEFu);
}

TEST(OleTranslateColor, SystemColoursGoThroughTheSystemTable) {
  uint32_t rgb = 0;
  EXPECT_EQ(OleTranslateColor(static_cast<int32_t>(0x8000000F), 0, &rgb), kSOk);
  EXPECT_EQ(rgb, static_cast<uint32_t>(GetSysColor(15)));  // button face
  EXPECT_EQ(OleTranslateColor(static_cast<int32_t>(0x80000005), 0, &rgb), kSOk);
  EXPECT_EQ(rgb, 0xFFFFFFu);  // window background
  rgb = 7;
  EXPECT_EQ(OleTranslateColor(static_cast<int32_t>(0x80000019), 0, &rgb), kEInvalidArg);
  EXPECT_EQ(rgb, 7u);
}

TEST(OleTranslateColor, PaletteIndicesNeedAPaletteThatHasThem) {
  const HPalette pal = CreateHalftonePalette(0);
  uint32_t rgb = 0;
  const auto& e = HalftonePalette()[37];
  EXPECT_EQ(OleTranslateColor(0x01000025, pal, &rgb), kSOk);
  EXPECT_EQ(rgb, e.red | (e.green << 8) | (e.blue << 16));
  EXPECT_EQ(OleTranslateColor(0x01000100, pal, &rgb), kEInvalidArg);
  EXPECT_EQ(OleTranslateColor(0x01000025, 0, &rgb), kEInvalidArg);
  EXPECT_EQ(OleTranslateColor(0x04000000, pal, &rgb), kEInvalidArg);
  EXPECT_TRUE(DeleteObject(pal));
  EXPECT_EQ(OleTranslateColor(0x01000025, pal, &rgb), kEInvalidArg);
}

TEST(ContextColours, DefaultsAndPreviousValues) {
  const Hdc dc = CreateCompatibleDC(0);
  EXPECT_EQ(GetBkColor(dc), 0xFFFFFFu);
  EXPECT_EQ(GetTextColor(dc), 0u);
  EXPECT_EQ(SetBkColor(dc, 0x102030), 0xFFFFFFu);
  EXPECT_EQ(SetBkColor(dc, 0x405060), 0x102030u);
  EXPECT_EQ(SetTextColor(dc, 0x0000FF), 0u);
  EXPECT_EQ(GetTextColor(dc), 0x0000FFu);
  EXPECT_TRUE(DeleteDC(dc));
}

}  // namespace
}  // namespace platform
