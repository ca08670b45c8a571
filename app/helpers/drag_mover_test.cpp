// Class1: a left-button drag moves the bound image, other buttons and Shift do not; dragging the
// transparency editor's IMR shows its meshed see-through and gives its picture back afterwards.
#include "app/helpers/drag_mover.h"

#include <gtest/gtest.h>

#include "app/editor_window.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"
#include "giflib/object/vesk_gif_object.h"

namespace kestrin {
namespace {

constexpr int kLeft = 1, kRight = 2, kShift = 1;

platform::Picture MeshedDirectly(const platform::Picture& source) {
  pellory::Vesk_GifObject gif;
  EXPECT_TRUE(gif.SetPicture(source));
  return gif.GetMeshPicture(pellory::Mesh1p, pellory::ReturnPicture);
}

class Class1Test : public testing::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    host_ = new Window("Host");
    image_ = &host_->Place<platform::ImageControl>("IM", 1500, 1200, 900, 900);
    other_ = &host_->Place<platform::ImageControl>("Other", 1500, 1200, 900, 900);
    image_->SetPicture(testing::Stripes(20, 20));
    class1_.SetControl(image_, &windows::Dialog5);
  }
  void TearDown() override {
    delete host_;
    AppTest::TearDown();
  }
  static void Press(platform::ImageControl& c, int button, int shift, int x, int y) {
    c.onMouseDown(button, shift, x, y);
  }
  static void Move(platform::ImageControl& c, int button, int shift, int x, int y) {
    c.onMouseMove(button, shift, x, y);
  }
  static void Release(platform::ImageControl& c, int button) { c.onMouseUp(button, 0, 0, 0); }

  Window* host_;
  platform::ImageControl* image_;
  platform::ImageControl* other_;
  Class1 class1_;
};

TEST_F(Class1Test, ALeftDragFollowsTheMouseFromWhereItWasPressed) {
  Press(*image_, kLeft, 0, 10, 5);
  EXPECT_TRUE(class1_.Dragging());
  Move(*image_, kLeft, 0, 14, 8);  // pixels inside the control: 4 right, 3 down
  EXPECT_EQ(image_->Left(), 1500 + 4 * 15);
  EXPECT_EQ(image_->Top(), 1200 + 3 * 15);
  // The control moved with the mouse, so the same position inside it moves it again.
  Move(*image_, kLeft, 0, 14, 8);
  EXPECT_EQ(image_->Left(), 1500 + 8 * 15);
  Move(*image_, kLeft, 0, 6, 5);
  EXPECT_EQ(image_->Left(), 1500 + 4 * 15);
  EXPECT_EQ(image_->Top(), 1200 + 6 * 15);
  EXPECT_EQ(image_->Width(), 300);
  EXPECT_EQ(image_->Height(), 300);
  Release(*image_, kLeft);
  EXPECT_FALSE(class1_.Dragging());
  Move(*image_, kLeft, 0, 20, 20);
  EXPECT_EQ(image_->Left(), 1500 + 4 * 15);
}

TEST_F(Class1Test, APressBringsTheControlToTheFront) {
  other_->ZOrder(0);
  const QObjectList& before = host_->children();
  ASSERT_LT(before.indexOf(image_), before.indexOf(other_));
  Press(*image_, kLeft, 0, 1, 1);
  const QObjectList& after = host_->children();
  EXPECT_GT(after.indexOf(image_), after.indexOf(other_));
}

TEST_F(Class1Test, OtherButtonsAndShiftDoNotDrag) {
  Move(*image_, kLeft, 0, 30, 30);  // no press yet
  Press(*image_, kRight, 0, 10, 10);
  EXPECT_FALSE(class1_.Dragging());
  Move(*image_, kRight, 0, 30, 30);
  Press(*image_, kLeft, 0, 10, 10);
  Move(*image_, kLeft, kShift, 30, 30);
  Move(*image_, kLeft | kRight, 0, 30, 30);
  EXPECT_EQ(image_->Left(), 1500);
  EXPECT_EQ(image_->Top(), 1200);
  Release(*image_, kRight);
  EXPECT_TRUE(class1_.Dragging());
}

TEST_F(Class1Test, TheOwnersHandlersStillRunFirst) {
  Class1 second;
  std::vector<std::string> seen;
  other_->onMouseDown = [&](int, int, int, int) {
    seen.push_back(second.Dragging() ? "dragging" : "idle");
  };
  second.SetControl(other_, &windows::Dialog5);
  Press(*other_, kLeft, 0, 1, 1);
  EXPECT_EQ(seen, std::vector<std::string>{"idle"});
  EXPECT_TRUE(second.Dragging());
}

TEST_F(Class1Test, APressOpensTheTransparencyEditor) {
  windows::Unload(WindowId::Dialog5);
  testing::Settle();
  Press(*image_, kLeft, 0, 1, 1);
  EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog5));
}

TEST_F(Class1Test, DraggingIMRShowsItsMeshedSeeThroughAndGivesItsPictureBack) {
  // The editor's own Class1 drags IMR; its box counts in twips during the drag.
  TransparencyWindow& dialog5 = windows::Dialog5();
  platform::ImageControl& imr = dialog5.IMR();
  const platform::Picture own = testing::Stripes(16, 12);
  imr.SetPicture(own);
  const double left = imr.Left();  // pixels
  Press(imr, kLeft, 0, 3, 3);
  EXPECT_TRUE(testing::SamePixels(imr.GetPicture(), MeshedDirectly(own)));
  EXPECT_FALSE(testing::SamePixels(imr.GetPicture(), own));
  EXPECT_EQ(dialog5.IMC().GetPicture(), imr.GetPicture());
  Move(imr, kLeft, 0, 5, 3);
  EXPECT_EQ(imr.Left(), (left + 2) * 15);
  Release(imr, kLeft);
  EXPECT_EQ(imr.GetPicture(), own);
  EXPECT_EQ(imr.Left(), left + 2);
}

TEST_F(Class1Test, DraggingAnotherImageLeavesIMRAlone) {
  platform::ImageControl& imr = windows::Dialog5().IMR();
  const platform::Picture own = testing::Stripes(16, 12);
  imr.SetPicture(own);
  Press(*image_, kLeft, 0, 3, 3);
  EXPECT_EQ(imr.GetPicture(), own);
  Release(*image_, kLeft);
  EXPECT_EQ(imr.GetPicture(), own);
}

}  // namespace
}  // namespace kestrin
