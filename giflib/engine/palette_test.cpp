#include "giflib/engine/palette.h"

#include <gtest/gtest.h>

#include "giflib/engine/error_record.h"

namespace pellory::engine {
namespace {

struct Rgb {
  uint8_t r, g, b;
};

// A picture of w x h pixels given top row first, and its blue-green-red buffer.
struct Input {
  Vesk_GifPictureType picture;
  std::vector<uint8_t> bgr;
};

Input MakeInput(int w, int h, const std::vector<Rgb>& pixels) {
  Input in;
  in.picture.GifSetting.biWidth = w;
  in.picture.GifSetting.biHeight = h;
  for (const Rgb& p : pixels) in.bgr.insert(in.bgr.end(), {p.b, p.g, p.r});
  return in;
}

// n distinct colours, none black so that padding entries are told apart.
std::vector<Rgb> DistinctColours(int n) {
  std::vector<Rgb> c;
  for (int i = 0; i < n; ++i)
    c.push_back({static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i / 3 + 1),
                 static_cast<uint8_t>(255 - i / 2)});
  return c;
}

Vesk_GIFRGBTRIPLE Triple(const Rgb& c) {
  return {c.r, c.g, c.b};
}

// Earlier tests of this thread may leave an error pending.
void ClearPendingError() {
  PendingError() = PendingEngineError{};
}

TEST(MakePalette, TwoFiftySixColoursGiveAnExactPaletteInOrderOfAppearance) {
  ClearPendingError();
  std::vector<Rgb> colours = DistinctColours(256);
  std::vector<Rgb> pixels = colours;
  pixels.insert(pixels.end(), colours.rbegin(), colours.rend());  // second row: reversed
  Input in = MakeInput(256, 2, pixels);
  ASSERT_TRUE(MakePalette(in.picture, in.bgr));
  EXPECT_EQ(in.picture.GifSetting.PaletteSize, 256);
  ASSERT_EQ(in.picture.ColorTable.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(in.picture.ColorTable[i], Triple(colours[i])) << i;
    EXPECT_EQ(in.picture.BitmapData[i], i);
    EXPECT_EQ(in.picture.BitmapData[256 + i], 255 - i);
  }
  EXPECT_EQ(PendingError().Number, 0);
}

TEST(MakePalette, ColourTwoFiftySevenIsRefusedQuietlyWhenReductionIsAllowed) {
  ClearPendingError();
  Input in = MakeInput(257, 1, DistinctColours(257));
  in.picture.GifSetting.HandleOver256Color = true;
  EXPECT_FALSE(MakePalette(in.picture, in.bgr));
  EXPECT_EQ(PendingError().Number, 0);
}

TEST(MakePalette, ColourTwoFiftySevenFailsWith3028WhenReductionIsRefused) {
  ClearPendingError();
  Input in = MakeInput(257, 1, DistinctColours(257));
  in.picture.GifSetting.HandleOver256Color = false;
  in.picture.ColorTable = {{1, 2, 3}, {4, 5, 6}};
  in.picture.BitmapData = {9, 8, 7};
  in.picture.GifSetting.PaletteSize = 2;
  EXPECT_FALSE(MakePalette(in.picture, in.bgr));
  EXPECT_EQ(PendingError().Number, 3028);
  EXPECT_EQ(PendingError().Style, 48);
  EXPECT_EQ(PendingError().ProcName, "MakePalette");
  EXPECT_EQ(in.picture.ColorTable, (std::vector<Vesk_GIFRGBTRIPLE>{{1, 2, 3}, {4, 5, 6}}));
  EXPECT_EQ(in.picture.BitmapData, (std::vector<uint8_t>{9, 8, 7}));
  EXPECT_EQ(in.picture.GifSetting.PaletteSize, 2);
}

TEST(MakePalette, SingleColourGivesTwoEntriesPaddedWithBlack) {
  ClearPendingError();
  Input in = MakeInput(4, 3, std::vector<Rgb>(12, Rgb{10, 20, 30}));
  ASSERT_TRUE(MakePalette(in.picture, in.bgr));
  EXPECT_EQ(in.picture.GifSetting.PaletteSize, 2);
  EXPECT_EQ(in.picture.ColorTable, (std::vector<Vesk_GIFRGBTRIPLE>{{10, 20, 30}, {0, 0, 0}}));
  EXPECT_EQ(in.picture.BitmapData, std::vector<uint8_t>(12, 0));
}

TEST(MakePalette, PaletteSizeIsTheNextPowerOfTwo) {
  ClearPendingError();
  const std::pair<int, int> cases[] = {{2, 2},     {3, 4},     {4, 4},    {5, 8},   {8, 8},
                                       {9, 16},    {17, 32},   {33, 64},  {64, 64}, {65, 128},
                                       {128, 128}, {129, 256}, {200, 256}};
  for (auto [n, expected] : cases) {
    Input in = MakeInput(n, 1, DistinctColours(n));
    ASSERT_TRUE(MakePalette(in.picture, in.bgr)) << n;
    EXPECT_EQ(in.picture.GifSetting.PaletteSize, expected) << n;
    EXPECT_EQ(in.picture.ColorTable.size(), static_cast<size_t>(expected)) << n;
  }
}

TEST(MakePalette, FiveColoursLeaveEntriesFiveToSevenBlack) {
  ClearPendingError();
  std::vector<Rgb> colours = DistinctColours(5);
  Input in = MakeInput(5, 1, colours);
  ASSERT_TRUE(MakePalette(in.picture, in.bgr));
  EXPECT_EQ(in.picture.GifSetting.PaletteSize, 8);
  ASSERT_EQ(in.picture.ColorTable.size(), 8u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(in.picture.ColorTable[i], Triple(colours[i]));
  for (int i = 5; i < 8; ++i) EXPECT_EQ(in.picture.ColorTable[i], (Vesk_GIFRGBTRIPLE{0, 0, 0}));
}

TEST(MakePalette, RedRedBlueGivesTwoEntriesAndIndices001) {
  ClearPendingError();
  Input in = MakeInput(3, 1, {{255, 0, 0}, {255, 0, 0}, {0, 0, 255}});
  ASSERT_TRUE(MakePalette(in.picture, in.bgr));
  EXPECT_EQ(in.picture.ColorTable, (std::vector<Vesk_GIFRGBTRIPLE>{{255, 0, 0}, {0, 0, 255}}));
  EXPECT_EQ(in.picture.BitmapData, (std::vector<uint8_t>{0, 0, 1}));
}

TEST(MakePalette, FirstPixelGetsIndexZeroAndTopRowComesFirst) {
  ClearPendingError();
  // 2 x 2: top row green, blue; bottom row red, green. Reading bytes as RGB instead of BGR, or
  // rows bottom-up, changes the table.
  Input in = MakeInput(2, 2, {{0, 200, 0}, {0, 0, 200}, {200, 0, 0}, {0, 200, 0}});
  in.picture.GifSetting.Sort = true;
  ASSERT_TRUE(MakePalette(in.picture, in.bgr));
  EXPECT_EQ(in.picture.ColorTable,
            (std::vector<Vesk_GIFRGBTRIPLE>{{0, 200, 0}, {0, 0, 200}, {200, 0, 0}, {0, 0, 0}}));
  EXPECT_EQ(in.picture.BitmapData, (std::vector<uint8_t>{0, 1, 2, 0}));
  EXPECT_FALSE(in.picture.GifSetting.Sort);
}

TEST(MakePalette, ColoursDifferingInOneChannelStayApart) {
  ClearPendingError();
  // Catches a map key that drops or merges a channel.
  Input in = MakeInput(4, 1, {{1, 2, 3}, {1, 2, 4}, {1, 3, 3}, {2, 2, 3}});
  ASSERT_TRUE(MakePalette(in.picture, in.bgr));
  EXPECT_EQ(in.picture.BitmapData, (std::vector<uint8_t>{0, 1, 2, 3}));
}

TEST(MakePalette, ReturningColoursKeepTheirFirstIndex) {
  ClearPendingError();
  // Many colours with revisits far apart exercise the map beyond the last-colour shortcut.
  std::vector<Rgb> colours = DistinctColours(200);
  std::vector<Rgb> pixels;
  for (int k = 0; k < 5; ++k)
    for (int i = 0; i < 200; ++i) pixels.push_back(colours[(i * 37 + k * 11) % 200]);
  Input in = MakeInput(200, 5, pixels);
  ASSERT_TRUE(MakePalette(in.picture, in.bgr));
  for (size_t i = 0; i < pixels.size(); ++i)
    ASSERT_EQ(in.picture.ColorTable[in.picture.BitmapData[i]], Triple(pixels[i])) << i;
}

TEST(MakePalette, BufferOfTheWrongSizeFailsWith2000AndLeavesThePicture) {
  ClearPendingError();
  Input in = MakeInput(2, 2, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
  in.picture.BitmapData = {5};
  EXPECT_FALSE(MakePalette(in.picture, in.bgr));
  EXPECT_EQ(PendingError().Number, 2000);
  EXPECT_EQ(PendingError().Style, 16);
  EXPECT_EQ(in.picture.BitmapData, std::vector<uint8_t>{5});
  EXPECT_TRUE(in.picture.ColorTable.empty());
}

// Large pictures are scanned in two halves at once. The palette must still be in the order of
// first appearance over the whole picture, every pixel must point at its own colour, and the
// 257th colour must be refused wherever it lies: in either half, or only in the union of two
// halves of 256 each.
TEST(MakePalette, LargePicturesGiveTheOrderAndIndicesOfOneScan) {
  const int w = 600, h = 500;  // beyond the size that takes two threads
  const std::vector<Rgb> colours = DistinctColours(300);
  // Pixel i shows colour f(i); the reference is one scan in order.
  auto check = [&](auto f, int distinct) {
    ClearPendingError();
    std::vector<Rgb> pixels;
    for (int i = 0; i < w * h; ++i) pixels.push_back(colours[f(i)]);
    Input in = MakeInput(w, h, pixels);
    in.picture.GifSetting.HandleOver256Color = false;
    const bool made = MakePalette(in.picture, in.bgr);
    ASSERT_EQ(made, distinct <= 256) << distinct;
    if (!made) {
      EXPECT_EQ(PendingError().Number, 3028);
      return;
    }
    std::vector<int> order;  // colour numbers in order of first appearance
    std::vector<int> place(colours.size(), -1);
    for (int i = 0; i < w * h; ++i)
      if (place[f(i)] < 0) {
        place[f(i)] = static_cast<int>(order.size());
        order.push_back(f(i));
      }
    ASSERT_EQ(static_cast<int>(order.size()), distinct);
    for (size_t k = 0; k < order.size(); ++k)
      ASSERT_EQ(in.picture.ColorTable[k], Triple(colours[order[k]])) << k;
    for (int i = 0; i < w * h; ++i) ASSERT_EQ(in.picture.BitmapData[i], place[f(i)]) << i;
  };
  const int half = w * h / 2;
  // Halves sharing some colours, in another order, and each with colours of its own.
  check([&](int i) { return i < half ? (i / 7) % 100 : 150 - (i / 5) % 120; }, 150 + 1);
  // The same colours, first seen in the second half's order only for the shared ones.
  check([&](int i) { return i < half ? (i / 3) % 50 : (i / 11) % 80; }, 80);
  // 256 in each half, 300 together.
  check([&](int i) { return i < half ? i % 256 : 44 + i % 256; }, 300);
  // 257 in the first half alone, and in the second half alone.
  check([&](int i) { return i < half ? i % 257 : 0; }, 257);
  check([&](int i) { return i < half ? 0 : i % 257; }, 257);
}

TEST(ReduceColor, PaletteBecomesTheHalftonePaletteAndIndicesTheNearestEntries) {
  ClearPendingError();
  std::vector<Rgb> pixels = DistinctColours(257);
  pixels.push_back({255, 255, 255});
  pixels.push_back({3, 250, 128});
  pixels.push_back({0, 0, 0});
  Input in = MakeInput(260, 1, pixels);
  in.picture.GifSetting.Sort = true;
  ASSERT_TRUE(ReduceColor(in.picture, in.bgr));
  const auto& halftone = platform::HalftonePalette();
  EXPECT_EQ(in.picture.GifSetting.PaletteSize, 256);
  EXPECT_FALSE(in.picture.GifSetting.Sort);
  ASSERT_EQ(in.picture.ColorTable.size(), 256u);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(in.picture.ColorTable[i],
              (Vesk_GIFRGBTRIPLE{halftone[i].red, halftone[i].green, halftone[i].blue}));
  ASSERT_EQ(in.picture.BitmapData.size(), pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i)
    EXPECT_EQ(in.picture.BitmapData[i],
              platform::NearestHalftoneIndex(pixels[i].r, pixels[i].g, pixels[i].b))
        << i;
}

TEST(ReduceColor, LargePictureSplitAcrossThreadsMapsEveryPixel) {
  ClearPendingError();
  // Big enough for the two-thread path; each half must land in its own rows.
  const int w = 1024, h = 600;
  std::vector<Rgb> pixels;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      pixels.push_back({static_cast<uint8_t>(x * 255 / (w - 1)),
                        static_cast<uint8_t>(y * 255 / (h - 1)),
                        static_cast<uint8_t>((x * 7 + y * 13) & 0xFF)});
  Input in = MakeInput(w, h, pixels);
  ASSERT_TRUE(ReduceColor(in.picture, in.bgr));
  ASSERT_EQ(in.picture.BitmapData.size(), pixels.size());
  size_t wrong = 0;
  for (size_t i = 0; i < pixels.size(); ++i)
    wrong += in.picture.BitmapData[i] !=
             platform::NearestHalftoneIndex(pixels[i].r, pixels[i].g, pixels[i].b);
  EXPECT_EQ(wrong, 0u);
}

TEST(SearchClrIndex, ReturnsTheLowerOfTwoEqualEntries) {
  ClearPendingError();
  std::vector<Vesk_GIFRGBTRIPLE> table = {{0, 0, 0}, {10, 20, 30}, {5, 5, 5}, {10, 20, 30}};
  EXPECT_EQ(SearchClrIndex(table, 10 + 256 * 20 + 65536 * 30), 1);
  EXPECT_EQ(SearchClrIndex(table, 0), 0);
}

TEST(SearchClrIndex, ReadsTheColourAsRedGreenBlueFromTheLowByte) {
  ClearPendingError();
  std::vector<Vesk_GIFRGBTRIPLE> table = {{30, 20, 10}, {10, 20, 30}};
  EXPECT_EQ(SearchClrIndex(table, 0x1E140A), 1);
}

TEST(SearchClrIndex, MissingColourGivesMinusOneWithoutError) {
  ClearPendingError();
  std::vector<Vesk_GIFRGBTRIPLE> table = {{1, 2, 3}, {4, 5, 6}};
  EXPECT_EQ(SearchClrIndex(table, 0x060504 + 1), -1);
  EXPECT_EQ(PendingError().Number, 0);
  EXPECT_EQ(PendingError().ProcName, "SearchClrIndex");
}

TEST(SearchClrIndex, PaletteOfMoreThan256EntriesGivesMinusOne) {
  ClearPendingError();
  std::vector<Vesk_GIFRGBTRIPLE> table(257);
  EXPECT_EQ(SearchClrIndex(table, 0), -1);
  EXPECT_EQ(PendingError().Number, 0);
  table.resize(256);
  EXPECT_EQ(SearchClrIndex(table, 0), 0);
}

TEST(SearchClrIndex, PaletteNeverFilledFailsWith2000) {
  ClearPendingError();
  EXPECT_EQ(SearchClrIndex({}, 0), -1);
  EXPECT_EQ(PendingError().Number, 2000);
  EXPECT_EQ(PendingError().Style, 16);
}

}  // namespace
}  // namespace pellory::engine
