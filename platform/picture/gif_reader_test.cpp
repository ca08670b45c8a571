// SPDX-License-Identifier: GPL-3.0-or-later
// GIF files as other programs write them: an image placed on a larger logical screen, and
// headers that claim far more pixels than their data holds.
#include "platform/picture/gif_reader.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "platform/kernel/err.h"
#include "platform/picture/picture.h"
#include "platform/tests/address_space.h"
#include "platform/tests/test_folder.h"

namespace platform {
namespace {

struct GifLayout {
  int screenW, screenH;
  int left, top, w, h;
  int background = 0;
  int transparent = -1;
  bool localTable = false;
  int rowsWritten = -1;  // fewer than h: the file ends early
  bool interlaced = false;
};

class GifScreens : public ::testing::Test {
 protected:
  // Image pixel (x, y) is index 1 + (x + y) % 3 of a 4-entry table.
  std::string Write(const GifLayout& l, const char* name = "in.gif") {
    const std::string path = folder_.File(name);
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    EXPECT_NE(gif, nullptr);
    GifColorType global[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {9, 99, 199}};
    GifColorType local[4] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
    ColorMapObject* globalMap = GifMakeMapObject(4, global);
    ColorMapObject* localMap = l.localTable ? GifMakeMapObject(4, local) : nullptr;
    EGifSetGifVersion(gif, true);
    EXPECT_EQ(EGifPutScreenDesc(gif, l.screenW, l.screenH, 2, l.background, globalMap), GIF_OK);
    if (l.transparent >= 0) {
      GraphicsControlBlock gcb{};
      gcb.TransparentColor = l.transparent;
      GifByteType ext[4];
      const size_t n = EGifGCBToExtension(&gcb, ext);
      EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext), GIF_OK);
    }
    EXPECT_EQ(EGifPutImageDesc(gif, l.left, l.top, l.w, l.h, l.interlaced, localMap), GIF_OK);
    std::vector<GifPixelType> line(l.w);
    const int rows = l.rowsWritten < 0 ? l.h : l.rowsWritten;
    // The rows in the order the file holds them: by pass when interlaced.
    std::vector<int> order;
    for (int pass = 0; pass < (l.interlaced ? 4 : 1); ++pass) {
      static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
      for (int y = l.interlaced ? kStart[pass] : 0; y < l.h; y += l.interlaced ? kStep[pass] : 1)
        order.push_back(y);
    }
    for (int n = 0; n < rows; ++n) {
      const int y = order[n];
      for (int x = 0; x < l.w; ++x) line[x] = static_cast<GifPixelType>(1 + (x + y) % 3);
      EXPECT_EQ(EGifPutLine(gif, line.data(), l.w), GIF_OK);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(globalMap);
    if (localMap) GifFreeMapObject(localMap);
    return path;
  }

