// The rotation editor's window driven through the File menu and its buttons.
#include "app/editors/rotation/rotation_window.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "app/animated_export.h"
#include "app/main_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"
#include "giflib/object/vesk_gif_object.h"

namespace kestrin {
namespace {

using testing::AppTest;

class RotationWindowTest : public AppTest {
 protected:
  RotationWindow& Open() {
    const std::string path = temp_.File("in.gif");
    testing::WriteGif(picture_, path);
    Answer(path);
    windows::MDIF1().MenuItem("munOpen")->trigger();
    testing::Settle();
    return windows::Dialog();
  }
  platform::Picture picture_ = testing::Stripes(30, 20);
};

TEST_F(RotationWindowTest, BuildSaveAndPreviewThroughTheButtons) {
  RotationWindow& w = Open();
  EXPECT_EQ(w.Command1().Caption(), "回転イメージ");
  EXPECT_EQ(w.Command4().Caption(), "連続イメージ出力");
  w.kakudo().SetText("360");
  w.Text1().SetText("90");
  w.Option1().SetValue(true);
  w.Command1().click();
  EXPECT_FALSE(windows::IsLoaded(WindowId::Syori));
  EXPECT_TRUE(w.Command1().isEnabled());
  EXPECT_EQ(ProgramRotationState().seriesBuilt, 1);
  testing::SaveScreenshot(w, "rotation_editor");

  testing::TempFolder out;
  Answer(out.File("series.gif"));
  w.Command3().click();
  EXPECT_EQ(out.CountEntries(), 4);
  for (int a : {0, 90, 180, 270}) {
    pellory::Vesk_GifObject direct;
    direct.SetPicture(picture_);
    direct.GetStretchPicture(3.0f, pellory::Continue);
    direct.GetRotatePictureEX(static_cast<float>(a), pellory::Continue);
    direct.GetStretchPicture(static_cast<float>(1.0 / 3.0), pellory::Continue);
    const auto d = testing::DecodeGif(out.File("R" + std::to_string(a) + ".gif"));
    ASSERT_TRUE(d.ok) << a << d.error;
    EXPECT_EQ(d.indices, direct.CurrentPictureData().BitmapData) << a;
    EXPECT_EQ(d.imageWidth, direct.CurrentPictureData().GifSetting.biWidth) << a;
  }
  EXPECT_TRUE(boxes_->shown.empty());

  // The preview plays once at the delay typed beside the animation button (10/100 s), each
  // frame centred where IM3 stood, then stops.
  EXPECT_EQ(w.DelayText().Text(), "10");
  w.Command4().click();
  EXPECT_EQ(w.Timer1().Interval(), 100);
  const double left = ProgramRotationState().previewOriginLeft;
  w.TimerTick();
  EXPECT_EQ(w.IM3().GetPicture(), ProgramRotationState().frames[0]);
  w.TimerTick();
  EXPECT_EQ(w.IM3().Left(),
            std::nearbyint((left + ProgramRotationState().leftOffsets[90]) / 15) * 15);
  w.TimerTick();
  w.TimerTick();
  w.TimerTick();
  EXPECT_EQ(w.Timer1().Interval(), 0);
}

TEST_F(RotationWindowTest, ThePreviewTakesTheDelayTypedAndASecondClickStopsIt) {
  RotationWindow& w = Open();
  w.kakudo().SetText("360");
  w.Text1().SetText("90");
  w.Option1().SetValue(true);
  w.Command1().click();
  w.DelayText().SetText("25");
  w.Command4().click();
  EXPECT_EQ(w.Timer1().Interval(), 250);
  w.TimerTick();
  w.TimerTick();
  EXPECT_EQ(w.IM3().GetPicture(), ProgramRotationState().frames[90]);
  w.Command4().click();
  EXPECT_EQ(w.Timer1().Interval(), 0);
  // Started again, it plays from the first frame.
  w.DelayText().SetText("0");
  w.Command4().click();
  EXPECT_EQ(w.Timer1().Interval(), 1);  // as fast as the timer goes; 0 would stop it
  w.TimerTick();
  EXPECT_EQ(w.IM3().GetPicture(), ProgramRotationState().frames[0]);
  w.Command4().click();
  w.DelayText().SetText("soon");
  w.Command4().click();
  EXPECT_EQ(w.Timer1().Interval(), 0);
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>{kDelayMessage});
}

TEST_F(RotationWindowTest, CancelRestoresTheEditedPictureAndInversionFlipsIt) {
  RotationWindow& w = Open();
  w.kakudo().SetText("91");
  w.Text1().SetText("90");
  w.Option2().SetValue(true);  // the last frame is turned by 270 degrees
  w.Command1().click();
  EXPECT_FALSE(testing::SamePixels(w.IM2().GetPicture(), w.IM1().GetPicture()));
  w.Command2().click();
  EXPECT_EQ(ProgramRotationState().seriesBuilt, 0);
  EXPECT_EQ(w.IM2().GetPicture(), w.IM1().GetPicture());
  w.Check2().SetValue(1);
  EXPECT_FALSE(testing::SamePixels(w.IM2().GetPicture(), w.IM1().GetPicture()));
  w.Check2().SetValue(0);
  EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(), w.IM1().GetPicture()));
}

TEST_F(RotationWindowTest, FlickerCheckBoxAddsAndRemovesTheDummyControl) {
  RotationWindow& w = Open();
  w.Check1().SetValue(1);
  EXPECT_NE(w.GetControls().Find("DummyUC1"), nullptr);
  w.Check1().SetValue(0);
  EXPECT_EQ(w.GetControls().Find("DummyUC1"), nullptr);
}

TEST_F(RotationWindowTest, OpeningAnotherEditorDuringABuildStopsItSafely) {
  RotationWindow& w = Open();
  w.kakudo().SetText("360");
  w.Text1().SetText("10");
  w.Option1().SetValue(true);
  // While the build yields, a picture is opened in the colour editor, which unloads this
  // window; the message loop may destroy it before the build returns.
  Answer(temp_.File("in.gif"));
  QTimer::singleShot(0, [] { windows::MDIF1().MenuItem("numOpen2")->trigger(); });
  w.Command1().click();
  testing::Settle();
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog));
  EXPECT_EQ(ProgramRotationState().seriesBuilt, 0);
  EXPECT_FALSE(windows::IsLoaded(WindowId::Syori));
}

TEST_F(RotationWindowTest, MissingInputIsReportedAndNothingBuilt) {
  RotationWindow& w = Open();
  w.Command1().click();
  w.kakudo().SetText("90");
  w.Command1().click();
  w.Text1().SetText("0");
  w.Option1().SetValue(true);
  w.Command1().click();
  EXPECT_EQ(testing::Texts(*boxes_),
            (std::vector<std::string>{"角度を入力してください。", "増数を入力してください。",
                                      "増数には0以外の数を入力してください。"}));
  EXPECT_EQ(ProgramRotationState().seriesBuilt, 0);
}

}  // namespace
}  // namespace kestrin
