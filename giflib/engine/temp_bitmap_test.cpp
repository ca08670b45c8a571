#include "giflib/engine/temp_bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>

#include "giflib/engine/error_record.h"
#include "giflib/tests/gif_decode.h"
#include "platform/gdi/halftone.h"

namespace pellory::engine {
namespace {

using pellory::testing::TempFolder;

// Builds a bitmap file the way the picture saving lays it out, with every field settable.
struct BmpLayout {
  int32_t width = 1, height = 1;
  uint16_t bits = 8;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  std::vector<std::array<uint8_t, 3>> palette;  // r, g, b
  std::vector<std::vector<uint8_t>> fileRows;   // as stored: bottom row first
  int32_t stride = -1;                          // -1: from the rows
  int32_t dataOffset = -1;                      // -1: after the palette
  bool padToOffset = true;                      // false: the rows follow the palette anyway
};

void WriteBmp(const std::string& path, const BmpLayout& s) {
  std::vector<uint8_t> out(54, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = (v >> (8 * i)) & 0xFF;
  };
  const uint32_t offset = s.dataOffset >= 0 ? s.dataOffset : 54 + 4 * s.palette.size();
  const uint32_t stride =
      s.stride >= 0 ? s.stride : (s.fileRows.empty() ? 0 : s.fileRows[0].size());
  out[0] = 'B';
  out[1] = 'M';
  put32(10, offset);
  put32(14, 40);
  put32(18, s.width);
  put32(22, s.height);
  out[26] = 1;
  out[28] = s.bits & 0xFF;
  put32(30, s.compression);
  put32(34, stride * s.height);
  put32(46, s.colorsUsed);
  for (auto& c : s.palette) out.insert(out.end(), {c[2], c[1], c[0], 0});
  if (s.padToOffset) out.resize(offset, 0);
  for (auto& row : s.fileRows) out.insert(out.end(), row.begin(), row.end());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
}

class TempBitmap : public ::testing::Test {
 protected:
  void SetUp() override { PendingError() = {}; }
  // Reads a bitmap and returns the pending error number (0 on success).
  int Read(const BmpLayout& layout, Vesk_GifPictureType& picture) {
    WriteBmp(folder_.File("x.bmp"), layout);
    bool ok = GetTempBMP(picture, folder_.File("x.bmp"));
    EXPECT_EQ(ok, PendingError().Number == 0);
    return PendingError().Number;
  }
  TempFolder folder_;
};

TEST_F(TempBitmap, EightBitWithoutColourCountTakesPaletteFromOffset) {
  BmpLayout s;
  s.width = 2;
  s.height = 1;
  for (int i = 0; i < 256; ++i) s.palette.push_back({uint8_t(i), uint8_t(255 - i), 7});
  s.fileRows = {{200, 3, 0, 0}};
  Vesk_GifPictureType p;
  ASSERT_EQ(Read(s, p), 0);
  EXPECT_EQ(p.GifSetting.PaletteSize, 256);
  ASSERT_EQ(p.ColorTable.size(), 256u);
  EXPECT_EQ(p.ColorTable[200], (Vesk_GIFRGBTRIPLE{200, 55, 7}));
  EXPECT_EQ(p.BitmapData, (std::vector<uint8_t>{200, 3}));
  EXPECT_EQ(p.GifSetting.biWidth, 2);
  EXPECT_EQ(p.GifSetting.LimitWidth, 2);  // Round(sqrt(5)) = 2
}

TEST_F(TempBitmap, OneAndFourBitRowsUnpackMostSignificantFirst) {
  BmpLayout one;
  one.width = 10;
  one.bits = 1;
  one.colorsUsed = 2;
  one.palette = {{0, 0, 0}, {255, 255, 255}};
  one.fileRows = {{0xA0, 0x40, 0, 0}};
  Vesk_GifPictureType p;
  ASSERT_EQ(Read(one, p), 0);
  EXPECT_EQ(p.BitmapData, (std::vector<uint8_t>{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}));

  BmpLayout four;
  four.width = 3;
  four.bits = 4;
  four.colorsUsed = 16;
  four.palette.assign(16, {1, 2, 3});
  four.fileRows = {{0x12, 0xF0, 0, 0}};
  Vesk_GifPictureType q;
  ASSERT_EQ(Read(four, q), 0);
  EXPECT_EQ(q.BitmapData, (std::vector<uint8_t>{1, 2, 15}));
}

TEST_F(TempBitmap, LastFileRowBecomesTopRow) {
  BmpLayout s;
  s.width = 3;
  s.height = 3;
  s.colorsUsed = 4;
  s.palette.assign(4, {0, 0, 0});
  s.fileRows = {{1, 1, 1, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}};
  Vesk_GifPictureType p;
  ASSERT_EQ(Read(s, p), 0);
  EXPECT_EQ(p.BitmapData, (std::vector<uint8_t>{3, 3, 3, 2, 2, 2, 1, 1, 1}));
}

TEST_F(TempBitmap, IndicesPastTheColourCountGetBlackEntries) {
  struct Case {
    uint16_t bits;
    std::vector<std::array<uint8_t, 3>> palette;
    std::vector<std::vector<uint8_t>> fileRows;  // 2 x 2, bottom row first
    std::vector<uint8_t> indices;                // top row first
  };
  const std::array<uint8_t, 3> red{255, 0, 0}, green{0, 255, 0};
  const Case cases[] = {
      {8, {red, green}, {{0, 1, 0, 0}, {5, 0, 0, 0}}, {5, 0, 0, 1}},  // stray at the top left
      {8, {red, green}, {{1, 200, 0, 0}, {0, 1, 0, 0}}, {0, 1, 1, 200}},
      {4, {red, green}, {{0x15, 0, 0, 0}, {0xF0, 0, 0, 0}}, {15, 0, 1, 5}},
      {1, {red}, {{0x00, 0, 0, 0}, {0x40, 0, 0, 0}}, {0, 1, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.bits << " bits, top left " << int{c.indices[0]});
    BmpLayout s;
    s.width = 2;
    s.height = 2;
    s.bits = c.bits;
    s.colorsUsed = static_cast<uint32_t>(c.palette.size());
    s.palette = c.palette;
    s.fileRows = c.fileRows;
    Vesk_GifPictureType p;
    ASSERT_EQ(Read(s, p), 0);
    EXPECT_EQ(p.BitmapData, c.indices);
    std::vector<Vesk_GIFRGBTRIPLE> want;
    for (const auto& e : c.palette) want.push_back({e[0], e[1], e[2]});
    want.resize(*std::max_element(c.indices.begin(), c.indices.end()) + 1u);  // black
    EXPECT_EQ(p.ColorTable, want);
    EXPECT_EQ(p.GifSetting.PaletteSize, static_cast<int16_t>(want.size()));
  }
}

TEST_F(TempBitmap, TrueColourGetsExactPaletteInOrderOfAppearance) {
  BmpLayout s;
  s.width = 3;
  s.bits = 24;
  s.fileRows = {{0, 0, 255, 0, 0, 255, 255, 0, 0, 0, 0, 0}};  // red, red, blue (B, G, R)
  Vesk_GifPictureType p;
  ASSERT_EQ(Read(s, p), 0);
  EXPECT_EQ(p.GifSetting.PaletteSize, 2);
  EXPECT_EQ(p.ColorTable[0], (Vesk_GIFRGBTRIPLE{255, 0, 0}));
  EXPECT_EQ(p.ColorTable[1], (Vesk_GIFRGBTRIPLE{0, 0, 255}));
  EXPECT_EQ(p.BitmapData, (std::vector<uint8_t>{0, 0, 1}));
}

// Rows are read straight into place, many to a read and past the system's limit of pieces per
// read, with the padding between them dropped: every pixel must land on its own row.
TEST_F(TempBitmap, TallAndWidePicturesReadEveryRowIntoItsPlace) {
  auto shade = [](int v) {
    return std::array<uint8_t, 3>{static_cast<uint8_t>(v), static_cast<uint8_t>(255 - v),
                                  static_cast<uint8_t>(v / 2)};
  };
  auto colour = [&](int x, int y) { return shade((x * 7 + y * 3) % 200); };
  struct Size {
    int w, h, bits;
  };
  for (const Size& size : {Size{1001, 700, 24}, Size{3, 3000, 8}, Size{4, 1200, 24}}) {
    SCOPED_TRACE(::testing::Message() << size.w << " x " << size.h << " at " << size.bits);
    BmpLayout s;
    s.width = size.w;
    s.height = size.h;
    s.bits = static_cast<uint16_t>(size.bits);
    if (size.bits == 8) {
      s.colorsUsed = 200;
      for (int v = 0; v < 200; ++v) s.palette.push_back(shade(v));
    }
    const size_t rowBytes = static_cast<size_t>(size.w) * (size.bits / 8);
    for (int y = size.h - 1; y >= 0; --y) {
      std::vector<uint8_t> row((rowBytes + 3) & ~size_t{3}, 0xEE);  // padding that must not show
      for (int x = 0; x < size.w; ++x) {
        const auto c = colour(x, y);
        if (size.bits == 8) {
          row[x] = static_cast<uint8_t>((x * 7 + y * 3) % 200);
        } else {
          row[3 * x] = c[2];
          row[3 * x + 1] = c[1];
          row[3 * x + 2] = c[0];
        }
      }
      s.fileRows.push_back(row);
    }
    Vesk_GifPictureType p;
    ASSERT_EQ(Read(s, p), 0);
    ASSERT_EQ(p.BitmapData.size(), static_cast<size_t>(size.w) * size.h);
    for (int y = 0; y < size.h; ++y)
      for (int x = 0; x < size.w; ++x) {
        const Vesk_GIFRGBTRIPLE& e =
            p.ColorTable.at(p.BitmapData[static_cast<size_t>(y) * size.w + x]);
        const auto c = colour(x, y);
        ASSERT_EQ(e, (Vesk_GIFRGBTRIPLE{c[0], c[1], c[2]})) << x << "," << y;
      }
  }
}

// 24-bit pictures are counted, or mapped to the halftone palette, a band of rows at a time and in
// two halves: the palette must still be in order of first appearance over the whole picture, the
// lower half's new colours following and its shared ones taking the upper half's places; past 256
// colours every pixel gets its nearest halftone entry, or 3028 when the picture does not allow it.
TEST_F(TempBitmap, TrueColourBandsGiveTheWholePicturesPaletteAndIndices) {
  struct Case {
    int w, h, colours;
  };
  // Odd widths with row padding, one row, one column, and pictures large enough to be split.
  for (const Case& c : {Case{1, 1, 1}, Case{3, 5, 7}, Case{1, 2000, 40}, Case{641, 479, 200},
                        Case{1001, 300, 256}, Case{641, 479, 257}, Case{777, 401, 1000}}) {
    SCOPED_TRACE(::testing::Message() << c.w << " x " << c.h << ", " << c.colours << " colours");
    // The lower rows use the colours in reverse, so the halves meet their shared colours in
    // different orders; a colour's shade depends only on its number.
    auto number = [&](int x, int y) {
      const int n = (x * 13 + y * 7) % c.colours;
      return y >= c.h / 2 ? c.colours - 1 - n : n;
    };
    auto bgrOf = [](int n) {
      return std::array<uint8_t, 3>{static_cast<uint8_t>(n * 3), static_cast<uint8_t>(n >> 2),
                                    static_cast<uint8_t>(255 - n)};
    };
    BmpLayout s;
    s.width = c.w;
    s.height = c.h;
    s.bits = 24;
    for (int y = c.h - 1; y >= 0; --y) {
      std::vector<uint8_t> row((3 * static_cast<size_t>(c.w) + 3) & ~size_t{3}, 0xEE);
      for (int x = 0; x < c.w; ++x) std::copy_n(bgrOf(number(x, y)).begin(), 3, &row[3 * x]);
      s.fileRows.push_back(row);
    }
    for (bool allowed : {true, false}) {
      Vesk_GifPictureType p;
      p.GifSetting.HandleOver256Color = allowed;
      PendingError() = {};
      const int error = Read(s, p);
      if (c.colours > 256 && !allowed) {
        EXPECT_EQ(error, 3028);
        continue;
      }
      ASSERT_EQ(error, 0);
      ASSERT_EQ(p.BitmapData.size(), static_cast<size_t>(c.w) * c.h);
      std::vector<Vesk_GIFRGBTRIPLE> seen;
      for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
          const auto bgr = bgrOf(number(x, y));
          const uint8_t index = p.BitmapData[static_cast<size_t>(y) * c.w + x];
          if (c.colours > 256) {
            ASSERT_EQ(index, platform::NearestHalftoneIndex(bgr[2], bgr[1], bgr[0]))
                << x << "," << y;
            continue;
          }
          const Vesk_GIFRGBTRIPLE colour{bgr[2], bgr[1], bgr[0]};
          if (std::find(seen.begin(), seen.end(), colour) == seen.end()) seen.push_back(colour);
          ASSERT_EQ(p.ColorTable.at(index), colour) << x << "," << y;
        }
      if (c.colours <= 256) {
        ASSERT_GE(p.ColorTable.size(), seen.size());
        EXPECT_TRUE(std::equal(seen.begin(), seen.end(), p.ColorTable.begin()));
      } else {
        EXPECT_EQ(p.GifSetting.PaletteSize, 256);
      }
    }
  }
}

// The reader on bytes in memory gives what it gives on the file, pictures and errors alike,
// truncations included.
TEST_F(TempBitmap, BytesInMemoryReadAsTheFileDoes) {
  BmpLayout wide;
  wide.width = 5;
  wide.height = 3;
  wide.bits = 24;
  for (int y = 0; y < 3; ++y) {
    std::vector<uint8_t> row(16, 0);
    for (int i = 0; i < 15; ++i) row[i] = static_cast<uint8_t>(40 * y + 9 * i);
    wide.fileRows.push_back(row);
  }
  BmpLayout indexed;
  indexed.width = 3;
  indexed.height = 2;
  indexed.colorsUsed = 3;
  indexed.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  indexed.fileRows = {{0, 1, 2, 0}, {2, 7, 0, 0}};
  for (const BmpLayout& layout : {wide, indexed}) {
    WriteBmp(folder_.File("m.bmp"), layout);
    std::ifstream in(folder_.File("m.bmp"), std::ios::binary);
    const std::vector<uint8_t> whole{std::istreambuf_iterator<char>(in), {}};
    for (size_t cut : {whole.size(), whole.size() - 1, size_t{60}, size_t{53}, size_t{0}}) {
      SCOPED_TRACE(::testing::Message() << layout.bits << " bits, " << cut << " bytes");
      const std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<long>(cut));
      std::ofstream(folder_.File("part.bmp"), std::ios::binary)
          .write(reinterpret_cast<const char*>(part.data()), static_cast<std::streamsize>(cut));
      Vesk_GifPictureType fromFile, fromBytes;
      PendingError() = {};
      const bool fileOk = GetTempBMP(fromFile, folder_.File("part.bmp"));
      const int32_t fileError = PendingError().Number;
      PendingError() = {};
      const bool bytesOk = GetBmpBytes(fromBytes, part.data(), part.size());
      EXPECT_EQ(bytesOk, fileOk);
      EXPECT_EQ(PendingError().Number, fileError);
      EXPECT_EQ(fromBytes.BitmapData, fromFile.BitmapData);
      EXPECT_EQ(fromBytes.ColorTable, fromFile.ColorTable);
      EXPECT_EQ(fromBytes.GifSetting.biWidth, fromFile.GifSetting.biWidth);
    }
  }
}

TEST_F(TempBitmap, UnsupportedFormatsFailWithTheirNumbers) {
  Vesk_GifPictureType p;
  BmpLayout s;
  s.bits = 32;
  s.fileRows = {{0, 0, 0, 0}};
  EXPECT_EQ(Read(s, p), 1001);
  s.bits = 16;
  EXPECT_EQ(Read(s, p), 1001);
  s.bits = 8;
  s.compression = 1;
  EXPECT_EQ(Read(s, p), 1000);
  s.compression = 0;
  s.colorsUsed = 300;
  EXPECT_EQ(Read(s, p), 1002);
  EXPECT_EQ(PendingError().ProcName, "GetTempBMP");
  EXPECT_EQ(PendingError().Style, 16);
}

TEST_F(TempBitmap, LyingHeadersFailWithoutReadingPastTheEnd) {
  Vesk_GifPictureType p;
  BmpLayout s;
  s.width = 30000;
  s.height = 30000;
  s.colorsUsed = 2;
  s.palette = {{0, 0, 0}, {1, 1, 1}};
  s.fileRows = {{0, 0, 0, 0}};
  s.stride = 30000;
  EXPECT_EQ(Read(s, p), 2000);
  EXPECT_EQ(PendingError().SysErrNumber, 75);

  BmpLayout offset = s;
  offset.width = offset.height = 1;
  offset.stride = 4;
  offset.dataOffset = 1 << 30;
  offset.padToOffset = false;
  EXPECT_EQ(Read(offset, p), 2000);

  BmpLayout negative = offset;
  negative.dataOffset = -1;
  negative.padToOffset = true;
  negative.height = -1;  // top-down bitmaps are not what the capture writes
  EXPECT_EQ(Read(negative, p), 2000);

  std::ofstream(folder_.File("short.bmp"), std::ios::binary) << "BM12";
  PendingError() = {};
  EXPECT_FALSE(GetTempBMP(p, folder_.File("short.bmp")));
  EXPECT_EQ(PendingError().Number, 2000);
  PendingError() = {};
  EXPECT_FALSE(GetTempBMP(p, folder_.File("missing.bmp")));
  EXPECT_EQ(PendingError().SysErrNumber, 53);
}

TEST_F(TempBitmap, DiagonalLimitSaturatesInsteadOfFailing) {
  // Round(sqrt(32767^2 + 200^2)) = 32768 does not fit the 16-bit limit.
  BmpLayout s;
  s.width = 32767;
  s.height = 200;
  s.bits = 1;
  s.colorsUsed = 2;
  s.palette = {{0, 0, 0}, {1, 1, 1}};
  s.fileRows.assign(200, std::vector<uint8_t>(4096, 0xFF));
  Vesk_GifPictureType p;
  ASSERT_EQ(Read(s, p), 0);
  EXPECT_EQ(p.GifSetting.LimitWidth, 32767);
}

TEST(TempFilePath, UserCustomChecksComeFirst) {
  PendingError() = {};
  Vesk_GifPictureType p;
  p.GifSetting.TempPathMode = UserCustom;
  std::string path;
  EXPECT_FALSE(GetTempFilePathClass(p, path));
  EXPECT_EQ(PendingError().Number, 3003);
  EXPECT_EQ(PendingError().Style, 48);
  p.GifSetting.TempPath = "/no/such/folder/anywhere";
  EXPECT_FALSE(GetTempFilePathClass(p, path));
  EXPECT_EQ(PendingError().Number, 3004);
  EXPECT_TRUE(path.empty());

  pellory::testing::TempFolder folder;
  p.GifSetting.TempPath = folder.path();
  PendingError() = {};
  ASSERT_TRUE(GetTempFilePathClass(p, path));
  EXPECT_EQ(std::filesystem::path(path).parent_path(), std::filesystem::path(folder.path()));
  EXPECT_EQ(folder.CountEntries(), 1);
  p.GifSetting.TempPathMode = TempSystem;
  std::string system;
  ASSERT_TRUE(GetTempFilePathClass(p, system));
  std::filesystem::remove(system);
  p.GifSetting.TempPathMode = AppPath;
  EXPECT_FALSE(LibraryFolder().empty());
}

}  // namespace
}  // namespace pellory::engine
