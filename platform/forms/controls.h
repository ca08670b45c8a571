// The simpler built-in controls: frames, image controls and text boxes.
#pragma once

#include <QGroupBox>
#include <QLineEdit>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "platform/forms/control.h"
#include "platform/forms/viewport.h"
#include "platform/picture/picture.h"

namespace platform {

// ProgIDs of the built-in control classes, for Controls::Add.
inline constexpr const char* kProgIdPictureBox = "VB.PictureBox";
inline constexpr const char* kProgIdFrame = "VB.Frame";
inline constexpr const char* kProgIdImage = "VB.Image";
inline constexpr const char* kProgIdTextBox = "VB.TextBox";

// A captioned container.
class Frame : public ControlOf<QGroupBox> {
 public:
  explicit Frame(QWidget* parent = nullptr) : ControlOf<QGroupBox>(parent) {}
  bool IsContainer() const override { return true; }
  std::string Caption() const { return title().toStdString(); }
  void SetCaption(const std::string& caption) { setTitle(QString::fromStdString(caption)); }
  // Shows the controls inside the frame through a view below its caption, which keeps them
  // inside the frame and shows pictures larger than it whole or scrolled. Call before adding
  // controls to it.
  Viewport& EnableView();
  Viewport* View() const override { return view_.get(); }

 private:
  QRect ContentsArea() const;
  std::unique_ptr<Viewport> view_;
};

// A container without border or caption whose controls are shown through a view: the box of
// a picture, inside which it stays whole or scrolled.
class ViewBox : public ControlOf<QWidget> {
 public:
  explicit ViewBox(QWidget* parent = nullptr);
  bool IsContainer() const override { return true; }
  Viewport* View() const override { return view_; }

 private:
  Viewport* view_;
};

// Shows a picture; transparent pixels show the container. Reports mouse events.
class ImageControl : public ControlOf<QWidget> {
 public:
  explicit ImageControl(QWidget* parent = nullptr);
  const Picture& GetPicture() const { return picture_; }
  // The control takes the picture's size.
  void SetPicture(const Picture& picture);
  // 0 none, 1 a one-pixel black frame, with the picture inside it.
  int BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int style);
  bool IsLightweight() const override { return true; }
  bool Zoomable() const override { return true; }

  // Mouse handlers: button (1 left, 2 right, 4 middle), shift state (1 shift, 2 ctrl, 4 alt)
  // and position in pixels within the control (of the picture, also while a view shows it
  // shrunk).
  using MouseHandler = std::function<void(int button, int shift, int x, int y)>;
  MouseHandler onMouseDown, onMouseMove, onMouseUp;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void FitToPicture();
  QPoint ToPicture(QPointF position) const;
  // The picture as a view shows it shrunk, made once per picture and scale: a large picture is
  // not scaled again at every paint.
  const QImage& Shrunk(double scale);
  Picture picture_;
  QImage shrunk_;
  const StdPicture* shrunkFrom_ = nullptr;
  double shrunkAt_ = 0;
  int borderStyle_ = 0;
};

class TextBox : public ControlOf<QLineEdit> {
 public:
  explicit TextBox(QWidget* parent = nullptr) : ControlOf<QLineEdit>(parent) {}
  std::string Text() const { return text().toStdString(); }
  void SetText(const std::string& value) { setText(QString::fromStdString(value)); }
};

}  // namespace platform
