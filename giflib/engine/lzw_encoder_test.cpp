// SPDX-License-Identifier: GPL-3.0-or-later
// The LZW writer against giflib: every file decodes to the same indices, and is within 2 % of the
// size giflib's own encoder gives the same pixels.
#include "giflib/engine/lzw_encoder.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <random>

#include "giflib/engine/gif_writer.h"
#include "giflib/tests/gif_decode.h"
#include "platform/picture/picture.h"

namespace pellory::engine {
namespace {

using pellory::testing::DecodeGif;
using pellory::testing::TempFolder;

enum class Pattern { kNoise, kRuns, kFlat };

Vesk_GifPictureType MakePicture(int w, int h, int colours, Pattern pattern, uint32_t seed) {
  Vesk_GifPictureType pic;
  pic.GifSetting.biWidth = w;
  pic.GifSetting.biHeight = h;
  pic.GifSetting.PaletteSize = static_cast<int16_t>(colours);
  pic.GifSetting.Transparent = TransOff;
  pic.GifSetting.Compression = LzwCodes;
  std::mt19937 rng(seed);
  for (int i = 0; i < colours; ++i)
    pic.ColorTable.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(rng()), 7});
  pic.BitmapData.resize(static_cast<size_t>(w) * h);
  uint8_t run = 0;
  for (size_t i = 0; i < pic.BitmapData.size(); ++i) {
    if (pattern == Pattern::kNoise || (pattern == Pattern::kRuns && rng() % 9 == 0))
      run = static_cast<uint8_t>(rng() % colours);
    pic.BitmapData[i] = run;
  }
  return pic;
}

// The same pixels and table through giflib's encoder; returns the file's size.
uintmax_t GiflibSize(const Vesk_GifPictureType& pic, const std::string& path) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  EXPECT_NE(gif, nullptr);
  const int entries = 2 << (LzwMinimumCodeSize(pic.ColorTable.size()) - 1);
  std::vector<GifColorType> colours(entries);
  for (size_t i = 0; i < pic.ColorTable.size(); ++i)
    colours[i] = {pic.ColorTable[i].gRed, pic.ColorTable[i].gGreen, pic.ColorTable[i].gBlue};
  ColorMapObject* map = GifMakeMapObject(entries, colours.data());
  const int w = pic.GifSetting.biWidth, h = pic.GifSetting.biHeight;
  EXPECT_EQ(EGifPutScreenDesc(gif, w, h, 8, 0, map), GIF_OK);
  EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr), GIF_OK);
  std::vector<GifPixelType> row(w);
  for (int y = 0; y < h; ++y) {
    std::copy_n(pic.BitmapData.begin() + static_cast<ptrdiff_t>(y) * w, w, row.begin());
    EXPECT_EQ(EGifPutLine(gif, row.data(), w), GIF_OK);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return std::filesystem::file_size(path);
}

void ExpectDecodesAndMatchesGiflib(const Vesk_GifPictureType& pic, const std::string& label) {
  SCOPED_TRACE(label);
  TempFolder temp;
  const std::string ours = temp.File("ours.gif");
  ASSERT_TRUE(Actual_SaveGifPicture(pic, ours));
  const testing::DecodedGif d = DecodeGif(ours);
  ASSERT_TRUE(d.ok) << d.error;
  ASSERT_EQ(d.imageWidth, pic.GifSetting.biWidth);
  ASSERT_EQ(d.imageHeight, pic.GifSetting.biHeight);
  ASSERT_EQ(d.indices, pic.BitmapData);
  for (size_t i = 0; i < pic.ColorTable.size(); ++i)
    ASSERT_EQ(d.palette[i].gGreen, pic.ColorTable[i].gGreen) << i;
  // Our file carries a graphic control extension (8 bytes) that giflib's does not.
  const double size = static_cast<double>(std::filesystem::file_size(ours)) - 8;
  const double theirs = static_cast<double>(GiflibSize(pic, temp.File("giflib.gif")));
  EXPECT_LE(size, theirs * 1.02 + 2) << "ours " << size << ", giflib " << theirs;
}

