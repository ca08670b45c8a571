#include "platform/forms/control.h"

#include <cmath>

#include "platform/forms/form.h"
#include "platform/kernel/err.h"
#include "platform/picture/picture.h"

namespace platform {

double PixelsToScale(int pixels, int scaleMode) {
  return scaleMode == kScalePixels ? pixels : static_cast<double>(pixels) * kTwipsPerPixel;
}

int ScaleToPixels(double value, int scaleMode) {
  const double px = scaleMode == kScalePixels ? value : value / kTwipsPerPixel;
  if (!std::isfinite(px) || std::fabs(px) > 1e9) throw RuntimeError(kErrOverflow);
  return static_cast<int>(std::nearbyint(px));
}

int MouseButtonOf(Qt::MouseButtons b) {
  return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
         (b & Qt::MiddleButton ? 4 : 0);
}
int ShiftStateOf(Qt::KeyboardModifiers m) {
  return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
         (m & Qt::AltModifier ? 4 : 0);
}

std::string Control::Name() const {
  return Widget()->objectName().toStdString();
}

bool Control::Visible() const {
  return !Widget()->isHidden();
}
void Control::SetVisible(bool visible) {
  Widget()->setVisible(visible);
}
bool Control::Enabled() const {
  return Widget()->isEnabled();
}
void Control::SetEnabled(bool enabled) {
  Widget()->setEnabled(enabled);
}

int Control::ChildScaleMode() const {
  return form_ ? form_->ScaleMode() : kScaleTwips;
}

void Control::Attach(Form* form, Control* container, const std::string& name, int index) {
  form_ = form;
  container_ = container;
  index_ = index;
  Widget()->setObjectName(QString::fromStdString(name));
}

void Control::SetContainer(Control* container) {
  if (container == container_) return;
  if (container &&
      (!container->IsContainer() || container->ParentForm() != form_ || container == this))
    throw RuntimeError(kErrInvalidProperty);
  const QPoint pos = Widget()->pos();
  const bool hidden = Widget()->isHidden();
  Widget()->setParent(container ? container->Widget() : static_cast<QWidget*>(form_));
  Widget()->move(pos);
  Widget()->setHidden(hidden);
  container_ = container;
}

double Control::ToScale(int pixels) const {
  return PixelsToScale(pixels, container_ ? container_->ChildScaleMode()
                                          : (form_ ? form_->ScaleMode() : kScaleTwips));
}
int Control::ToPixels(double value) const {
  return ScaleToPixels(value, container_ ? container_->ChildScaleMode()
                                         : (form_ ? form_->ScaleMode() : kScaleTwips));
}

QPoint Control::Origin() const {
  return container_ ? container_->ClientOrigin() : QPoint();
}
QRect Control::ClientGeometry() const {
  return Widget()->geometry().translated(-Origin());
}

double Control::Left() const {
  return ToScale(ClientGeometry().x());
}
double Control::Top() const {
  return ToScale(ClientGeometry().y());
}
double Control::Width() const {
  return ToScale(Widget()->width());
}
double Control::Height() const {
  return ToScale(Widget()->height());
}

void Control::SetGeometryPixels(int x, int y, int w, int h) {
  if (w < 0 || h < 0) throw RuntimeError(kErrInvalidProperty);
  QWidget* widget = Widget();
  const bool resized = w != widget->width() || h != widget->height();
  const QPoint origin = Origin();
  widget->setGeometry(x + origin.x(), y + origin.y(), w, h);
  if (resized) OnResize();
}

void Control::SetLeft(double value) {
  const QRect g = ClientGeometry();
  SetGeometryPixels(ToPixels(value), g.y(), g.width(), g.height());
}
void Control::SetTop(double value) {
  const QRect g = ClientGeometry();
  SetGeometryPixels(g.x(), ToPixels(value), g.width(), g.height());
}
void Control::SetWidth(double value) {
  const QRect g = ClientGeometry();
  SetGeometryPixels(g.x(), g.y(), ToPixels(value), g.height());
}
void Control::SetHeight(double value) {
  const QRect g = ClientGeometry();
  SetGeometryPixels(g.x(), g.y(), g.width(), ToPixels(value));
}
void Control::Move(double left, double top, double width, double height) {
  SetGeometryPixels(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

void Control::ZOrder(int position) {
  if (position == 0)
    Widget()->raise();
  else
    Widget()->lower();
}

}  // namespace platform
