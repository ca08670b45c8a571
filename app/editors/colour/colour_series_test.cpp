// The colour-change editor's logic: the frame lists of both modes, the pause, the input checks,
// the save and the preview.
#include "app/editors/colour/colour_series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/editors/colour/tests/frame_files.h"
#include "app/message.h"
#include "app/tests/app_fixture.h"
#include "app/vb_text.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/kernel/err.h"

namespace kestrin {

namespace {

using Shifts = std::vector<ColourShift>;

// Records the progress window's protocol; Yield answers true until `stopAfter` yields.
class RecordingProgress : public Progress {
 public:
  void Show() override { calls.push_back("Show"); }
  void SetMax(double v) override { calls.push_back("Max " + FormatNumber(v)); }
  void SetMin(double v) override { calls.push_back("Min " + FormatNumber(v)); }
  void SetCaption(const std::string& c) override { calls.push_back("Caption " + c); }
  void SetValue(double v) override { calls.push_back("Value " + FormatNumber(v)); }
  void Unload() override { calls.push_back("Unload"); }
  bool Yield() override { return ++yields < stopAfter; }
  std::vector<std::string> calls;
  int yields = 0;
  int stopAfter = 1 << 30;
};

class ColourSeriesTest : public testing::AppTest {
 protected:
  ColourSettings Stepwise(int r, int g, int b, const std::string& increment) {
    ColourSettings s;
    s.red = r, s.green = g, s.blue = b;
    s.stepwise = true;
    s.incrementText = increment;
    return s;
  }
  ColourSettings Simultaneous(int r, int g, int b, const std::string& direction,
                              const std::string& increment) {
    ColourSettings s = Stepwise(r, g, b, increment);
    s.stepwise = false;
    s.simultaneous = true;
    s.direction = direction;
    return s;
  }
  // Builds from `settings_`, which the test may change while the series plays (onYield runs
  // before every yield is answered).
  bool Build(const ColourSettings& s, const platform::Picture& source = testing::ColourSource()) {
    settings_ = s;
    shown_.clear();
    return series_.Build([this] { return settings_; }, source,
                         [this](const platform::Picture& p) { shown_.push_back(p); },
                         [this] {
                           ++yields_;
                           if (onYield) onYield();
                           return yields_ < stopAfterYields_;
                         });
  }
  Shifts Frames(const ColourSettings& s) {
    EXPECT_TRUE(Build(s));
    EXPECT_TRUE(boxes_->shown.empty()) << boxes_->shown.front().text;
    return series_.Shifts();
  }
  // Every stored frame is the source shifted through the library directly.
  void ExpectStoredFramesMatchShifts(const platform::Picture& source) {
    ASSERT_EQ(state_.frameCount, static_cast<int32_t>(series_.Shifts().size()));
    for (int32_t i = 0; i < state_.frameCount; ++i)
      EXPECT_TRUE(testing::SamePixels(state_.frames[i],
                                      testing::ShiftedDirectly(source, series_.Shifts()[i])))
          << "frame " << i;
  }

