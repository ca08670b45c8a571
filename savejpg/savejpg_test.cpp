// The JPEG writer judged by libjpeg reading back what it wrote. No application object here, so
// a save with progress also shows it never waits on a window.
#include "savejpg/savejpg.h"

#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/gdi/device_context.h"
#include "platform/picture/picture.h"

namespace {

namespace fs = std::filesystem;

struct Decoded {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

Decoded DecodeJpeg(const std::string& path) {
  Decoded d;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return d;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  d.width = static_cast<int>(cinfo.output_width);
  d.height = static_cast<int>(cinfo.output_height);
  d.rgb.resize(static_cast<size_t>(d.width) * d.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = d.rgb.data() + static_cast<size_t>(cinfo.output_scanline) * d.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  return d;
}

// Smooth colour ramps with one sharp edge: what photographs and drawings both hold.
QImage TestImage(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.setPixel(
          x, y, x < w / 2 ? qRgb(x * 255 / w, y * 255 / h, 128) : qRgb(240, 30 + y * 200 / h, 20));
  return image;
}

double MeanError(const QImage& source, const Decoded& d) {
  double sum = 0;
  for (int y = 0; y < d.height; ++y)
    for (int x = 0; x < d.width; ++x) {
      const QRgb s = source.pixel(x, y);
      const uint8_t* p = &d.rgb[(static_cast<size_t>(y) * d.width + x) * 3];
      sum += std::abs(p[0] - qRed(s)) + std::abs(p[1] - qGreen(s)) + std::abs(p[2] - qBlue(s));
    }
  return sum / (3.0 * d.width * d.height);
}

class SavetoJPEGTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("savejpg_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    SetSavetoJPEGProgress(nullptr, nullptr);
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string WriteBmp(const QImage& image, const std::string& name = "in.bmp") const {
    const std::string path = Path(name);
    platform::SavePicture(std::make_shared<platform::StdPicture>(image), path);
    return path;
  }
  void WriteText(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  // Only the files a test made itself: no output, no temporary name left over.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir_;
};

using Names = std::vector<std::string>;

TEST_F(SavetoJPEGTest, RefusesMissingArgumentsAndRatesOutsideOneToHundred) {
  const std::string bmp = WriteBmp(TestImage(8, 8));
  EXPECT_EQ(SavetoJPEG(nullptr, Path("o.jpg").c_str(), 80, 0), kSaveJpgBadArgument);
  EXPECT_EQ(SavetoJPEG(bmp.c_str(), "", 80, 0), kSaveJpgBadArgument);
  EXPECT_EQ(SavetoJPEG(bmp.c_str(), Path("o.jpg").c_str(), 0, 0), kSaveJpgBadRate);
  EXPECT_EQ(SavetoJPEG(bmp.c_str(), Path("o.jpg").c_str(), 101, 0), kSaveJpgBadRate);
  EXPECT_EQ(Entries(), Names{"in.bmp"});
}

TEST_F(SavetoJPEGTest, TellsAMissingSourceFromOneThatIsNoPicture) {
  EXPECT_EQ(SavetoJPEG(Path("none.bmp").c_str(), Path("o.jpg").c_str(), 80, 0),
            kSaveJpgSourceMissing);
  EXPECT_EQ(SavetoJPEG(dir_.c_str(), Path("o.jpg").c_str(), 80, 0), kSaveJpgSourceMissing);
  WriteText("empty.bmp", "");
  EXPECT_EQ(SavetoJPEG(Path("empty.bmp").c_str(), Path("o.jpg").c_str(), 80, 0),
            kSaveJpgNotPicture);
  WriteText("text.bmp", "BM this is only text pretending to be a bitmap");
  EXPECT_EQ(SavetoJPEG(Path("text.bmp").c_str(), Path("o.jpg").c_str(), 80, 0), kSaveJpgNotPicture);
  EXPECT_EQ(Entries(), (Names{"empty.bmp", "text.bmp"}));
}

TEST_F(SavetoJPEGTest, AFailureLeavesAnExistingTargetAsItWas) {
  WriteText("keep.jpg", "old content");
  WriteText("text.bmp", "not a picture");
  EXPECT_EQ(SavetoJPEG(Path("text.bmp").c_str(), Path("keep.jpg").c_str(), 80, 0),
            kSaveJpgNotPicture);
  std::ifstream in(Path("keep.jpg"));
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "old content");
}

TEST_F(SavetoJPEGTest, ATargetFolderThatCannotTakeFilesIsReported) {
  const std::string bmp = WriteBmp(TestImage(8, 8));
  EXPECT_EQ(SavetoJPEG(bmp.c_str(), Path("no/such/folder/o.jpg").c_str(), 80, 0),
            kSaveJpgCannotCreate);
  EXPECT_EQ(Entries(), Names{"in.bmp"});
}

TEST_F(SavetoJPEGTest, HighQualityKeepsThePixelsAndLowQualityMakesASmallerFile) {
  const QImage source = TestImage(96, 64);
  const std::string bmp = WriteBmp(source);
  ASSERT_EQ(SavetoJPEG(bmp.c_str(), Path("q95.jpg").c_str(), 95, 0), kSaveJpgOk);
  ASSERT_EQ(SavetoJPEG(bmp.c_str(), Path("q10.jpg").c_str(), 10, 0), kSaveJpgOk);
  const Decoded high = DecodeJpeg(Path("q95.jpg")), low = DecodeJpeg(Path("q10.jpg"));
  ASSERT_EQ(high.width, 96);
  ASSERT_EQ(high.height, 64);
  EXPECT_LT(MeanError(source, high), 2.5);
  EXPECT_GT(MeanError(source, low), MeanError(source, high));
  EXPECT_LT(fs::file_size(Path("q10.jpg")) * 3 / 2, fs::file_size(Path("q95.jpg")));
  EXPECT_EQ(Entries(), (Names{"in.bmp", "q10.jpg", "q95.jpg"}));
}

// Rows of 13 pixels need a byte of padding each; a negative height stores them top-down.
TEST_F(SavetoJPEGTest, PaddedAndTopDownRowsComeOutTheRightWayUp) {
  QImage source(13, 16, QImage::Format_RGB32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 13; ++x)
      source.setPixel(x, y, y < 8 ? qRgb(220, 20, 20) : qRgb(20, 20, 220));
  const std::string bottomUp = WriteBmp(source);
  std::ifstream in(bottomUp, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 54u + 40u * 16u);
  std::vector<uint8_t> topDown(bytes.begin(), bytes.begin() + 54);
  for (int row = 15; row >= 0; --row)
    topDown.insert(topDown.end(), bytes.begin() + 54 + row * 40,
                   bytes.begin() + 54 + row * 40 + 40);
  const int32_t negative = -16;
  std::memcpy(&topDown[22], &negative, 4);
  std::ofstream(Path("top.bmp"), std::ios::binary)
      .write(reinterpret_cast<const char*>(topDown.data()),
             static_cast<std::streamsize>(topDown.size()));

  for (const std::string& bmp : {bottomUp, Path("top.bmp")}) {
    ASSERT_EQ(SavetoJPEG(bmp.c_str(), Path("o.jpg").c_str(), 100, 0), kSaveJpgOk) << bmp;
    const Decoded d = DecodeJpeg(Path("o.jpg"));
    ASSERT_EQ(d.width, 13);
    ASSERT_EQ(d.height, 16);
    EXPECT_LT(MeanError(source, d), 10.0) << bmp;  // upside down would be near 130
  }
}

TEST_F(SavetoJPEGTest, APictureLongerThanJpegAllowsIsRefused) {
  const std::string wide = WriteBmp(TestImage(65501, 1), "wide.bmp");
  const std::string tall = WriteBmp(TestImage(1, 65501), "tall.bmp");
  EXPECT_EQ(SavetoJPEG(wide.c_str(), Path("o.jpg").c_str(), 80, 0), kSaveJpgTooLarge);
  EXPECT_EQ(SavetoJPEG(tall.c_str(), Path("o.jpg").c_str(), 80, 0), kSaveJpgTooLarge);
  EXPECT_EQ(Entries(), (Names{"tall.bmp", "wide.bmp"}));
  const std::string edge = WriteBmp(TestImage(65500, 1), "edge.bmp");
  EXPECT_EQ(SavetoJPEG(edge.c_str(), Path("o.jpg").c_str(), 80, 0), kSaveJpgOk);
}

TEST_F(SavetoJPEGTest, PaletteBitmapsAreWrittenInTheirTrueColours) {
  QImage indexed(16, 16, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(200, 20, 20), qRgb(20, 20, 200)});
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) indexed.setPixel(x, y, y < 8 ? 0 : 1);
  const std::string bmp = WriteBmp(indexed);
  ASSERT_EQ(SavetoJPEG(bmp.c_str(), Path("o.jpg").c_str(), 100, 0), kSaveJpgOk);
  const Decoded d = DecodeJpeg(Path("o.jpg"));
  ASSERT_EQ(d.width, 16);
  const uint8_t* top = &d.rgb[(2 * 16 + 8) * 3];
  const uint8_t* bottom = &d.rgb[(13 * 16 + 8) * 3];
  EXPECT_NEAR(top[0], 200, 6);
  EXPECT_NEAR(top[2], 20, 6);
  EXPECT_NEAR(bottom[0], 20, 6);
  EXPECT_NEAR(bottom[2], 200, 6);
}

TEST_F(SavetoJPEGTest, ReplacesAnExistingTargetWhenItSucceeds) {
  WriteText("o.jpg", "old");
  const std::string bmp = WriteBmp(TestImage(8, 8));
  ASSERT_EQ(SavetoJPEG(bmp.c_str(), Path("o.jpg").c_str(), 80, 0), kSaveJpgOk);
  EXPECT_EQ(DecodeJpeg(Path("o.jpg")).width, 8);
}

void Record(int percent, void* context) {
  static_cast<std::vector<int>*>(context)->push_back(percent);
}

TEST_F(SavetoJPEGTest, ProgressRisesWithTheRowsWrittenAndEndsAtHundred) {
  std::vector<int> seen;
  SetSavetoJPEGProgress(Record, &seen);
  const std::string bmp = WriteBmp(TestImage(64, 800));
  ASSERT_EQ(SavetoJPEG(bmp.c_str(), Path("o.jpg").c_str(), 80, -1), kSaveJpgOk);
  ASSERT_GE(seen.size(), 10u);  // 800 rows in 16-row steps: many reports, not just the end
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_LT(seen.front(), 10);
  EXPECT_EQ(seen.back(), 100);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 100), 1);

  seen.clear();
  ASSERT_EQ(SavetoJPEG(bmp.c_str(), Path("p.jpg").c_str(), 80, 0), kSaveJpgOk);
  EXPECT_TRUE(seen.empty());
  // A failed save never claims to have finished.
  WriteText("text.bmp", "x");
  EXPECT_NE(SavetoJPEG(Path("text.bmp").c_str(), Path("q.jpg").c_str(), 80, -1), kSaveJpgOk);
  EXPECT_TRUE(seen.empty());
}

