#include "platform/forms/form.h"

#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

#include "platform/kernel/err.h"

namespace platform {

void Controls::Prune() const {
  std::erase_if(entries_, [](const Entry& e) { return e.widget.isNull(); });
}

void Controls::Adopt(Control* control, const std::string& name, Control* container, int index) {
  std::unique_ptr<QWidget> owned(control->Widget());
  if (name.empty()) throw RuntimeError(kErrInvalidProperty);
  if (Find(name, index)) throw RuntimeError(kErrDuplicateControl);
  if (container && (!container->IsContainer() || container->ParentForm() != &form_))
    throw RuntimeError(kErrInvalidCall);
  QWidget* w = owned.release();
  w->hide();
  QWidget* host = container ? container->ChildHost() : static_cast<QWidget*>(&form_);
  w->setParent(host);
  w->hide();
  control->Attach(&form_, container, name, index);
  RestackControls(host);
  entries_.push_back({w, control});
}

Control& Controls::Add(const std::string& progId, const std::string& name, Control* container,
                       int index) {
  auto cls = CreateComObjectAs<ControlClass>(progId);
  if (!cls) throw RuntimeError(kErrCannotCreateObject);
  Control* control = cls->Create(nullptr);
  if (!control) throw RuntimeError(kErrCannotCreateObject);
  Adopt(control, name, container, index);
  return *control;
}

void Controls::Remove(const std::string& name, int index) {
  Control* c = Find(name, index);
  if (!c) throw RuntimeError(kErrControlNotFound);
  QWidget* w = c->Widget();
  std::erase_if(entries_, [w](const Entry& e) { return e.widget == w; });
  delete w;
}

int Controls::Count() const {
  Prune();
  return static_cast<int>(entries_.size());
}

Control* Controls::Find(const std::string& name, int index) const {
  Prune();
  const QString qname = QString::fromStdString(name);
  for (const Entry& e : entries_) {
    // Control names are compared without regard to case, as the toolkit does.
    if (e.control->Index() == index &&
        e.widget->objectName().compare(qname, Qt::CaseInsensitive) == 0)
      return e.control;
  }
  return nullptr;
}

Control& Controls::Item(const std::string& name, int index) const {
  Control* c = Find(name, index);
  if (!c) throw RuntimeError(kErrControlNotFound);
  return *c;
}

Control& Controls::Item(int position) const {
  Prune();
  if (position < 0 || position >= static_cast<int>(entries_.size()))
    throw RuntimeError(kErrSubscript);
  return *entries_[position].control;
}

std::vector<Control*> Controls::All() const {
  Prune();
  std::vector<Control*> all;
  all.reserve(entries_.size());
  for (const Entry& e : entries_) all.push_back(e.control);
  return all;
}

Form::Form(QWidget* parent) : QWidget(parent), controls_(*this) {}

Form::~Form() = default;

std::string Form::Name() const {
  return objectName().toStdString();
}
void Form::SetName(const std::string& name) {
  setObjectName(QString::fromStdString(name));
}

MdiForm::MdiForm(QWidget* parent) : QMainWindow(parent), area_(new QMdiArea(this)) {
  setCentralWidget(area_);
}

std::string MdiForm::Name() const {
  return objectName().toStdString();
}
void MdiForm::SetName(const std::string& name) {
  setObjectName(QString::fromStdString(name));
}

void MdiForm::AddChild(Form* child, bool centred) {
  const QSize wanted = child->size();
  QMdiSubWindow* sub = area_->addSubWindow(child);
  sub->show();
  // The child keeps its own size; the frame is added around it.
  sub->resize(wanted + (sub->size() - child->size()));
  // Room for the child and a small margin, so that it can still be placed a little away from
  // the corner.
  constexpr int kMargin = 8;
  QWidget* view = area_->viewport();
  const QSize lacking =
      (sub->size() + QSize(kMargin, kMargin) - view->size()).expandedTo(QSize(0, 0));
  if (lacking.width() > 0 || lacking.height() > 0) {
    resize(size() + lacking);
    if (QLayout* l = layout()) l->activate();
  }
  if (centred) {
    QRect g = sub->geometry();
    g.moveCenter(view->rect().center());
    sub->move(g.topLeft());
  }
  KeepInside(sub);
}

void MdiForm::KeepInside(QWidget* child) {
  QWidget* sub = child;
  while (sub && !qobject_cast<QMdiSubWindow*>(sub)) sub = sub->parentWidget();
  if (!sub) return;
  const QRect room = area_->viewport()->rect();
  QRect g = sub->geometry();
  g.moveLeft(std::clamp(g.left(), 0, std::max(0, room.width() - g.width())));
  g.moveTop(std::clamp(g.top(), 0, std::max(0, room.height() - g.height())));
  if (g.topLeft() != sub->pos()) sub->move(g.topLeft());
}

}  // namespace platform