  ColourState state_;
  ColourSeries series_{state_};
  ColourSettings settings_;
  std::vector<platform::Picture> shown_;
  int yields_ = 0;
  int stopAfterYields_ = 1 << 30;
  std::function<void()> onYield;
};

// --- The stepwise mode ---------------------------------------------------------------------

TEST_F(ColourSeriesTest, StepwiseWithSlidersAtZeroGivesOneFramePerChannel) {
  EXPECT_EQ(Frames(Stepwise(0, 0, 0, "10")), (Shifts{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}));
  ExpectStoredFramesMatchShifts(testing::ColourSource());
}

TEST_F(ColourSeriesTest, FramesHoldTheirIndicesOnceAndTheirOwnColours) {
  ASSERT_TRUE(Build(Stepwise(40, -40, 40, "20")));
  ASSERT_GT(state_.frameCount, 2);
  ExpectStoredFramesMatchShifts(testing::ColourSource());
  for (int32_t i = 1; i < state_.frameCount; ++i) {
    EXPECT_EQ(state_.frames[i]->Image().constBits(), state_.frames[0]->Image().constBits());
    EXPECT_NE(std::find(shown_.begin(), shown_.end(), state_.frames[i]), shown_.end())
        << "the preview shows the frame that is kept";
  }
  EXPECT_NE(state_.frames[1]->Image().colorTable(), state_.frames[2]->Image().colorTable());
}

TEST_F(ColourSeriesTest, StepwiseRedRunsPastItsSliderAndLaterPhasesKeepWhereItStopped) {
  EXPECT_EQ(Frames(Stepwise(30, 0, 0, "10")),
            (Shifts{{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}, {40, 0, 0}, {40, 10, 0}}));
  ExpectStoredFramesMatchShifts(testing::ColourSource());
}

TEST_F(ColourSeriesTest, StepwiseNegativeSliderCountsDown) {
  EXPECT_EQ(Frames(Stepwise(-20, 0, 0, "10")),
            (Shifts{{0, 0, 0}, {-10, 0, 0}, {-20, 0, 0}, {-30, 0, 0}, {-30, 10, 0}}));
}

TEST_F(ColourSeriesTest, StepwiseNegativeIncrementGivesFramesOnlyForChannelsAtZero) {
  EXPECT_EQ(Frames(Stepwise(0, 50, 0, "-10")), (Shifts{{0, 0, 0}, {-10, 0, 0}}));
  EXPECT_EQ(Frames(Stepwise(30, -20, 64, "-10")), Shifts{});
  EXPECT_EQ(state_.frameCount, 0);
}

TEST_F(ColourSeriesTest, StepwiseCountsWithAFractionalIncrementAndRoundsHalvesToEven) {
  EXPECT_EQ(Frames(Stepwise(2, 0, 0, "0.5")),
            (Shifts{{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 0, 0}, {2, 0, 0}, {2, 0, 0}}));
}

TEST_F(ColourSeriesTest, StepwiseFrameCountIsTheSumOverTheChannels) {
  Build(Stepwise(128, -128, 5, "3"));  // 43 + 43 + 2
  EXPECT_EQ(state_.frameCount, 88);
  EXPECT_EQ(yields_, 88);  // one pause per frame
}

TEST_F(ColourSeriesTest, StepwiseReadsEachSliderWhenItsPhaseStarts) {
  onYield = [this] { settings_.green = 20; };
  EXPECT_EQ(Frames(Stepwise(0, 0, 0, "10")),
            (Shifts{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {10, 20, 0}, {10, 30, 0}}));
}

// --- The simultaneous mode -----------------------------------------------------------------

TEST_F(ColourSeriesTest, DarkToBrightMovesEveryChannelUntilThePositionPassesItsSlider) {
  EXPECT_EQ(Frames(Simultaneous(0, 64, -128, "暗から明", "64")),
            (Shifts{{-64, -64, -64}, {0, 0, -64}, {64, 64, -64}, {64, 128, -64}, {64, 128, -64}}));
  ExpectStoredFramesMatchShifts(testing::ColourSource());
}

TEST_F(ColourSeriesTest, BrightToDarkMovesEveryChannelWhileThePositionIsAtOrAboveItsSlider) {
  EXPECT_EQ(Frames(Simultaneous(0, 0, 0, "明から暗", "64")),
            (Shifts{{64, 64, 64}, {0, 0, 0}, {-64, -64, -64}, {-64, -64, -64}, {-64, -64, -64}}));
  ExpectStoredFramesMatchShifts(testing::ColourSource());
}

TEST_F(ColourSeriesTest, SimultaneousRoundsTheIncrementHalvesToEvenInBothDirections) {
  const Shifts dark = Frames(Simultaneous(10, 20, 30, "暗から明", "64"));
  EXPECT_EQ(Frames(Simultaneous(10, 20, 30, "暗から明", "63.5")), dark);
  EXPECT_EQ(Frames(Simultaneous(10, 20, 30, "暗から明", "64.5")), dark);
  const Shifts bright = Frames(Simultaneous(10, 20, 30, "明から暗", "64"));
  EXPECT_EQ(Frames(Simultaneous(10, 20, 30, "明から暗", "63.5")), bright);
  EXPECT_EQ(Frames(Simultaneous(10, 20, 30, "明から暗", "64.5")), bright);
}

TEST_F(ColourSeriesTest, SimultaneousFrameCountDependsOnTheIncrementAlone) {
  for (const auto& [increment, frames] :
       std::vector<std::pair<std::string, int>>{{"100", 3}, {"3", 86}, {"300", 1}}) {
    Build(Simultaneous(-128, 7, 128, "暗から明", increment));
    EXPECT_EQ(state_.frameCount, frames) << increment;
    Build(Simultaneous(128, -7, -128, "明から暗", increment));
    EXPECT_EQ(state_.frameCount, frames) << increment;
  }
}

TEST_F(ColourSeriesTest, SimultaneousAgainstItsDirectionBuildsNothing) {
  state_.frameCount = 5;
  EXPECT_EQ(Frames(Simultaneous(0, 0, 0, "暗から明", "-64")), Shifts{});
  EXPECT_EQ(Frames(Simultaneous(0, 0, 0, "明から暗", "-64")), Shifts{});
  EXPECT_EQ(state_.frameCount, 0);
}

TEST_F(ColourSeriesTest, OtherDirectionTextStartsBrightButComparesAsDarkToBright) {
  // Any text but "暗から明" starts from the bright end; any but "明から暗" compares the other way.
  EXPECT_EQ(Frames(Simultaneous(0, 0, 0, "暗", "128")),
            (Shifts{{128, 128, 128}, {0, 0, 0}, {-128, -128, -128}}));
}

TEST_F(ColourSeriesTest, SimultaneousReadsDirectionAndSlidersAgainInEachPass) {
  onYield = [this] { settings_.direction = "明から暗"; };
  EXPECT_EQ(Frames(Simultaneous(0, 0, 0, "暗から明", "128")),
            (Shifts{{0, 0, 0}, {128, 128, 128}, {256, 256, 256}}));
  onYield = [this] { settings_.red = -128; };
  EXPECT_EQ(
      Frames(Simultaneous(128, 128, 128, "暗から明", "64")),
      (Shifts{{-64, -64, -64}, {-64, 0, 0}, {-64, 64, 64}, {-64, 128, 128}, {-64, 192, 192}}));
}

TEST_F(ColourSeriesTest, StepwiseNeverLooksAtTheDirection) {
  ColourSettings s = Stepwise(0, 0, 0, "10");
  s.direction = "";
  EXPECT_EQ(Frames(s).size(), 3u);
}

// --- Showing the series and the pause ------------------------------------------------------

TEST_F(ColourSeriesTest, ShowsTheUneditedPictureThenEachFrameFollowedByOnePause) {
  const platform::Picture source = testing::ColourSource();
  std::vector<int> yieldsWhenShown;
  settings_ = Stepwise(0, 0, 0, "10");
  series_.Build([this] { return settings_; }, source,
                [&](const platform::Picture& p) {
                  shown_.push_back(p);
                  yieldsWhenShown.push_back(yields_);
                },
                [this] { return ++yields_ > 0; });
  ASSERT_EQ(shown_.size(), 4u);
  EXPECT_EQ(shown_[0], source);
  EXPECT_EQ(yieldsWhenShown, (std::vector<int>{0, 0, 1, 2}));
  EXPECT_EQ(yields_, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(shown_[i + 1], state_.frames[i]);
}

TEST_F(ColourSeriesTest, BuildStopsWhenTheWindowIsUnloadedDuringThePause) {
  stopAfterYields_ = 1;
  Build(Stepwise(0, 0, 0, "10"));
  EXPECT_EQ(yields_, 1);
  EXPECT_EQ(state_.frameCount, 1);
  EXPECT_EQ(shown_.size(), 2u);
}

TEST_F(ColourSeriesTest, EachBuildStartsCountingFromZeroAndLeavesLaterSlotsAlone) {
  Build(Stepwise(30, 0, 0, "10"));
  const platform::Picture sixth = state_.frames[5];
  Build(Stepwise(0, 0, 0, "10"));
  EXPECT_EQ(state_.frameCount, 3);
  EXPECT_EQ(state_.frames[5], sixth);
}

// --- Input checks --------------------------------------------------------------------------

TEST_F(ColourSeriesTest, InputMessagesComeInOrderOneAtATimeAndNothingIsDone) {
  state_.frameCount = 4;
  ColourSettings s;  // no option, no increment, no direction
  EXPECT_FALSE(Build(s));
  s.simultaneous = true;
  EXPECT_FALSE(Build(s));
  s.incrementText = "abc";
  EXPECT_FALSE(Build(s));
  s.incrementText = "3e10";  // beyond 32 bits
  EXPECT_FALSE(Build(s));
  EXPECT_EQ(testing::Texts(*boxes_),
            (std::vector<std::string>{"オプションを選択してください。", "増数を入力してください。",
                                      "増数を入力してください。", "増数を入力してください。"}));
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(yields_, 0);
  EXPECT_EQ(state_.frameCount, 4);
}

TEST_F(ColourSeriesTest, MissingDirectionIsReportedAfterTheUneditedPictureIsShown) {
  state_.frameCount = 4;
  const platform::Picture source = testing::ColourSource();
  EXPECT_FALSE(Build(Simultaneous(0, 0, 0, "", "10"), source));
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>{"明と暗の設定をしてください。"});
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0], source);
  EXPECT_EQ(state_.frameCount, 4);
}

