// The capture: what IM2 shows at IMR's place (IMR over the target picture) lands in
// "一時ファイル/itiji.bmp"; the folder is made when missing, only bitmaps in it are removed, and
// a folder that cannot be made gives a message. Also the colour dialog's title and cancel.
#include "app/editors/transparency/result_capture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "app/editors/transparency/color.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"
#include "platform/dialogs/colour_dialog.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;

QImage Gradient(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(3 * x, 5 * y, 90));
  return image;
}

class CaptureTest : public testing::AppTest {
 protected:
  testing::ScopedCaptureFolder capture_{temp_.path()};
};

TEST_F(CaptureTest, WritesWhatIM2ShowsAtIMRsPlace) {
  TransparencyWindow& d = windows::Dialog5();
  d.IM2().SetPicture(std::make_shared<platform::StdPicture>(Gradient(80, 60)));
  const QImage piece = testing::Stripes(12, 10)->Image().convertToFormat(QImage::Format_RGB32);
  d.IMR().SetPicture(std::make_shared<platform::StdPicture>(piece));
  d.IMR().Move(30, 20, d.IMR().Width(), d.IMR().Height());
  ASSERT_EQ(d.IMR().Width(), 14) << "the piece inside a one-pixel frame";
  ASSERT_TRUE(CaptureResultToTempBmp(d));

  const QImage written =
      QImage(QString::fromStdString(TempBmpPath())).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(written.size(), QSize(14, 12)) << "IM4 takes IMR's size";
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 14; ++x) {
      const bool frame = x == 0 || y == 0 || x == 13 || y == 11;
      const QRgb want = frame ? qRgb(0, 0, 0) : piece.pixel(x - 1, y - 1);
      ASSERT_EQ(written.pixel(x, y), want) << x << "," << y;
    }
}

TEST_F(CaptureTest, MakesTheFolderAndRemovesOnlyBitmapsInIt) {
  TransparencyWindow& d = windows::Dialog5();
  d.IMR().SetPicture(testing::Stripes(8, 8));
  ASSERT_TRUE(CaptureResultToTempBmp(d));
  EXPECT_TRUE(fs::exists(TempBmpPath()));
  std::ofstream(TempBmpFolder() + "old.bmp") << "x";
  std::ofstream(TempBmpFolder() + "notes.txt") << "keep";
  std::ofstream(temp_.File("beside.bmp")) << "keep";
  ASSERT_TRUE(CaptureResultToTempBmp(d));
  EXPECT_FALSE(fs::exists(TempBmpFolder() + "old.bmp"));
  EXPECT_TRUE(fs::exists(TempBmpFolder() + "notes.txt"));
  EXPECT_TRUE(fs::exists(temp_.File("beside.bmp")));
  EXPECT_TRUE(fs::exists(TempBmpPath()));
  EXPECT_TRUE(boxes_->shown.empty());
}

// An installed program's folder cannot be written by its users: the capture then lives in the
// user's cache folder, and the program's folder is left alone.
TEST_F(CaptureTest, AnUnwritableProgramFolderMovesTheCaptureToTheUserCache) {
  std::ofstream(temp_.File("plain")) << "a file where the program folder should be";
  SetAppFolderForTesting(temp_.File("plain"));
  const testing::ScopedEnv cache("XDG_CACHE_HOME", temp_.File("cache"));
  EXPECT_EQ(TempBmpFolder(), temp_.File("cache") + "/kestrin/一時ファイル/");
  TransparencyWindow& d = windows::Dialog5();
  d.IMR().SetPicture(testing::Stripes(8, 8));
  fs::create_directories(temp_.File("cache/kestrin/一時ファイル"));
  std::ofstream(temp_.File("cache/kestrin/一時ファイル/old.bmp")) << "x";
  ASSERT_TRUE(fs::exists(temp_.File("cache/kestrin/一時ファイル/old.bmp")));
  ASSERT_TRUE(CaptureResultToTempBmp(d));
  EXPECT_TRUE(fs::exists(temp_.File("cache/kestrin/一時ファイル/itiji.bmp")));
  EXPECT_FALSE(fs::exists(temp_.File("cache/kestrin/一時ファイル/old.bmp")));
  EXPECT_TRUE(boxes_->shown.empty());
  {
    const testing::ScopedEnv relative("XDG_CACHE_HOME", "not/absolute");
    const testing::ScopedEnv home("HOME", temp_.File("home"));
    EXPECT_EQ(TempBmpFolder(), temp_.File("home") + "/.cache/kestrin/一時ファイル/");
  }
}

TEST_F(CaptureTest, AFolderThatCannotBeMadeGivesAMessageAndNoFile) {
  std::ofstream(temp_.File("plain")) << "a file where the program folder should be";
  SetAppFolderForTesting(temp_.File("plain"));
  const testing::ScopedEnv cache("XDG_CACHE_HOME", temp_.File("plain"));
  TransparencyWindow& d = windows::Dialog5();
  d.IMR().SetPicture(testing::Stripes(8, 8));
  EXPECT_FALSE(CaptureResultToTempBmp(d));
  ASSERT_EQ(testing::Texts(*boxes_).size(), 1u);
  EXPECT_NE(testing::Texts(*boxes_)[0].find("一時ファイル"), std::string::npos);
}

TEST_F(CaptureTest, ClosingTheWindowDuringTheWaitStopsTheCapture) {
  SetCaptureWaitForTesting(std::chrono::milliseconds(10000));
  TransparencyWindow& d = windows::Dialog5();
  d.IMR().SetPicture(testing::Stripes(8, 8));
  QMetaObject::invokeMethod(
      qApp, [] { windows::Unload(WindowId::Dialog5); }, Qt::QueuedConnection);
  EXPECT_FALSE(CaptureResultToTempBmp(d));
  EXPECT_FALSE(fs::exists(TempBmpPath()));
}

class ColourDialogTest : public testing::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    colours_ = std::make_shared<platform::ScriptedColourDialogs>();
    previous_ = platform::SetColourDialogBackend(colours_);
  }
  void TearDown() override {
    platform::SetColourDialogBackend(previous_);
    AppTest::TearDown();
  }
  std::shared_ptr<platform::ScriptedColourDialogs> colours_;
  std::shared_ptr<platform::ColourDialogBackend> previous_;
};

TEST_F(ColourDialogTest, ShowsItsTitleOverTheEditorAndCancelGivesWhite) {
  colours_->answers.push_back(0x3366CC);
  EXPECT_EQ(ChooseColourDialog(&windows::Dialog5()), 0x3366CC);
  ASSERT_EQ(colours_->requests.size(), 1u);
  EXPECT_EQ(colours_->requests[0].title, "カラーパレット");
  EXPECT_EQ(colours_->requests[0].owner, &windows::Dialog5());
  EXPECT_EQ(colours_->requests[0].customColors, std::vector<uint32_t>(16, 0xFFFFFF));
  colours_->answers.push_back(std::nullopt);
  EXPECT_EQ(ChooseColourDialog(&windows::Dialog5()), 0xFFFFFF);
}

}  // namespace
}  // namespace kestrin
