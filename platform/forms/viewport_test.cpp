// How controls are stacked and shown: images, labels and shapes below windowed controls and
// inside their container; views that show a picture whole or scrolled; sliders with a number.
#include "platform/forms/viewport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/widgets.h"

namespace platform {
namespace {

Picture Plain(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return std::make_shared<StdPicture>(image);
}

constexpr QRgb kRed = qRgb(255, 0, 0);

class StackingAndViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.resize(400, 300);
    form_.show();
  }
  template <class C>
  C& Add(const std::string& name, int left, int top, int width, int height,
         Control* container = nullptr) {
    C& c = form_.GetControls().Add<C>(name, container);
    c.Move(left * 15, top * 15, width * 15, height * 15);  // pixels, given in twips
    c.SetVisible(true);
    return c;
  }
  int StackIndex(Control& c) { return c.Widget()->parentWidget()->children().indexOf(c.Widget()); }

  Form form_;
};

TEST_F(StackingAndViewsTest, ImagesLabelsAndShapesLieBelowEveryWindowedControlOfTheirContainer) {
  auto& button = Add<CommandButton>("Command1", 10, 10, 80, 30);
  auto& image = Add<ImageControl>("Image1", 0, 0, 10, 10);
  auto& label = Add<Label>("Label1", 0, 0, 10, 10);
  auto& shape = Add<Shape>("Shape1", 0, 0, 10, 10);
  EXPECT_LT(StackIndex(image), StackIndex(button)) << "added after the button, still below it";
  EXPECT_LT(StackIndex(shape), StackIndex(button));
  image.ZOrder(0);
  EXPECT_GT(StackIndex(image), StackIndex(label)) << "to the front of the light controls only";
  EXPECT_LT(StackIndex(image), StackIndex(button));
  button.ZOrder(1);
  EXPECT_LT(StackIndex(image), StackIndex(button)) << "a button sent back stays above images";

  // What the form shows: a picture over the button's place leaves the button visible.
  image.SetPicture(Plain(200, 100, kRed));
  const QImage shown = form_.grab().toImage();
  EXPECT_NE(shown.pixel(50, 25), kRed) << "the button is drawn over the picture";
  EXPECT_EQ(shown.pixel(5, 5), kRed);
}

TEST_F(StackingAndViewsTest, AControlInsideAContainerIsDrawnOnlyInsideIt) {
  auto& frame = Add<Frame>("Frame1", 10, 10, 100, 80);
  auto& image = Add<ImageControl>("Image1", 8, 20, 10, 10, &frame);
  image.SetPicture(Plain(300, 300, kRed));
  const QImage shown = form_.grab().toImage();
  EXPECT_EQ(shown.pixel(30, 45), kRed);
  EXPECT_NE(shown.pixel(150, 150), kRed) << "nothing of the picture beyond the frame";
}

TEST_F(StackingAndViewsTest, AViewShowsALargePictureWholeAndKeepsItsGeometryInTheContainersTerms) {
  auto& box = Add<ViewBox>("View1", 10, 10, 100, 80);
  auto& image = Add<ImageControl>("Image1", 0, 0, 10, 10, &box);
  image.SetPicture(Plain(400, 300, kRed));
  EXPECT_EQ(box.View()->Mode(), ZoomMode::Fit);
  EXPECT_DOUBLE_EQ(box.View()->Scale(), 0.25);
  EXPECT_EQ(image.Widget()->geometry(), QRect(0, 0, 100, 75));
  EXPECT_DOUBLE_EQ(image.Width(), 400 * 15.0) << "the control keeps the picture's size";
  EXPECT_DOUBLE_EQ(image.Left(), 0);
  EXPECT_TRUE(box.View()->HorizontalBar()->isHidden());
  const QImage shown = box.grab().toImage();
  EXPECT_EQ(shown.pixel(99, 74), kRed) << "the whole picture, shrunk";
  EXPECT_NE(shown.pixel(99, 77), kRed);

  // The mouse reports the picture's pixels.
  int x = -1, y = -1;
  image.onMouseDown = [&](int, int, int px, int py) { x = px, y = py; };
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 37), QPointF(50, 37), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(image.Widget(), &press);
  EXPECT_EQ(x, 200);
  EXPECT_EQ(y, 148);

  // A small picture is never enlarged.
  image.SetPicture(Plain(40, 30, kRed));
  EXPECT_DOUBLE_EQ(box.View()->Scale(), 1.0);
  EXPECT_EQ(image.Widget()->geometry(), QRect(0, 0, 40, 30));
}

