// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/picture/bmp_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/kernel/err.h"
#include "platform/picture/picture.h"
#include "platform/picture/tests/bmp_bytes.h"
#include "platform/tests/test_folder.h"

extern char** environ;

namespace platform {
namespace {

namespace fs = std::filesystem;

// ---- Files built byte by byte ----

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A bitmap file: file header, info header of `infoSize` bytes, the masks (inside the info header
// from 52 bytes up, after it below that), the colour table as raw bytes, then the pixel data.
struct BmpFile {
  uint32_t infoSize = 40;
  int32_t width = 1, height = 1;
  uint16_t planes = 1, bits = 8;
  uint32_t compression = 0, colorsUsed = 0;
  std::vector<uint32_t> masks;
  std::vector<uint8_t> palette, data;
  int64_t dataOffset = -1;  // where the header says the pixel data starts; -1: where it does

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> info;
    if (infoSize == 12) {
      Put32(info, 12);
      Put16(info, static_cast<uint32_t>(width));
      Put16(info, static_cast<uint32_t>(height));
    } else {
      Put32(info, infoSize);
      Put32(info, static_cast<uint32_t>(width));
      Put32(info, static_cast<uint32_t>(height));
    }
    Put16(info, planes);
    Put16(info, bits);
    if (infoSize >= 40) {
      Put32(info, compression);
      Put32(info, static_cast<uint32_t>(data.size()));
      Put32(info, 2835);
      Put32(info, 2835);
      Put32(info, colorsUsed);
      Put32(info, 0);
    }
    std::vector<uint8_t> after;
    for (uint32_t m : masks) Put32(infoSize >= 52 ? info : after, m);
    info.resize(infoSize, 0);
    after.insert(after.end(), palette.begin(), palette.end());
    std::vector<uint8_t> out = {'B', 'M'};
    const uint32_t offset = 14 + infoSize + static_cast<uint32_t>(after.size());
    Put32(out, offset + static_cast<uint32_t>(data.size()));
    Put32(out, 0);
    Put32(out, dataOffset >= 0 ? static_cast<uint32_t>(dataOffset) : offset);
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), after.begin(), after.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
  }
};

// Four bytes an entry: blue, green, red, unused.
std::vector<uint8_t> Palette(std::initializer_list<QRgb> colors) {
  std::vector<uint8_t> out;
  for (QRgb c : colors)
    out.insert(out.end(), {static_cast<uint8_t>(qBlue(c)), static_cast<uint8_t>(qGreen(c)),
                           static_cast<uint8_t>(qRed(c)), 0});
  return out;
}

std::vector<uint8_t> Indices(const QImage& image) {
  std::vector<uint8_t> out;
  for (int y = 0; y < image.height(); ++y)
    out.insert(out.end(), image.constScanLine(y), image.constScanLine(y) + image.width());
  return out;
}

// The RuntimeError number LoadPicture raises for the file; 0 when it loads.
int LoadError(const std::string& path) {
  try {
    LoadPicture(path);
    return 0;
  } catch (const RuntimeError& e) {
    return e.Number();
  }
}

class BmpReader : public ::testing::Test {
 protected:
  std::string Write(const char* name, const std::vector<uint8_t>& bytes) const {
    const std::string path = folder_.File(name);
    testing::WriteBytes(path, bytes);
    return path;
  }
  QImage Load(const BmpFile& file) const {
    return LoadPicture(Write("t.bmp", file.Bytes()))->Image();
  }

  testing::TestFolder folder_{"kestrin-bmp-"};
};

// ---- Channels of packed pixels ----

TEST_F(BmpReader, SixteenBitChannelsStretchToTheFullRange) {
  BmpFile f;
  f.bits = 16;
  f.width = 3;
  f.compression = 3;
  f.masks = {0xF800, 0x07E0, 0x001F};
  f.data = {0xFF, 0xFF, 0x10, 0x84, 0x00, 0x00, 0, 0};  // white; 16, 32, 16; black
  QImage image = Load(f);
  ASSERT_EQ(image.format(), QImage::Format_RGB32);
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(1, 0), qRgb(132, 130, 132)) << "16/31 and 32/63 of 255, rounded";
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 0));

  // No masks: 5-5-5, the top bit unused.
  f.compression = 0;
  f.masks.clear();
  f.data = {0xFF, 0x7F, 0xFF, 0xFF, 0x1F, 0x00, 0, 0};
  image = Load(f);
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(1, 0), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 255));
}

