#include "platform/forms/control.h"

#include <cmath>

#include "platform/forms/form.h"
#include "platform/forms/viewport.h"
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
  if (Viewport* view = HostView()) view->Relayout();
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

QWidget* Control::ChildHost() {
  Viewport* view = View();
  return view ? view->Surface() : Widget();
}

void RestackControls(QWidget* host) {
  if (!host) return;
  const QObjectList children = host->children();
  for (QObject* o : children) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w) continue;
    auto* c = dynamic_cast<Control*>(w);
    if (!c || !c->IsLightweight()) w->raise();
  }
}

void Control::Attach(Form* form, Control* container, const std::string& name, int index) {
  form_ = form;
  container_ = container;
  index_ = index;
  logical_ = Widget()->geometry();
  Widget()->setObjectName(QString::fromStdString(name));
}

void Control::SetContainer(Control* container) {
  if (container == container_) return;
  if (container &&
      (!container->IsContainer() || container->ParentForm() != form_ || container == this))
    throw RuntimeError(kErrInvalidProperty);
  const bool hidden = Widget()->isHidden();
  QWidget* host = container ? container->ChildHost() : static_cast<QWidget*>(form_);
  if (!HostView() && !(container && container->View())) {
    const QPoint pos = Widget()->pos();
    Widget()->setParent(host);
    Widget()->move(pos);
    container_ = container;
  } else {
    // Through a view the control keeps its place in its container's terms.
    const QRect g = ClientGeometry();
    Viewport* old = HostView();
    Widget()->setParent(host);
    container_ = container;
    if (old) old->Relayout();
    SetGeometryPixels(g.x(), g.y(), g.width(), g.height());
  }
  Widget()->setHidden(hidden);
  RestackControls(host);
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
  if (HostView()) return logical_;
  return Widget()->geometry().translated(-Origin());
}

double Control::Left() const {
  return ToScale(ClientGeometry().x());
}
double Control::Top() const {
  return ToScale(ClientGeometry().y());
}
double Control::Width() const {
  return ToScale(ClientGeometry().width());
}
double Control::Height() const {
  return ToScale(ClientGeometry().height());
}

void Control::SetGeometryPixels(int x, int y, int w, int h) {
  if (w < 0 || h < 0) throw RuntimeError(kErrInvalidProperty);
  if (Viewport* view = HostView()) {
    const bool resized = w != logical_.width() || h != logical_.height();
    logical_ = QRect(x, y, w, h);
    view->Relayout();
    if (resized) OnResize();
    return;
  }
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

void Control::SetSizePixels(int w, int h) {
  if (Viewport* view = HostView()) {
    logical_.setSize(QSize(w, h));
    view->Relayout();
  } else {
    Widget()->resize(w, h);
  }
}

double Control::ViewScale() const {
  Viewport* view = HostView();
  return view ? view->Scale() : 1.0;
}

void Control::ZOrder(int position) {
  if (position == 0)
    Widget()->raise();
  else
    Widget()->lower();
  RestackControls(Widget()->parentWidget());
}

}  // namespace platform