TEST_F(SavetoJPEGTest, ProgressWithoutWindowsOrCallbackDoesNotWait) {
  const std::string bmp = WriteBmp(TestImage(32, 32));
  EXPECT_EQ(SavetoJPEG(bmp.c_str(), Path("o.jpg").c_str(), 80, -1), kSaveJpgOk);
  EXPECT_EQ(DecodeJpeg(Path("o.jpg")).height, 32);
}

TEST_F(SavetoJPEGTest, WrittenFilesAreReadableByOthers) {
  const std::string bmp = WriteBmp(TestImage(8, 8));
  ASSERT_EQ(SavetoJPEG(bmp.c_str(), Path("o.jpg").c_str(), 80, 0), kSaveJpgOk);
  const auto perms = fs::status(Path("o.jpg")).permissions();
  EXPECT_NE(perms & fs::perms::group_read, fs::perms::none);
}

}  // namespace

namespace {

// What a device context shows is written as it is shown.
TEST_F(SavetoJPEGTest, DeviceContextContentsAreWrittenAndBadContextsRefused) {
  const QImage source = TestImage(80, 48);
  const platform::Hdc dc = platform::CreateCompatibleDC(0);
  const platform::HBitmap bitmap = platform::CreateBitmapFromImage(source);
  const platform::HGdiObj previous = platform::SelectObject(dc, bitmap);
  ASSERT_EQ(DCSavetoJPEG(dc, 80, 48, Path("dc.jpg").c_str(), 95), kSaveJpgOk);
  const Decoded d = DecodeJpeg(Path("dc.jpg"));
  ASSERT_EQ(d.width, 80);
  ASSERT_EQ(d.height, 48);
  EXPECT_LT(MeanError(source, d), 2.5);
  EXPECT_EQ(DCSavetoJPEG(dc, 80, 48, Path("q.jpg").c_str(), 0), kSaveJpgBadRate);
  EXPECT_EQ(DCSavetoJPEG(dc, 0, 48, Path("q.jpg").c_str(), 80), kSaveJpgBadArgument);
  platform::SelectObject(dc, previous);
  platform::DeleteObject(bitmap);
  platform::DeleteDC(dc);
  // A released context, and one that never existed.
  EXPECT_EQ(DCSavetoJPEG(dc, 80, 48, Path("gone.jpg").c_str(), 80), kSaveJpgBadDeviceContext);
  EXPECT_EQ(DCSavetoJPEG(0x7777, 8, 8, Path("never.jpg").c_str(), 80), kSaveJpgBadDeviceContext);
  // The null handle names no context either (it once wrote an empty JPEG and answered 0).
  EXPECT_EQ(DCSavetoJPEG(0, 8, 8, Path("null.jpg").c_str(), 80), kSaveJpgBadDeviceContext);
  EXPECT_EQ(Entries(), (Names{"dc.jpg"}));
}

}  // namespace