TEST_F(StackingAndViewsTest, AtItsOwnSizeAPictureScrollsToItsBottomRightCorner) {
  auto& box = Add<ViewBox>("View1", 10, 10, 100, 80);
  auto& image = Add<ImageControl>("Image1", 0, 0, 10, 10, &box);
  image.SetPicture(Plain(400, 300, kRed));
  box.View()->SetMode(ZoomMode::Actual);
  EXPECT_DOUBLE_EQ(box.View()->Scale(), 1.0);
  QScrollBar* h = box.View()->HorizontalBar();
  QScrollBar* v = box.View()->VerticalBar();
  ASSERT_FALSE(h->isHidden());
  ASSERT_FALSE(v->isHidden());
  h->setValue(h->maximum());
  v->setValue(v->maximum());
  const QRect shown = image.Widget()->geometry();
  const QWidget* surface = box.View()->Surface();
  EXPECT_EQ(shown.size(), QSize(400, 300));
  EXPECT_EQ(shown.right(), surface->width() - 1);
  EXPECT_EQ(shown.bottom(), surface->height() - 1);
  EXPECT_LE(surface->geometry().right(), v->geometry().left()) << "the bars cover nothing";
  EXPECT_DOUBLE_EQ(image.Left(), 0) << "scrolling moves only what is shown";

  box.View()->SetMode(ZoomMode::Fit);
  EXPECT_TRUE(h->isHidden());
  EXPECT_EQ(image.Widget()->geometry(), QRect(0, 0, 100, 75));
}

TEST_F(StackingAndViewsTest, AGivenContentKeepsOneScaleWhileAPictureMovesInIt) {
  auto& box = Add<ViewBox>("View1", 10, 10, 100, 100);
  auto& image = Add<ImageControl>("Image1", 0, 0, 10, 10, &box);
  image.SetPicture(Plain(100, 100, kRed));
  box.View()->SetContent(QRect(-50, -50, 200, 200));
  EXPECT_DOUBLE_EQ(box.View()->Scale(), 0.5);
  EXPECT_EQ(image.Widget()->geometry(), QRect(25, 25, 50, 50));
  image.Move(-50 * 15, -50 * 15, image.Width(), image.Height());
  EXPECT_DOUBLE_EQ(box.View()->Scale(), 0.5);
  EXPECT_EQ(image.Widget()->geometry(), QRect(0, 0, 50, 50));
  EXPECT_DOUBLE_EQ(image.Left(), -50 * 15.0);

  // A series smaller than its box plays in the middle of it.
  box.View()->SetContent(QRect(-10, -10, 60, 40));
  box.View()->SetCentred(true);
  EXPECT_DOUBLE_EQ(box.View()->Scale(), 1.0);
  EXPECT_EQ(image.Widget()->geometry(), QRect(20 - 40, 30 - 40, 100, 100));
}

TEST_F(StackingAndViewsTest, AFramesViewLiesBelowItsCaptionAndInsideItsBorder) {
  auto& frame = Add<Frame>("Frame1", 10, 10, 100, 80);
  frame.SetCaption("元のイメージ");
  Viewport& view = frame.EnableView();
  auto& image = Add<ImageControl>("Image1", 8, 20, 10, 10, &frame);
  image.SetPicture(Plain(400, 300, kRed));
  EXPECT_EQ(image.Container(), &frame);
  EXPECT_DOUBLE_EQ(image.Left(), 8 * 15.0);
  const QRect surface = view.Surface()->geometry();
  EXPECT_GT(surface.top(), 8) << "below the caption";
  EXPECT_TRUE(frame.rect().contains(surface));
  EXPECT_TRUE(QRect(QPoint(), surface.size()).contains(image.Widget()->geometry()));
}

// Typing as a user does: the old text selected, the digits, then Enter.
void Type(QSpinBox& box, const QString& text) {
  box.setFocus();
  box.selectAll();
  for (QChar c : text) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(&box, &key);
  }
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(&box, &enter);
}

TEST_F(StackingAndViewsTest, ASlidersNumberBoxShowsItsValueAndTakesATypedOne) {
  auto& slider = Add<Slider>("Slider1", 10, 10, 240, 24);
  slider.SetRange(-128, 128);
  std::vector<int> seen;
  slider.onScroll = [&] { seen.push_back(slider.Value()); };
  slider.SetValue(40);
  EXPECT_EQ(slider.NumberBox().value(), 40);
  EXPECT_EQ(slider.NumberBox().minimum(), -128);
  Type(slider.NumberBox(), QStringLiteral("-75"));
  EXPECT_EQ(slider.Value(), -75);
  EXPECT_EQ(slider.Bar().value(), -75);
  EXPECT_EQ(seen, (std::vector<int>{40, -75})) << "one change for the whole number";
  Type(slider.NumberBox(), QStringLiteral("500"));
  EXPECT_LE(slider.Value(), 128) << "nothing beyond the range";
  EXPECT_TRUE(slider.geometry().contains(slider.NumberBox().geometry().translated(slider.pos())))
      << slider.geometry().width() << "x" << slider.geometry().height() << " box "
      << slider.NumberBox().geometry().x() << "," << slider.NumberBox().geometry().y() << " "
      << slider.NumberBox().geometry().width() << "x" << slider.NumberBox().geometry().height();
}

}  // namespace
}  // namespace platform