TEST_F(ColourSeriesTest, APictureTheLibraryRefusesIsReportedBeforeTheDirection) {
  QImage wide(32768, 1, QImage::Format_Indexed8);
  wide.setColorTable({qRgb(0, 0, 0)});
  wide.fill(0);
  const auto picture = std::make_shared<platform::StdPicture>(wide);
  EXPECT_FALSE(Build(Simultaneous(0, 0, 0, "", "10"), picture));
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>{"イメージオプジェクトエラー"});
  EXPECT_EQ(yields_, 0);
}

// --- Input that would never end, overflow or outgrow the table -----------------------------

TEST_F(ColourSeriesTest, AZeroIncrementIsRefused) {
  for (const ColourSettings& s :
       {Stepwise(0, 0, 0, "0"), Stepwise(10, 0, 0, "-0"), Simultaneous(0, 0, 0, "暗から明", "0"),
        Simultaneous(0, 0, 0, "明から暗", "0"), Simultaneous(0, 0, 0, "暗から明", "0.4"),
        Simultaneous(0, 0, 0, "明から暗", "-0.5")})
    EXPECT_FALSE(Build(s)) << s.incrementText;
  EXPECT_EQ(testing::Texts(*boxes_),
            std::vector<std::string>(6, "増数には0以外の数を入力してください。"));
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(yields_, 0);
}

