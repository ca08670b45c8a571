#include "platform/picture/picture.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/kernel/err.h"
#include "platform/kernel/files.h"
#include "platform/picture/tests/bmp_bytes.h"
#include "platform/tests/test_folder.h"

namespace platform {
namespace {

class PictureFiles : public ::testing::Test {
 protected:
  std::string File(const char* name) const { return folder_.File(name); }

  // Writes a GIF with giflib: 4-colour global table, optional local table, interlace and
  // transparency.
  void WriteGif(const std::string& path, int w, int h, const std::vector<uint8_t>& rows,
                bool interlace, int transparent, bool localTable) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    ASSERT_NE(gif, nullptr);
    GifColorType global[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    GifColorType local[4] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
    ColorMapObject* globalMap = GifMakeMapObject(4, global);
    ColorMapObject* localMap = localTable ? GifMakeMapObject(4, local) : nullptr;
    EGifSetGifVersion(gif, true);
    ASSERT_EQ(EGifPutScreenDesc(gif, w, h, 2, 0, globalMap), GIF_OK);
    if (transparent >= 0) {
      GraphicsControlBlock gcb{};
      gcb.TransparentColor = transparent;
      GifByteType ext[4];
      size_t n = EGifGCBToExtension(&gcb, ext);
      ASSERT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext), GIF_OK);
    }
    ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, w, h, interlace, localMap), GIF_OK);
    // giflib expects interlaced rows in pass order.
    std::vector<int> order;
    if (interlace) {
      const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
      for (int p = 0; p < 4; ++p)
        for (int y = start[p]; y < h; y += step[p]) order.push_back(y);
    } else {
      for (int y = 0; y < h; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> line(rows.begin() + y * w, rows.begin() + (y + 1) * w);
      ASSERT_EQ(EGifPutLine(gif, line.data(), w), GIF_OK);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(globalMap);
    if (localMap) GifFreeMapObject(localMap);
  }

  testing::TestFolder folder_{"kestrin-picture-"};
};

std::vector<uint8_t> Indices(const QImage& image) {
  std::vector<uint8_t> out;
  for (int y = 0; y < image.height(); ++y)
    out.insert(out.end(), image.constScanLine(y), image.constScanLine(y) + image.width());
  return out;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

TEST_F(PictureFiles, GifKeepsPaletteIndicesAndTransparentEntry) {
  std::vector<uint8_t> rows = {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 2, 2};
  WriteGif(File("a.gif"), 4, 3, rows, false, 2, false);
  Picture p = LoadPicture(File("a.gif"));
  ASSERT_NE(p->Handle(), 0u);
  EXPECT_EQ(p->Type(), kPictureTypeBitmap);
  const QImage& image = p->Image();
  ASSERT_EQ(image.format(), QImage::Format_Indexed8);
  EXPECT_EQ(Indices(image), rows);
  ASSERT_EQ(image.colorCount(), 4);
  EXPECT_EQ(image.color(1), qRgb(255, 0, 0));
  EXPECT_EQ(image.color(2), qRgba(0, 255, 0, 0)) << "transparent entry keeps its true RGB";
  EXPECT_EQ(p->Width(), PixelsToHimetric(4));
}

TEST_F(PictureFiles, GifInterlacedRowsComeBackInOrderAndLocalTableWins) {
  const int w = 3, h = 11;
  std::vector<uint8_t> rows(w * h);
  for (int i = 0; i < w * h; ++i) rows[i] = static_cast<uint8_t>((i / w) % 4);
  WriteGif(File("i.gif"), w, h, rows, true, -1, true);
  Picture p = LoadPicture(File("i.gif"));
  EXPECT_EQ(Indices(p->Image()), rows);
  EXPECT_EQ(p->Image().color(0), qRgb(10, 20, 30));
}

TEST_F(PictureFiles, BrokenFilesRaiseRuntimeErrorsNotCrashes) {
  EXPECT_EQ(LoadPicture("")->Handle(), 0u);
  try {
    LoadPicture(File("missing.gif"));
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrFileNotFound);
  }
  std::vector<uint8_t> rows(64 * 64, 1);
  WriteGif(File("t.gif"), 64, 64, rows, false, -1, false);
  std::vector<uint8_t> bytes = ReadAll(File("t.gif"));
  for (size_t keep : {size_t{6}, size_t{13}, size_t{20}, bytes.size() / 2, bytes.size() - 3}) {
    std::ofstream(File("cut.gif"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(keep));
    try {
      LoadPicture(File("cut.gif"));
      ADD_FAILURE() << "truncated to " << keep << " bytes was accepted";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), kErrInvalidPicture) << keep;
    }
  }
  // A header that claims 65535 x 65535 pixels with no data behind it.
  std::vector<uint8_t> liar = bytes;
  liar[6] = liar[7] = liar[8] = liar[9] = 0xFF;
  for (size_t at = 13 + 12; at + 9 < liar.size(); ++at)
    if (liar[at] == 0x2C) {
      liar[at + 5] = liar[at + 6] = liar[at + 7] = liar[at + 8] = 0xFF;
      break;
    }
  liar.resize(liar.size() / 2);
  std::ofstream(File("liar.gif"), std::ios::binary)
      .write(reinterpret_cast<const char*>(liar.data()), static_cast<std::streamsize>(liar.size()));
  EXPECT_THROW(LoadPicture(File("liar.gif")), RuntimeError);
  std::ofstream(File("junk.bmp")) << "not a picture";
  EXPECT_THROW(LoadPicture(File("junk.bmp")), RuntimeError);
}

