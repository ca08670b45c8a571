// The mesh editor's logic: the frames a build keeps, the order of play and save, the Mesh<i>.gif
// files decoded by giflib, and the messages that refuse input.
#include "app/editors/mesh/mesh_series.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/tests/app_fixture.h"
#include "giflib/object/vesk_gif_object.h"

namespace kestrin {
namespace {

using Order = std::vector<int32_t>;

// Records what a long operation reports; Yield runs a hook that may look around.
class RecordingProgress : public Progress {
 public:
  void Show() override { calls.push_back("Show"); }
  void SetMax(double v) override { calls.push_back("Max " + std::to_string(int(v))); }
  void SetMin(double v) override { calls.push_back("Min " + std::to_string(int(v))); }
  void SetCaption(const std::string& c) override { calls.push_back("Caption " + c); }
  void SetValue(double v) override { calls.push_back("Value " + std::to_string(int(v))); }
  void Unload() override { calls.push_back("Unload"); }
  bool Yield() override {
    if (onYield) onYield();
    return true;
  }
  std::vector<std::string> calls;
  std::function<void()> onYield;
};

// A picture wider than the library takes.
platform::Picture Refused() {
  QImage wide(32768, 1, QImage::Format_Indexed8);
  wide.setColorTable({qRgb(0, 0, 0)});
  wide.fill(0);
  return std::make_shared<platform::StdPicture>(wide);
}

platform::Picture MeshedDirectly(const platform::Picture& source, int level) {
  pellory::Vesk_GifObject gif;
  EXPECT_TRUE(gif.SetPicture(source));
  return gif.GetMeshPicture(level, pellory::ReturnPicture);
}

class MeshSeriesTest : public testing::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    state_ = MeshState{};
  }
  bool Build(int level, const platform::Picture& picture) {
    MeshSeries series(state_);
    return series.Build(
        level, picture, [this](const platform::Picture& p) { preview_ = p; }, progress_);
  }
  // Each written file equals the frame written directly through the library, index by index.
  void ExpectMeshFile(int level) {
    SCOPED_TRACE("Mesh" + std::to_string(level));
    const std::string reference = ref_.File("ref" + std::to_string(level) + ".gif");
    testing::WriteGif(MeshedDirectly(source_, level), reference);
    const testing::DecodedGif written =
        testing::DecodeGif(out_.File(MeshSeries::FrameFileName(level)));
    const testing::DecodedGif expected = testing::DecodeGif(reference);
    ASSERT_TRUE(written.ok) << written.error;
    ASSERT_TRUE(expected.ok) << expected.error;
    EXPECT_EQ(written.imageWidth, source_->Image().width());
    EXPECT_EQ(written.palette, expected.palette);
    EXPECT_EQ(written.indices, expected.indices);
    EXPECT_EQ(written.transparentIndex, expected.transparentIndex);
  }
  std::vector<std::string> MeshFilesPresent() const {
    std::vector<std::string> names;
    for (int i = 0; i < 8; ++i)
      if (std::filesystem::exists(out_.File(MeshSeries::FrameFileName(i))))
        names.push_back(MeshSeries::FrameFileName(i));
    return names;
  }

  MeshState state_;
  RecordingProgress progress_;
  platform::Picture preview_;
  platform::Picture source_ = testing::Stripes(24, 16);
  testing::TempFolder out_;
  testing::TempFolder ref_;
};

TEST_F(MeshSeriesTest, BuildKeepsOneFramePerLevelBelowTheSliderAndPreviewsTheSliderLevel) {
  ASSERT_TRUE(Build(3, source_));
  EXPECT_EQ(state_.frameCount, 3);
  EXPECT_TRUE(testing::SamePixels(preview_, MeshedDirectly(source_, 3)));
  EXPECT_TRUE(testing::SamePixels(state_.frames[0], source_));
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(testing::SamePixels(state_.frames[i], MeshedDirectly(source_, i))) << i;
  EXPECT_FALSE(testing::SamePixels(state_.frames[1], state_.frames[2]));
  EXPECT_EQ(state_.frames[3], nullptr);
  EXPECT_EQ(progress_.calls,
            (std::vector<std::string>{"Show", "Value 0", "Caption ただいいま処理中", "Value 100",
                                      "Caption 処理が終了しました", "Unload"}));
}

// A large picture's frames are made on two objects, two threads: each is still the picture
// meshed directly at its level.
TEST_F(MeshSeriesTest, ALargePicturesFramesAreThoseOfOneObject) {
  const platform::Picture large = testing::Stripes(1600, 1400, 9);
  ASSERT_TRUE(Build(7, large));
  EXPECT_EQ(state_.frameCount, 7);
  for (int i = 0; i < 7; ++i)
    EXPECT_TRUE(testing::SamePixels(state_.frames[i], MeshedDirectly(large, i))) << i;
  EXPECT_EQ(state_.frames[7], nullptr);
}

