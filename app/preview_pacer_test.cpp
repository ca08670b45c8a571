// The pace of the editors' previews: the delay typed, one wait per frame, and stopping.
#include "app/preview_pacer.h"

#include <gtest/gtest.h>

#include "app/animated_export.h"
#include "app/tests/app_fixture.h"

namespace kestrin {
namespace {

using testing::AppTest;

class PreviewPacerTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    SetPreviewWaitForTesting([this](int ms) {
      waits_.push_back(ms);
      if (duringWait_) duringWait_();
    });
  }
  std::vector<int> waits_;
  std::function<void()> duringWait_;
};

TEST_F(PreviewPacerTest, TheDelayIsReadInHundredthsOfASecondAsTheAnimatedExportReadsIt) {
  EXPECT_EQ(PreviewIntervalMs("10"), 100);
  EXPECT_EQ(PreviewIntervalMs(" 5 "), 50);
  EXPECT_EQ(PreviewIntervalMs("0"), 0);
  EXPECT_EQ(PreviewIntervalMs("65535"), 655350);
  for (const char* refused : {"", "-1", "65536", "ten", "1e9"})
    EXPECT_EQ(PreviewIntervalMs(refused), std::nullopt) << refused;
}

TEST_F(PreviewPacerTest, EachPauseWaitsTheDelayUntilStopped) {
  PreviewPacer pacer;
  EXPECT_FALSE(pacer.Playing());
  EXPECT_FALSE(pacer.Pause());  // not started: no wait
  ASSERT_TRUE(pacer.Start("7"));
  EXPECT_TRUE(pacer.Playing());
  EXPECT_EQ(pacer.IntervalMs(), 70);
  EXPECT_TRUE(pacer.Pause());
  EXPECT_TRUE(pacer.Pause());
  pacer.Stop();
  EXPECT_FALSE(pacer.Pause());
  EXPECT_EQ(waits_, (std::vector<int>{70, 70}));
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(PreviewPacerTest, AStopDuringAWaitEndsThePreview) {
  PreviewPacer pacer;
  ASSERT_TRUE(pacer.Start("10"));
  duringWait_ = [&] { pacer.Stop(); };
  EXPECT_FALSE(pacer.Pause());
  EXPECT_FALSE(pacer.Playing());
  EXPECT_EQ(waits_, std::vector<int>{100});
}

TEST_F(PreviewPacerTest, ADelayThatCannotBeOneIsRefusedWithTheAnimationsMessage) {
  PreviewPacer pacer;
  EXPECT_FALSE(pacer.Start("1.5.0"));
  EXPECT_FALSE(pacer.Playing());
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>{kDelayMessage});
}

}  // namespace
}  // namespace kestrin