  testing::TestFolder folder_{"kestrin-gif-"};
};

// Checks the image at its place and `fill` everywhere else.
void ExpectPlaced(const QImage& image, const GifLayout& l, int fill) {
  ASSERT_EQ(image.format(), QImage::Format_Indexed8);
  ASSERT_EQ(image.size(), QSize(l.screenW, l.screenH));
  for (int y = 0; y < l.screenH; ++y)
    for (int x = 0; x < l.screenW; ++x) {
      const bool inside = x >= l.left && x < l.left + l.w && y >= l.top && y < l.top + l.h;
      const int want = inside ? 1 + (x - l.left + y - l.top) % 3 : fill;
      ASSERT_EQ(image.pixelIndex(x, y), want) << x << "," << y;
    }
}

TEST_F(GifScreens, AnImageSmallerThanTheScreenSitsAtItsPlaceOnTheBackground) {
  const GifLayout l{75, 50, 25, 0, 50, 50, /*background=*/3};
  const QImage image = LoadPicture(Write(l))->Image();
  ExpectPlaced(image, l, 3);
  EXPECT_EQ(image.color(3), qRgb(9, 99, 199));
}

TEST_F(GifScreens, TheUncoveredScreenIsTransparentWhenTheFileHasATransparentEntry) {
  GifLayout l{60, 40, 10, 5, 30, 20, /*background=*/3, /*transparent=*/0};
  const QImage image = LoadPicture(Write(l))->Image();
  ExpectPlaced(image, l, 0);
  EXPECT_EQ(qAlpha(image.color(0)), 0);
}

TEST_F(GifScreens, ALocalTableGetsTheGlobalBackgroundColourAdded) {
  GifLayout l{20, 10, 0, 2, 20, 6, /*background=*/3};
  l.localTable = true;
  const QImage image = LoadPicture(Write(l))->Image();
  ASSERT_EQ(image.colorCount(), 5);
  EXPECT_EQ(image.color(4), qRgb(9, 99, 199));
  EXPECT_EQ(image.color(1), qRgb(40, 50, 60));
  ExpectPlaced(image, l, 4);
}

TEST_F(GifScreens, AnImageOverrunningTheScreenKeepsAllItsPixels) {
  GifLayout l{10, 10, 4, 0, 12, 10};
  const QImage image = LoadPicture(Write(l))->Image();
  l.screenW = 16;
  ExpectPlaced(image, l, 0);
}

TEST_F(GifScreens, AnImageCoveringTheScreenLoadsAsItIs) {
  const GifLayout l{33, 7, 0, 0, 33, 7};
  ExpectPlaced(LoadPicture(Write(l))->Image(), l, -1);
}

// Rows are handed to the decoder without being cleared first: every pixel comes from the file
// and the padding up to each row's stride is zero, whatever the freed memory held.
TEST_F(GifScreens, EveryByteOfTheRowsIsDefinedInWhateverOrderTheyCome) {
  for (bool interlaced : {false, true}) {
    GifLayout l{301, 203, 0, 0, 301, 203};
    l.interlaced = interlaced;
    const std::string path = Write(l, interlaced ? "interlaced.gif" : "plain.gif");
    for (int round = 0; round < 3; ++round) {
      // Leave freed blocks of the rows' size full of a pattern for the reader to be given.
      for (int n = 0; n < 4; ++n) {
        std::vector<uint8_t> dirt(304 * 203 * (n + 1), 0xAB);
        (void)dirt;
      }
      const QImage image = LoadPicture(path)->Image();
      ExpectPlaced(image, l, -1);
      for (int y = 0; y < image.height(); ++y)
        for (qsizetype x = image.width(); x < image.bytesPerLine(); ++x)
          ASSERT_EQ(image.constScanLine(y)[x], 0) << interlaced << " row " << y;
    }
  }
}

// The reader decodes the code stream itself: what it gives is what giflib's own decoder gives, for
// pictures of every table size, plain and interlaced, from noise to long runs.
TEST_F(GifScreens, DecodesEveryPictureAsGiflibDoes) {
  std::mt19937 random(99);
  for (int n = 0; n < 24; ++n) {
    const int colours = 2 << (n % 8);
    const int w = 1 + static_cast<int>(random() % 300), h = 1 + static_cast<int>(random() % 200);
    const bool interlaced = n % 3 == 0;
    std::vector<GifColorType> table(colours);
    for (int i = 0; i < colours; ++i)
      table[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i), 7};
    std::vector<GifPixelType> pixels(static_cast<size_t>(w) * h);
    GifPixelType run = 0;
    for (auto& px : pixels) {
      if (random() % (n % 4 == 0 ? 1 : 40) == 0)
        run = static_cast<GifPixelType>(random() % colours);
      px = run;
    }
    const std::string path = folder_.File("random" + std::to_string(n) + ".gif");
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    ASSERT_NE(gif, nullptr);
    ColorMapObject* map = GifMakeMapObject(colours, table.data());
    EXPECT_EQ(EGifPutScreenDesc(gif, w, h, 8, 0, map), GIF_OK);
    EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, w, h, interlaced, nullptr), GIF_OK);
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass)
      for (int y = interlaced ? kStart[pass] : 0; y < h; y += interlaced ? kStep[pass] : 1)
        EXPECT_EQ(EGifPutLine(gif, pixels.data() + static_cast<size_t>(y) * w, w), GIF_OK);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);

    GifFileType* reference = DGifOpenFileName(path.c_str(), &error);
    ASSERT_NE(reference, nullptr);
    ASSERT_EQ(DGifSlurp(reference), GIF_OK);
    const QImage image = LoadPicture(path)->Image();
    ASSERT_EQ(image.width(), w);
    ASSERT_EQ(image.height(), h);
    // DGifSlurp puts an interlaced file's rows in their places.
    for (int y = 0; y < h; ++y)
      ASSERT_EQ(0,
                std::memcmp(image.constScanLine(y),
                            reference->SavedImages[0].RasterBits + static_cast<size_t>(y) * w, w))
          << "picture " << n << " row " << y;
    DGifCloseFile(reference, &error);
  }
}