TEST_F(BmpReader, WideChannelsScaleDownWithRoundingAndAlphaStaysUnpremultiplied) {
  BmpFile f;
  f.bits = 32;
  f.width = 2;
  f.compression = 6;  // bit fields with alpha, the four masks after the header
  f.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
  f.data.clear();
  Put32(f.data, 0xFFFFFFFF);
  Put32(f.data, (2u << 30) | (1020u << 20) | (3u << 10) | 2u);
  const QImage image = Load(f);
  ASSERT_EQ(image.format(), QImage::Format_ARGB32);
  EXPECT_EQ(image.pixel(0, 0), qRgba(255, 255, 255, 255));
  // 1020, 3 and 2 of 1023 are 254.25, 0.75 and 0.4985 of 255; 2 of 3 is 170.
  EXPECT_EQ(image.pixel(1, 0), qRgba(254, 1, 0, 170));

  // Without an alpha mask the picture is opaque.
  f.compression = 3;
  f.masks.pop_back();
  EXPECT_EQ(Load(f).format(), QImage::Format_RGB32);
}

TEST_F(BmpReader, VersionFiveHeaderCarriesTheMasksAndAlpha) {
  BmpFile f;
  f.infoSize = 124;
  f.bits = 16;
  f.width = 2;
  f.compression = 3;
  f.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
  f.data = {0x5F, 0x8A, 0x00, 0xF0};  // alpha 8, red 10, green 5, blue 15; opaque black
  const QImage image = Load(f);
  ASSERT_EQ(image.format(), QImage::Format_ARGB32);
  EXPECT_EQ(image.pixel(0, 0), qRgba(170, 85, 255, 136));
  EXPECT_EQ(image.pixel(1, 0), qRgba(0, 0, 0, 255));
}

// ---- Headers ----

TEST_F(BmpReader, OsTwoHeadersReadWithFourByteColourTables) {
  for (uint32_t infoSize : {16u, 64u}) {
    SCOPED_TRACE(infoSize);
    BmpFile f;
    f.infoSize = infoSize;
    f.width = 3;
    f.height = 2;
    f.palette = Palette({qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9), qRgb(10, 11, 12)});
    f.data = {0, 1, 2, 0, 3, 2, 1, 0};              // bottom row first
    if (infoSize == 16) f.palette.resize(256 * 4);  // no colour count: a whole table
    const QImage image = Load(f);
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(Indices(image), (std::vector<uint8_t>{3, 2, 1, 0, 1, 2}));
    EXPECT_EQ(image.color(3), qRgb(10, 11, 12));
  }
}

TEST_F(BmpReader, ColourTableEndsWhereThePixelDataStarts) {
  BmpFile f;
  f.width = 4;
  f.colorsUsed = 300;  // more than 8 bits can index, and more than the file holds
  f.palette = Palette({qRgb(1, 2, 3), qRgb(4, 5, 6)});
  f.palette.push_back(7);  // a partial entry
  f.data = {0, 1, 1, 0};
  const QImage image = ReadBmpImage(Write("t.bmp", f.Bytes()));
  EXPECT_EQ(image.colorTable(), (QList<QRgb>{qRgb(1, 2, 3), qRgb(4, 5, 6)}));
}

