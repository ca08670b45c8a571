// Convert's codes, stage by stage, its files judged by Qt's readers, and its temporary files.
#include "jpegconvert/convert.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/kernel/err.h"
#include "platform/picture/picture.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

QImage Ramp(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 90));
  return image;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Names EntriesOf(const fs::path& dir) {
  Names names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Each test gets its own work folder and its own system temporary folder, so leftovers of the
// temporary-name requests can be counted.
class ConvertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string id = std::to_string(::getpid()) + "_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    dir_ = fs::temp_directory_path() / ("tessaly_test_" + id);
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "tmp");
    const char* old = std::getenv("TMPDIR");
    if (old) oldTmp_ = old;
    hadTmp_ = old != nullptr;
    ::setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
  }
  void TearDown() override {
    if (hadTmp_)
      ::setenv("TMPDIR", oldTmp_.c_str(), 1);
    else
      ::unsetenv("TMPDIR");
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Bmp(const QImage& image = Ramp(40, 30), const std::string& name = "in.bmp") {
    platform::SavePicture(std::make_shared<platform::StdPicture>(image), Path(name));
    return Path(name);
  }
  std::string Text(const std::string& name, const std::string& text) {
    std::ofstream(Path(name), std::ios::binary) << text;
    return Path(name);
  }
  std::string Jpg(const std::string& name = "in.jpg") {
    const std::string bmp = Bmp(Ramp(40, 30), name + ".src.bmp");
    Variant p = false;
    EXPECT_EQ(convert_.BMPtoJPG(bmp, Path(name), 90, p), 0);
    fs::remove(bmp);
    return Path(name);
  }
  Names Temps() const { return EntriesOf(dir_ / "tmp"); }

  Convert convert_;
  fs::path dir_;
  std::string oldTmp_;
  bool hadTmp_ = false;
};

TEST_F(ConvertTest, BMPtoJPGCodesFollowTheStageThatFailed) {
  const std::string bmp = Bmp();
  const std::string out = Path("out.jpg");
  Variant p = false;
  EXPECT_EQ(convert_.BMPtoJPG(Path("missing.bmp"), out, 80, p), -1);
  EXPECT_EQ(convert_.BMPtoJPG(dir_.string(), out, 80, p), -1);  // a folder has no length
  EXPECT_EQ(convert_.BMPtoJPG(Null{}, out, 80, p), -1);
  EXPECT_EQ(convert_.BMPtoJPG(bmp, Null{}, 80, p), -1);
  EXPECT_EQ(convert_.BMPtoJPG(Text("empty.bmp", ""), out, 80, p), -2);
  // The empty-file check comes before the rate check.
  EXPECT_EQ(convert_.BMPtoJPG(Path("empty.bmp"), out, 0, p), -2);
  EXPECT_EQ(convert_.BMPtoJPG(bmp, out, 0, p), -3);
  EXPECT_EQ(convert_.BMPtoJPG(bmp, out, 101, p), -3);
  Variant bad = std::string("perhaps");
  EXPECT_EQ(convert_.BMPtoJPG(bmp, out, 80, bad), -4);
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(ConvertTest, BMPtoJPGReturnsTheWritersCodeUninterpreted) {
  Variant p = false;
  // Not a picture: the writer's own refusal (4), passed on as it is.
  EXPECT_EQ(convert_.BMPtoJPG(Text("text.bmp", "hello"), Path("o.jpg"), 80, p), 4);
  EXPECT_EQ(convert_.BMPtoJPG(Bmp(), Path("no/folder/o.jpg"), 80, p), 5);
  EXPECT_EQ(EntriesOf(dir_), (Names{"in.bmp", "text.bmp", "tmp"}));
}

TEST_F(ConvertTest, BMPtoJPGWritesAJpegOfTheBitmap) {
  const QImage source = Ramp(40, 30);
  ASSERT_EQ(convert_.BMPtoJPG(Bmp(source), Path("o.jpg"), 95), 0);
  QImage back(QString::fromStdString(Path("o.jpg")), "JPG");
  ASSERT_EQ(back.size(), source.size());
  int worst = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const QRgb a = source.pixel(x, y), b = back.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                        std::abs(qBlue(a) - qBlue(b))});
    }
  EXPECT_LE(worst, 12);
}