// A bitmap cut short would come back with uninitialised rows from the toolkit's reader.
TEST_F(PictureFiles, TruncatedBitmapsAreRefused) {
  QImage img(40, 30, QImage::Format_RGB32);
  img.fill(qRgb(10, 20, 30));
  SavePicture(std::make_shared<StdPicture>(img), File("whole.bmp"));
  const std::vector<uint8_t> bytes = ReadAll(File("whole.bmp"));
  EXPECT_NO_THROW(LoadPicture(File("whole.bmp")));
  for (size_t keep : {bytes.size() - 1, bytes.size() / 2, size_t{60}}) {
    std::ofstream(File("cut.bmp"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(keep));
    try {
      LoadPicture(File("cut.bmp"));
      ADD_FAILURE() << "truncated to " << keep << " bytes was accepted";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.Number(), kErrInvalidPicture) << keep;
    }
  }
  // Found by fuzzing: a 1-bit, 63990 x 1 bitmap with four bytes of its row.
  const QByteArray tiny = QByteArray::fromBase64(
      "Qk1CAAAAAAAAAD4AAAAoAAAA9vkAAAEAAAABAAEAAAAAAAQAAADEDgAAxA4AAAIAAAAAAAAAAAAAAAEAAP9gQAAA");
  std::ofstream(File("tiny.bmp"), std::ios::binary).write(tiny.constData(), tiny.size());
  EXPECT_THROW(LoadPicture(File("tiny.bmp")), RuntimeError);
}

