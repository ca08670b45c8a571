#include "giflib/engine/gif_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "giflib/engine/error_record.h"
#include "giflib/tests/gif_decode.h"

namespace pellory::engine {
namespace {

using pellory::testing::DecodeGif;
using pellory::testing::DecodeGifBytes;
using pellory::testing::TempFolder;

constexpr int kClear = 256, kEnd = 257;

Vesk_GifPictureType MakePicture(int w, int h, int paletteSize, uint32_t seed = 1) {
  Vesk_GifPictureType pic;
  pic.GifSetting.biWidth = w;
  pic.GifSetting.biHeight = h;
  pic.GifSetting.PaletteSize = static_cast<int16_t>(paletteSize);
  pic.GifSetting.Transparent = TransOff;
  std::mt19937 rng(seed);
  for (int i = 0; i < paletteSize; ++i)
    pic.ColorTable.push_back(
        {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(rng())});
  const int colours = std::max(paletteSize, 1);
  for (int i = 0; i < w * h; ++i) pic.BitmapData.push_back(static_cast<uint8_t>(rng() % colours));
  return pic;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads 9-bit codes least significant bit first; leftover bits of the last byte must be 0.
std::vector<int> UnpackCodes(const std::vector<uint8_t>& bytes) {
  std::vector<int> codes;
  const size_t bits = bytes.size() * 8;
  auto bit = [&](size_t j) { return (bytes[j / 8] >> (j % 8)) & 1; };
  size_t j = 0;
  for (; j + 9 <= bits; j += 9) {
    int c = 0;
    for (int b = 0; b < 9; ++b) c |= bit(j + b) << b;
    codes.push_back(c);
  }
  for (; j < bits; ++j) EXPECT_EQ(bit(j), 0) << "padding bit " << j;
  return codes;
}

// The stream as a list: a clear code precedes every 254th code position after the first.
std::vector<int> ExpectedCodes(const std::vector<uint8_t>& pixels) {
  std::vector<int> codes{kClear};
  for (size_t i = 0; i < pixels.size(); ++i) {
    codes.push_back(pixels[i]);
    if ((i + 2) % 254 == 0) codes.push_back(kClear);
  }
  codes.push_back(kEnd);
  return codes;
}

std::vector<Vesk_GIFRGBTRIPLE> Padded(std::vector<Vesk_GIFRGBTRIPLE> table, size_t size) {
  table.resize(size, Vesk_GIFRGBTRIPLE{});
  return table;
}

// Writes `pic` and checks that giflib reads back exactly its indices, palette and settings.
void ExpectRoundTrip(const Vesk_GifPictureType& pic, const std::string& path,
                     size_t writtenEntries) {
  ASSERT_TRUE(Actual_SaveGifPicture(pic, path));
  const auto d = DecodeGif(path);
  ASSERT_TRUE(d.ok) << d.error;
  const auto& s = pic.GifSetting;
  EXPECT_EQ(d.width, s.biWidth);
  EXPECT_EQ(d.height, s.biHeight);
  EXPECT_EQ(d.imageWidth, s.biWidth);
  EXPECT_EQ(d.imageHeight, s.biHeight);
  EXPECT_EQ(d.indices, pic.BitmapData);
  EXPECT_EQ(d.palette, Padded(pic.ColorTable, writtenEntries));
  EXPECT_EQ(d.background, s.BackColorIndex);
  EXPECT_EQ(d.transparentIndex, s.Transparent == TransOn ? s.TransColorIndex : -1);
  EXPECT_EQ(d.sortFlag, s.Sort);
}

TEST(GifWriter, WritesOnePixelPictureByteForByte) {
  TempFolder dir;
  auto pic = MakePicture(1, 1, 8);
  pic.BitmapData = {5};
  pic.GifSetting.Transparent = TransOn;
  pic.GifSetting.TransColorIndex = 6;
  pic.GifSetting.BackColorIndex = 2;
  ExpectRoundTrip(pic, dir.File("one.gif"), 8);

  std::vector<uint8_t> want = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x82, 2, 0};
  for (const auto& e : pic.ColorTable) want.insert(want.end(), {e.gRed, e.gGreen, e.gBlue});
  want.insert(want.end(), {0x21, 0xF9, 4, 1, 0, 0, 6, 0});                 // control
  want.insert(want.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0});              // descriptor
  want.insert(want.end(), {8, 0x04, 0x00, 0x0B, 0x04, 0x04, 0x00, 0x3B});  // codes 256 5 257
  EXPECT_EQ(ReadFile(dir.File("one.gif")), want);
}

TEST(GifWriter, PutsClearCodesAfter253ThenEvery254Literals) {
  auto literals = [](int from, int count) {
    std::vector<int> v;
    for (int i = 0; i < count; ++i) v.push_back((from + i) % 256);
    return v;
  };
  auto concat = [](std::initializer_list<std::vector<int>> parts) {
    std::vector<int> v;
    for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
  };
  for (int n : {253, 254, 507}) {
    std::vector<uint8_t> pixels(n);
    for (int i = 0; i < n; ++i) pixels[i] = static_cast<uint8_t>(i % 256);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ChangeLZW(pixels, bytes));
    std::vector<int> want;
    if (n == 253) want = concat({{kClear}, literals(0, 253), {kClear, kEnd}});
    if (n == 254) want = concat({{kClear}, literals(0, 253), {kClear, 253 % 256, kEnd}});
    if (n == 507)
      want = concat({{kClear}, literals(0, 253), {kClear}, literals(253, 254), {kClear, kEnd}});
    EXPECT_EQ(UnpackCodes(bytes), want) << n << " pixels";
  }
}

