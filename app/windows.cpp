#include "app/windows.h"

#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QPointer>
#include <map>

#include "app/editors/colour/colour_window.h"
#include "app/editors/comment/comment_window.h"
#include "app/editors/mesh/mesh_window.h"
#include "app/editors/rotation/rotation_window.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/main_window.h"
#include "app/ok_cancel_dialog.h"
#include "app/progress_window.h"

namespace kestrin::windows {

namespace {

std::map<WindowId, QPointer<QWidget>>& Loaded() {
  static std::map<WindowId, QPointer<QWidget>> loaded;
  return loaded;
}

template <class W, class... Args>
W& Get(WindowId id, bool mdiChild, Args&&... args) {
  QPointer<QWidget>& slot = Loaded()[id];
  if (auto* w = dynamic_cast<W*>(slot.data())) return *w;
  if (slot) slot.clear();
  if (mdiChild) MDIF1();  // a child brings up the main window first
  W* w = new W(std::forward<Args>(args)...);
  slot = w;
  // The progress window shows over the middle of the work, wholly visible.
  if (mdiChild) MDIF1().AddChild(w, id == WindowId::Syori);
  return *w;
}

}  // namespace

MainWindow& MDIF1() {
  QPointer<QWidget>& slot = Loaded()[WindowId::MDIF1];
  if (auto* w = dynamic_cast<MainWindow*>(slot.data())) return *w;
  auto* w = new MainWindow;
  slot = w;
  w->show();
  return *w;
}

RotationWindow& Dialog() {
  return Get<RotationWindow>(WindowId::Dialog, true);
}
ColourWindow& Dialog2() {
  return Get<ColourWindow>(WindowId::Dialog2, true);
}
MeshWindow& Dialog3() {
  return Get<MeshWindow>(WindowId::Dialog3, true);
}
CommentWindow& Dialog4() {
  return Get<CommentWindow>(WindowId::Dialog4, true);
}
TransparencyWindow& Dialog5() {
  return Get<TransparencyWindow>(WindowId::Dialog5, true);
}
OkCancelDialog& Dialog6() {
  return Get<OkCancelDialog>(WindowId::Dialog6, false, "Dialog6");
}
OkCancelDialog& Dialog7() {
  return Get<OkCancelDialog>(WindowId::Dialog7, false, "Dialog7");
}
ProgressWindow& Syori() {
  return Get<ProgressWindow>(WindowId::Syori, true);
}

bool IsLoaded(WindowId id) {
  auto it = Loaded().find(id);
  return it != Loaded().end() && !it->second.isNull();
}

void Unload(WindowId id) {
  auto it = Loaded().find(id);
  if (it == Loaded().end() || it->second.isNull()) return;
  QWidget* w = it->second.data();
  Loaded().erase(it);
  if (auto* window = dynamic_cast<Window*>(w)) window->MarkUnloaded();
  // A handler of the window may be on the stack (a build that yields, a menu command of the
  // window itself): hide it now, destroy it once control is back in the event loop.
  QWidget* top = qobject_cast<QMdiSubWindow*>(w->parentWidget()) ? w->parentWidget() : w;
  top->hide();
  top->deleteLater();
}

void UnloadAll() {
  for (WindowId id : {WindowId::Dialog, WindowId::Dialog2, WindowId::Dialog3, WindowId::Dialog4,
                      WindowId::Dialog5, WindowId::Dialog6, WindowId::Dialog7, WindowId::Syori})
    Unload(id);
  Unload(WindowId::MDIF1);
}

platform::Form* ByEditorNumber(int16_t number) {
  switch (number) {
    case 6:
      return &Dialog6();
    case 5:
      return &Dialog5();
    case 7:
      return &Dialog7();
    default:
      return EditorByNumber(number);
  }
}

EditorWindow* EditorByNumber(int16_t number) {
  switch (number) {
    case 1:
      return &Dialog();
    case 2:
      return &Dialog2();
    case 3:
      return &Dialog3();
    case 4:
      return &Dialog4();
    default:
      return nullptr;
  }
}

}  // namespace kestrin::windows