TEST_F(PictureFiles, BitmapIndicesPastTheColourCountGetBlackEntries) {
  using testing::BmpColor;
  const BmpColor red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
  struct Case {
    int bits;
    std::vector<BmpColor> palette;
    std::vector<uint8_t> indices;  // 3 x 2, top row first
  };
  const Case cases[] = {
      {8, {red, green}, {5, 0, 1, 1, 0, 0}},        // stray at the top left
      {8, {red, green}, {0, 1, 0, 1, 0, 200}},      // stray at the bottom right
      {8, {red, green, blue}, {0, 1, 2, 2, 1, 0}},  // nothing stray: table kept as it is
      {4, {red, green}, {15, 1, 0, 0, 1, 0}},
      {4, {red, green}, {0, 1, 0, 1, 5, 1}},
      {1, {red}, {1, 0, 0, 0, 0, 0}},
      {1, {red}, {0, 0, 0, 1, 1, 0}},
      {1, {red, blue}, {1, 0, 1, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.bits << " bits, " << c.palette.size() << " colours, "
                                      << "top left " << int{c.indices[0]});
    testing::WriteBytes(File("s.bmp"), testing::IndexedBmp(3, 2, c.bits, c.palette, c.indices));
    Picture p = LoadPicture(File("s.bmp"));
    const QImage& image = p->Image();
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(Indices(image), c.indices);
    const int used = *std::max_element(c.indices.begin(), c.indices.end()) + 1;
    const QList<QRgb> table = image.colorTable();
    ASSERT_EQ(table.size(), std::max<int>(used, static_cast<int>(c.palette.size())));
    for (int i = 0; i < table.size(); ++i) {
      const BmpColor want = i < static_cast<int>(c.palette.size()) ? c.palette[i] : BmpColor{};
      EXPECT_EQ(table[i], qRgb(want.r, want.g, want.b)) << "entry " << i;
    }
  }
}

TEST_F(PictureFiles, GifIndicesPastTheTableGetBlackEntries) {
  // 2 x 1, a two-entry global table, pixels {3, 1}: codes clear, 3, 1, end at 3 bits each.
  const std::vector<uint8_t> gif = {'G',  'I', 'F',  '8',  '9', 'a', 2, 0,   1, 0,
                                    0x80, 0,   0,    255,  0,   0,   0, 255, 0,     // table
                                    0x2C, 0,   0,    0,    0,   2,   0, 1,   0, 0,  // descriptor
                                    2,    2,   0x5C, 0x0A, 0,   0x3B};              // codes
  testing::WriteBytes(File("s.gif"), gif);
  Picture p = LoadPicture(File("s.gif"));
  EXPECT_EQ(Indices(p->Image()), (std::vector<uint8_t>{3, 1}));
  EXPECT_EQ(p->Image().colorTable(),
            (QList<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 0), qRgb(0, 0, 0)}));
}

TEST_F(PictureFiles, SavedIndexedBitmapHasWholePaletteAndBottomUpRows) {
  QImage image(5, 2, QImage::Format_Indexed8);
  image.setColorTable({qRgb(1, 2, 3), qRgba(4, 5, 6, 0), qRgb(7, 8, 9)});
  const uint8_t top[5] = {0, 1, 2, 1, 0}, bottom[5] = {2, 2, 2, 2, 1};
  std::memcpy(image.scanLine(0), top, 5);
  std::memcpy(image.scanLine(1), bottom, 5);
  SavePicture(std::make_shared<StdPicture>(image), File("s.bmp"));
  std::vector<uint8_t> b = ReadAll(File("s.bmp"));
  ASSERT_EQ(b.size(), 54u + 3 * 4 + 8 * 2);
  EXPECT_EQ(b[28], 8);               // bits per pixel
  EXPECT_EQ(U32(b, 30), 0u);         // uncompressed
  EXPECT_EQ(U32(b, 34), 16u);        // image size: 8-byte rows
  EXPECT_EQ(U32(b, 46), 3u);         // colours used
  EXPECT_EQ(U32(b, 10), 54u + 12u);  // pixel data offset
  EXPECT_EQ(b[54 + 4], 6);           // entry 1 blue, true RGB despite alpha 0
  EXPECT_EQ(b[54 + 6], 4);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 66, b.begin() + 71),
            std::vector<uint8_t>(bottom, bottom + 5));
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 74, b.begin() + 79),
            std::vector<uint8_t>(top, top + 5));
}