// Encoders cut the code stream into sub-blocks of any length from 1 to 255: the same picture with
// its codes re-cut into lengths 1 to 23 decodes as giflib decodes it, wherever a code meets a cut.
TEST_F(GifScreens, SubBlocksOfEveryLengthGiveThePixelsGiflibGives) {
  const int w = 211, h = 97, colours = 64;
  std::vector<GifColorType> table(colours);
  for (int i = 0; i < colours; ++i)
    table[i] = {static_cast<GifByteType>(i * 4), static_cast<GifByteType>(255 - i), 9};
  std::mt19937 random(5);
  std::vector<GifPixelType> pixels(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] =
        static_cast<GifPixelType>(random() % 5 == 0 ? random() % colours : (i / 7) % colours);
  const std::string written = folder_.File("whole-blocks.gif");
  int error = 0;
  GifFileType* gif = EGifOpenFileName(written.c_str(), false, &error);
  ASSERT_NE(gif, nullptr);
  ColorMapObject* map = GifMakeMapObject(colours, table.data());
  EXPECT_EQ(EGifPutScreenDesc(gif, w, h, 8, 0, map), GIF_OK);
  EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr), GIF_OK);
  for (int y = 0; y < h; ++y)
    EXPECT_EQ(EGifPutLine(gif, pixels.data() + static_cast<size_t>(y) * w, w), GIF_OK);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);

  // Signature, screen, the 64-entry table, the image descriptor; then the code size and blocks.
  std::ifstream in(written, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
  const size_t dataAt = 6 + 7 + 3 * colours + 10 + 1;
  ASSERT_GT(file.size(), dataAt);
  ASSERT_EQ(file[dataAt - 11], 0x2C);
  std::vector<uint8_t> codes;
  size_t at = dataAt;
  for (; file[at] != 0; at += 1 + file[at])
    codes.insert(codes.end(), file.begin() + at + 1, file.begin() + at + 1 + file[at]);
  std::vector<uint8_t> recut(file.begin(), file.begin() + dataAt);
  for (size_t from = 0, n = 1; from < codes.size(); from += n, n = n % 23 + 1) {
    const size_t take = std::min(n, codes.size() - from);
    recut.push_back(static_cast<uint8_t>(take));
    recut.insert(recut.end(), codes.begin() + from, codes.begin() + from + take);
  }
  recut.insert(recut.end(), file.begin() + at, file.end());
  const std::string cut = folder_.File("cut-blocks.gif");
  std::ofstream(cut, std::ios::binary)
      .write(reinterpret_cast<const char*>(recut.data()),
             static_cast<std::streamsize>(recut.size()));

  GifFileType* reference = DGifOpenFileName(cut.c_str(), &error);
  ASSERT_NE(reference, nullptr);
  ASSERT_EQ(DGifSlurp(reference), GIF_OK);
  const QImage image = LoadPicture(cut)->Image();
  ASSERT_EQ(image.size(), QSize(w, h));
  for (int y = 0; y < h; ++y) {
    ASSERT_EQ(0, std::memcmp(image.constScanLine(y), pixels.data() + static_cast<size_t>(y) * w, w))
        << "row " << y;
    ASSERT_EQ(0, std::memcmp(image.constScanLine(y),
                             reference->SavedImages[0].RasterBits + static_cast<size_t>(y) * w, w));
  }
  DGifCloseFile(reference, &error);
}