TEST_F(BmpReader, UnsupportedLayoutsAreRefused) {
  struct Case {
    const char* what;
    BmpFile file;
  };
  BmpFile base;
  base.width = 2;
  base.data = {0, 0, 0, 0};
  auto with = [&](auto change) {
    BmpFile f = base;
    change(f);
    return f;
  };
  const Case cases[] = {
      {"embedded JPEG", with([](BmpFile& f) { f.compression = 4; })},
      {"embedded PNG", with([](BmpFile& f) { f.compression = 5; })},
      {"OS/2 Huffman", with([](BmpFile& f) {
         f.infoSize = 64;
         f.bits = 1;
         f.compression = 3;
       })},
      {"OS/2 RLE24", with([](BmpFile& f) {
         f.infoSize = 64;
         f.bits = 24;
         f.compression = 4;
       })},
      {"two planes", with([](BmpFile& f) { f.planes = 2; })},
      {"zero height", with([](BmpFile& f) { f.height = 0; })},
      {"top-down run-length", with([](BmpFile& f) {
         f.height = -1;
         f.compression = 1;
       })},
      {"bit fields at 8 bits", with([](BmpFile& f) {
         f.compression = 3;
         f.masks = {1, 2, 4};
       })},
      {"mask of two runs", with([](BmpFile& f) {
         f.bits = 16;
         f.compression = 3;
         f.masks = {0x0F0F, 0x00F0, 0xF000};
       })},
      {"pixel data inside the header", with([](BmpFile& f) { f.dataOffset = 20; })},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LoadError(Write("x.bmp", c.file.Bytes())), kErrInvalidPicture) << c.what;
}

// ---- Uncompressed data ----

TEST_F(BmpReader, UncompressedDataCutShortIsRefused) {
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    BmpFile f;
    f.bits = bits;
    f.width = 5;
    f.height = 3;
    if (bits <= 8) f.palette = Palette({qRgb(9, 9, 9)});
    f.colorsUsed = bits <= 8 ? 1 : 0;
    f.data.assign(((5 * bits + 31) / 32 * 4) * 3, 0);
    std::vector<uint8_t> bytes = f.Bytes();
    EXPECT_EQ(LoadError(Write("whole.bmp", bytes)), 0);
    bytes.pop_back();
    EXPECT_EQ(LoadError(Write("cut.bmp", bytes)), kErrInvalidPicture);
  }
}

// ---- Run-length data ----

TEST_F(BmpReader, RunLengthDataLeavesSkippedPixelsAtIndexZero) {
  BmpFile f;
  f.width = 5;
  f.height = 4;
  f.compression = 1;
  f.palette = Palette({qRgb(10, 10, 10), qRgb(255, 0, 0), qRgb(0, 255, 0)});
  f.data = {3, 2,              // bottom row: three of index 2
            0, 2, 1, 1,        // delta: one right, one up
            1, 1,              // one of index 1
            0, 0,              // end of line
            0, 3, 1, 2, 1, 0,  // absolute run of three, padded
            0, 1};             // end of bitmap: the top row is never set
  QImage image = Load(f);
  ASSERT_EQ(image.format(), QImage::Format_Indexed8);
  EXPECT_EQ(Indices(image), (std::vector<uint8_t>{0, 0, 0, 0, 0,  //
                                                  1, 2, 1, 0, 0,  //
                                                  0, 0, 0, 0, 1,  //
                                                  2, 2, 2, 0, 0}));
  EXPECT_EQ(image.color(0), qRgb(10, 10, 10));

  // Data that ends inside an absolute run keeps what it holds.
  f.data.resize(14);
  EXPECT_EQ(Indices(Load(f)), (std::vector<uint8_t>{0, 0, 0, 0, 0,  //
                                                    1, 2, 0, 0, 0,  //
                                                    0, 0, 0, 0, 1,  //
                                                    2, 2, 2, 0, 0}));
}

TEST_F(BmpReader, FourBitRunsAlternateTheirIndicesAndPadAbsoluteRuns) {
  BmpFile f;
  f.bits = 4;
  f.width = 6;
  f.height = 2;
  f.compression = 2;
  f.palette = Palette({qRgb(0, 0, 0), qRgb(1, 1, 1), qRgb(2, 2, 2), qRgb(3, 3, 3), qRgb(4, 4, 4),
                       qRgb(5, 5, 5), qRgb(6, 6, 6)});
  f.data = {0, 5,    0x12, 0x34, 0x50, 0,  // five indices in three bytes, padded to four
            0, 0,                          // end of line
            3, 0x65,                       // 6, 5, 6
            0, 1};
  EXPECT_EQ(Indices(Load(f)), (std::vector<uint8_t>{6, 5, 6, 0, 0, 0,  //
                                                    1, 2, 3, 4, 5, 0}));
}

