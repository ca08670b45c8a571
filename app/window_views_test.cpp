// What the user sees of the windows, driven through the real windows: pictures inside their
// boxes, large pictures whole or scrolled, child windows inside the main window, sliders with
// a number that can be typed, the hourglass while the transparency editor waits. Each editor is
// shot after a build with a 320 x 240 picture (build/screenshots/*_320x240.png).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMetaObject>
#include <QScrollBar>

#include "app/editors/colour/colour_window.h"
#include "app/editors/colour/tests/frame_files.h"
#include "app/editors/comment/comment_window.h"
#include "app/editors/mesh/mesh_window.h"
#include "app/editors/rotation/rotation_window.h"
#include "app/editors/transparency/result_capture.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"

namespace kestrin {
namespace {

// Where a widget lies in `window`'s coordinates.
QRect In(const QWidget& widget, const QWidget& window) {
  return QRect(widget.mapTo(&window, QPoint()), widget.size());
}

// Typing as a user does: the old number selected, the digits, then Enter.
void Type(platform::Slider& slider, const QString& text) {
  QSpinBox& box = slider.NumberBox();
  box.selectAll();
  for (QChar c : text) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(&box, &key);
  }
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(&box, &enter);
}

class WindowViewsTest : public testing::AppTest {
 protected:
  // Opens a GIF of the given size into an editor through its File menu item.
  template <class W>
  W& Open(const char* item, W& (*window)(), int w = 320, int h = 240) {
    const std::string path = in_.File("in" + std::to_string(++opened_) + ".gif");
    testing::WriteGif(testing::Stripes(w, h), path);
    Answer(path);
    windows::MDIF1().MenuItem(item)->trigger();
    testing::Settle();
    return window();
  }
  // A BMP of the given size, for the transparency editor.
  std::string Bitmap(const std::string& name, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    const std::string path = in_.File(name);
    EXPECT_TRUE(image.save(QString::fromStdString(path), "BMP"));
    return path;
  }
  // The picture is inside the box and shown whole there.
  static void ExpectInsideBox(platform::ImageControl& image, const QWidget& box,
                              const QWidget& window) {
    const QRect shown = In(*image.Widget(), window);
    EXPECT_TRUE(In(box, window).contains(shown)) << "picture beyond its box";
    EXPECT_TRUE(In(*image.Widget()->parentWidget(), window).contains(shown))
        << "part of the picture is cut off";
  }

