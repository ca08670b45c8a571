#include "app/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>

#include "app/editor_window.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/module1.h"
#include "app/windows.h"

namespace kestrin {

namespace {

// Unloads the listed windows; one that fails does not stop the others.
void UnloadEach(std::initializer_list<WindowId> ids) {
  for (WindowId id : ids) IgnoreErrors([id] { windows::Unload(id); });
}

// Opens a picture into editor n; the other editors are unloaded only when it was opened.
void OpenInto(int16_t n, std::initializer_list<WindowId> others) {
  bool opened = false;
  IgnoreErrors([&] { opened = OpenGifInEditor(n); });
  if (opened) UnloadEach(others);
}

}  // namespace

MainWindow::MainWindow() {
  SetName("MDIF1");
  setWindowTitle(QStringLiteral("Kestrin"));
  resize(1024, 720);
  QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル"));
  file->setObjectName(QStringLiteral("File"));
  const std::pair<const char*, const char*> items[] = {{"munOpen", "角度編集開く"},
                                                       {"numOpen2", "カラー編集開く"},
                                                       {"OpenMesh", "メッシュ編集開く"},
                                                       {"OpenCom", "コメント編集開く"},
                                                       {"OpenT", "透過編集開く"},
                                                       {"munClose", "閉じる"},
                                                       {"munQuit", "終了"}};
  void (*handlers[])() = {MunOpenClick, NumOpen2Click, OpenMeshClick, OpenComClick,
                          OpenTClick,   MunCloseClick, MunQuitClick};
  for (size_t i = 0; i < std::size(items); ++i) {
    QAction* a = file->addAction(QString::fromUtf8(items[i].second));
    a->setObjectName(QString::fromUtf8(items[i].first));
    auto handler = handlers[i];
    QObject::connect(a, &QAction::triggered, a, [handler] { handler(); });
    items_[items[i].first] = a;
  }
}

QAction* MainWindow::MenuItem(const std::string& name) const {
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing the main window is quitting.
  event->ignore();
  MunQuitClick();
}

void MunOpenClick() {
  OpenInto(1, {WindowId::Dialog2, WindowId::Dialog3, WindowId::Dialog4, WindowId::Dialog5,
               WindowId::Dialog6, WindowId::Dialog7});
}

void NumOpen2Click() {
  OpenInto(2, {WindowId::Dialog, WindowId::Dialog3, WindowId::Dialog4, WindowId::Dialog5,
               WindowId::Dialog6, WindowId::Dialog7});
}

void OpenMeshClick() {
  OpenInto(3, {WindowId::Dialog, WindowId::Dialog2, WindowId::Dialog4, WindowId::Dialog5,
               WindowId::Dialog6, WindowId::Dialog7});
}

void OpenComClick() {
  OpenInto(4, {WindowId::Dialog, WindowId::Dialog2, WindowId::Dialog3, WindowId::Dialog5,
               WindowId::Dialog6, WindowId::Dialog7});
}

void OpenTClick() {
  IgnoreErrors([] { windows::Dialog5().show(); });
  IgnoreErrors([] { windows::Dialog5().IM2().SetPicture(platform::LoadPicture("")); });
  UnloadEach({WindowId::Dialog, WindowId::Dialog2, WindowId::Dialog4, WindowId::Dialog3,
              WindowId::Dialog6, WindowId::Dialog7});
}

void MunCloseClick() {
  for (int16_t n = 1; n <= 7; ++n) IgnoreErrors([n] { ClearEditorPictures(n); });
}

void MunQuitClick() {
  UnloadEach({WindowId::Dialog, WindowId::Dialog2, WindowId::Dialog3, WindowId::Dialog4,
              WindowId::Dialog5, WindowId::Dialog6, WindowId::Dialog7});
  windows::Unload(WindowId::MDIF1);
  // The last window is gone: the program ends.
  QCoreApplication::quit();
}

}  // namespace kestrin