TEST(GifWriter, PacksEveryLengthAndBitPhaseExactly) {
  std::mt19937 rng(7);
  for (size_t n = 1; n <= 1100; ++n) {
    std::vector<uint8_t> pixels(n);
    for (auto& p : pixels) p = static_cast<uint8_t>(rng());
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ChangeLZW(pixels, bytes));
    const size_t codes = n + 2 + (n + 1) / 254;
    ASSERT_EQ(bytes.size(), (codes * 9 + 7) / 8) << n;
    ASSERT_EQ(UnpackCodes(bytes), ExpectedCodes(pixels)) << n;
  }
}

// The temporary files' literal codes are made as they are written, a piece at a time: around
// every sub-block and piece boundary the file must be the one the whole codes give, and giflib
// must read the indices back.
TEST(GifWriter, LiteralFileMadeInPiecesEqualsTheFileOfTheWholeCodes) {
  TempFolder dir;
  struct Size {
    int w, h;
  };
  // A piece ends after about 57800 pixels (65280 code bytes); 641 x 479 makes several.
  for (const Size& size : {Size{1, 1}, Size{224, 1}, Size{225, 1}, Size{254, 1}, Size{577, 100},
                           Size{233, 248}, Size{197, 294}, Size{641, 479}}) {
    SCOPED_TRACE(::testing::Message() << size.w << " x " << size.h);
    const auto pic = MakePicture(size.w, size.h, 256, static_cast<uint32_t>(size.w));
    GifHeaderRecord header{};
    ASSERT_TRUE(SetGifFormatParm(pic, header));
    std::vector<uint8_t> codes;
    ASSERT_TRUE(ChangeLZW(pic.BitmapData, codes));
    ASSERT_TRUE(MakeGifFile(header, pic.ColorTable, codes, dir.File("whole.gif")));
    ASSERT_TRUE(MakeLiteralGifFile(header, pic.ColorTable, pic.BitmapData, dir.File("pieces.gif")));
    ASSERT_EQ(ReadFile(dir.File("pieces.gif")), ReadFile(dir.File("whole.gif")));
    const auto back = DecodeGif(dir.File("pieces.gif"));
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.indices, pic.BitmapData);
    EXPECT_EQ(back.palette, pic.ColorTable);
  }
  // Failures are those of the two steps, and leave no file behind.
  auto empty = MakePicture(2, 2, 4);
  GifHeaderRecord header{};
  ASSERT_TRUE(SetGifFormatParm(empty, header));
  empty.BitmapData.clear();
  PendingError() = {};
  EXPECT_FALSE(MakeLiteralGifFile(header, empty.ColorTable, empty.BitmapData, dir.File("e.gif")));
  EXPECT_EQ(PendingError().Number, 2102);
  EXPECT_EQ(PendingError().ProcName, "ChangeLZW");
  const auto pic = MakePicture(6, 6, 4);
  PendingError() = {};
  EXPECT_FALSE(MakeLiteralGifFile(header, pic.ColorTable, pic.BitmapData, dir.File("no/a.gif")));
  EXPECT_EQ(PendingError().Number, 2104);
  EXPECT_EQ(PendingError().ProcName, "MakeGifFile");
  EXPECT_EQ(dir.CountEntries(), 2);  // whole.gif and pieces.gif
}