TEST(LzwEncoder, RandomPicturesOfEveryTableSizeDecodeExactlyThroughGiflib) {
  std::mt19937 rng(2026);
  for (int colours : {1, 2, 3, 4, 5, 16, 17, 100, 128, 255, 256}) {
    for (int w : {1, 2, 7, 64, 333, 4000}) {
      const int h = w >= 1000 ? 3 : 1 + static_cast<int>(rng() % 40);
      for (Pattern p : {Pattern::kNoise, Pattern::kRuns, Pattern::kFlat})
        ExpectDecodesAndMatchesGiflib(MakePicture(w, h, colours, p, rng()),
                                      std::to_string(colours) + " colours, " + std::to_string(w) +
                                          "x" + std::to_string(h) + " pattern " +
                                          std::to_string(static_cast<int>(p)));
    }
  }
}

// Enough varied data to fill the 4096-code table many times over: the clears and the widths
// that restart after them must agree with the decoder's.
TEST(LzwEncoder, TablesFilledManyTimesOverStillDecode) {
  for (int colours : {2, 4, 256})
    for (Pattern p : {Pattern::kNoise, Pattern::kRuns})
      ExpectDecodesAndMatchesGiflib(MakePicture(1200, 700, colours, p, 99u + colours),
                                    std::to_string(colours) + " colours");
  // A flat picture: strings grow to thousands of pixels, codes stay few.
  ExpectDecodesAndMatchesGiflib(MakePicture(4000, 3000, 2, Pattern::kFlat, 5), "flat 4000x3000");
}

// A deferred clear keeps a full table without adding entries; giflib's decoder must follow it
// through pictures that keep the table for long and ones that clear it again.
TEST(LzwEncoder, DeferredClearsDecodeExactlyThroughGiflib) {
  TempFolder temp;
  int n = 0, deferred = 0;
  for (int colours : {2, 16, 256})
    for (Pattern p : {Pattern::kNoise, Pattern::kRuns}) {
      Vesk_GifPictureType pic = MakePicture(900, 600, colours, p, 7u + colours);
      // The lower half repeats the first rows: a full table keeps serving it well.
      for (size_t i = pic.BitmapData.size() / 2; i < pic.BitmapData.size(); ++i)
        pic.BitmapData[i] = pic.BitmapData[i % 2700];
      std::vector<uint8_t> codes;
      const int minCodeSize = LzwMinimumCodeSize(pic.ColorTable.size());
      EncodeLzw(pic.BitmapData.data(), pic.BitmapData.size(), minCodeSize, codes, true);
      std::vector<uint8_t> immediate;
      EncodeLzw(pic.BitmapData.data(), pic.BitmapData.size(), minCodeSize, immediate);
      deferred += codes != immediate;
      GifHeaderRecord header{};
      ASSERT_TRUE(SetGifFormatParm(pic, header));
      const std::string path = temp.File(std::to_string(n++) + ".gif");
      ASSERT_TRUE(MakeGifFile(header, pic.ColorTable, codes, path, minCodeSize));
      const testing::DecodedGif d = DecodeGif(path);
      ASSERT_TRUE(d.ok) << d.error;
      EXPECT_EQ(d.indices, pic.BitmapData) << colours << " colours";
      // The platform's reader decodes the stream itself, a full table kept included.
      const QImage image = platform::LoadPicture(path)->Image();
      for (int y = 0; y < image.height(); ++y)
        ASSERT_EQ(0,
                  std::memcmp(image.constScanLine(y), pic.BitmapData.data() + size_t{900} * y, 900))
            << colours << " colours, row " << y;
    }
  EXPECT_GE(deferred, 3) << "the clears were hardly ever deferred";
}