TEST_F(BmpReader, RunsPastTheRightEdgeAreDroppedNotWrapped) {
  BmpFile f;
  f.width = 3;
  f.height = 2;
  f.compression = 1;
  f.palette = Palette({qRgb(0, 0, 0), qRgb(1, 1, 1), qRgb(2, 2, 2)});
  f.data = {5, 1, 0, 4, 2, 2, 2, 2, 0, 0, 1, 2, 0, 1};
  EXPECT_EQ(Indices(Load(f)), (std::vector<uint8_t>{2, 0, 0, 1, 1, 1}));
}

// Peak resident memory of this process since the last reset, in KiB; -1 where it is not told.
long PeakResidentKib(bool reset) {
  if (reset) std::ofstream("/proc/self/clear_refs") << "5";
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

TEST_F(BmpReader, RunLengthSizesBeyondTheirDataAreRefusedBeforeAllocating) {
  // 30000 x 30000 is past every limit; 16000 x 16000 is within the pixel limit but far more
  // than ten bytes of runs can describe.
  for (int32_t side : {30000, 16000}) {
    SCOPED_TRACE(side);
    BmpFile f;
    f.width = f.height = side;
    f.compression = 1;
    f.palette = Palette({qRgb(1, 2, 3)});
    f.data = {255, 0, 255, 0, 255, 0, 255, 0, 0, 1};
    const std::string path = Write("big.bmp", f.Bytes());
    const long before = PeakResidentKib(true);
    EXPECT_EQ(LoadError(path), kErrInvalidPicture);
    const long peak = PeakResidentKib(false);
    if (before > 0 && peak > 0) {
      EXPECT_LT(peak - before, 64 * 1024) << "KiB used on the way";
    }
  }
}

// ---- The BMP Suite: real files made by someone else ----

const fs::path kSuite = fs::path(KESTRIN_CORPUS_DIR) / "bmpsuite";

// Each good file and the reference picture the suite's page shows for it. pal8nonsquare is shown
// twice there: stretched to its pixel aspect, and (-e) at its own size as an editor keeps it.
const std::pair<const char*, const char*> kGood[] = {
    {"pal1.bmp", "pal1.png"},           {"pal1wb.bmp", "pal1.png"},
    {"pal1bg.bmp", "pal1bg.png"},       {"pal4.bmp", "pal4.png"},
    {"pal4gs.bmp", "pal4gs.png"},       {"pal4rle.bmp", "pal4.png"},
    {"pal8.bmp", "pal8.png"},           {"pal8-0.bmp", "pal8.png"},
    {"pal8gs.bmp", "pal8gs.png"},       {"pal8rle.bmp", "pal8.png"},
    {"pal8w126.bmp", "pal8w126.png"},   {"pal8w125.bmp", "pal8w125.png"},
    {"pal8w124.bmp", "pal8w124.png"},   {"pal8topdown.bmp", "pal8.png"},
    {"pal8os2.bmp", "pal8.png"},        {"pal8nonsquare.bmp", "pal8nonsquare-e.png"},
    {"pal8v4.bmp", "pal8.png"},         {"pal8v5.bmp", "pal8.png"},
    {"rgb16.bmp", "rgb16.png"},         {"rgb16bfdef.bmp", "rgb16.png"},
    {"rgb16-565.bmp", "rgb16-565.png"}, {"rgb16-565pal.bmp", "rgb16-565.png"},
    {"rgb24.bmp", "rgb24.png"},         {"rgb24pal.bmp", "rgb24.png"},
    {"rgb32.bmp", "rgb24.png"},         {"rgb32bfdef.bmp", "rgb24.png"},
    {"rgb32bf.bmp", "rgb24.png"},
};

// What becomes of each bad file: refused, or read; a read file whose pixels the suite draws
// for another file is compared with that drawing.
struct BadFile {
  const char* name;
  bool refused;
  const char* reference = nullptr;
};
const BadFile kBad[] = {
    {"badbitcount.bmp", true},                  // 30000 bits per pixel
    {"badbitssize.bmp", false, "pal1.png"},     // image size field wrong; the rows are all there
    {"baddens1.bmp", false, "pal1.png"},        // odd densities: the file's own pixel size
    {"baddens2.bmp", false, "pal1.png"},        //
    {"badfilesize.bmp", false, "pal1.png"},     // file size field wrong
    {"badheadersize.bmp", true},                // a 66-byte info header
    {"badpalettesize.bmp", false, "pal8.png"},  // the table ends where the pixel data starts
    {"badplanes.bmp", true},                    //
    {"badrle.bmp", false},                      // runs past the edges: dropped
    {"badrle4.bmp", false},                     //
    {"badrle4bis.bmp", false},                  //
    {"badrle4ter.bmp", false},                  //
    {"badrlebis.bmp", false},                   //
    {"badrleter.bmp", false},                   //
    {"badwidth.bmp", true},                     // negative width
    {"pal8badindex.bmp", false},                // indices past the table: black entries
    {"reallybig.bmp", true},                    // 3000000 x 2000000
    {"rgb16-880.bmp", false, "rgb16-880.png"},  // 8-8-0 bit fields
    {"rletopdown.bmp", true},                   //
    {"shortfile.bmp", true},                    // uncompressed rows missing
};

class BmpReaderCorpus : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_directory(kSuite / "g"))
      GTEST_SKIP() << "no BMP Suite at " << kSuite << " (shared/corpus beside the repository)";
  }
};