TEST_F(ConvertTest, TheOmittedRateIsEighty) {
  const std::string bmp = Bmp(Ramp(200, 150));
  ASSERT_EQ(convert_.BMPtoJPG(bmp, Path("default.jpg")), 0);
  ASSERT_EQ(convert_.BMPtoJPG(bmp, Path("80.jpg"), 80), 0);
  ASSERT_EQ(convert_.BMPtoJPG(bmp, Path("95.jpg"), 95), 0);
  EXPECT_EQ(ReadAll(Path("default.jpg")), ReadAll(Path("80.jpg")));
  EXPECT_NE(ReadAll(Path("default.jpg")), ReadAll(Path("95.jpg")));
}

TEST_F(ConvertTest, TheProgressArgumentIsWrittenBackAsABoolean) {
  const std::string bmp = Bmp();
  struct Case {
    Variant in;
    bool out;
  };
  const std::vector<Case> cases = {{std::monostate{}, false},     {int16_t{-1}, true},
                                   {int32_t{0}, false},           {2.5, true},
                                   {std::string(" TRUE "), true}, {std::string("0"), false},
                                   {std::string("-1"), true}};
  for (const Case& c : cases) {
    Variant p = c.in;
    EXPECT_EQ(convert_.BMPtoJPG(bmp, Path("o.jpg"), 80, p), 0) << c.in.index();
    EXPECT_EQ(p, Variant(c.out)) << c.in.index();
  }
  // Stages before the conversion leave the caller's variable as it was.
  Variant untouched = int32_t{7};
  EXPECT_EQ(convert_.BMPtoJPG(bmp, Path("o.jpg"), 0, untouched), -3);
  EXPECT_EQ(untouched, Variant(int32_t{7}));
  for (Variant bad : {Variant(Null{}), Variant(std::string("")), Variant(std::string("yes")),
                      Variant(std::nan(""))}) {
    EXPECT_EQ(convert_.BMPtoJPG(bmp, Path("o.jpg"), 80, bad), -4);
  }
}

TEST_F(ConvertTest, JPGtoBMPCodesFollowTheStageThatFailed) {
  EXPECT_EQ(convert_.JPGtoBMP(Path("missing.jpg"), Path("o.bmp")), -1);
  EXPECT_EQ(convert_.JPGtoBMP(Text("empty.jpg", ""), Path("o.bmp")), -2);
  EXPECT_EQ(convert_.JPGtoBMP(Text("text.jpg", "not a picture at all"), Path("o.bmp")), -3);
  EXPECT_FALSE(fs::exists(Path("o.bmp")));
  const std::string jpg = Jpg();
  EXPECT_EQ(convert_.JPGtoBMP(jpg, Path("no/folder/o.bmp")), -4);
  EXPECT_EQ(convert_.JPGtoBMP(jpg, std::string()), -4);
  EXPECT_EQ(EntriesOf(dir_), (Names{"empty.jpg", "in.jpg", "text.jpg", "tmp"}));
}

TEST_F(ConvertTest, JPGtoBMPWritesTheDecodedPixels) {
  const std::string jpg = Jpg();
  ASSERT_EQ(convert_.JPGtoBMP(jpg, Path("o.bmp")), 0);
  const QImage decoded(QString::fromStdString(jpg)), written(QString::fromStdString(Path("o.bmp")));
  ASSERT_EQ(written.size(), decoded.size());
  for (int y = 0; y < decoded.height(); ++y)
    for (int x = 0; x < decoded.width(); ++x)
      ASSERT_EQ(written.pixel(x, y) & 0xffffff, decoded.pixel(x, y) & 0xffffff) << x << "," << y;
}