TEST(GifWriter, SplitsCodesIntoSubBlocksOf255) {
  TempFolder dir;
  // 224 pixels make 226 codes = 255 bytes; 225 pixels make 227 codes = 256 bytes.
  for (int n : {224, 225}) {
    auto pic = MakePicture(n, 1, 256, n);
    std::vector<uint8_t> codes;
    ASSERT_TRUE(ChangeLZW(pic.BitmapData, codes));
    ASSERT_EQ(codes.size(), n == 224 ? 255u : 256u);
    const std::string path = dir.File("blocks.gif");
    ExpectRoundTrip(pic, path, 256);

    const auto file = ReadFile(path);
    std::vector<uint8_t> want = {8, 255};
    want.insert(want.end(), codes.begin(), codes.begin() + 255);
    if (n == 225) want.insert(want.end(), {1, codes[255]});
    want.insert(want.end(), {0, 0x3B});
    const size_t dataStart = 13 + 3 * 256 + 8 + 10;
    ASSERT_EQ(file.size(), dataStart + want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), file.begin() + dataStart)) << n;
  }
}

TEST(GifWriter, WritesGlobalTableFlagsAndSortBit) {
  TempFolder dir;
  auto pic = MakePicture(4, 3, 2);
  ExpectRoundTrip(pic, dir.File("a.gif"), 2);
  auto file = ReadFile(dir.File("a.gif"));
  EXPECT_EQ(file[10], 0x80);
  EXPECT_EQ(file[13 + 6], 0x21);  // a 6-byte table, then the control extension

  pic.GifSetting.Sort = true;
  ExpectRoundTrip(pic, dir.File("b.gif"), 2);
  EXPECT_EQ(ReadFile(dir.File("b.gif"))[10], 0x88);
}

TEST(GifWriter, WritesTransparentIndexOnlyWhenTransOn) {
  TempFolder dir;
  auto pic = MakePicture(5, 2, 16);
  pic.GifSetting.BackColorIndex = 9;
  pic.GifSetting.TransColorIndex = 7;
  const size_t control = 13 + 3 * 16;
  for (int32_t mode : {0, 1, 5}) {  // TransOn, TransOff, out of range
    pic.GifSetting.Transparent = static_cast<Vesk_TransparentEnum>(mode);
    ExpectRoundTrip(pic, dir.File("t.gif"), 16);
    const auto file = ReadFile(dir.File("t.gif"));
    EXPECT_EQ(file[11], 9);
    EXPECT_EQ(file[control + 3], mode == TransOn ? 1 : 0) << mode;
    EXPECT_EQ(file[control + 6], mode == TransOn ? 7 : 0) << mode;
  }
}

TEST(GifWriter, PadsTableThatIsNotAPowerOfTwoWithBlack) {
  TempFolder dir;
  const std::pair<int, int> cases[] = {{20, 32}, {1, 2}, {3, 4}, {0, 2}, {129, 256}};
  for (auto [entries, written] : cases) {
    auto pic = MakePicture(7, 5, entries, entries);
    ExpectRoundTrip(pic, dir.File("p.gif"), written);
    EXPECT_EQ(ColorTableEntries(ReadFile(dir.File("p.gif"))[10]), written) << entries;
  }
}

