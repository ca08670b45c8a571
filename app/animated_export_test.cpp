// "アニメGIFで保存" in the three series editors: the animated file holds the frames that the
// editor's GIF save writes, in its order, each centred, with the delay typed; bad delays, an
// existing file and a cancelled dialog write nothing.
#include "app/animated_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/editors/colour/colour_window.h"
#include "app/editors/mesh/mesh_window.h"
#include "app/editors/rotation/rotation_window.h"
#include "app/main_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;

class AnimationButtonTest : public testing::AppTest {
 protected:
  template <class W>
  W& Open(const char* menuItem, W& (*window)()) {
    const std::string path = in_.File("in.gif");
    if (!fs::exists(path)) testing::WriteGif(testing::Stripes(30, 20), path);
    Answer(path);
    windows::MDIF1().MenuItem(menuItem)->trigger();
    testing::Settle();
    return window();
  }
  // The screen after each frame shows the single file of the same step centred on it, alone;
  // unless only changes were saved, each frame is that file whole.
  void ExpectFrames(const std::string& animated, const std::vector<std::string>& singles, int delay,
                    bool whole = false) {
    const testing::DecodedAnimation a = testing::DecodeAnimation(animated);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_EQ(a.version, "GIF89a");
    EXPECT_EQ(a.loopCount, 0);
    ASSERT_EQ(a.frames.size(), singles.size());
    const auto screens = pellory::testing::ComposeScreens(a, 2);
    for (size_t i = 0; i < screens.size(); ++i) {
      SCOPED_TRACE(singles[i % singles.size()]);
      const testing::DecodedGif want = testing::DecodeGif(singles[i % singles.size()]);
      ASSERT_TRUE(want.ok) << want.error;
      EXPECT_TRUE(screens[i] == pellory::testing::ScreenOf(want, a.width, a.height,
                                                           (a.width - want.imageWidth) / 2,
                                                           (a.height - want.imageHeight) / 2))
          << "screen after frame " << i;
      EXPECT_EQ(a.frames[i % singles.size()].delayCs, delay);
    }
    for (size_t i = 0; whole && i < singles.size(); ++i) {
      SCOPED_TRACE(singles[i]);
      const testing::DecodedGif want = testing::DecodeGif(singles[i]);
      ASSERT_TRUE(want.ok) << want.error;
      const testing::DecodedFrame& got = a.frames[i];
      EXPECT_EQ(got.width, want.imageWidth);
      EXPECT_EQ(got.height, want.imageHeight);
      EXPECT_EQ(got.left, (a.width - got.width) / 2);
      EXPECT_EQ(got.top, (a.height - got.height) / 2);
      EXPECT_EQ(got.indices, want.indices);
      EXPECT_EQ(got.transparentIndex, want.transparentIndex);
      EXPECT_EQ(got.delayCs, delay);
      for (size_t c = 0; c < got.palette.size() && c < want.palette.size(); ++c) {
        int used = 0;
        for (uint8_t index : got.indices) used = std::max(used, index + 1);
        if (static_cast<int>(c) >= used) break;
        EXPECT_EQ(got.palette[c].gRed, want.palette[c].gRed) << c;
        EXPECT_EQ(got.palette[c].gGreen, want.palette[c].gGreen) << c;
        EXPECT_EQ(got.palette[c].gBlue, want.palette[c].gBlue) << c;
      }
    }
  }
  testing::TempFolder in_, out_;
};

TEST_F(AnimationButtonTest, RotationFramesInSaveOrderOnAScreenForTheLargest) {
  RotationWindow& w = Open("munOpen", &windows::Dialog);
  w.kakudo().SetText("360");
  w.Text1().SetText("45");
  w.Option1().SetValue(true);
  w.Command1().click();
  Answer(out_.File("series.gif"));
  w.Command3().click();
  EXPECT_EQ(w.AnimationButton().Caption(), "アニメGIFで保存");
  EXPECT_EQ(w.DelayText().Text(), "10");
  w.DelayText().SetText("25");
  Answer(out_.File("turning"));  // ".gif" is added
  w.AnimationButton().click();
  EXPECT_TRUE(boxes_->shown.empty()) << testing::Texts(*boxes_)[0];
  std::vector<std::string> singles;
  for (int a = 0; a < 360; a += 45) singles.push_back(out_.File("R" + std::to_string(a) + ".gif"));
  ExpectFrames(out_.File("turning.gif"), singles, 25);
  // The turned frames are wider than the first: the screen takes the largest.
  const testing::DecodedAnimation a = testing::DecodeAnimation(out_.File("turning.gif"));
  EXPECT_GT(a.width, 30);
}