TEST_F(PictureFiles, SavedTrueColourBitmapFlattensTransparencyOnGrey254) {
  QImage image(2, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(10, 20, 30, 255));
  image.setPixel(1, 0, qRgba(200, 100, 50, 0));
  SavePicture(std::make_shared<StdPicture>(image), File("t.bmp"));
  std::vector<uint8_t> b = ReadAll(File("t.bmp"));
  ASSERT_EQ(b.size(), 54u + 8u);
  EXPECT_EQ(b[28], 24);
  EXPECT_EQ(U32(b, 34), 8u);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 54, b.begin() + 60),
            (std::vector<uint8_t>{30, 20, 10, 254, 254, 254}));
  EXPECT_THROW(SavePicture(nullptr, File("n.bmp")), RuntimeError);
  EXPECT_THROW(SavePicture(std::make_shared<StdPicture>(), File("n.bmp")), RuntimeError);
  EXPECT_THROW(SavePicture(std::make_shared<StdPicture>(image), File("no/such/dir.bmp")),
               RuntimeError);
}

// A bitmap saved where a longer file stands replaces it whole: nothing of the old file may
// follow the new one.
TEST_F(PictureFiles, SavingOverALongerFileReplacesItWhole) {
  QImage image(3, 2, QImage::Format_Indexed8);
  image.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
  image.fill(1);
  SavePicture(std::make_shared<StdPicture>(image), File("fresh.bmp"));
  const std::vector<uint8_t> expected = ReadAll(File("fresh.bmp"));
  {
    std::ofstream old(File("over.bmp"), std::ios::binary);
    old << std::string(expected.size() * 3, 'x');
  }
  SavePicture(std::make_shared<StdPicture>(image), File("over.bmp"));
  EXPECT_EQ(ReadAll(File("over.bmp")), expected);
}

TEST_F(PictureFiles, SavingOverAReadOnlyFileFailsAndLeavesIt) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  QImage image(3, 2, QImage::Format_Indexed8);
  image.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
  image.fill(1);
  {
    std::ofstream kept(File("kept.bmp"), std::ios::binary);
    kept << "keep";
  }
  std::filesystem::permissions(File("kept.bmp"), std::filesystem::perms::owner_read);
  EXPECT_THROW(SavePicture(std::make_shared<StdPicture>(image), File("kept.bmp")), RuntimeError);
  const std::vector<uint8_t> after = ReadAll(File("kept.bmp"));
  EXPECT_EQ(std::string(after.begin(), after.end()), "keep");
}

// Opaque 32-bit pictures go out four bytes a pixel at a time; the rows must still be three bytes
// a pixel, zero-padded to four, bottom row first, at every width.
TEST_F(PictureFiles, SavedOpaqueTrueColourRowsAreExactAtEveryWidth) {
  for (int w = 1; w <= 9; ++w) {
    SCOPED_TRACE(w);
    QImage image(w, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 20 + 1, y * 50 + 2, x + y + 3));
    SavePicture(std::make_shared<StdPicture>(image), File("o.bmp"));
    const std::vector<uint8_t> b = ReadAll(File("o.bmp"));
    const size_t stride = (3 * static_cast<size_t>(w) + 3) & ~size_t{3};
    ASSERT_EQ(b.size(), 54 + 3 * stride);
    EXPECT_EQ(U32(b, 34), 3 * stride);
    for (int y = 0; y < 3; ++y) {
      const size_t row = 54 + (2 - y) * stride;
      for (int x = 0; x < w; ++x) {
        const size_t at = row + 3 * x;
        EXPECT_EQ(b[at], x + y + 3);
        EXPECT_EQ(b[at + 1], y * 50 + 2);
        EXPECT_EQ(b[at + 2], x * 20 + 1);
      }
      for (size_t at = row + 3 * w; at < row + stride; ++at) EXPECT_EQ(b[at], 0) << at;
    }
  }
}

Picture Indexed(int w, int h, uint8_t first, QRgb colour) {
  QImage image(w, h, QImage::Format_Indexed8);
  image.setColorTable({qRgb(0, 0, 0), colour, qRgba(1, 2, 3, 0)});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, (first + x + y) % 3);
  image.setDotsPerMeterX(1234);
  return std::make_shared<StdPicture>(std::move(image));
}