TEST_F(MeshSeriesTest, LevelZeroPreviewsTheUnchangedPictureAndLeavesNoSeries) {
  ASSERT_TRUE(Build(3, source_));
  ASSERT_TRUE(Build(0, source_));
  EXPECT_EQ(state_.frameCount, 0);
  EXPECT_TRUE(testing::SamePixels(preview_, source_));
}

TEST_F(MeshSeriesTest, TheLargestLevelFillsEverySlotButTheLast) {
  const platform::Picture small = testing::Stripes(6, 4);
  ASSERT_TRUE(Build(100, small));
  EXPECT_EQ(state_.frameCount, 100);
  for (int i = 0; i < 100; ++i) EXPECT_NE(state_.frames[i], nullptr) << i;
  EXPECT_EQ(state_.frames[100], nullptr);
}

TEST_F(MeshSeriesTest, LevelsOutsideTheTableAreRefusedWithAMessageAndKeepTheSeries) {
  ASSERT_TRUE(Build(2, source_));
  preview_ = nullptr;
  progress_.calls.clear();
  EXPECT_FALSE(Build(101, source_));
  EXPECT_FALSE(Build(-1, source_));
  EXPECT_EQ(testing::Texts(*boxes_),
            (std::vector<std::string>{"メッシュサイズは0から100までにしてください。",
                                      "メッシュサイズは0から100までにしてください。"}));
  EXPECT_EQ(state_.frameCount, 2);
  EXPECT_EQ(preview_, nullptr);
  EXPECT_TRUE(progress_.calls.empty());
}

TEST_F(MeshSeriesTest, APictureTheLibraryRefusesStopsTheBuildSilently) {
  ASSERT_TRUE(Build(2, source_));
  progress_.calls.clear();
  EXPECT_FALSE(Build(5, Refused()));
  EXPECT_EQ(state_.frameCount, 2);
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_TRUE(progress_.calls.empty());
}

TEST_F(MeshSeriesTest, FrameOrderFollowsTheDirection) {
  EXPECT_EQ(MeshSeries::FrameOrder(3, {true, false}), (Order{0, 1, 2}));
  EXPECT_EQ(MeshSeries::FrameOrder(3, {false, true}), (Order{2, 1, 0}));
  EXPECT_EQ(MeshSeries::FrameOrder(3, {false, false}), Order{});
  EXPECT_EQ(MeshSeries::FrameOrder(0, {true, false}), Order{});
  EXPECT_EQ(MeshSeries::FrameOrder(500, {false, true}).front(), kLargestMeshLevel);
  EXPECT_EQ(MeshSeries::FrameOrder(500, {true, false}).size(), static_cast<size_t>(kMeshSlots));
  EXPECT_EQ(MeshSeries::FrameFileName(12), "Mesh12.gif");
}

class MeshPlayTest : public MeshSeriesTest {
 protected:
  // Plays, noting each frame shown as its slot and the yields after it.
  void Play(const MeshOrder& order, const std::function<bool(int)>& yield = nullptr) {
    MeshSeries series(state_);
    series.Play(
        order,
        [this](const platform::Picture& p) {
          for (int i = 0; i < kMeshSlots; ++i)
            if (state_.frames[i] == p) shown_.push_back(i);
          yields_.push_back(0);
        },
        [&] {
          ++yields_.back();
          return yield ? yield(yieldsTotal_++) : true;
        });
  }
  Order shown_;
  std::vector<int> yields_;
  int yieldsTotal_ = 0;
};

TEST_F(MeshPlayTest, FineToCoarseAndCoarseToFineShowEveryFrameWithItsPause) {
  ASSERT_TRUE(Build(3, source_));
  Play({true, false});
  EXPECT_EQ(shown_, (Order{0, 1, 2}));
  EXPECT_EQ(yields_, (std::vector<int>{1, 1, 1}));
  shown_.clear();
  Play({false, true});
  EXPECT_EQ(shown_, (Order{2, 1, 0}));
}

TEST_F(MeshPlayTest, WithoutAnyDirectionItAsksForOneAndWithoutASeriesItDoesNothing) {
  Play({false, false});
  EXPECT_TRUE(boxes_->shown.empty());
  ASSERT_TRUE(Build(2, source_));
  Play({false, false});
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>{"設定を選択してください。"});
}

TEST_F(MeshPlayTest, StopsWhenItsWindowGoes) {
  ASSERT_TRUE(Build(3, source_));
  Play({true, false}, [](int n) { return n < 1; });
  EXPECT_EQ(shown_, (Order{0, 1}));
}

