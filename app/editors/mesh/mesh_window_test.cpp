// Dialog3 driven as a user would: opened through the File menu, the slider moved, the series
// played and saved, its files decoded by giflib; IM5 pressed and dragged.
#include "app/editors/mesh/mesh_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QPointer>
#include <filesystem>

#include "app/animated_export.h"
#include "app/editor_files.h"
#include "app/main_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"
#include "giflib/object/vesk_gif_object.h"

namespace kestrin {
namespace {

// Runs `call` at the first yield of the handler that is about to start.
void AtFirstYield(std::function<void()> call) {
  QMetaObject::invokeMethod(qApp, std::move(call), Qt::QueuedConnection);
}

platform::Picture MeshedDirectly(const platform::Picture& source, int level) {
  pellory::Vesk_GifObject gif;
  EXPECT_TRUE(gif.SetPicture(source));
  return gif.GetMeshPicture(level, pellory::ReturnPicture);
}

class MeshWindowTest : public testing::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ProgramMeshState() = MeshState{};  // as at program start
  }
  MeshWindow& OpenThroughMenu() {
    input_ = in_.File("in.gif");
    testing::WriteGif(testing::Stripes(40, 30), input_);
    Answer(input_);
    windows::MDIF1().MenuItem("OpenMesh")->trigger();
    testing::Settle();
    EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog3));
    return windows::Dialog3();
  }
  template <class C>
  C* Control(MeshWindow& w, const char* name) {
    return dynamic_cast<C*>(w.GetControls().Find(name));
  }
  // A written frame equals the same level written directly through the library.
  void ExpectMeshFile(int level, const platform::Picture& source) {
    SCOPED_TRACE("Mesh" + std::to_string(level));
    const std::string reference = in_.File("reference" + std::to_string(level) + ".gif");
    std::filesystem::remove(reference);  // the library writes no file over another
    testing::WriteGif(MeshedDirectly(source, level), reference);
    const testing::DecodedGif written =
        testing::DecodeGif(out_.File("Mesh" + std::to_string(level) + ".gif"));
    const testing::DecodedGif expected = testing::DecodeGif(reference);
    ASSERT_TRUE(written.ok) << written.error;
    ASSERT_TRUE(expected.ok) << expected.error;
    EXPECT_EQ(written.palette, expected.palette);
    EXPECT_EQ(written.indices, expected.indices);
    EXPECT_EQ(written.transparentIndex, expected.transparentIndex);
  }

  testing::TempFolder in_;
  testing::TempFolder out_;
  std::string input_;
};