// The plain LZW of the textbook, one pixel and one table look-up at a time, clearing as soon as
// the table is full: the encoder's shortcuts must give exactly its bytes.
std::vector<uint8_t> ReferenceLzw(const std::vector<uint8_t>& pixels, int minCodeSize) {
  std::vector<uint8_t> out;
  uint64_t acc = 0;
  int pending = 0;
  const uint32_t clearCode = 1u << minCodeSize, endCode = clearCode + 1;
  int bits = minCodeSize + 1;
  uint32_t nextCode = endCode + 1;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> table;
  auto put = [&](uint32_t code) {
    acc |= uint64_t{code} << pending;
    for (pending += bits; pending >= 8; pending -= 8, acc >>= 8)
      out.push_back(static_cast<uint8_t>(acc));
    if (nextCode >= (1u << bits) && code <= 4095 && bits < 12) ++bits;
  };
  put(clearCode);
  uint32_t current = pixels[0];
  for (size_t i = 1; i < pixels.size(); ++i) {
    const auto found = table.find({current, pixels[i]});
    if (found != table.end()) {
      current = found->second;
      continue;
    }
    put(current);
    if (nextCode < 4095) {
      table[{current, pixels[i]}] = nextCode++;
    } else {
      put(clearCode);
      table.clear();
      nextCode = endCode + 1;
      bits = minCodeSize + 1;
    }
    current = pixels[i];
  }
  put(current);
  put(endCode);
  if (pending > 0) out.push_back(static_cast<uint8_t>(acc));
  return out;
}

TEST(LzwEncoder, RunsOfEveryLengthGiveTheBytesOfPlainLzw) {
  std::mt19937 rng(31);
  for (int colours : {2, 5, 256}) {
    // Runs from 1 to 3000 pixels, short ones more often, across many table resets.
    std::vector<uint8_t> pixels;
    while (pixels.size() < 400000) {
      const size_t length = 1 + (rng() % 4 == 0 ? rng() % 3000 : rng() % 12);
      pixels.insert(pixels.end(), length, static_cast<uint8_t>(rng() % colours));
    }
    const int minCodeSize = LzwMinimumCodeSize(static_cast<size_t>(colours));
    std::vector<uint8_t> codes;
    EncodeLzw(pixels.data(), pixels.size(), minCodeSize, codes);
    EXPECT_TRUE(codes == ReferenceLzw(pixels, minCodeSize)) << colours << " colours";
    // One long run alone, and one that ends the picture.
    const std::vector<uint8_t> flat(100000, 1);
    EncodeLzw(flat.data(), flat.size(), minCodeSize, codes);
    EXPECT_TRUE(codes == ReferenceLzw(flat, minCodeSize)) << colours << " colours, flat";
  }
}

TEST(LzwEncoder, MinimumCodeSizeFollowsTheTable) {
  EXPECT_EQ(LzwMinimumCodeSize(2), 2);
  EXPECT_EQ(LzwMinimumCodeSize(4), 2);
  EXPECT_EQ(LzwMinimumCodeSize(8), 3);
  EXPECT_EQ(LzwMinimumCodeSize(128), 7);
  EXPECT_EQ(LzwMinimumCodeSize(256), 8);
}

// Literal codes stay the default: the same bytes as ever unless a caller asks for LZW.
TEST(LzwEncoder, LiteralCodesRemainTheDefault) {
  Vesk_GifPictureType pic = MakePicture(40, 30, 16, Pattern::kRuns, 3);
  TempFolder temp;
  pic.GifSetting.Compression = LiteralCodes;
  ASSERT_TRUE(Actual_SaveGifPicture(pic, temp.File("literal.gif")));
  EXPECT_EQ(Vesk_GifSettingType{}.Compression, LiteralCodes);
  // 9 bits per pixel and a clear code every 254: more than a byte per pixel.
  EXPECT_GT(std::filesystem::file_size(temp.File("literal.gif")), 40u * 30u);
  pic.GifSetting.Compression = LzwCodes;
  ASSERT_TRUE(Actual_SaveGifPicture(pic, temp.File("lzw.gif")));
  EXPECT_LT(std::filesystem::file_size(temp.File("lzw.gif")), 40u * 30u);
  EXPECT_EQ(DecodeGif(temp.File("lzw.gif")).indices, DecodeGif(temp.File("literal.gif")).indices);
}

}  // namespace
}  // namespace pellory::engine