// Streams that are mostly single indices (as an uncompressed writer makes them) with strings of
// the table among them, widening codes, clear codes anywhere and a full table, at every code
// size, cut into sub-blocks of many lengths: the pixels they stand for, as giflib gives them.
TEST_F(GifScreens, RootCodesAmongStringsGiveThePixelsGiflibGives) {
  std::mt19937 random(11);
  for (int minCodeSize = 2; minCodeSize <= 8; ++minCodeSize) {
    SCOPED_TRACE(minCodeSize);
    const uint32_t clear = 1u << minCodeSize, colours = clear;
    const int w = 173, h = 61 + 20 * minCodeSize;
    const size_t total = static_cast<size_t>(w) * h;
    // The codes and the pixels they decode to, made together: each string code copies pixels
    // already made, as the decoder's table holds them.
    std::vector<std::pair<uint32_t, int>> codes;  // code, width
    std::vector<uint8_t> pixels;
    std::vector<std::pair<size_t, size_t>> table(4096);  // start, length
    uint32_t next = clear + 2;
    int bits = minCodeSize + 1;
    bool hasPrevious = false;
    size_t previousStart = 0, previousLength = 0;
    codes.push_back({clear, bits});
    while (pixels.size() < total) {
      if (random() % 500 == 0 || (hasPrevious && next == 4096 && random() % 4 == 0)) {
        codes.push_back({clear, bits});
        next = clear + 2, bits = minCodeSize + 1, hasPrevious = false;
        continue;
      }
      const size_t at = pixels.size();
      uint32_t code;
      if (hasPrevious && next > clear + 2 && random() % 10 == 0) {
        code = clear + 2 + static_cast<uint32_t>(random() % (next - clear - 2));
        for (size_t k = 0; k < table[code].second; ++k)
          pixels.push_back(pixels[table[code].first + k]);
      } else {
        code = static_cast<uint32_t>(random() % colours);
        pixels.push_back(static_cast<uint8_t>(code));
      }
      codes.push_back({code, bits});
      if (hasPrevious && next < 4096) table[next++] = {previousStart, previousLength + 1};
      if (next >= (1u << bits) && bits < 12) ++bits;
      hasPrevious = true;
      previousStart = at;
      previousLength = pixels.size() - at;
    }
    codes.push_back({clear + 1, bits});
    pixels.resize(total);  // a string may run past the last pixel; the rest is ignored
    std::vector<uint8_t> bytes;
    uint64_t acc = 0;
    int pending = 0;
    for (const auto& [code, width] : codes) {
      acc |= uint64_t{code} << pending;
      for (pending += width; pending >= 8; pending -= 8, acc >>= 8)
        bytes.push_back(static_cast<uint8_t>(acc));
    }
    if (pending > 0) bytes.push_back(static_cast<uint8_t>(acc));

    std::vector<uint8_t> file = {'G',
                                 'I',
                                 'F',
                                 '8',
                                 '9',
                                 'a',
                                 static_cast<uint8_t>(w),
                                 0,
                                 static_cast<uint8_t>(h),
                                 0,
                                 static_cast<uint8_t>(0x80 | (minCodeSize - 1)),
                                 0,
                                 0};
    for (uint32_t i = 0; i < colours; ++i)
      file.insert(file.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 3});
    file.insert(file.end(), {0x2C, 0, 0, 0, 0, static_cast<uint8_t>(w), 0, static_cast<uint8_t>(h),
                             0, 0, static_cast<uint8_t>(minCodeSize)});
    // Sub-blocks of 255, 1, 8, 15, ... 253 bytes, over and over.
    for (size_t from = 0, n = 255; from < bytes.size(); from += n, n = n == 255 ? 1 : n + 7) {
      n = std::min({n, size_t{255}, bytes.size() - from});
      file.push_back(static_cast<uint8_t>(n));
      file.insert(file.end(), bytes.begin() + from, bytes.begin() + from + n);
    }
    file.insert(file.end(), {0, 0x3B});
    const std::string path = folder_.File("roots" + std::to_string(minCodeSize) + ".gif");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));

    int error = 0;
    GifFileType* reference = DGifOpenFileName(path.c_str(), &error);
    ASSERT_NE(reference, nullptr);
    ASSERT_EQ(DGifSlurp(reference), GIF_OK);
    const QImage image = LoadPicture(path)->Image();
    ASSERT_EQ(image.size(), QSize(w, h));
    for (int y = 0; y < h; ++y) {
      const uint8_t* want = pixels.data() + static_cast<size_t>(y) * w;
      ASSERT_EQ(0, std::memcmp(reference->SavedImages[0].RasterBits + static_cast<size_t>(y) * w,
                               want, w))
          << "giflib, row " << y;
      ASSERT_EQ(0, std::memcmp(image.constScanLine(y), want, w)) << "row " << y;
    }
    DGifCloseFile(reference, &error);
  }
}

// A few bytes that claim a picture of 2^28 pixels, or a screen beyond that, are refused before
// memory is taken for what they claim (the test may map at most 64 MB more meanwhile).
TEST_F(GifScreens, ClaimedSizesCostMemoryOnlyForTheRowsTheDataHolds) {
  GifLayout big{16384, 16384, 0, 0, 16384, 16384};
  big.rowsWritten = 2;
  const std::string claimsImage = Write(big);
  const GifLayout screen{65535, 65535, 0, 0, 3, 3};
  const std::string claimsScreen = Write(screen, "screen.gif");
  ASSERT_LT(std::filesystem::file_size(claimsImage), 4096u);
  const testing::AddressSpaceLimit limit(int64_t{64} << 20);
  for (const std::string& path : {claimsImage, claimsScreen}) {
    try {
      LoadPicture(path);
      ADD_FAILURE() << path << " was accepted";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), kErrInvalidPicture) << path;
    }
  }
}

}  // namespace
}  // namespace platform
