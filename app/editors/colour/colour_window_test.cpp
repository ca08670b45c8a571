// Dialog2 driven as a user would: opened through the File menu, its controls set, its buttons
// pressed, its files decoded by giflib.
#include "app/editors/colour/colour_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QPointer>

#include "app/editor_files.h"
#include "app/editors/colour/tests/frame_files.h"
#include "app/main_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"

namespace kestrin {
namespace {

using Shifts = std::vector<ColourShift>;

// Runs `call` at the first yield of the handler that is about to start.
void AtFirstYield(std::function<void()> call) {
  QMetaObject::invokeMethod(qApp, std::move(call), Qt::QueuedConnection);
}

class ColourWindowTest : public testing::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ProgramColourState() = ColourState{};  // as at program start
  }
  ColourWindow& OpenThroughMenu() {
    input_ = in_.File("in.gif");
    testing::WriteGif(testing::ColourSource(150, 100), input_);
    Answer(input_);
    windows::MDIF1().MenuItem("numOpen2")->trigger();
    testing::Settle();
    EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog2));
    return windows::Dialog2();
  }
  void ExpectSeriesFiles(const Shifts& shifts, const platform::Picture& source) {
    EXPECT_EQ(out_.CountEntries(), static_cast<int>(shifts.size()));
    for (size_t i = 0; i < shifts.size(); ++i)
      testing::ExpectFrameFile(out_.File("Color" + std::to_string(i) + ".gif"), source, shifts[i],
                               in_.File("reference.gif"));
  }
  template <class C>
  C* Control(ColourWindow& w, const char* name) {
    return dynamic_cast<C*>(w.GetControls().Find(name));
  }

  testing::TempFolder in_;
  testing::TempFolder out_;
  std::string input_;
};