TEST_F(ConvertTest, ToMemoryJPGHoldsExactlyTheFileBMPtoJPGWrites) {
  const std::string bmp = Bmp();
  ASSERT_EQ(convert_.BMPtoJPG(bmp, Path("o.jpg"), 70), 0);
  Variant p = int16_t{0};
  ASSERT_EQ(convert_.ToMemoryJPG(bmp, 70, p), 0);
  EXPECT_EQ(convert_.Memory(), ReadAll(Path("o.jpg")));
  EXPECT_EQ(p, Variant(false));
  EXPECT_TRUE(Temps().empty());
}

TEST_F(ConvertTest, ToMemoryBMPHoldsExactlyTheFileJPGtoBMPWrites) {
  const std::string jpg = Jpg();
  ASSERT_EQ(convert_.JPGtoBMP(jpg, Path("o.bmp")), 0);
  ASSERT_EQ(convert_.ToMemoryBMP(jpg), 0);
  EXPECT_EQ(convert_.Memory(), ReadAll(Path("o.bmp")));
  EXPECT_TRUE(Temps().empty());
}

TEST_F(ConvertTest, AFailedToMemoryCallKeepsMemoryAndLeavesNoTemporaryFile) {
  const std::string bmp = Bmp();
  ASSERT_EQ(convert_.ToMemoryJPG(bmp), 0);
  const std::vector<uint8_t> before = convert_.Memory();
  ASSERT_FALSE(before.empty());

  Variant p = false;
  EXPECT_EQ(convert_.ToMemoryJPG(bmp, 0, p), -3);
  EXPECT_EQ(convert_.ToMemoryJPG(Text("text.bmp", "x"), 80, p), 4);
  EXPECT_EQ(convert_.ToMemoryBMP(Path("missing.jpg")), -1);
  EXPECT_EQ(convert_.ToMemoryBMP(Text("text.jpg", "x")), -3);
  EXPECT_EQ(convert_.Memory(), before);
  EXPECT_TRUE(Temps().empty());
}

TEST_F(ConvertTest, MemoryIsEmptyUntilAToMemoryCallSucceeds) {
  EXPECT_TRUE(convert_.Memory().empty());
  EXPECT_EQ(convert_.ToMemoryBMP(Path("missing.jpg")), -1);
  EXPECT_TRUE(convert_.Memory().empty());
}

// A conversion overridden in a derived class is the one the ToMemory calls use.
class FailingConvert : public Convert {
 public:
  int32_t JPGtoBMP(const Variant&, const Variant& vBmpF) override {
    VariantToString(vBmpF, seen);
    return -4;
  }
  std::string seen;
};

TEST_F(ConvertTest, ToMemoryGoesThroughTheInterfaceAndRemovesTheNamedFile) {
  FailingConvert failing;
  EXPECT_EQ(failing.ToMemoryBMP(Jpg()), -4);
  ASSERT_FALSE(failing.seen.empty());
  EXPECT_EQ(fs::path(failing.seen).parent_path(), dir_ / "tmp");
  EXPECT_FALSE(fs::exists(failing.seen));
}

TEST(ConvertRegistry, CreatesConvertByNameAndClassIdentifier) {
  auto byName = platform::CreateComObjectAs<_Convert>("Tessaly.Convert");
  auto byId = platform::CreateComObjectAs<_Convert>("{1c002eb2-fa4f-11d2-a07f-e1e9cf0d496e}");
  ASSERT_TRUE(byName);
  ASSERT_TRUE(byId);
  EXPECT_NE(byName, byId);
  EXPECT_EQ(platform::ClsidOfProgId("Tessaly.Convert"), "{1C002EB2-FA4F-11D2-A07F-E1E9CF0D496E}");
}

}  // namespace
}  // namespace tessaly
