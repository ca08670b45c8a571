#include "platform/forms/form.h"

#include <gtest/gtest.h>

#include "platform/forms/controls.h"
#include "platform/forms/picture_box.h"
#include "platform/kernel/err.h"

namespace platform {
namespace {

class FormsTest : public ::testing::Test {
 protected:
  Form form_;
};

int ErrOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

TEST_F(FormsTest, ControlsAreAddedByProgIdOrKindHiddenAndFoundByNameInAnyCase) {
  Controls& c = form_.GetControls();
  Control& box = c.Add(kProgIdPictureBox, "Picture1");
  Frame& frame = c.Add<Frame>("Frame1");
  EXPECT_NE(dynamic_cast<PictureBox*>(&box), nullptr);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_FALSE(box.Visible());
  EXPECT_FALSE(frame.Visible());
  EXPECT_EQ(c.Find("picture1"), &box);
  EXPECT_EQ(&c.Item(1), static_cast<Control*>(&frame));
  EXPECT_EQ(box.ParentForm(), &form_);
  EXPECT_EQ(box.Container(), nullptr);
  EXPECT_EQ(box.Widget()->parentWidget(), &form_);

  std::vector<std::string> names;
  for (Control* ctl : c.All()) names.push_back(ctl->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Picture1", "Frame1"}));
}

TEST_F(FormsTest, AddRefusesTakenNamesUnknownClassesAndForeignOrNonContainers) {
  Controls& c = form_.GetControls();
  c.Add<PictureBox>("P");
  EXPECT_EQ(ErrOf([&] { c.Add<TextBox>("p"); }), kErrDuplicateControl);
  EXPECT_EQ(ErrOf([&] { c.Add("No.SuchControl", "X"); }), kErrCannotCreateObject);
  TextBox& text = c.Add<TextBox>("Text1");
  EXPECT_EQ(ErrOf([&] { c.Add<PictureBox>("Inner", &text); }), kErrInvalidCall);
  Form other;
  Control& foreign = other.GetControls().Add<Frame>("F");
  EXPECT_EQ(ErrOf([&] { c.Add<PictureBox>("Inner", &foreign); }), kErrInvalidCall);
  EXPECT_EQ(c.Count(), 2);
  // Control arrays share a name and differ by index.
  c.Add<TextBox>("Opt", nullptr, 0);
  c.Add<TextBox>("Opt", nullptr, 1);
  EXPECT_EQ(ErrOf([&] { c.Add<TextBox>("Opt", nullptr, 1); }), kErrDuplicateControl);
  EXPECT_EQ(c.Item("Opt", 1).Index(), 1);
}

TEST_F(FormsTest, RemovingControlsAndContainersKeepsTheCollectionTrue) {
  Controls& c = form_.GetControls();
  Frame& frame = c.Add<Frame>("Frame1");
  c.Add<PictureBox>("Inside", &frame);
  c.Add<TextBox>("Text1");
  EXPECT_EQ(c.Find("Inside")->Container(), &frame);
  EXPECT_EQ(ErrOf([&] { c.Remove("Nothing"); }), kErrControlNotFound);
  c.Remove("Frame1");  // takes the picture box inside it along
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(c.Find("Inside"), nullptr);
  EXPECT_NE(c.Find("Text1"), nullptr);
}

TEST_F(FormsTest, PositionsAreInTheContainersScale) {
  Controls& c = form_.GetControls();
  PictureBox& box = c.Add<PictureBox>("P");
  box.Move(150, 300, 1500, 750);  // twips on a form
  EXPECT_EQ(box.Widget()->geometry(), QRect(10, 20, 100, 50));
  EXPECT_DOUBLE_EQ(box.Left(), 150);
  box.SetScaleMode(kScalePixels);
  TextBox& inner = c.Add<TextBox>("T", &box);
  inner.Move(3, 4, 30, 20);  // pixels inside a pixel-scaled picture box, from inside its border
  EXPECT_EQ(inner.Widget()->geometry(), QRect(5, 6, 30, 20));
  EXPECT_DOUBLE_EQ(inner.Left(), 3);
  EXPECT_DOUBLE_EQ(inner.Top(), 4);
  inner.SetContainer(nullptr);
  EXPECT_DOUBLE_EQ(inner.Left(), 75);  // back on the form, where it was: twips
  EXPECT_EQ(ErrOf([&] { inner.SetWidth(-15); }), kErrInvalidProperty);
}

TEST_F(FormsTest, ZOrderBringsToFrontOrSendsToBack) {
  Controls& c = form_.GetControls();
  PictureBox& a = c.Add<PictureBox>("A");
  PictureBox& b = c.Add<PictureBox>("B");
  a.ZOrder(0);
  EXPECT_EQ(form_.children().last(), &a);
  a.ZOrder(1);
  EXPECT_EQ(form_.children().last(), &b);
}

}  // namespace
}  // namespace platform