TEST_F(ColourWindowTest, HasEveryControlWithItsCaptionKindAndPlace) {
  ColourWindow& w = windows::Dialog2();
  EXPECT_EQ(w.Name(), "Dialog2");
  EXPECT_EQ(w.windowTitle().toStdString(), "ﾀﾞｲｱﾛｸﾞ ｷｬﾌﾟｼｮﾝ");
  auto* frame1 = Control<platform::Frame>(w, "Frame1");
  auto* frame2 = Control<platform::Frame>(w, "Frame2");
  auto* frame3 = Control<platform::Frame>(w, "Frame3");
  auto* frame4 = Control<platform::Frame>(w, "Frame4");
  ASSERT_TRUE(frame1 && frame2 && frame3 && frame4);
  EXPECT_EQ(frame1->Caption(), "元のイメージ");
  EXPECT_EQ(frame2->Caption(), "カラー変更イメージ");
  EXPECT_EQ(frame3->Caption(), "カラー変更");
  EXPECT_EQ(frame4->Caption(), "オプション");

  const std::vector<std::tuple<const char*, const char*, platform::Frame*>> labels = {
      {"Label1", "R", frame3},    {"Label3", "G", frame3},    {"Label2", "B", frame3},
      {"Label6", "設定", frame4}, {"Label5", "増数", frame4}, {"Label4", "連続イメージ", nullptr}};
  for (const auto& [name, caption, container] : labels) {
    auto* label = Control<platform::Label>(w, name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->Caption(), caption);
    EXPECT_EQ(label->Container(), container) << name;
  }
  for (const char* name : {"R", "G", "B"}) {
    auto* slider = Control<platform::Slider>(w, name);
    ASSERT_NE(slider, nullptr) << name;
    EXPECT_EQ(slider->Min(), -128);
    EXPECT_EQ(slider->Max(), 128);
    EXPECT_EQ(slider->Value(), 0);
    EXPECT_EQ(slider->Container(), frame3);
  }
  for (const auto& [name, caption] : {std::pair{"Op1", "段階変更"}, std::pair{"Op2", "同時変更"}}) {
    auto* option = Control<platform::OptionButton>(w, name);
    ASSERT_NE(option, nullptr) << name;
    EXPECT_EQ(option->Caption(), caption);
    EXPECT_FALSE(option->Value());
    EXPECT_EQ(option->Container(), frame4);
  }
  auto* co1 = Control<platform::ComboBox>(w, "CO1");
  ASSERT_NE(co1, nullptr);
  ASSERT_EQ(co1->ListCount(), 2);
  EXPECT_EQ(co1->List(0), "暗から明");
  EXPECT_EQ(co1->List(1), "明から暗");
  EXPECT_EQ(co1->Text(), "");
  EXPECT_EQ(co1->Container(), frame4);
  auto* t1 = Control<platform::TextBox>(w, "T1");
  ASSERT_NE(t1, nullptr);
  EXPECT_EQ(t1->Container(), frame4);
  for (const auto& [name, caption] :
       {std::pair{"Command4", "連続イメージ"}, std::pair{"Command3", "GIF形式で保存"},
        std::pair{"Command2", "キャンセル"}}) {
    auto* button = Control<platform::CommandButton>(w, name);
    ASSERT_NE(button, nullptr) << name;
    EXPECT_EQ(button->Caption(), caption);
  }
  for (const auto& [name, caption] :
       {std::pair{"Check1", "InhibitFlickers"}, std::pair{"Check2", "反転"}}) {
    auto* check = Control<platform::CheckBox>(w, name);
    ASSERT_NE(check, nullptr) << name;
    EXPECT_EQ(check->Caption(), caption);
    EXPECT_EQ(check->Value(), 0);
  }
  EXPECT_EQ(w.IM1().Container(), frame1);
  EXPECT_EQ(w.IM2().Container(), frame2);
  EXPECT_NE(Control<platform::ImageControl>(w, "IM3"), nullptr);
  EXPECT_NE(Control<platform::Shape>(w, "Shape1"), nullptr);
  EXPECT_NEAR(w.width(), 760, 40);
  EXPECT_NEAR(w.height(), 486, 40);
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(ColourWindowTest, SlidersPreviewTheShiftAndTheOtherHandlersActOnTheEditedPicture) {
  ColourWindow& w = OpenThroughMenu();
  const platform::Picture original = w.IM1().GetPicture();
  w.R().SetValue(40);
  EXPECT_TRUE(
      testing::SamePixels(w.IM2().GetPicture(), testing::ShiftedDirectly(original, {40, 0, 0})));
  w.G().SetValue(-128);
  w.B().SetValue(128);
  EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(),
                                  testing::ShiftedDirectly(original, {40, -128, 128})));
  EXPECT_EQ(w.IM1().GetPicture(), original);

  w.Command2().click();
  EXPECT_EQ(w.IM2().GetPicture(), original);
  w.Check2().SetValue(1);
  EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(), InvertPictureColours(original)));

  const int controls = w.GetControls().Count();
  w.Check1().SetValue(1);
  EXPECT_EQ(w.GetControls().Count(), controls + 1);
  w.Check1().SetValue(0);
  EXPECT_EQ(w.GetControls().Count(), controls);
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(ColourWindowTest, StepwiseSeriesFromTheFileMenuToDecodedFiles) {
  ColourWindow& w = OpenThroughMenu();
  w.R().SetValue(40);
  w.Op1().SetValue(true);
  w.T1().SetText("200");
  w.Command4().click();
  const Shifts expected = {{0, 0, 0}, {200, 0, 0}, {200, 200, 0}};
  EXPECT_EQ(w.Series().Shifts(), expected);
  ASSERT_EQ(ProgramColourState().frameCount, 3);
  EXPECT_EQ(w.IM3().GetPicture(), ProgramColourState().frames[2]);
  testing::SaveScreenshot(w, "colour_editor");

  Answer(out_.File("series.gif"));
  w.Command3().click();
  testing::Settle();
  ASSERT_TRUE(files_->requests.back().save);
  EXPECT_EQ(files_->requests.back().filter, "GIFファイル|*.gif");
  ExpectSeriesFiles(expected, w.IM1().GetPicture());
  EXPECT_FALSE(windows::IsLoaded(WindowId::Syori));
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(ColourWindowTest, SimultaneousSeriesFollowsTheChosenDirection) {
  ColourWindow& w = OpenThroughMenu();
  w.R().SetValue(40);
  w.Op2().SetValue(true);
  w.CO1().SetText("明から暗");
  w.T1().SetText("200");
  w.Command4().click();
  const Shifts expected = {{-72, -72, -72}, {-72, -72, -72}};
  EXPECT_EQ(w.Series().Shifts(), expected);

  Answer(out_.File("series.gif"));
  w.Command3().click();
  ExpectSeriesFiles(expected, w.IM1().GetPicture());
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(ColourWindowTest, TheBuildChecksTheWindowsInputInOrder) {
  ColourWindow& w = OpenThroughMenu();
  w.Command4().click();
  w.Op2().SetValue(true);
  w.Command4().click();
  w.T1().SetText("0");
  w.Command4().click();
  w.T1().SetText("10");
  w.Command4().click();
  EXPECT_EQ(testing::Texts(*boxes_),
            (std::vector<std::string>{"オプションを選択してください。", "増数を入力してください。",
                                      "増数には0以外の数を入力してください。",
                                      "明と暗の設定をしてください。"}));
  EXPECT_EQ(w.IM3().GetPicture(), w.IM1().GetPicture());
  EXPECT_EQ(ProgramColourState().frameCount, 0);
}

TEST_F(ColourWindowTest, ASecondClickStopsPlayingTheSeriesIsStillWholeAndNoSaveStarts) {
  ColourWindow& w = OpenThroughMenu();
  w.Op1().SetValue(true);
  w.T1().SetText("200");
  std::vector<bool> enabled;
  AtFirstYield([&] {
    enabled = {w.Command4().isEnabled(), w.Command3().isEnabled(), w.Command2().isEnabled()};
    Answer(out_.File("series.gif"));
    w.Command3().click();
    w.Command4().click();
  });
  w.Command4().click();
  EXPECT_EQ(enabled, (std::vector<bool>{true, false, true}));
  // Each frame is held for the default 10/100 s until the second click, then no longer.
  EXPECT_EQ(previewWaits_, std::vector<int>{100});
  EXPECT_FALSE(w.Pacer().Playing());
  EXPECT_EQ(w.Series().Shifts().size(), 3u);
  EXPECT_EQ(ProgramColourState().frameCount, 3);
  EXPECT_EQ(files_->requests.size(), 1u);  // only the open dialog was shown
  EXPECT_EQ(out_.CountEntries(), 0);
  EXPECT_TRUE(w.Command4().isEnabled());
  EXPECT_TRUE(w.Command3().isEnabled());
}

TEST_F(ColourWindowTest, UnloadingStopsTheBuildAndTheSeriesOutlivesTheWindow) {
  ColourWindow& w = OpenThroughMenu();
  w.Op1().SetValue(true);
  w.T1().SetText("200");
  QPointer<ColourWindow> first(&w);
  AtFirstYield([] {
    windows::Unload(WindowId::Dialog2);
    // Destroyed at once, as a nested message loop would do.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  });
  w.Command4().click();
  EXPECT_TRUE(first.isNull());
  EXPECT_EQ(ProgramColourState().frameCount, 1);

  ColourWindow& again = windows::Dialog2();
  Answer(out_.File("series.gif"));
  again.Command3().click();
  ExpectSeriesFiles(Shifts{ColourShift{0, 0, 0}}, platform::LoadPicture(input_));
}

TEST_F(ColourWindowTest, SavingBeforeAnyBuildWritesNothing) {
  ColourWindow& w = OpenThroughMenu();
  Cancel();
  w.Command3().click();
  Answer(out_.File("series.gif"));
  w.Command3().click();
  testing::Settle();
  EXPECT_EQ(out_.CountEntries(), 0);
  EXPECT_FALSE(windows::IsLoaded(WindowId::Syori));
  EXPECT_TRUE(boxes_->shown.empty());
}

}  // namespace
}  // namespace kestrin