TEST_F(AnimationButtonTest, ColourFramesOfTheLastBuild) {
  ColourWindow& w = Open("numOpen2", &windows::Dialog2);
  w.R().SetValue(40);
  w.Op1().SetValue(true);
  w.T1().SetText("200");
  w.Command4().click();
  Answer(out_.File("series.gif"));
  w.Command3().click();
  Answer(out_.File("colours.GIF"));  // an extension in capitals is kept
  w.AnimationButton().click();
  EXPECT_TRUE(boxes_->shown.empty());
  ExpectFrames(out_.File("colours.GIF"),
               {out_.File("Color0.gif"), out_.File("Color1.gif"), out_.File("Color2.gif")}, 10);
}

TEST_F(AnimationButtonTest, MeshFramesFollowTheChosenDirection) {
  MeshWindow& w = Open("OpenMesh", &windows::Dialog3);
  w.Slider1().SetValue(4);
  w.Op2().SetValue(true);
  Answer(out_.File("series.gif"));
  w.Command2().click();
  w.DelayText().SetText("0");
  Answer(out_.File("mesh.gif"));
  w.AnimationButton().click();
  EXPECT_TRUE(boxes_->shown.empty());
  const std::vector<std::string> singles = {out_.File("Mesh3.gif"), out_.File("Mesh2.gif"),
                                            out_.File("Mesh1.gif"), out_.File("Mesh0.gif")};
  ExpectFrames(out_.File("mesh.gif"), singles, 0);

  // "差分のみ保存" is ticked; unticked, every frame is written whole.
  ASSERT_NE(w.OptimizeBox(), nullptr);
  EXPECT_EQ(w.OptimizeBox()->Caption(), "差分のみ保存");
  EXPECT_EQ(w.OptimizeBox()->Value(), 1);
  w.OptimizeBox()->SetValue(0);
  Answer(out_.File("whole.gif"));
  w.AnimationButton().click();
  ExpectFrames(out_.File("whole.gif"), singles, 0, true);
  EXPECT_LT(fs::file_size(out_.File("mesh.gif")), fs::file_size(out_.File("whole.gif")));
}

TEST_F(AnimationButtonTest, NothingIsWrittenForABadDelayACancelOrAnExistingFile) {
  MeshWindow& w = Open("OpenMesh", &windows::Dialog3);
  w.Slider1().SetValue(2);
  w.Op1().SetValue(true);
  for (const char* delay : {"", "abc", "-1", "65536"}) {
    w.DelayText().SetText(delay);
    w.AnimationButton().click();
  }
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>(4, kDelayMessage));
  EXPECT_EQ(files_->requests.size(), 1u) << "only the menu's: the delay is checked first";
  w.DelayText().SetText("10");
  Cancel();
  w.AnimationButton().click();
  EXPECT_EQ(out_.CountEntries(), 0);
  std::ofstream(out_.File("mesh.gif")) << "mine";
  Answer(out_.File("mesh.gif"));
  w.AnimationButton().click();
  ASSERT_EQ(testing::Texts(*boxes_).size(), 5u);
  EXPECT_NE(testing::Texts(*boxes_)[4].find("すでに存在"), std::string::npos);
  EXPECT_NE(testing::Texts(*boxes_)[4].find("\n\n" + out_.File("mesh.gif")), std::string::npos);
  std::ifstream in(out_.File("mesh.gif"));
  std::string content;
  in >> content;
  EXPECT_EQ(content, "mine");
  EXPECT_EQ(out_.CountEntries(), 1);
}

TEST_F(AnimationButtonTest, ASavedAnimationCountsAsTheSeriesSaved) {
  MeshWindow& w = Open("OpenMesh", &windows::Dialog3);
  w.Slider1().SetValue(2);
  w.Op1().SetValue(true);
  EXPECT_EQ(UnsavedWork({WindowId::Dialog3}).size(), 1u);
  Cancel();
  w.AnimationButton().click();
  EXPECT_EQ(UnsavedWork({WindowId::Dialog3}).size(), 1u);
  Answer(out_.File("mesh.gif"));
  w.AnimationButton().click();
  EXPECT_TRUE(UnsavedWork({WindowId::Dialog3}).empty());
}

