#include "platform/forms/viewport.h"

#include <QEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "platform/forms/control.h"

namespace platform {

Viewport::Viewport(QWidget* owner, std::function<QRect()> area)
    : QObject(owner),
      owner_(owner),
      area_(std::move(area)),
      surface_(new QWidget(owner)),
      hbar_(new QScrollBar(Qt::Horizontal, owner)),
      vbar_(new QScrollBar(Qt::Vertical, owner)) {
  hbar_->hide();
  vbar_->hide();
  owner_->installEventFilter(this);
  surface_->installEventFilter(this);
  QObject::connect(hbar_, &QScrollBar::valueChanged, this, [this] { PlaceChildren(); });
  QObject::connect(vbar_, &QScrollBar::valueChanged, this, [this] { PlaceChildren(); });
  Relayout();
}

void Viewport::SetMode(ZoomMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  Relayout();
}

void Viewport::SetCentred(bool on) {
  centred_ = on;
  Relayout();
}

void Viewport::SetContent(std::optional<QRect> content) {
  fixedContent_ = content;
  Relayout();
}

QRect Viewport::Content() const {
  if (fixedContent_) return *fixedContent_;
  QRect united;
  for (QObject* o : surface_->children()) {
    auto* c = dynamic_cast<Control*>(qobject_cast<QWidget*>(o));
    if (!c || !c->Visible()) continue;
    const QRect r = c->ClientRect();
    if (!r.isEmpty()) united = united.united(r);
  }
  return united;
}

QRect Viewport::Shown(const QRect& logical, bool zoomable) const {
  const QPoint scroll =
      QPoint(hbar_->isHidden() ? 0 : hbar_->value(), vbar_->isHidden() ? 0 : vbar_->value()) -
      margin_;
  auto map = [this](int v, int origin) {
    return static_cast<int>(std::lround((v - origin) * scale_));
  };
  const int left = map(logical.x(), content_.x()) - scroll.x();
  const int top = map(logical.y(), content_.y()) - scroll.y();
  if (!zoomable) return {left, top, logical.width(), logical.height()};
  const int right = map(logical.x() + logical.width(), content_.x()) - scroll.x();
  const int bottom = map(logical.y() + logical.height(), content_.y()) - scroll.y();
  return {left, top, right - left, bottom - top};
}

void Viewport::Relayout() {
  if (laying_) return;
  laying_ = true;
  const QRect area = area_();
  content_ = Content();
  int w = area.width(), h = area.height();
  bool needH = false, needV = false;
  if (mode_ == ZoomMode::Fit) {
    scale_ = 1.0;
    if (!content_.isEmpty() && w > 0 && h > 0)
      scale_ = std::min({1.0, static_cast<double>(w) / content_.width(),
                         static_cast<double>(h) / content_.height()});
  } else {
    scale_ = 1.0;
    // A bar takes room from the other direction, which may then need its bar too.
    const int barHeight = hbar_->sizeHint().height(), barWidth = vbar_->sizeHint().width();
    for (int pass = 0; pass < 2; ++pass) {
      w = area.width() - (needV ? barWidth : 0);
      h = area.height() - (needH ? barHeight : 0);
      needH = content_.width() > w;
      needV = content_.height() > h;
    }
    w = std::max(0, area.width() - (needV ? barWidth : 0));
    h = std::max(0, area.height() - (needH ? barHeight : 0));
    hbar_->setGeometry(area.left(), area.top() + h, w, barHeight);
    vbar_->setGeometry(area.left() + w, area.top(), barWidth, h);
    hbar_->setRange(0, std::max(0, content_.width() - w));
    vbar_->setRange(0, std::max(0, content_.height() - h));
    hbar_->setPageStep(std::max(1, w));
    vbar_->setPageStep(std::max(1, h));
    hbar_->setSingleStep(16);
    vbar_->setSingleStep(16);
  }
  hbar_->setVisible(needH);
  vbar_->setVisible(needV);
  if (!needH) hbar_->setValue(0);
  if (!needV) vbar_->setValue(0);
  surface_->setGeometry(area.left(), area.top(), std::max(0, w), std::max(0, h));
  margin_ = QPoint();
  if (centred_ && !content_.isEmpty())
    margin_ =
        QPoint(std::max(0, (w - static_cast<int>(std::lround(content_.width() * scale_))) / 2),
               std::max(0, (h - static_cast<int>(std::lround(content_.height() * scale_))) / 2));
  laying_ = false;
  PlaceChildren();
}

void Viewport::PlaceChildren() {
  if (laying_) return;
  laying_ = true;
  for (QObject* o : surface_->children()) {
    auto* c = dynamic_cast<Control*>(qobject_cast<QWidget*>(o));
    if (c) c->Widget()->setGeometry(Shown(c->ClientRect(), c->Zoomable()));
  }
  laying_ = false;
}

bool Viewport::eventFilter(QObject* watched, QEvent* event) {
  if (watched == owner_ && event->type() == QEvent::Resize) {
    Relayout();
  } else if (watched == surface_ && event->type() == QEvent::ChildRemoved) {
    // The control is half destroyed while this event is sent: look again once it is gone.
    QTimer::singleShot(0, this, [this] { Relayout(); });
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace platform