TEST_F(MeshPlayTest, ABuildDuringThePausesShowsItsFramesForTheSlotsStillToCome) {
  ASSERT_TRUE(Build(3, source_));
  const platform::Picture other = testing::Stripes(10, 10, 3);
  std::vector<platform::Picture> pictures;
  MeshSeries series(state_);
  series.Play(
      {true, false}, [&](const platform::Picture& p) { pictures.push_back(p); },
      [&, n = 0]() mutable {
        if (++n == 1) Build(5, other);
        return true;
      });
  ASSERT_EQ(pictures.size(), 3u);  // the bounds stay those of the start
  EXPECT_TRUE(testing::SamePixels(pictures[0], source_));
  EXPECT_TRUE(testing::SamePixels(pictures[1], MeshedDirectly(other, 1)));
  EXPECT_TRUE(testing::SamePixels(pictures[2], MeshedDirectly(other, 2)));
}

class MeshSaveTest : public MeshSeriesTest {
 protected:
  void Save(const MeshOrder& order, const platform::Picture& im2) {
    MeshSeries series(state_);
    series.Save(out_.File("chosen.gif"), order, im2, progress_);
  }
};

TEST_F(MeshSaveTest, WritesOneFilePerFrameNamedByItsLevel) {
  ASSERT_TRUE(Build(3, source_));
  progress_.calls.clear();
  Save({true, false}, preview_);
  EXPECT_EQ(MeshFilesPresent(), (std::vector<std::string>{"Mesh0.gif", "Mesh1.gif", "Mesh2.gif"}));
  EXPECT_FALSE(std::filesystem::exists(out_.File("chosen.gif")));
  for (int i = 0; i < 3; ++i) ExpectMeshFile(i);
  EXPECT_EQ(progress_.calls,
            (std::vector<std::string>{"Show", "Max 3", "Min 0", "Caption ただいま保存中です。",
                                      "Value 0", "Value 1", "Value 2", "Unload"}));
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(MeshSaveTest, CoarseToFineWritesTheSameFilesFromTheLastAndCountsTheFramesWritten) {
  ASSERT_TRUE(Build(3, source_));
  progress_.calls.clear();
  std::vector<std::vector<std::string>> after;
  progress_.onYield = [&] { after.push_back(MeshFilesPresent()); };
  Save({false, true}, preview_);
  EXPECT_EQ(
      after,
      (std::vector<std::vector<std::string>>{
          {"Mesh2.gif"}, {"Mesh1.gif", "Mesh2.gif"}, {"Mesh0.gif", "Mesh1.gif", "Mesh2.gif"}}));
  for (int i = 0; i < 3; ++i) ExpectMeshFile(i);
  EXPECT_EQ(std::vector<std::string>(progress_.calls.begin() + 4, progress_.calls.end() - 1),
            (std::vector<std::string>{"Value 0", "Value 1", "Value 2"}));
}

// An earlier series of 11 frames, Mesh0.gif to Mesh10.gif, 5 pixels wide, and files of other
// names beside it; then a series of 5 frames is built.
class MeshSaveOverEarlierTest : public MeshSaveTest {
 protected:
  void SetUp() override {
    MeshSaveTest::SetUp();
    for (int i = 0; i <= 10; ++i)
      testing::WriteGif(testing::Stripes(5, 5, 3), out_.File(MeshSeries::FrameFileName(i)));
    testing::WriteGif(testing::Stripes(5, 5, 3), out_.File("holiday.gif"));
    for (const char* other : {"mesh7.gif", "Mesh7.gif.bak", "MeshA.gif", "notes.txt"})
      std::ofstream(out_.File(other)) << "keep";
    ASSERT_TRUE(Build(5, source_));
    progress_.calls.clear();
  }
  // Which of Mesh0.gif to Mesh10.gif hold the earlier series (5 wide), the new one (24 wide) or
  // nothing: "e", "n" or "-" per file.
  std::string Series() const {
    std::string kinds;
    for (int i = 0; i <= 10; ++i) {
      const testing::DecodedGif d = testing::DecodeGif(out_.File(MeshSeries::FrameFileName(i)));
      kinds += !d.ok ? '-' : d.imageWidth == 5 ? 'e' : 'n';
    }
    return kinds;
  }
  void ExpectOtherFilesKept() {
    EXPECT_EQ(testing::DecodeGif(out_.File("holiday.gif")).imageWidth, 5);
    for (const char* other : {"mesh7.gif", "Mesh7.gif.bak", "MeshA.gif", "notes.txt"})
      EXPECT_TRUE(std::filesystem::exists(out_.File(other))) << other;
  }
};

TEST_F(MeshSaveOverEarlierTest, AsksFirstAndAnyAnswerButYesOrNoKeepsEveryFile) {
  Save({true, false}, preview_);  // the box is closed without "はい" or "いいえ"
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].style & platform::kMbButtons, platform::kMbYesNoCancel);
  EXPECT_THAT(boxes_->shown[0].text, ::testing::HasSubstr("Mesh5.gif～Mesh10.gif の6個"));
  EXPECT_EQ(Series(), "eeeeeeeeeee");
  EXPECT_TRUE(progress_.calls.empty());
  EXPECT_TRUE(state_.unsaved);
  Reply(platform::kIdCancel);
  Save({true, false}, preview_);
  EXPECT_EQ(Series(), "eeeeeeeeeee");
  ExpectOtherFilesKept();
}