  testing::TempFolder in_;
  int opened_ = 0;
};

TEST_F(WindowViewsTest, EachSeriesPlaysInsideItsBoxAfterABuildAt320x240) {
  {
    RotationWindow& w = Open("munOpen", &windows::Dialog);
    w.kakudo().SetText("360");
    w.Text1().SetText("45");
    w.Option1().SetValue(true);
    w.Command1().click();
    ASSERT_EQ(ProgramRotationState().seriesBuilt, 1);
    w.Command4().click();
    auto* shape = dynamic_cast<platform::Shape*>(w.GetControls().Find("Shape1"));
    ASSERT_NE(shape, nullptr);
    EXPECT_TRUE(In(*shape, w).contains(In(w.View3(), w)));
    double scale = 0;
    for (int angle = 0; angle < 360; angle += 45) {
      w.TimerTick();
      ASSERT_EQ(w.IM3().GetPicture(), ProgramRotationState().frames[angle]);
      ExpectInsideBox(w.IM3(), w.View3(), w);
      if (angle == 0) scale = w.View3().View()->Scale();
      EXPECT_EQ(w.View3().View()->Scale(), scale) << "one scale for the whole turn";
      if (angle == 45) testing::SaveScreenshot(w, "rotation_editor_320x240");
    }
    EXPECT_LT(scale, 1.0);
  }
  {
    Reply(platform::kIdYes);  // the rotation series is not saved: let it go
    ColourWindow& w = Open("numOpen2", &windows::Dialog2);
    w.R().SetValue(40);
    w.Op1().SetValue(true);
    w.T1().SetText("200");
    w.Command4().click();
    ASSERT_EQ(ProgramColourState().frameCount, 3);
    ExpectInsideBox(w.IM3(), w.View3(), w);
    auto* shape = dynamic_cast<platform::Shape*>(w.GetControls().Find("Shape1"));
    ASSERT_NE(shape, nullptr);
    EXPECT_TRUE(In(*shape, w).contains(In(w.View3(), w)));
    testing::SaveScreenshot(w, "colour_editor_320x240");
  }
  {
    Reply(platform::kIdYes);
    MeshWindow& w = Open("OpenMesh", &windows::Dialog3);
    w.Slider1().SetValue(4);
    ASSERT_EQ(ProgramMeshState().frameCount, 4);
    w.Op1().SetValue(true);
    w.Command3().click();
    ASSERT_EQ(w.IM3().GetPicture(), ProgramMeshState().frames[3]);
    auto* frame3 = dynamic_cast<platform::Frame*>(w.GetControls().Find("Frame3"));
    ASSERT_NE(frame3, nullptr);
    ExpectInsideBox(w.IM3(), *frame3, w);
    testing::SaveScreenshot(w, "mesh_editor_320x240");
  }
  // Only the two questions before the unsaved series were let go.
  EXPECT_EQ(boxes_->shown.size(), 2u) << testing::Texts(*boxes_).front();
  for (const platform::ShownMessage& m : boxes_->shown)
    EXPECT_EQ(m.style & platform::kMbButtons, platform::kMbYesNo) << m.text;
}

TEST_F(WindowViewsTest, ACommentInTheBandBelowTheBuiltPictureIsShownWhole) {
  CommentWindow& w = Open("OpenCom", &windows::Dialog4);
  w.Text1().SetText("Kestrin\r\nコメント");
  w.Cb2().SetText("IPAGothic");
  w.Cb1().SetText("20");
  w.CO1().SetText("ラインカラー");
  w.R(0).SetValue(255);
  w.Op3(1).SetValue(true);
  w.Op4(1).SetValue(true);
  w.Os1(1).SetValue(true);
  w.Ot1(1).SetValue(true);
  w.Op2().SetValue(true);  // the comment goes in a band below: the preview is 320 x 480
  w.UpdateCommentPreview();
  ASSERT_TRUE(w.IM2().GetPicture());
  ASSERT_EQ(w.IM2().GetPicture()->Image().size(), QSize(320, 480));
  auto* frame2 = dynamic_cast<platform::Frame*>(w.GetControls().Find("Frame2"));
  ASSERT_NE(frame2, nullptr);
  ExpectInsideBox(w.IM2(), *frame2, w);
  testing::SaveScreenshot(w, "comment_editor_320x240");
}

TEST_F(WindowViewsTest, ALargePictureIsShownWholeOrScrolledToItsBottomRightCorner) {
  RotationWindow& w = Open("munOpen", &windows::Dialog, 4000, 3000);
  platform::ImageControl& im1 = w.IM1();
  auto* frame1 = dynamic_cast<platform::Frame*>(w.GetControls().Find("Frame1"));
  ASSERT_NE(frame1, nullptr);
  platform::Viewport& view = *frame1->View();

  // Whole by default, the choice visible and ticked.
  EXPECT_TRUE(w.ZoomBox().isVisible());
  EXPECT_EQ(w.ZoomBox().Caption(), "全体表示");
  EXPECT_EQ(w.ZoomBox().Value(), 1);
  ExpectInsideBox(im1, *frame1, w);
  EXPECT_LT(view.Scale(), 0.1);
  EXPECT_DOUBLE_EQ(im1.Width(), 4000 * 15.0) << "the control keeps the picture's size";

  // At its own size, scrolled to the far corner.
  w.ZoomBox().SetValue(0);
  EXPECT_DOUBLE_EQ(view.Scale(), 1.0);
  ASSERT_FALSE(view.HorizontalBar()->isHidden());
  ASSERT_FALSE(view.VerticalBar()->isHidden());
  view.HorizontalBar()->setValue(view.HorizontalBar()->maximum());
  view.VerticalBar()->setValue(view.VerticalBar()->maximum());
  const QRect shown = im1.Widget()->geometry();
  EXPECT_EQ(shown.size(), QSize(4000, 3000));
  EXPECT_EQ(shown.bottomRight(), QPoint(view.Surface()->width() - 1, view.Surface()->height() - 1));
  testing::SaveScreenshot(w, "rotation_editor_4000x3000_scrolled");

  // And back.
  w.ZoomBox().SetValue(1);
  EXPECT_TRUE(view.HorizontalBar()->isHidden());
  ExpectInsideBox(im1, *frame1, w);
}

TEST_F(WindowViewsTest, TheTransparencyEditorScrollsALargeTargetAndShowsItsPiecesAt320x240) {
  testing::ScopedCaptureFolder capture(in_.File("capture"));
  windows::MDIF1().MenuItem("OpenT")->trigger();
  testing::Settle();
  TransparencyWindow& w = windows::Dialog5();
  Answer(Bitmap("source.bmp", 320, 240));
  w.Command5(0).click();
  Answer(Bitmap("target.bmp", 320, 240));
  w.Command5(1).click();
  w.JPG1().SetValue(true);
  w.IML().Move(40, 30, 64, 48);
  w.Command4().click();
  ASSERT_TRUE(w.Floating());
  testing::SaveScreenshot(w, "transparency_editor_320x240");

  Answer(Bitmap("large.bmp", 4000, 3000));
  w.Command5(1).click();
  auto* frame2 = dynamic_cast<platform::Frame*>(w.GetControls().Find("Frame2"));
  ASSERT_NE(frame2, nullptr);
  platform::Viewport& view = *frame2->View();
  EXPECT_DOUBLE_EQ(view.Scale(), 1.0) << "the piece is laid down pixel for pixel";
  ASSERT_FALSE(view.HorizontalBar()->isHidden());
  view.HorizontalBar()->setValue(view.HorizontalBar()->maximum());
  view.VerticalBar()->setValue(view.VerticalBar()->maximum());
  const QRect shown = w.IM2().Widget()->geometry();
  EXPECT_EQ(shown.right(), view.Surface()->width() - 1);
  EXPECT_EQ(shown.bottom(), view.Surface()->height() - 1);
  EXPECT_EQ(w.IM2().ImageData().size(), QSize(4000, 3000));
}

TEST_F(WindowViewsTest, EveryChildWindowLiesInsideTheMainWindowsArea) {
  windows::MDIF1().resize(640, 400);  // smaller than the largest editor
  const auto expectInside = [](QWidget& form, const char* name) {
    auto* sub = qobject_cast<QMdiSubWindow*>(form.parentWidget());
    ASSERT_NE(sub, nullptr) << name;
    const QRect room = windows::MDIF1().Area()->viewport()->rect();
    EXPECT_TRUE(room.contains(sub->geometry()))
        << name << ": the window reaches out of the area " << sub->geometry().x() << ","
        << sub->geometry().y() << " " << sub->geometry().width() << "x" << sub->geometry().height()
        << " in " << room.width() << "x" << room.height();
  };
  RotationWindow& rotation = Open("munOpen", &windows::Dialog);
  expectInside(rotation, "rotation");
  // The progress window as a build shows it.
  rotation.kakudo().SetText("360");
  rotation.Text1().SetText("90");
  rotation.Option1().SetValue(true);
  bool seen = false;
  QMetaObject::invokeMethod(
      qApp,
      [&] {
        ASSERT_TRUE(windows::IsLoaded(WindowId::Syori));
        expectInside(windows::Syori(), "progress during a build");
        testing::SaveScreenshot(windows::Syori(), "progress_window");
        seen = true;
      },
      Qt::QueuedConnection);
  rotation.Command1().click();
  EXPECT_TRUE(seen);
  expectInside(Open("numOpen2", &windows::Dialog2), "colour");
  expectInside(Open("OpenMesh", &windows::Dialog3), "mesh");
  expectInside(Open("OpenCom", &windows::Dialog4), "comment");
  windows::MDIF1().MenuItem("OpenT")->trigger();
  testing::Settle();
  expectInside(windows::Dialog5(), "transparency");
  ProgressWindow& syori = windows::Syori();
  expectInside(syori, "progress");
  auto* sub = syori.parentWidget();
  EXPECT_LE(std::abs(sub->geometry().center().x() -
                     windows::MDIF1().Area()->viewport()->rect().center().x()),
            1)
      << "the progress window shows over the middle";
}

TEST_F(WindowViewsTest, TypingInANumberBoxMovesTheSliderAndWhatTheEditorUses) {
  {
    ColourWindow& w = Open("numOpen2", &windows::Dialog2);
    EXPECT_EQ(w.R().NumberBox().value(), 0);
    Type(w.R(), "40");
    EXPECT_EQ(w.R().Value(), 40);
    EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(),
                                    testing::ShiftedDirectly(w.IM1().GetPicture(), {40, 0, 0})));
    w.G().SetValue(-20);
    EXPECT_EQ(w.G().NumberBox().value(), -20);
  }
  {
    MeshWindow& w = Open("OpenMesh", &windows::Dialog3);
    Type(w.Slider1(), "3");
    EXPECT_EQ(w.Slider1().Value(), 3);
    EXPECT_EQ(ProgramMeshState().frameCount, 3) << "one build for the typed size";
  }
  {
    CommentWindow& w = Open("OpenCom", &windows::Dialog4);
    Type(w.R(2), "255");
    EXPECT_EQ(w.Settings().blue, 255);
  }
  {
    windows::MDIF1().MenuItem("OpenT")->trigger();
    testing::Settle();
    TransparencyWindow& w = windows::Dialog5();
    w.JPG1().SetValue(true);
    Type(w.AS1(), "95");
    EXPECT_EQ(w.AS1().Value(), 95);
    Type(w.TL1(), "12");
    EXPECT_EQ(w.TL1().Value(), 12);
  }
}

TEST_F(WindowViewsTest, TheTransparencyEditorShowsTheHourglassWhileItWaitsForThePicture) {
  testing::ScopedCaptureFolder capture(in_.File("capture"));
  SetCaptureWaitForTesting(std::chrono::milliseconds(20));
  windows::MDIF1().MenuItem("OpenT")->trigger();
  testing::Settle();
  TransparencyWindow& w = windows::Dialog5();
  Answer(Bitmap("source.bmp", 120, 90));
  w.Command5(0).click();
  Answer(Bitmap("target.bmp", 120, 90));
  w.Command5(1).click();
  std::optional<Qt::CursorShape> during;
  QMetaObject::invokeMethod(
      qApp,
      [&] {
        const QCursor* c = QGuiApplication::overrideCursor();
        during = c ? c->shape() : Qt::ArrowCursor;
      },
      Qt::QueuedConnection);
  w.Command4().click();
  ASSERT_TRUE(w.Floating());
  EXPECT_EQ(during, Qt::WaitCursor);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the hourglass goes with the wait";
}

}  // namespace
}  // namespace kestrin
