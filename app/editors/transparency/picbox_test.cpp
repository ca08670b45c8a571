// PicBox: a Shift-drag's first move decides between height and width, the press decides which
// edge moves, and the release resets the pointer and captures only when IMR holds a picture.
#include "app/editors/transparency/picbox.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/editors/transparency/result_capture.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"

namespace kestrin {
namespace {

constexpr int kLeft = 1, kShift = 1;

class PicBoxTest : public testing::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    dialog5_ = &windows::Dialog5();
    dialog5_->IML().Move(20, 20, 40, 30);  // pixels: IM1 counts in pixels
  }
  platform::PictureBox& IM1() { return dialog5_->IM1(); }
  platform::ImageControl& IML() { return dialog5_->IML(); }
  void Press(double x, double y) { IM1().onMouseDown(kLeft, kShift, x, y); }
  void Drag(double x, double y) { IM1().onMouseMove(kLeft, kShift, x, y); }
  void Release() { IM1().onMouseUp(kLeft, kShift, 0, 0); }
  std::tuple<double, double, double, double> Geometry() {
    return {IML().Left(), IML().Top(), IML().Width(), IML().Height()};
  }

  testing::ScopedCaptureFolder capture_{temp_.path()};
  TransparencyWindow* dialog5_;
};

TEST_F(PicBoxTest, ADragStartedInsideTheSpanChangesOnlyTheHeightEvenOutsideIt) {
  Press(40, 60);  // below the image, between its sides
  Drag(40, 70);
  EXPECT_EQ(IM1().MousePointer(), kPointerNorthSouth);
  EXPECT_EQ(Geometry(), std::make_tuple(20.0, 20.0, 40.0, 50.0)) << "the bottom edge follows";
  Drag(100, 80);  // beyond the right edge: still vertical, and nothing moves out there
  EXPECT_EQ(Geometry(), std::make_tuple(20.0, 20.0, 40.0, 50.0));
  Release();
  EXPECT_EQ(IM1().MousePointer(), kPointerDefault);
}

TEST_F(PicBoxTest, ADragStartedOutsideTheSpanChangesOnlyTheWidth) {
  Press(5, 35);  // left of the image
  Drag(10, 80);
  EXPECT_EQ(IM1().MousePointer(), kPointerWestEast);
  EXPECT_EQ(Geometry(), std::make_tuple(10.0, 20.0, 50.0, 30.0)) << "the left edge follows";
  Release();
  Press(90, 35);  // right of it
  Drag(75, 35);
  EXPECT_EQ(Geometry(), std::make_tuple(10.0, 20.0, 65.0, 30.0)) << "the right edge follows";
}

TEST_F(PicBoxTest, APressAboveMovesTheTopEdge) {
  Press(40, 5);
  Drag(40, 10);
  EXPECT_EQ(Geometry(), std::make_tuple(20.0, 10.0, 40.0, 40.0));
  Drag(40, 15);
  EXPECT_EQ(Geometry(), std::make_tuple(20.0, 15.0, 40.0, 35.0));
}

TEST_F(PicBoxTest, TheBottomEdgeMovesOnlyWellInsideTheSides) {
  Press(25, 60);
  Drag(25, 70);  // within 10 units of the left side
  EXPECT_EQ(Geometry(), std::make_tuple(20.0, 20.0, 40.0, 30.0));
  EXPECT_EQ(IM1().MousePointer(), kPointerNorthSouth);
}

TEST_F(PicBoxTest, AHeightTheImageRefusesIsIgnored) {
  Press(40, 5);
  Drag(40, 70);  // the top edge dragged below the bottom one: a negative height
  EXPECT_EQ(IML().Height(), 30.0);
  EXPECT_EQ(IML().Top(), 70.0);
}

TEST_F(PicBoxTest, WithoutButtonOrWithOtherKeysNothingMoves) {
  Press(40, 60);
  IM1().onMouseMove(kLeft, 0, 40, 70);
  IM1().onMouseMove(kLeft, 3, 40, 70);
  IM1().onMouseMove(0, kShift, 40, 70);
  EXPECT_EQ(Geometry(), std::make_tuple(20.0, 20.0, 40.0, 30.0));
  EXPECT_EQ(IM1().MousePointer(), kPointerDefault);
}

TEST_F(PicBoxTest, TheReleaseCapturesOnlyWhenIMRHoldsAPicture) {
  Press(40, 60);
  Drag(40, 70);
  Release();
  EXPECT_FALSE(std::filesystem::exists(TempBmpPath()));
  dialog5_->IMR().SetPicture(testing::Stripes(12, 10));
  Press(40, 60);
  Release();
  EXPECT_TRUE(std::filesystem::exists(TempBmpPath()));
}

}  // namespace
}  // namespace kestrin