TEST_F(ColourSeriesTest, AFractionalStepwiseIncrementIsNotZero) {
  EXPECT_EQ(Frames(Stepwise(0, 0, 0, "0.4")), (Shifts{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}));
}

TEST_F(ColourSeriesTest, AnIncrementBeyond16BitsIsRefusedInBothModes) {
  for (const ColourSettings& s :
       {Simultaneous(0, 0, 0, "暗から明", "32768"), Simultaneous(0, 0, 0, "明から暗", "-40000"),
        Simultaneous(0, 0, 0, "暗から明", "32767.5"), Stepwise(0, 0, 0, "32768"),
        Stepwise(-5, 0, 0, "-100000")})
    EXPECT_FALSE(Build(s)) << s.incrementText;
  EXPECT_EQ(testing::Texts(*boxes_),
            std::vector<std::string>(5, "増数には-32767から32767までの数を入力してください。"));
  EXPECT_EQ(yields_, 0);
}

// Shifts this large take every channel to 0 or 255; the library refuses sums beyond 16 bits,
// which only the frames themselves can tell.
TEST_F(ColourSeriesTest, TheLargestIncrementIsAccepted) {
  EXPECT_EQ(Frames(Simultaneous(0, 0, 0, "暗から明", "32767")), (Shifts{{32639, 32639, 32639}}));
  EXPECT_EQ(Frames(Stepwise(0, 0, -1, "32767")),
            (Shifts{{0, 0, 0}, {32767, 0, 0}, {32767, 32767, 0}}));
  EXPECT_EQ(Frames(Stepwise(0, 0, 0, "-32767.4")),
            (Shifts{{0, 0, 0}, {-32767, 0, 0}, {-32767, -32767, 0}}));
  ExpectStoredFramesMatchShifts(testing::ColourSource());
}