TEST_F(MeshWindowTest, HasEveryControlWithItsCaptionAndContainer) {
  MeshWindow& w = windows::Dialog3();
  EXPECT_EQ(w.Name(), "Dialog3");
  EXPECT_EQ(w.windowTitle().toStdString(), "ﾀﾞｲｱﾛｸﾞ ｷｬﾌﾟｼｮﾝ");
  const std::vector<std::tuple<const char*, const char*, const char*>> frames = {
      {"Frame1", "元のイメージ", "IM1"},
      {"Frame2", "メッシュイメージ", "IM2"},
      {"Frame3", "連続イメージ", "IM3"}};
  for (const auto& [name, caption, image] : frames) {
    auto* frame = Control<platform::Frame>(w, name);
    ASSERT_NE(frame, nullptr) << name;
    EXPECT_EQ(frame->Caption(), caption);
    auto* im = Control<platform::ImageControl>(w, image);
    ASSERT_NE(im, nullptr) << image;
    EXPECT_EQ(im->Container(), frame);
  }
  auto* frame4 = Control<platform::Frame>(w, "Frame4");
  ASSERT_NE(frame4, nullptr);
  EXPECT_EQ(frame4->Caption(), "設定");
  for (const auto& [name, caption] : {std::pair{"Op1", "小→大"}, std::pair{"Op2", "大→小"}}) {
    auto* op = Control<platform::OptionButton>(w, name);
    ASSERT_NE(op, nullptr) << name;
    EXPECT_EQ(op->Caption(), caption);
    EXPECT_EQ(op->Container(), frame4);
    EXPECT_FALSE(op->Value());
  }
  for (const auto& [name, caption] :
       {std::pair{"Label1", "Min"}, std::pair{"Label2", "Max"},
        std::pair{"Label3", "メッシュサイズ"}, std::pair{"Label4", "ドラッグイメージ"}}) {
    auto* label = Control<platform::Label>(w, name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->Caption(), caption);
  }
  for (const auto& [name, caption] :
       {std::pair{"Command3", "連続イメージ"}, std::pair{"Command2", "GIF形式で保存"},
        std::pair{"Command1", "キャンセル"}}) {
    auto* button = Control<platform::CommandButton>(w, name);
    ASSERT_NE(button, nullptr) << name;
    EXPECT_EQ(button->Caption(), caption);
  }
  for (const auto& [name, caption] :
       {std::pair{"Check1", "InhibitFlickers"}, std::pair{"Check2", "PBInhibitFlickers"},
        std::pair{"Check3", "反転"}}) {
    auto* check = Control<platform::CheckBox>(w, name);
    ASSERT_NE(check, nullptr) << name;
    EXPECT_EQ(check->Caption(), caption);
    EXPECT_EQ(check->Value(), 0);
  }
  auto* slider = Control<platform::Slider>(w, "Slider1");
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->Min(), 0);
  EXPECT_EQ(slider->Max(), 100);
  EXPECT_NE(Control<platform::PictureBox>(w, "Picture1"), nullptr);
  EXPECT_NE(Control<platform::ImageControl>(w, "IM5"), nullptr);
}

TEST_F(MeshWindowTest, OpenedFromTheMenuMovedPlayedAndSavedEndToEnd) {
  MeshWindow& w = OpenThroughMenu();
  const platform::Picture source = w.IM1().GetPicture();
  ASSERT_TRUE(testing::SamePixels(source, platform::LoadPicture(input_)));
  testing::WriteGif(testing::Stripes(8, 8, 3), out_.File("mine.gif"));

  w.Slider1().SetValue(3);
  EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(), MeshedDirectly(source, 3)));
  EXPECT_EQ(ProgramMeshState().frameCount, 3);
  EXPECT_FALSE(windows::IsLoaded(WindowId::Syori));

  w.Op2().SetValue(true);
  w.Command3().click();
  EXPECT_TRUE(testing::SamePixels(w.IM3().GetPicture(), source));  // coarse to fine ends at 0
  w.Op1().SetValue(true);
  w.Command3().click();
  EXPECT_TRUE(testing::SamePixels(w.IM3().GetPicture(), MeshedDirectly(source, 2)));

  Answer(out_.File("chosen.gif"));
  w.Command2().click();
  testing::Settle();
  ASSERT_TRUE(files_->requests.back().save);
  EXPECT_EQ(files_->requests.back().filter, "GIFファイル|*.gif");
  for (int i = 0; i < 3; ++i) ExpectMeshFile(i, source);
  EXPECT_FALSE(std::filesystem::exists(out_.File("Mesh3.gif")));
  EXPECT_FALSE(std::filesystem::exists(out_.File("chosen.gif")));
  EXPECT_EQ(testing::DecodeGif(out_.File("mine.gif")).imageWidth, 8);
  EXPECT_FALSE(windows::IsLoaded(WindowId::Syori));
  EXPECT_TRUE(boxes_->shown.empty());

  // A second save asks, then writes the same files again over the first.
  Answer(out_.File("again.gif"));
  Reply(platform::kIdYes);
  w.Command2().click();
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].style & platform::kMbButtons, platform::kMbYesNo);
  for (int i = 0; i < 3; ++i) ExpectMeshFile(i, source);
  testing::SaveScreenshot(w, "mesh_editor");
}