TEST_F(MeshSaveOverEarlierTest, NoReplacesTheSameNamesAndLeavesTheRestOfTheEarlierSeries) {
  Reply(platform::kIdNo);
  Save({true, false}, preview_);
  EXPECT_EQ(Series(), "nnnnneeeeee");
  for (int level = 0; level < 5; ++level) ExpectMeshFile(level);
  EXPECT_FALSE(state_.unsaved);
  ExpectOtherFilesKept();
}

TEST_F(MeshSaveOverEarlierTest, YesRemovesTheRestOfTheEarlierSeriesAndNothingElse) {
  Reply(platform::kIdYes);
  Save({false, true}, preview_);  // coarse to fine writes the same names
  EXPECT_EQ(Series(), "nnnnn------");
  for (int level = 0; level < 5; ++level) ExpectMeshFile(level);
  EXPECT_EQ(boxes_->shown.size(), 1u);
  ExpectOtherFilesKept();
}

TEST_F(MeshSaveTest, FilesOfTheSameNamesAloneAreReplacedOnlyAfterAYes) {
  ASSERT_TRUE(Build(2, source_));
  testing::WriteGif(testing::Stripes(5, 5, 3), out_.File("Mesh1.gif"));
  Reply(platform::kIdNo);
  Save({true, false}, preview_);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].style & platform::kMbButtons, platform::kMbYesNo);
  EXPECT_THAT(boxes_->shown[0].text, ::testing::HasSubstr("Mesh1.gif の1個"));
  EXPECT_EQ(MeshFilesPresent(), std::vector<std::string>{"Mesh1.gif"});
  EXPECT_EQ(testing::DecodeGif(out_.File("Mesh1.gif")).imageWidth, 5);
  Reply(platform::kIdYes);
  Save({true, false}, preview_);
  EXPECT_EQ(boxes_->shown.size(), 2u);
  ExpectMeshFile(0);
  ExpectMeshFile(1);
}

TEST_F(MeshSaveTest, AFreshFolderIsWrittenWithoutAQuestion) {
  ASSERT_TRUE(Build(3, source_));
  EXPECT_TRUE(state_.unsaved);
  Save({true, false}, preview_);
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_FALSE(state_.unsaved);
  EXPECT_EQ(MeshFilesPresent(), (std::vector<std::string>{"Mesh0.gif", "Mesh1.gif", "Mesh2.gif"}));
}

TEST_F(MeshSaveTest, WritesNothingWithoutADirectionASeriesOrAPath) {
  Save({true, false}, source_);  // no series yet
  ASSERT_TRUE(Build(2, source_));
  testing::WriteGif(source_, out_.File("Mesh0.gif"));
  Save({false, false}, preview_);
  MeshSeries(state_).Save("", {true, false}, preview_, progress_);
  EXPECT_EQ(MeshFilesPresent(), std::vector<std::string>{"Mesh0.gif"});
  EXPECT_EQ(testing::DecodeGif(out_.File("Mesh0.gif")).imageWidth, 24);
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(MeshSaveTest, APreviewTheLibraryRefusesEndsTheSaveBeforeAnyFile) {
  ASSERT_TRUE(Build(2, source_));
  progress_.calls.clear();
  Save({true, false}, Refused());
  EXPECT_EQ(out_.CountEntries(), 0);
  EXPECT_EQ(progress_.calls.back(), "Unload");
}

TEST_F(MeshSaveTest, ALibraryErrorShowsItsTextOnceAndEndsTheSave) {
  ASSERT_TRUE(Build(3, source_));
  MeshSeries series(state_);
  series.Save(out_.File("missing/chosen.gif"), {true, false}, preview_, progress_);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_FALSE(boxes_->shown[0].text.empty());
  EXPECT_EQ(progress_.calls.back(), "Unload");
  EXPECT_EQ(std::count(progress_.calls.begin(), progress_.calls.end(), "Value 1"), 0);
}

}  // namespace
}  // namespace kestrin
