#include "platform/forms/controls.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/forms/form.h"
#include "platform/forms/picture_box.h"

namespace platform {

namespace {

// The built-in classes, under the toolkit's names and identifiers.
const bool kRegistered =
    RegisterControlClass<PictureBox>(kProgIdPictureBox, "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A01}") &&
    RegisterControlClass<Frame>(kProgIdFrame, "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A02}") &&
    RegisterControlClass<ImageControl>(kProgIdImage, "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A03}") &&
    RegisterControlClass<TextBox>(kProgIdTextBox, "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A04}");

int ButtonOf(Qt::MouseButtons b) {
  return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
         (b & Qt::MiddleButton ? 4 : 0);
}
int ShiftOf(Qt::KeyboardModifiers m) {
  return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
         (m & Qt::AltModifier ? 4 : 0);
}

}  // namespace

ImageControl::ImageControl(QWidget* parent) : ControlOf<QWidget>(parent) {
  (void)kRegistered;
}

void ImageControl::FitToPicture() {
  if (!stretch_ && picture_ && !picture_->Image().isNull()) {
    const QSize before = size();
    resize(picture_->Image().size());
    if (size() != before) OnResize();
  }
}

void ImageControl::SetPicture(const Picture& picture) {
  picture_ = picture;
  FitToPicture();
  update();
}

void ImageControl::SetStretch(bool on) {
  stretch_ = on;
  FitToPicture();
  update();
}

void ImageControl::paintEvent(QPaintEvent*) {
  if (!picture_ || picture_->Image().isNull()) return;
  QPainter p(this);
  if (stretch_)
    p.drawImage(rect(), picture_->Image());
  else
    p.drawImage(0, 0, picture_->Image());
}

void ImageControl::mousePressEvent(QMouseEvent* e) {
  if (onMouseDown)
    onMouseDown(ButtonOf(e->button()), ShiftOf(e->modifiers()), e->position().toPoint().x(),
                e->position().toPoint().y());
}
void ImageControl::mouseMoveEvent(QMouseEvent* e) {
  if (onMouseMove)
    onMouseMove(ButtonOf(e->buttons()), ShiftOf(e->modifiers()), e->position().toPoint().x(),
                e->position().toPoint().y());
}
void ImageControl::mouseReleaseEvent(QMouseEvent* e) {
  if (onMouseUp)
    onMouseUp(ButtonOf(e->button()), ShiftOf(e->modifiers()), e->position().toPoint().x(),
              e->position().toPoint().y());
}

}  // namespace platform
