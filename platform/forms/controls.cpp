#include "platform/forms/controls.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/forms/form.h"
#include "platform/forms/picture_box.h"
#include "platform/kernel/err.h"

namespace platform {

namespace {

// The built-in classes, under the toolkit's names and identifiers.
const bool kRegistered =
    RegisterControlClass<PictureBox>(kProgIdPictureBox, "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A01}") &&
    RegisterControlClass<Frame>(kProgIdFrame, "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A02}") &&
    RegisterControlClass<ImageControl>(kProgIdImage, "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A03}") &&
    RegisterControlClass<TextBox>(kProgIdTextBox, "{46E1C710-0B46-4DF4-A9F5-4A0C6B1E7A04}");

}  // namespace

ImageControl::ImageControl(QWidget* parent) : ControlOf<QWidget>(parent) {
  (void)kRegistered;
}

void ImageControl::FitToPicture() {
  if (!stretch_ && picture_ && !picture_->Image().isNull()) {
    const QSize before = size();
    resize(picture_->Image().size() + QSize(2 * borderStyle_, 2 * borderStyle_));
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

void ImageControl::SetBorderStyle(int style) {
  if (style != 0 && style != 1) throw RuntimeError(kErrInvalidProperty);
  borderStyle_ = style;
  FitToPicture();
  update();
}

void ImageControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int b = borderStyle_;
  if (picture_ && !picture_->Image().isNull()) {
    if (stretch_)
      p.drawImage(rect().adjusted(b, b, -b, -b), picture_->Image());
    else
      p.drawImage(b, b, picture_->Image());
  }
  if (b) {
    p.setPen(Qt::black);
    p.drawRect(0, 0, width() - 1, height() - 1);
  }
}

void ImageControl::mousePressEvent(QMouseEvent* e) {
  if (onMouseDown)
    onMouseDown(MouseButtonOf(e->button()), ShiftStateOf(e->modifiers()),
                e->position().toPoint().x(), e->position().toPoint().y());
}
void ImageControl::mouseMoveEvent(QMouseEvent* e) {
  if (onMouseMove)
    onMouseMove(MouseButtonOf(e->buttons()), ShiftStateOf(e->modifiers()),
                e->position().toPoint().x(), e->position().toPoint().y());
}
void ImageControl::mouseReleaseEvent(QMouseEvent* e) {
  if (onMouseUp)
    onMouseUp(MouseButtonOf(e->button()), ShiftStateOf(e->modifiers()), e->position().toPoint().x(),
              e->position().toPoint().y());
}

}  // namespace platform