TEST_F(AnimationButtonTest, WithoutASeriesTheButtonAsksForNothing) {
  MeshWindow& w = Open("OpenMesh", &windows::Dialog3);
  ProgramMeshState() = MeshState{};
  w.Op1().SetValue(true);
  w.AnimationButton().click();
  EXPECT_TRUE(files_->requests.size() == 1) << "only the menu's open dialog";
  EXPECT_TRUE(boxes_->shown.empty());
}

}  // namespace
}  // namespace kestrin

namespace kestrin {
namespace {

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Frames of different sizes and colour counts, large enough to be coded on the lanes.
std::vector<platform::Picture> SomeFrames() {
  return {testing::Stripes(300, 260, 6), testing::Stripes(280, 300, 9),
          testing::Stripes(320, 240, 4), testing::Stripes(300, 260, 6)};
}

// Frames taken while a series is made give the file the whole series gives at once; frames
// other than those handed over are saved as they are.
TEST(AnimationCapture, SavesTheFileTheWholeSeriesGives) {
  testing::TempFolder out;
  const std::vector<platform::Picture> frames = SomeFrames();
  const AnimationSettings settings{7, 2, true};
  ASSERT_TRUE(SaveAnimatedSeries(frames, out.File("whole.gif"), settings, nullptr));
  const std::vector<uint8_t> whole = Bytes(out.File("whole.gif"));
  const testing::DecodedAnimation decoded = testing::DecodeAnimation(out.File("whole.gif"));
  ASSERT_TRUE(decoded.ok) << decoded.error;
  ASSERT_EQ(decoded.frames.size(), frames.size());
  EXPECT_EQ(decoded.loopCount, 2);

  AnimationCapture taken(settings);
  for (const platform::Picture& f : frames) taken.Add(f);
  std::string error;
  ASSERT_TRUE(taken.Save(frames, out.File("taken.gif"), &error)) << error;
  EXPECT_EQ(Bytes(out.File("taken.gif")), whole);

  // One frame short, and the frames in another order: each is the file of the frames saved.
  std::vector<platform::Picture> reordered = frames;
  std::swap(reordered[0], reordered[1]);
  ASSERT_TRUE(SaveAnimatedSeries(reordered, out.File("reordered.gif"), settings, nullptr));
  AnimationCapture inOrder(settings);
  for (const platform::Picture& f : frames) inOrder.Add(f);
  ASSERT_TRUE(inOrder.Save(reordered, out.File("taken-reordered.gif"), &error)) << error;
  EXPECT_EQ(Bytes(out.File("taken-reordered.gif")), Bytes(out.File("reordered.gif")));
  AnimationCapture short_(settings);
  for (size_t i = 0; i + 1 < frames.size(); ++i) short_.Add(frames[i]);
  ASSERT_TRUE(short_.Save(frames, out.File("taken-short.gif"), &error)) << error;
  EXPECT_EQ(Bytes(out.File("taken-short.gif")), whole);
}

// A frame the library refuses is refused at the save with the message the whole series gets,
// and nothing is written; one refused while taken does not spoil a save of good frames.
TEST(AnimationCapture, ARefusedFrameFailsAsTheWholeSeriesFails) {
  testing::TempFolder out;
  std::vector<platform::Picture> frames = SomeFrames();
  frames[2] = std::make_shared<platform::StdPicture>();
  const AnimationSettings settings;
  std::string wholeError, takenError;
  EXPECT_FALSE(SaveAnimatedSeries(frames, out.File("whole.gif"), settings, &wholeError));
  AnimationCapture taken(settings);
  for (const platform::Picture& f : frames) taken.Add(f);
  EXPECT_FALSE(taken.Save(frames, out.File("taken.gif"), &takenError));
  EXPECT_FALSE(wholeError.empty());
  EXPECT_EQ(takenError, wholeError);
  EXPECT_EQ(out.CountEntries(), 0);

  const std::vector<platform::Picture> good = SomeFrames();
  AnimationCapture spoiled(settings);
  for (const platform::Picture& f : frames) spoiled.Add(f);
  ASSERT_TRUE(spoiled.Save(good, out.File("good.gif"), &takenError)) << takenError;
  ASSERT_TRUE(SaveAnimatedSeries(good, out.File("good-whole.gif"), settings, nullptr));
  EXPECT_EQ(Bytes(out.File("good.gif")), Bytes(out.File("good-whole.gif")));
}

}  // namespace
}  // namespace kestrin