TEST_F(MeshWindowTest, PlayAsksForADirectionAndNothingHappensWithoutASeries) {
  MeshWindow& w = OpenThroughMenu();
  w.Command3().click();
  w.Command2().click();  // no series: no dialog either
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_EQ(files_->requests.size(), 1u);
  w.Slider1().SetValue(2);
  w.Command3().click();
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>{"設定を選択してください。"});
  EXPECT_EQ(w.IM3().GetPicture(), nullptr);
  w.Slider1().SetValue(0);
  EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(), w.IM1().GetPicture()));
  EXPECT_EQ(ProgramMeshState().frameCount, 0);
}

TEST_F(MeshWindowTest, CancelClearsThePicturesButNotTheSeries) {
  MeshWindow& w = OpenThroughMenu();
  w.Slider1().SetValue(2);
  w.Op1().SetValue(true);
  w.Command3().click();
  w.Command1().click();
  for (platform::ImageControl* im : {&w.IM1(), &w.IM2(), &w.IM3()}) {
    ASSERT_NE(im->GetPicture(), nullptr);
    EXPECT_EQ(im->GetPicture()->Handle(), 0u);
  }
  EXPECT_EQ(ProgramMeshState().frameCount, 2);
}

TEST_F(MeshWindowTest, TheSeriesOutlivesTheWindow) {
  MeshWindow& w = OpenThroughMenu();
  w.Slider1().SetValue(4);
  windows::Unload(WindowId::Dialog3);
  testing::Settle();
  MeshWindow& again = windows::Dialog3();
  EXPECT_EQ(again.Slider1().Value(), 0);
  EXPECT_EQ(ProgramMeshState().frameCount, 4);
  again.Op2().SetValue(true);
  again.Command3().click();
  EXPECT_TRUE(testing::SamePixels(again.IM3().GetPicture(), platform::LoadPicture(input_)));
}

TEST_F(MeshWindowTest, CheckBoxesInhibitFlickersInTheirContainersAndInvertThePreview) {
  MeshWindow& w = OpenThroughMenu();
  auto dummiesIn = [&](platform::Control* container) {
    int n = 0;
    for (platform::Control* c : w.GetControls().All())
      if (c->Name().rfind("DummyUC", 0) == 0 && c->Container() == container) ++n;
    return n;
  };
  w.Check1().SetValue(1);
  EXPECT_EQ(dummiesIn(&w.Frame3()), 1);
  w.Check1().SetValue(0);
  EXPECT_EQ(dummiesIn(&w.Frame3()), 0);
  w.Check2().SetValue(1);
  EXPECT_EQ(dummiesIn(&w.Picture1()), 1);
  w.Check2().SetValue(0);
  EXPECT_EQ(dummiesIn(&w.Picture1()), 0);

  const platform::Picture preview = w.IM2().GetPicture();
  w.Check3().SetValue(1);
  EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(), InvertPictureColours(preview)));
  EXPECT_FALSE(testing::SamePixels(w.IM2().GetPicture(), preview));
  w.Check3().SetValue(0);  // inverts again
  EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(), preview));
}

TEST_F(MeshWindowTest, IM5ShowsThePreviewWhilePressedAndIsDraggedWithTheLeftButton) {
  MeshWindow& w = OpenThroughMenu();
  w.Slider1().SetValue(3);
  windows::Unload(WindowId::Dialog5);
  testing::Settle();
  const double left = w.IM5().Left();
  w.IM5().onMouseDown(1, 0, 5, 5);
  EXPECT_EQ(w.IM5().GetPicture(), w.IM2().GetPicture());
  EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog5));
  w.IM5().onMouseMove(1, 0, 9, 5);
  EXPECT_EQ(w.IM5().Left(), left + 60);
  w.IM5().onMouseUp(1, 0, 9, 5);
  EXPECT_EQ(w.IM5().GetPicture(), w.IM1().GetPicture());
  w.IM5().onMouseMove(1, 0, 20, 5);
  EXPECT_EQ(w.IM5().Left(), left + 60);
}