// The first pixel where `image` does not show `reference`; "" when every pixel does.
std::string Difference(const QImage& image, const QImage& reference) {
  if (image.size() != reference.size()) return "size differs";
  const QImage want = reference.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      QRgb got = 0;
      if (image.format() == QImage::Format_Indexed8) {
        const int index = image.pixelIndex(x, y);
        if (index >= image.colorCount()) return "index past the table";
        got = image.color(index);
      } else {
        got = image.pixel(x, y);
      }
      if (got != want.pixel(x, y)) {
        std::ostringstream out;
        out << "pixel " << x << "," << y << " is " << std::hex << got << ", not "
            << want.pixel(x, y);
        return out.str();
      }
    }
  return "";
}

QImage Reference(const char* name) {
  QImage image(QString::fromStdString((kSuite / "html" / name).string()));
  EXPECT_FALSE(image.isNull()) << name;
  return image;
}

TEST_F(BmpReaderCorpus, GoodFilesShowExactlyTheirReferencePictures) {
  EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(kSuite / "g"), {})),
            std::size(kGood));
  for (const auto& [file, reference] : kGood) {
    SCOPED_TRACE(file);
    Picture picture;
    ASSERT_NO_THROW(picture = LoadPicture((kSuite / "g" / file).string()));
    const QImage& image = picture->Image();
    const bool indexed = std::string_view(file).starts_with("pal");
    EXPECT_EQ(image.format(), indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    EXPECT_EQ(Difference(image, Reference(reference)), "");
  }
}

TEST_F(BmpReaderCorpus, BadFilesAreRefusedOrReadWhereTheirPixelsAreStillDefined) {
  EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(kSuite / "b"), {})),
            std::size(kBad));
  for (const BadFile& bad : kBad) {
    SCOPED_TRACE(bad.name);
    const std::string path = (kSuite / "b" / bad.name).string();
    if (bad.refused) {
      EXPECT_EQ(LoadError(path), kErrInvalidPicture);
      continue;
    }
    Picture picture;
    ASSERT_NO_THROW(picture = LoadPicture(path));
    const QImage& image = picture->Image();
    EXPECT_EQ(image.size(), QSize(127, 64));
    if (bad.reference) {
      EXPECT_EQ(Difference(image, Reference(bad.reference)), "");
    }
    if (image.format() == QImage::Format_Indexed8) {
      for (uint8_t index : Indices(image)) ASSERT_LT(index, image.colorCount());
    }
  }
}

// ---- Pictures that do not depend on what the heap held ----

constexpr char kDumpVariable[] = "KESTRIN_BMP_DUMP";