TEST_F(ColourSeriesTest, AStepwiseSeriesBeyondTheTableIsRefused) {
  // 257 + 257 + 249 frames fit into the 764 slots; 257 + 257 + 251 do not.
  EXPECT_EQ(ColourSeries::CheckInput(Stepwise(128, -128, 124, "0.5")), "");
  EXPECT_EQ(ColourSeries::CheckInput(Stepwise(128, -128, 125, "0.5")),
            "連続イメージが764枚を超えます。増数を大きくしてください。");
  state_.frameCount = 2;
  EXPECT_FALSE(Build(Stepwise(128, 128, 128, "0.5")));
  EXPECT_EQ(testing::Texts(*boxes_),
            std::vector<std::string>{"連続イメージが764枚を超えます。増数を大きくしてください。"});
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(state_.frameCount, 2);
}

TEST_F(ColourSeriesTest, SlidersMovedDuringAStepwiseBuildCannotOverfillTheTable) {
  onYield = [this] { settings_.blue = 128; };
  Build(Stepwise(128, 128, 124, "0.5"), testing::Stripes(2, 2, 2));
  EXPECT_EQ(state_.frameCount, kColourSlots);
  EXPECT_EQ(series_.Shifts().size(), static_cast<size_t>(kColourSlots));
  EXPECT_EQ(series_.Shifts().back(), (ColourShift{128, 128, 124}));
}

// --- Saving --------------------------------------------------------------------------------

TEST_F(ColourSeriesTest, SaveWritesOneColourFileInBuildOrderBesideTheChosenName) {
  const platform::Picture source = testing::ColourSource();
  Build(Simultaneous(0, 64, -128, "暗から明", "64"), source);
  RecordingProgress progress;
  series_.Save(temp_.File("chosen.gif"), source, progress);
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_FALSE(std::filesystem::exists(temp_.File("chosen.gif")));
  EXPECT_EQ(temp_.CountEntries(), 5);
  const testing::TempFolder scratch;
  for (int i = 0; i < 5; ++i)
    testing::ExpectFrameFile(temp_.File("Color" + std::to_string(i) + ".gif"), source,
                             series_.Shifts()[i], scratch.File("reference.gif"));
  EXPECT_EQ(progress.calls, (std::vector<std::string>{
                                "Show", "Max 5", "Min 0", "Caption ただいま保存中です。", "Value 0",
                                "Value 1", "Value 2", "Value 3", "Value 4", "Unload"}));
}

