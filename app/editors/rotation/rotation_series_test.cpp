#include "app/editors/rotation/rotation_series.h"

#include <gtest/gtest.h>

#include "app/tests/app_fixture.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/tests/pictures.h"

namespace kestrin {
namespace {

using testing::AppTest;

// The frame that the editor must make for an angle, through the library directly.
platform::Picture DirectFrame(const platform::Picture& picture, float angle,
                              float* incLeft = nullptr) {
  pellory::Vesk_GifObject gif;
  gif.SetPicture(picture);
  gif.GetStretchPicture(3.0f, pellory::Continue);
  gif.GetRotatePictureEX(angle, pellory::Continue);
  platform::Picture frame =
      gif.GetStretchPicture(static_cast<float>(1.0 / 3.0), pellory::ReturnPicture);
  if (incLeft) *incLeft = gif.IncLeft();
  return frame;
}

// Records the progress protocol.
class RecordedProgress : public Progress {
 public:
  void Show() override { log.push_back("show"); }
  void SetMax(double v) override { max = v; }
  void SetMin(double) override {}
  void SetCaption(const std::string& c) override { caption = c; }
  void SetValue(double v) override { values.push_back(v); }
  void Unload() override { log.push_back("unload"); }
  bool Yield() override { return ++yields < stopAfter; }
  std::vector<std::string> log;
  std::vector<double> values;
  std::string caption;
  double max = 0;
  int yields = 0;
  int stopAfter = 1 << 30;
};

class RotationSeriesTest : public AppTest {
 protected:
  RotationSettings Settings(const char* angle, const char* inc, bool cw = true) {
    return {angle, inc, cw, !cw};
  }
  bool Build(const RotationSettings& s, double im3Left = 0, double im3Top = 0) {
    return series_.Build(s, picture_, im3Left, im3Top, progress_,
                         [this](const platform::Picture& f) { shown_.push_back(f); });
  }
  RotationState state_;
  RotationSeries series_{state_};
  RecordedProgress progress_;
  platform::Picture picture_ = testing::Stripes(24, 16);
  std::vector<platform::Picture> shown_;
};

TEST_F(RotationSeriesTest, InputIsCheckedInOrderBeforeAnyWork) {
  EXPECT_EQ(RotationSeries::CheckInput({"", "", false, false}), "角度を入力してください。");
  EXPECT_EQ(RotationSeries::CheckInput({"abc", "10", true, false}), "角度を入力してください。");
  EXPECT_EQ(RotationSeries::CheckInput({"360", " ", false, false}), "増数を入力してください。");
  EXPECT_EQ(RotationSeries::CheckInput({"360", "10", false, false}), "方向を選択してください。");
  // Refused before they could loop for ever or write past the 361 slots.
  EXPECT_EQ(RotationSeries::CheckInput(Settings("360", "0")),
            "増数には0以外の数を入力してください。");
  EXPECT_EQ(RotationSeries::CheckInput(Settings("362", "10")), "角度は361以下で入力してください。");
  EXPECT_EQ(RotationSeries::CheckInput(Settings("-30", "-10")), "角度は0以上で入力してください。");
  EXPECT_EQ(RotationSeries::CheckInput(Settings("361", "10")), "");
  EXPECT_EQ(RotationSeries::CheckInput(Settings("0", "-10")), "");

  EXPECT_FALSE(Build({"360", "10", false, false}));
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>{"方向を選択してください。"});
  EXPECT_TRUE(progress_.log.empty());
  EXPECT_EQ(state_.seriesBuilt, 0);
}

TEST_F(RotationSeriesTest, ClockwiseSeriesHasOneFrameEveryIncrementAsTheLibraryMakesIt) {
  ASSERT_TRUE(Build(Settings("360", "10"), 300, 450));
  EXPECT_EQ(state_.seriesBuilt, 1);
  EXPECT_EQ(shown_.size(), 36u);
  EXPECT_EQ(progress_.caption, "ただくいまイメージ作成中です。");
  EXPECT_EQ(progress_.max, 359);
  EXPECT_EQ(progress_.values.back(), 350);
  EXPECT_EQ(progress_.log, (std::vector<std::string>{"show", "unload"}));
  for (int a : {0, 10, 90, 350}) {
    float incLeft = 0;
    EXPECT_TRUE(testing::SamePixels(state_.frames[a], DirectFrame(picture_, a, &incLeft))) << a;
    EXPECT_EQ(state_.leftOffsets[a], incLeft * 15) << a;
  }
  EXPECT_EQ(state_.previewOriginLeft, 300);
  EXPECT_EQ(state_.previewOriginTop, 450);
}

TEST_F(RotationSeriesTest, CounterClockwiseFramesTurnBy360LessTheStep) {
  ASSERT_TRUE(Build(Settings("360", "90", false)));
  EXPECT_EQ(shown_.size(), 4u);
  EXPECT_TRUE(testing::SamePixels(state_.frames[0], DirectFrame(picture_, 360)));
  EXPECT_TRUE(testing::SamePixels(state_.frames[90], DirectFrame(picture_, 270)));
}

TEST_F(RotationSeriesTest, EdgeAnglesAndIncrements) {
  ASSERT_TRUE(Build(Settings("0", "10")));  // the loop runs from 0 to -1
  EXPECT_TRUE(shown_.empty());
  EXPECT_EQ(state_.seriesBuilt, 1);
  series_.Cancel();
  ASSERT_TRUE(Build(Settings("90", "-10")));  // a negative step with a positive angle
  EXPECT_TRUE(shown_.empty());
}

TEST_F(RotationSeriesTest, AHeldSeriesIsKeptUntilCancelAndOnlyThePreviewOriginMoves) {
  ASSERT_TRUE(Build(Settings("20", "10")));
  const platform::Picture first = state_.frames[10];
  ASSERT_TRUE(Build(Settings("20", "10", false), 75, 90));
  EXPECT_EQ(state_.frames[10], first);
  EXPECT_EQ(state_.seriesBuilt, 1);
  EXPECT_EQ(state_.previewOriginLeft, 75);
  series_.Cancel();
  ASSERT_TRUE(Build(Settings("20", "10", false)));
  EXPECT_NE(state_.frames[10], first);
}

TEST_F(RotationSeriesTest, AnUnloadedWindowStopsTheBuildWithoutASeries) {
  progress_.stopAfter = 2;
  ASSERT_TRUE(Build(Settings("360", "10")));
  EXPECT_EQ(shown_.size(), 2u);
  EXPECT_EQ(state_.seriesBuilt, 0);
}

TEST_F(RotationSeriesTest, SavedFramesAreNamedByDirectionAndStepAndDecodeAsBuilt) {
  ASSERT_TRUE(Build(Settings("360", "120")));
  testing::TempFolder out;
  const std::string stale = out.File("R120.gif");
  testing::WriteGif(testing::Stripes(4, 4), stale);                 // replaced by the save
  testing::WriteGif(testing::Stripes(4, 4), out.File("mine.gif"));  // left alone
  Reply(platform::kIdYes);
  series_.Save(out.File("chosen.gif"), Settings("360", "120"), picture_, progress_);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_NE(boxes_->shown[0].text.find("R120.gif の1個"), std::string::npos);
  EXPECT_EQ(progress_.caption, "ただいま保存中です。");
  for (int k : {0, 120, 240}) {
    const auto d = testing::DecodeGif(out.File("R" + std::to_string(k) + ".gif"));
    ASSERT_TRUE(d.ok) << k << d.error;
    EXPECT_EQ(d.imageWidth, state_.frames[k]->Image().width());
    pellory::Vesk_GifObject gif;
    gif.SetPicture(state_.frames[k]);
    EXPECT_EQ(d.indices, gif.CurrentPictureData().BitmapData) << k;
    EXPECT_EQ(d.palette.size() >= gif.CurrentPictureData().ColorTable.size(), true);
  }
  EXPECT_EQ(out.CountEntries(), 4);  // R0, R120, R240 and mine.gif
  // The direction at save time decides the names: L<j> in build order.
  series_.Save(out.File("chosen.gif"), Settings("360", "120", false), picture_, progress_);
  EXPECT_TRUE(testing::DecodeGif(out.File("L240.gif")).ok);
  EXPECT_EQ(out.CountEntries(), 7);
  EXPECT_EQ(boxes_->shown.size(), 1u);  // no L files were there to ask about
}

TEST_F(RotationSeriesTest, AnEarlierSeriesOfTheSameDirectionIsRemovedWhenTheUserSaysSo) {
  testing::TempFolder out;
  for (int k = 0; k < 360; k += 30)
    testing::WriteGif(testing::Stripes(4, 4), out.File("R" + std::to_string(k) + ".gif"));
  testing::WriteGif(testing::Stripes(4, 4), out.File("L0.gif"));  // the other direction
  testing::WriteGif(testing::Stripes(4, 4), out.File("R1.gif.gif"));
  ASSERT_TRUE(Build(Settings("360", "120")));
  EXPECT_EQ(series_.FileNames(Settings("360", "120")),
            (std::vector<std::string>{"R0.gif", "R120.gif", "R240.gif"}));
  EXPECT_TRUE(state_.unsaved);
  Reply(platform::kIdYes);
  series_.Save(out.File("chosen.gif"), Settings("360", "120"), picture_, progress_);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_NE(boxes_->shown[0].text.find("R30.gif～R330.gif の9個"), std::string::npos);
  for (int k = 0; k < 360; k += 30) {
    const auto d = testing::DecodeGif(out.File("R" + std::to_string(k) + ".gif"));
    EXPECT_EQ(d.ok, k % 120 == 0) << k;
    if (d.ok) {
      EXPECT_EQ(d.imageWidth, state_.frames[k]->Image().width()) << k;
    }
  }
  EXPECT_TRUE(testing::DecodeGif(out.File("L0.gif")).ok);
  EXPECT_TRUE(testing::DecodeGif(out.File("R1.gif.gif")).ok);
  EXPECT_FALSE(state_.unsaved);
}

TEST_F(RotationSeriesTest, NothingIsWrittenWithoutASeriesOrAGifNameInAnyCase) {
  testing::TempFolder out;
  series_.Save(out.File("x.gif"), Settings("360", "10"), picture_, progress_);
  ASSERT_TRUE(Build(Settings("30", "10")));
  series_.Save(out.File("x.png"), Settings("30", "10"), picture_, progress_);
  EXPECT_EQ(out.CountEntries(), 0);
  EXPECT_EQ(progress_.log.back(), "unload");
  series_.Save(out.File("X.GIF"), Settings("30", "10"), picture_, progress_);
  EXPECT_EQ(out.CountEntries(), 3);
  // The folder ends at the last "\" as well as at the last "/".
  testing::TempFolder other;
  series_.Save(other.path() + "\\x.gif", Settings("30", "10"), picture_, progress_);
  EXPECT_EQ(other.CountEntries(), 3);
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(RotationSeriesTest, PreviewWalksTheFramesAroundTheOriginThenRewinds) {
  ASSERT_TRUE(Build(Settings("30", "10"), 600, 300));
  for (int i : {0, 10, 20}) {
    const PreviewStep s = series_.NextPreview(Settings("30", "10"));
    ASSERT_FALSE(s.stop) << i;
    EXPECT_EQ(s.frame, state_.frames[i]);
    EXPECT_EQ(s.left, 600 + state_.leftOffsets[i]);
    EXPECT_EQ(s.top, 300 + state_.topOffsets[i]);
  }
  EXPECT_TRUE(series_.NextPreview(Settings("30", "10")).stop);
  EXPECT_EQ(state_.previewIndex, 0);
  EXPECT_TRUE(series_.NextPreview(Settings("30", "")).stop);
}

TEST_F(RotationSeriesTest, PreviewBoundsAreTheSmallestAreaHoldingEveryFrameAtItsPlace) {
  EXPECT_FALSE(series_.PreviewBounds(Settings("360", "45"))) << "no frame yet";
  ASSERT_TRUE(Build(Settings("360", "45"), 600, 300));
  const std::optional<TwipsRect> b = series_.PreviewBounds(Settings("360", "45"));
  ASSERT_TRUE(b);
  bool touches[4] = {};
  for (int i = 0; i < 8; ++i) {
    const PreviewStep s = series_.NextPreview(Settings("360", "45"));
    ASSERT_FALSE(s.stop) << i;
    const double right = s.left + s.frame->Image().width() * 15.0;
    const double bottom = s.top + s.frame->Image().height() * 15.0;
    EXPECT_GE(s.left, b->left) << i;
    EXPECT_GE(s.top, b->top) << i;
    EXPECT_LE(right, b->right) << i;
    EXPECT_LE(bottom, b->bottom) << i;
    touches[0] |= s.left == b->left;
    touches[1] |= s.top == b->top;
    touches[2] |= right == b->right;
    touches[3] |= bottom == b->bottom;
  }
  EXPECT_TRUE(touches[0] && touches[1] && touches[2] && touches[3]) << "no larger than needed";
  EXPECT_LT(b->left, 600) << "the turned frames reach out of the picture's own place";
  EXPECT_FALSE(series_.PreviewBounds(Settings("360", "")));
  EXPECT_FALSE(series_.PreviewBounds(Settings("360", "0")));
}

}  // namespace
}  // namespace kestrin