TEST_F(MeshWindowTest, TheSliderAndButtonsAreDisabledWhileASaveRuns) {
  MeshWindow& w = OpenThroughMenu();
  w.Slider1().SetValue(3);
  w.Op1().SetValue(true);
  std::vector<bool> enabled;
  AtFirstYield([&] {
    enabled = {w.Slider1().isEnabled(), w.Command2().isEnabled(), w.Command3().isEnabled(),
               w.Command1().isEnabled()};
    w.Slider1().SetValue(7);  // as a key press could: ignored while the save runs
    w.Command2().click();
  });
  Answer(out_.File("chosen.gif"));
  w.Command2().click();
  EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, true}));
  EXPECT_EQ(ProgramMeshState().frameCount, 3);
  EXPECT_EQ(files_->requests.size(), 2u);
  EXPECT_EQ(out_.CountEntries(), 3);
  EXPECT_TRUE(w.Slider1().isEnabled());
  EXPECT_TRUE(w.Command2().isEnabled());
  EXPECT_TRUE(w.Command3().isEnabled());
}

TEST_F(MeshWindowTest, ABuildMayRunWhileTheSeriesPlaysAtTheDelayTyped) {
  MeshWindow& w = OpenThroughMenu();
  const platform::Picture source = w.IM1().GetPicture();
  w.Slider1().SetValue(2);
  w.Op1().SetValue(true);
  w.DelayText().SetText("7");
  AtFirstYield([&] { w.Slider1().SetValue(5); });
  w.Command3().click();
  EXPECT_EQ(w.Pacer().IntervalMs(), 70);
  EXPECT_EQ(previewWaits_, (std::vector<int>{70, 70}));  // one wait after each frame
  EXPECT_EQ(ProgramMeshState().frameCount, 5);
  // The play kept its bounds and showed the new frame for the slot still to come.
  EXPECT_TRUE(testing::SamePixels(w.IM3().GetPicture(), MeshedDirectly(source, 1)));
  EXPECT_FALSE(w.Pacer().Playing());
}

TEST_F(MeshWindowTest, ASecondClickStopsThePlayAndABadDelayPlaysNothing) {
  MeshWindow& w = OpenThroughMenu();
  const platform::Picture source = w.IM1().GetPicture();
  w.Slider1().SetValue(4);
  w.Op1().SetValue(true);
  bool playEnabled = false;
  AtFirstYield([&] {
    playEnabled = w.Command3().isEnabled();
    w.Command3().click();
  });
  w.Command3().click();
  EXPECT_TRUE(playEnabled);
  EXPECT_EQ(previewWaits_, std::vector<int>{100});
  EXPECT_TRUE(testing::SamePixels(w.IM3().GetPicture(), source));  // stopped after frame 0
  EXPECT_FALSE(w.Pacer().Playing());

  w.IM3().SetPicture(nullptr);
  w.DelayText().SetText("-1");
  w.Command3().click();
  EXPECT_EQ(w.IM3().GetPicture(), nullptr);
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>{kDelayMessage});
}

TEST_F(MeshWindowTest, UnloadingTheWindowStopsThePlaySafely) {
  MeshWindow& w = OpenThroughMenu();
  w.Slider1().SetValue(3);
  w.Op1().SetValue(true);
  AtFirstYield([] {
    windows::Unload(WindowId::Dialog3);
    // Destroyed at once, as a nested message loop would do.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  });
  QPointer<MeshWindow> first(&w);
  w.Command3().click();
  EXPECT_TRUE(first.isNull());
  EXPECT_EQ(ProgramMeshState().frameCount, 3);
}

}  // namespace
}  // namespace kestrin