TEST(GifWriter, RoundTripsManySizesThroughGiflib) {
  TempFolder dir;
  const std::pair<int, int> sizes[] = {{1, 1},    {3, 7},    {253, 1}, {254, 1},   {255, 2},
                                       {1021, 3}, {4000, 2}, {17, 61}, {32767, 1}, {1, 509}};
  for (auto [w, h] : sizes) {
    for (int palette : {2, 16, 256}) {
      auto pic = MakePicture(w, h, palette, w * 31 + h);
      pic.GifSetting.Transparent = TransOn;
      pic.GifSetting.TransColorIndex = static_cast<uint8_t>(palette - 1);
      pic.GifSetting.BackColorIndex = 1;
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " / " + std::to_string(palette));
      ExpectRoundTrip(pic, dir.File("s.gif"), palette);
    }
  }
}

TEST(GifWriter, RoundTripsEveryPaletteSize) {
  TempFolder dir;
  for (int palette = 2; palette <= 256; ++palette) {
    auto pic = MakePicture(37, 29, palette, palette);
    int written = 2;
    while (written < palette) written *= 2;
    SCOPED_TRACE(palette);
    ExpectRoundTrip(pic, dir.File("e.gif"), written);
  }
}

// The writer into memory gives the bytes of the file, for literal codes and LZW, with and
// without transparency and a coding kept from the last picture; it refuses what the file writer
// refuses, with the same number, and leaves the caller's bytes alone then.
TEST(GifWriter, WritesIntoMemoryTheBytesOfTheFile) {
  TempFolder folder;
  for (const auto compression : {LiteralCodes, LzwCodes})
    for (const int palette : {2, 100, 256}) {
      SCOPED_TRACE(::testing::Message() << compression << " " << palette);
      Vesk_GifPictureType pic = MakePicture(37, 23, palette, static_cast<uint32_t>(palette));
      pic.GifSetting.Compression = compression;
      pic.GifSetting.Transparent = palette == 100 ? TransOn : TransOff;
      pic.GifSetting.TransColorIndex = 7;
      const std::string path = folder.File("file.gif");
      std::filesystem::remove(path);
      ASSERT_TRUE(Actual_SaveGifPicture(pic, path));
      SavedCodes saved;
      for (int round = 0; round < 2; ++round) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(Actual_GifBytes(pic, bytes, &saved));
        EXPECT_EQ(bytes, ReadFile(path)) << round;
      }
      std::vector<uint8_t> bytes;
      ASSERT_TRUE(Actual_GifBytes(pic, bytes));
      const auto decoded = DecodeGifBytes(bytes);
      ASSERT_TRUE(decoded.ok) << decoded.error;
      EXPECT_EQ(decoded.indices, pic.BitmapData);
      EXPECT_EQ(decoded.transparentIndex, palette == 100 ? 7 : -1);
    }
  Vesk_GifPictureType past = MakePicture(4, 4, 4);
  past.BitmapData[5] = 9;
  std::vector<uint8_t> kept = {1, 2, 3};
  PendingError() = {};
  EXPECT_FALSE(Actual_GifBytes(past, kept));
  EXPECT_EQ(PendingError().Number, 2103);
  EXPECT_EQ(kept, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(GifWriter, RefusesBadHeaderValuesWith2103) {
  TempFolder dir;
  auto wide = MakePicture(32768, 1, 2);
  auto flat = MakePicture(4, 1, 2);
  flat.GifSetting.biHeight = 0;
  auto big = MakePicture(4, 4, 257);
  for (const auto* pic : {&wide, &flat, &big}) {
    PendingError() = {};
    EXPECT_FALSE(Actual_SaveGifPicture(*pic, dir.File("x.gif")));
    EXPECT_EQ(PendingError().Number, 2103);
    EXPECT_EQ(PendingError().Style, 16);
    EXPECT_EQ(PendingError().ProcName, "SetGifFormatParm");
  }
  EXPECT_EQ(dir.CountEntries(), 0);
}

TEST(GifWriter, RefusesIndicesPastTheWrittenTableWith2103) {
  TempFolder dir;
  const std::string existing = dir.File("old.gif");
  std::ofstream(existing) << "kept";
  auto topLeft = MakePicture(2, 1, 2);
  topLeft.BitmapData = {5, 0};
  auto inTheMiddle = MakePicture(17, 3, 16);
  inTheMiddle.BitmapData[20] = 16;
  auto atTheEnd = MakePicture(17, 3, 16);
  atTheEnd.BitmapData.back() = 200;
  auto pastPadding = MakePicture(2, 2, 3);  // written as 4 entries, the last one black
  pastPadding.BitmapData[1] = 4;
  for (const auto* pic : {&topLeft, &inTheMiddle, &atTheEnd, &pastPadding}) {
    for (const std::string& target : {dir.File("x.gif"), existing}) {
      PendingError() = {};
      EXPECT_FALSE(Actual_SaveGifPicture(*pic, target));
      EXPECT_EQ(PendingError().Number, 2103);
      EXPECT_EQ(PendingError().Style, 16);
      EXPECT_EQ(PendingError().ProcName, "SetGifFormatParm");
    }
  }
  EXPECT_EQ(dir.CountEntries(), 1);
  EXPECT_EQ(ReadFile(existing).size(), 4u) << "a refused picture must not replace a file";

  // An index into the black padding of a table that is not a power of two has its entry.
  auto intoPadding = MakePicture(2, 2, 3);
  intoPadding.BitmapData = {3, 0, 1, 2};
  ExpectRoundTrip(intoPadding, dir.File("pad.gif"), 4);
}

TEST(GifWriter, RefusesEmptyOrMismatchedPixelsWith2102) {
  TempFolder dir;
  auto empty = MakePicture(3, 3, 4);
  empty.BitmapData.clear();
  PendingError() = {};
  EXPECT_FALSE(Actual_SaveGifPicture(empty, dir.File("x.gif")));
  EXPECT_EQ(PendingError().Number, 2102);
  EXPECT_EQ(PendingError().ProcName, "ChangeLZW");

  auto shortRow = MakePicture(3, 3, 4);
  shortRow.BitmapData.pop_back();
  PendingError() = {};
  EXPECT_FALSE(Actual_SaveGifPicture(shortRow, dir.File("x.gif")));
  EXPECT_EQ(PendingError().Number, 2102);
  EXPECT_EQ(PendingError().ProcName, "Actual_SaveGifPicture");
  EXPECT_EQ(dir.CountEntries(), 0);
}

TEST(GifWriter, ReportsUnwritableTargetWith2104) {
  TempFolder dir;
  std::filesystem::create_directory(dir.File("folder"));
  std::ofstream(dir.File("plain")) << "x";
  const auto pic = MakePicture(6, 6, 4);
  for (const std::string& target :
       {dir.File("missing/a.gif"), dir.File("plain/a.gif"), dir.File("folder")}) {
    PendingError() = {};
    EXPECT_FALSE(Actual_SaveGifPicture(pic, target)) << target;
    EXPECT_EQ(PendingError().Number, 2104);
    EXPECT_EQ(PendingError().ProcName, "MakeGifFile");
    EXPECT_NE(PendingError().SysErrNumber, 0);
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
  EXPECT_EQ(dir.CountEntries(), 2);
}

TEST(GifWriter, MakeGifFileRefusesTableLargerThanItsSizeCode) {
  TempFolder dir;
  const auto pic = MakePicture(2, 2, 4);
  GifHeaderRecord header{};
  std::vector<uint8_t> codes;
  ASSERT_TRUE(ChangeLZW(pic.BitmapData, codes));
  ASSERT_TRUE(SetGifFormatParm(pic, header));
  PendingError() = {};
  EXPECT_FALSE(MakeGifFile(header, Padded(pic.ColorTable, 5), codes, dir.File("x.gif")));
  EXPECT_EQ(PendingError().Number, 2104);
  EXPECT_EQ(dir.CountEntries(), 0);
}

TEST(GifWriter, ReplacesExistingFile) {
  TempFolder dir;
  const std::string path = dir.File("old.gif");
  std::ofstream(path) << std::string(100000, 'z');
  const auto pic = MakePicture(9, 4, 8);
  ExpectRoundTrip(pic, path, 8);
  EXPECT_LT(std::filesystem::file_size(path), 1000u);
}

}  // namespace
}  // namespace pellory::engine