TEST(SharingPixels, EqualIndicesShareTheOwnersPixelsAndKeepTheirOwnColours) {
  Picture owner = Indexed(7, 5, 0, qRgb(255, 0, 0));
  const Picture frame = Indexed(7, 5, 0, qRgb(0, 255, 0));
  const Picture shared = SharingPixels(frame, owner);
  ASSERT_NE(shared, frame);
  EXPECT_EQ(shared->Image().constBits(), owner->Image().constBits());
  EXPECT_EQ(shared->Image().colorTable(), frame->Image().colorTable());
  EXPECT_EQ(shared->Image().dotsPerMeterX(), 1234);
  EXPECT_NE(shared->Handle(), 0u);
  EXPECT_EQ(owner->Image().color(1), qRgb(255, 0, 0));
  // A write goes to a copy; the owner's pixels stay, and outlive the owner.
  QImage written = shared->Image();
  written.setPixel(0, 0, 2);
  EXPECT_EQ(owner->Image().pixelIndex(0, 0), 0);
  const QImage before = frame->Image();
  owner.reset();
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(shared->Image().pixelIndex(x, y), before.pixelIndex(x, y));
}

TEST(SharingPixels, OtherPixelsSizesOrFormatsKeepThePicture) {
  const Picture owner = Indexed(7, 5, 0, qRgb(255, 0, 0));
  const Picture shifted = Indexed(7, 5, 1, qRgb(255, 0, 0));
  EXPECT_EQ(SharingPixels(shifted, owner), shifted);
  const Picture smaller = Indexed(6, 5, 0, qRgb(255, 0, 0));
  EXPECT_EQ(SharingPixels(smaller, owner), smaller);
  const Picture rgb =
      std::make_shared<StdPicture>(owner->Image().convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(SharingPixels(rgb, owner), rgb);
  EXPECT_EQ(SharingPixels(owner, owner), owner);
  EXPECT_EQ(SharingPixels(nullptr, owner), nullptr);
  EXPECT_EQ(SharingPixels(owner, nullptr), owner);
}

// Large pictures are written in two halves of rows at once, each half through its own buffers
// written where they belong: every row must still lie in its place, bottom row first, padded with
// zeros, at odd widths and in every format; a write that fails (here: past the file size limit)
// leaves no file and raises 75.
TEST_F(PictureFiles, LargeBitmapsWrittenInHalvesKeepEveryRowInPlace) {
  const int w = 701, h = 523;  // rows of 2104 and 704 bytes: more than a buffer each half
  auto colour = [](int x, int y) { return qRgb(x % 251, (y * 3) % 256, (x + 7 * y) % 256); };
  QImage opaque(w, h, QImage::Format_RGB32), alpha(w, h, QImage::Format_ARGB32);
  QImage indexed(w, h, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int i = 0; i < 256; ++i) table.push_back(qRgb(i, 255 - i, i / 2));
  indexed.setColorTable(table);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      opaque.setPixel(x, y, colour(x, y));
      alpha.setPixel(x, y, (x + y) % 5 == 0 ? qRgba(0, 0, 0, 0) : colour(x, y));
      indexed.setPixel(x, y, static_cast<uint>((x * 5 + y) % 256));
    }
  for (const QImage* image : {&opaque, &alpha, &indexed}) {
    const bool eight = image->format() == QImage::Format_Indexed8;
    SCOPED_TRACE(eight ? "indexed" : image->hasAlphaChannel() ? "alpha" : "opaque");
    SavePicture(std::make_shared<StdPicture>(*image), File("big.bmp"));
    const std::vector<uint8_t> b = ReadAll(File("big.bmp"));
    const size_t rowBytes = eight ? w : 3 * static_cast<size_t>(w);
    const size_t stride = (rowBytes + 3) & ~size_t{3};
    const size_t offset = 54 + (eight ? 4 * 256 : 0);
    ASSERT_EQ(b.size(), offset + h * stride);
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = b.data() + offset + (h - 1 - y) * stride;
      for (int x = 0; x < w; ++x) {
        if (eight) {
          ASSERT_EQ(row[x], (x * 5 + y) % 256) << x << "," << y;
          continue;
        }
        const QRgb c = image->pixel(x, y);
        const int grey = qAlpha(c) == 0 ? 254 : -1;
        ASSERT_EQ(row[3 * x], grey >= 0 ? grey : qBlue(c)) << x << "," << y;
        ASSERT_EQ(row[3 * x + 1], grey >= 0 ? grey : qGreen(c)) << x << "," << y;
        ASSERT_EQ(row[3 * x + 2], grey >= 0 ? grey : qRed(c)) << x << "," << y;
      }
      for (size_t at = rowBytes; at < stride; ++at) ASSERT_EQ(row[at], 0) << at << "," << y;
    }
  }
  // The size limit makes writes past it fail (with a signal that is ignored here).
  struct rlimit before {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = before;
  small.rlim_cur = 300 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  int number = 0;
  try {
    SavePicture(std::make_shared<StdPicture>(opaque), File("full.bmp"));
  } catch (const RuntimeError& e) {
    number = e.Number();
  }
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(number, kErrPathFileAccess);
  EXPECT_FALSE(std::filesystem::exists(File("full.bmp")));
}