uint64_t Fnv1a(const void* data, size_t size, uint64_t hash = 14695981039346656037ull) {
  for (size_t i = 0; i < size; ++i) {
    hash ^= static_cast<const uint8_t*>(data)[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

// One line per file: the error it raised, or the picture's size, format, colour table and every
// byte of its buffer, the row padding too.
std::string Outcome(const fs::path& file) {
  std::ostringstream out;
  out << file.parent_path().filename().string() << '/' << file.filename().string() << ' ';
  try {
    const Picture picture = LoadPicture(file.string());
    const QImage& image = picture->Image();
    const QList<QRgb> colors = image.colorTable();
    out << image.width() << 'x' << image.height() << " format " << image.format() << " table "
        << Fnv1a(colors.constData(), colors.size() * sizeof(QRgb)) << " bytes "
        << Fnv1a(image.constBits(), static_cast<size_t>(image.sizeInBytes()));
  } catch (const RuntimeError& e) {
    out << "error " << e.Number();
  }
  return out.str();
}

// Run only in the child processes of PicturesDoNotDependOnHeapContents.
TEST_F(BmpReaderCorpus, DISABLED_WritesEveryOutcomeForTheHeapFillCheck) {
  const char* path = std::getenv(kDumpVariable);
  if (path == nullptr) GTEST_SKIP() << "needs " << kDumpVariable;
  std::vector<fs::path> files;
  for (const char* folder : {"g", "b"})
    for (const auto& entry : fs::directory_iterator(kSuite / folder)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::ofstream dump(path);
  for (const fs::path& file : files) dump << Outcome(file) << '\n';
  ASSERT_TRUE(dump.good());
}

// Runs that test in a child of this program whose allocator fills new blocks with `fill`, and
// returns the lines it wrote.
std::vector<std::string> OutcomesUnderHeapFill(int fill, const fs::path& dir) {
  const fs::path dump = dir / ("outcomes-" + std::to_string(fill));
  const fs::path log = dir / ("log-" + std::to_string(fill));
  std::vector<std::string> env;
  std::string asan;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view var(*e);
    if (var.starts_with("ASAN_OPTIONS="))
      asan = std::string(var.substr(13)) + ":";
    else if (!var.starts_with("MALLOC_PERTURB_=") && !var.starts_with(kDumpVariable))
      env.emplace_back(var);
  }
  env.push_back("MALLOC_PERTURB_=" + std::to_string(fill));
  // Under AddressSanitizer its own allocator serves the blocks: have it fill them whole.
  env.push_back("ASAN_OPTIONS=" + asan + "malloc_fill_byte=" + std::to_string(fill) +
                ":max_malloc_fill_size=1073741824");
  env.push_back(std::string(kDumpVariable) + "=" + dump.string());
  std::vector<char*> envp;
  for (std::string& var : env) envp.push_back(var.data());
  envp.push_back(nullptr);

  std::string self = fs::read_symlink("/proc/self/exe").string();
  std::string filter =
      "--gtest_filter=BmpReaderCorpus.DISABLED_WritesEveryOutcomeForTheHeapFillCheck";
  std::string alsoDisabled = "--gtest_also_run_disabled_tests";
  char* argv[] = {self.data(), filter.data(), alsoDisabled.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(spawned, 0);
  int status = 0;
  if (spawned == 0) waitpid(pid, &status, 0);
  std::ifstream logText(log);
  EXPECT_TRUE(spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "child with heap fill " << fill << ":\n"
      << std::string(std::istreambuf_iterator<char>(logText), {});
  std::vector<std::string> lines;
  std::ifstream in(dump);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(BmpReaderCorpus, PicturesDoNotDependOnHeapContents) {
  const fs::path dir =
      fs::temp_directory_path() / ("kestrin-heapfill-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::vector<std::string> first = OutcomesUnderHeapFill(165, dir);
  const std::vector<std::string> second = OutcomesUnderHeapFill(90, dir);
  fs::remove_all(dir);
  EXPECT_EQ(first.size(), std::size(kGood) + std::size(kBad));
  ASSERT_EQ(first.size(), second.size());
  for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i], second[i]);
}

}  // namespace
}  // namespace platform