TEST_F(ColourSeriesTest, SaveTakesTheFolderBeforeTheLastBackslashToo) {
  Build(Stepwise(0, 0, 0, "10"));
  RecordingProgress progress;
  series_.Save(temp_.path() + "\\name.txt", testing::ColourSource(), progress);
  EXPECT_EQ(temp_.CountEntries(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(testing::DecodeGif(temp_.File("Color" + std::to_string(i) + ".gif")).ok);
}

TEST_F(ColourSeriesTest, SaveToldToReplaceOnlyWritesOverFilesOfTheSeriesNames) {
  auto write = [this](const std::string& name) { std::ofstream(temp_.File(name)) << "keep"; };
  for (const char* name : {"Color0.gif", "Color2.gif", "color1.gif", "Color1.gif.bak", "R0.gif"})
    write(name);
  auto content = [this](const std::string& name) {
    std::ifstream in(temp_.File(name));
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  Build(Stepwise(0, 50, 0, "-10"));  // two frames
  RecordingProgress progress;
  Reply(platform::kIdNo);  // replace the names written, keep the rest of the earlier series
  series_.Save(temp_.File("x.gif"), testing::ColourSource(), progress);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_NE(boxes_->shown[0].text.find("Color2.gif"), std::string::npos);
  EXPECT_TRUE(testing::DecodeGif(temp_.File("Color0.gif")).ok);
  EXPECT_TRUE(testing::DecodeGif(temp_.File("Color1.gif")).ok);
  for (const char* name : {"Color2.gif", "color1.gif", "Color1.gif.bak", "R0.gif"})
    EXPECT_EQ(content(name), "keep") << name;
}

TEST_F(ColourSeriesTest, SaveBeforeAnyBuildWritesNothingAndClosesTheProgressWindow) {
  RecordingProgress progress;
  series_.Save(temp_.File("x.gif"), testing::ColourSource(), progress);
  EXPECT_EQ(temp_.CountEntries(), 0);
  EXPECT_EQ(progress.calls, (std::vector<std::string>{"Show", "Max 0", "Min 0",
                                                      "Caption ただいま保存中です。", "Unload"}));
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(ColourSeriesTest, SaveWithoutAPathDoesNothing) {
  Build(Stepwise(0, 0, 0, "10"));
  RecordingProgress progress;
  series_.Save("", testing::ColourSource(), progress);
  EXPECT_TRUE(progress.calls.empty());
}

TEST_F(ColourSeriesTest, SaveStopsQuietlyWhenTheEditedPictureIsRefused) {
  Build(Stepwise(0, 0, 0, "10"));
  QImage wide(32768, 1, QImage::Format_Indexed8);
  wide.setColorTable({qRgb(0, 0, 0)});
  wide.fill(0);
  RecordingProgress progress;
  series_.Save(temp_.File("x.gif"), std::make_shared<platform::StdPicture>(wide), progress);
  EXPECT_EQ(temp_.CountEntries(), 0);
  EXPECT_EQ(progress.calls.back(), "Unload");
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(ColourSeriesTest, SaveShowsTheLibraryMessageOnceAndEndsAfterTheFailingFrame) {
  Build(Stepwise(0, 0, 0, "10"));
  const std::string missing = temp_.File("missing/x.gif");
  pellory::Vesk_GifObject direct;
  ASSERT_TRUE(direct.SetPicture(state_.frames[0]));
  ASSERT_FALSE(direct.SaveGifPicture(temp_.File("missing/Color0.gif")));
  RecordingProgress progress;
  series_.Save(missing, testing::ColourSource(), progress);
  EXPECT_EQ(testing::Texts(*boxes_),
            std::vector<std::string>{AboutFile(direct.GetErrorMsg(direct.ErrorNumber()),
                                               temp_.File("missing/Color0.gif"))});
  EXPECT_EQ(progress.calls.back(), "Unload");
  EXPECT_EQ(std::count(progress.calls.begin(), progress.calls.end(), "Value 0"), 1);
  EXPECT_EQ(std::count(progress.calls.begin(), progress.calls.end(), "Value 1"), 0);
}

TEST_F(ColourSeriesTest, SaveStopsWhenTheWindowIsUnloaded) {
  Build(Stepwise(0, 0, 0, "10"));
  RecordingProgress progress;
  progress.stopAfter = 1;
  series_.Save(temp_.File("x.gif"), testing::ColourSource(), progress);
  EXPECT_EQ(temp_.CountEntries(), 1);
  EXPECT_EQ(progress.calls.back(), "Unload");
}

// --- The preview ---------------------------------------------------------------------------

TEST_F(ColourSeriesTest, PreviewShowsTheUneditedPictureShiftedAndYieldsOnce) {
  const platform::Picture source = testing::ColourSource();
  platform::Picture shown;
  int yields = 0;
  ColourSeries::UpdateColourPreview(
      source, 100, -128, 17, [&](const platform::Picture& p) { shown = p; },
      [&] { return ++yields > 0; });
  EXPECT_TRUE(testing::SamePixels(shown, testing::ShiftedDirectly(source, {100, -128, 17})));
  EXPECT_EQ(yields, 1);
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(ColourSeriesTest, PreviewWithoutAPictureShowsTheLibraryMessage) {
  pellory::Vesk_GifObject direct;
  direct.GetRGBPicture(0, 0, 0, pellory::ReturnPicture);
  ASSERT_GT(direct.ErrorNumber(), 0);
  platform::Picture shown = testing::ColourSource();
  ColourSeries::UpdateColourPreview(
      nullptr, 5, 5, 5, [&](const platform::Picture& p) { shown = p; }, [] { return true; });
  EXPECT_EQ(shown, nullptr);
  EXPECT_EQ(testing::Texts(*boxes_),
            std::vector<std::string>{direct.GetErrorMsg(direct.ErrorNumber())});
}

TEST_F(ColourSeriesTest, PreviewShowsTheDescriptionOfAnyError) {
  ColourSeries::UpdateColourPreview(
      testing::ColourSource(), 0, 0, 0,
      [](const platform::Picture&) { throw platform::RuntimeError(platform::kErrInvalidPicture); },
      [] { return true; });
  EXPECT_EQ(testing::Texts(*boxes_),
            std::vector<std::string>{platform::DescribeErr(platform::kErrInvalidPicture)});
}

}  // namespace
}  // namespace kestrin
