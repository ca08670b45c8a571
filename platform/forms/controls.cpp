#include "platform/forms/controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <algorithm>
#include <cmath>

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

Viewport& Frame::EnableView() {
  if (!view_) view_ = std::make_unique<Viewport>(this, [this] { return ContentsArea(); });
  return *view_;
}

QRect Frame::ContentsArea() const {
  QStyleOptionGroupBox option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, this);
}

ViewBox::ViewBox(QWidget* parent)
    : ControlOf<QWidget>(parent), view_(new Viewport(this, [this] { return rect(); })) {}

ImageControl::ImageControl(QWidget* parent) : ControlOf<QWidget>(parent) {
  (void)kRegistered;
}

void ImageControl::FitToPicture() {
  if (picture_ && !picture_->Image().isNull()) {
    const QSize before = ClientRect().size();
    const QSize wanted = picture_->Image().size() + QSize(2 * borderStyle_, 2 * borderStyle_);
    SetSizePixels(wanted.width(), wanted.height());
    if (wanted != before) OnResize();
  }
}

QPoint ImageControl::ToPicture(QPointF position) const {
  const double scale = ViewScale();
  return QPoint(static_cast<int>(std::floor(position.x() / scale)),
                static_cast<int>(std::floor(position.y() / scale)));
}

void ImageControl::SetPicture(const Picture& picture) {
  picture_ = picture;
  shrunk_ = QImage();
  shrunkFrom_ = nullptr;
  FitToPicture();
  update();
}

void ImageControl::SetBorderStyle(int style) {
  if (style != 0 && style != 1) throw RuntimeError(kErrInvalidProperty);
  borderStyle_ = style;
  FitToPicture();
  update();
}

const QImage& ImageControl::Shrunk(double scale) {
  // A picture's pixels never change once it is made, so the picture and the scale identify it.
  if (shrunkFrom_ != picture_.get() || shrunkAt_ != scale) {
    const QImage& image = picture_->Image();
    const QSize size(std::max(1, static_cast<int>(std::lround(image.width() * scale))),
                     std::max(1, static_cast<int>(std::lround(image.height() * scale))));
    shrunk_ = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    shrunkFrom_ = picture_.get();
    shrunkAt_ = scale;
  }
  return shrunk_;
}

void ImageControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int b = borderStyle_;
  if (picture_ && !picture_->Image().isNull()) {
    const double scale = ViewScale();
    if (scale != 1.0) {
      p.drawImage(b, b, Shrunk(scale));
    } else {
      p.drawImage(b, b, picture_->Image());
    }
  }
  if (b) {
    p.setPen(Qt::black);
    p.drawRect(0, 0, width() - 1, height() - 1);
  }
}

void ImageControl::mousePressEvent(QMouseEvent* e) {
  const QPoint at = ViewScale() == 1.0 ? e->position().toPoint() : ToPicture(e->position());
  if (onMouseDown)
    onMouseDown(MouseButtonOf(e->button()), ShiftStateOf(e->modifiers()), at.x(), at.y());
}
void ImageControl::mouseMoveEvent(QMouseEvent* e) {
  const QPoint at = ViewScale() == 1.0 ? e->position().toPoint() : ToPicture(e->position());
  if (onMouseMove)
    onMouseMove(MouseButtonOf(e->buttons()), ShiftStateOf(e->modifiers()), at.x(), at.y());
}
void ImageControl::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint at = ViewScale() == 1.0 ? e->position().toPoint() : ToPicture(e->position());
  if (onMouseUp)
    onMouseUp(MouseButtonOf(e->button()), ShiftStateOf(e->modifiers()), at.x(), at.y());
}

}  // namespace platform