TEST(PictureUnits, HimetricRoundTripsEveryPixelSize) {
  EXPECT_EQ(PixelsToHimetric(96), 2540);
  for (int px : {1, 2, 3, 320, 32767, 32768}) EXPECT_EQ(HimetricToPixels(PixelsToHimetric(px)), px);
}

TEST(TempFiles, UniqueNamesAreCreatedEmptyWithThreeCharacterPrefix) {
  auto dir = std::filesystem::temp_directory_path() / ("kestrin-tmp-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string a = MakeUniqueTempFile(dir.string(), "Vesk0");
  std::string b = MakeUniqueTempFile(dir.string(), "Vesk0");
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a, b);
  EXPECT_EQ(std::filesystem::path(a).filename().string().substr(0, 3), "Ves");
  EXPECT_EQ(std::filesystem::file_size(a), 0u);
  EXPECT_TRUE(MakeUniqueTempFile((dir / "missing").string(), "Vesk0").empty());
  EXPECT_TRUE(RemoveFileIfExists(a));
  EXPECT_FALSE(FileExists(a));
  std::filesystem::remove_all(dir);
  EXPECT_FALSE(GetTempFolder().empty());
  EXPECT_EQ(GetTempFolder().back(), '/');
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

TEST(PictureFormats, BmpAndJpegLoadThroughTheToolkit) {
  auto dir = std::filesystem::temp_directory_path() / ("kestrin-fmt-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  QImage image(6, 4, QImage::Format_RGB32);
  image.fill(qRgb(200, 10, 10));
  ASSERT_TRUE(image.save(QString::fromStdString((dir / "a.jpg").string()), "JPEG", 95));
  Picture jpeg = LoadPicture((dir / "a.jpg").string());
  EXPECT_EQ(jpeg->Image().format(), QImage::Format_RGB32);
  EXPECT_EQ(jpeg->Image().width(), 6);
  EXPECT_NEAR(qRed(jpeg->Image().pixel(2, 2)), 200, 8);

  // A bitmap written by SavePicture comes back with its palette and indices.
  QImage indexed(3, 2, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
  indexed.fill(1);
  indexed.setPixel(0, 0, 0);
  SavePicture(std::make_shared<StdPicture>(indexed), (dir / "b.bmp").string());
  Picture bmp = LoadPicture((dir / "b.bmp").string());
  ASSERT_EQ(bmp->Image().format(), QImage::Format_Indexed8);
  EXPECT_EQ(bmp->Image().pixelIndex(0, 0), 0);
  EXPECT_EQ(bmp->Image().pixelIndex(2, 1), 1);
  EXPECT_EQ(bmp->Image().color(1), qRgb(4, 5, 6));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace platform
