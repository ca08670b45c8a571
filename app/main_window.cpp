#include "app/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <algorithm>

#include "app/editor_files.h"
#include "app/editor_window.h"
#include "app/editors/colour/colour_series.h"
#include "app/editors/mesh/mesh_series.h"
#include "app/editors/rotation/rotation_series.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/windows.h"

namespace kestrin {

namespace {

// Unloads the listed windows; one that fails does not stop the others.
void UnloadEach(std::initializer_list<WindowId> ids) {
  for (WindowId id : ids) IgnoreErrors([id] { windows::Unload(id); });
}

bool Lists(std::initializer_list<WindowId> ids, WindowId id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end() && windows::IsLoaded(id);
}

// Opens a picture into editor n; the other editors are unloaded only when it was opened.
void OpenInto(int16_t n, std::initializer_list<WindowId> others) {
  bool opened = false;
  IgnoreErrors([&] {
    opened = OpenGifInEditor(
        windows::MDIF1(), [n] { return windows::ByEditorNumber(n); },
        [others] { return MayDiscard(others); });
  });
  if (opened) UnloadEach(others);
}

constexpr std::initializer_list<WindowId> kEditors = {
    WindowId::Dialog,  WindowId::Dialog2, WindowId::Dialog3, WindowId::Dialog4,
    WindowId::Dialog5, WindowId::Dialog6, WindowId::Dialog7};

}  // namespace

std::vector<std::string> UnsavedWork(std::initializer_list<WindowId> ids) {
  std::vector<std::string> lines;
  const RotationState& rotation = ProgramRotationState();
  if (Lists(ids, WindowId::Dialog) && rotation.seriesBuilt != 0 && rotation.unsaved)
    lines.push_back("保存していない回転の連続イメージがあります。");
  if (Lists(ids, WindowId::Dialog2) && ProgramColourState().frameCount > 0 &&
      ProgramColourState().unsaved)
    lines.push_back("保存していないカラー変更の連続イメージがあります。");
  if (Lists(ids, WindowId::Dialog3) && ProgramMeshState().frameCount > 0 &&
      ProgramMeshState().unsaved)
    lines.push_back("保存していないメッシュの連続イメージがあります。");
  if (Lists(ids, WindowId::Dialog5) && windows::Dialog5().CompositeUnsaved())
    lines.push_back("保存していない透過イメージがあります。");
  return lines;
}

bool MayDiscard(std::initializer_list<WindowId> ids) {
  const std::vector<std::string> lines = UnsavedWork(ids);
  if (lines.empty()) return true;
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  if (!AskYesNo(text + "破棄してよろしいですか？")) return false;
  // Discarded: a later command does not ask about the same work again.
  if (Lists(ids, WindowId::Dialog)) ProgramRotationState().unsaved = false;
  if (Lists(ids, WindowId::Dialog2)) ProgramColourState().unsaved = false;
  if (Lists(ids, WindowId::Dialog3)) ProgramMeshState().unsaved = false;
  if (Lists(ids, WindowId::Dialog5)) windows::Dialog5().ForgetComposite();
  return true;
}

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
  void (*handlers[])() = {OpenRotationEditorClick,
                          OpenColourEditorClick,
                          OpenMeshEditorClick,
                          OpenCommentEditorClick,
                          OpenTransparencyEditorClick,
                          ClearPicturesClick,
                          QuitClick};
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
  QuitClick();
}

void OpenRotationEditorClick() {
  OpenInto(1, {WindowId::Dialog2, WindowId::Dialog3, WindowId::Dialog4, WindowId::Dialog5,
               WindowId::Dialog6, WindowId::Dialog7});
}

void OpenColourEditorClick() {
  OpenInto(2, {WindowId::Dialog, WindowId::Dialog3, WindowId::Dialog4, WindowId::Dialog5,
               WindowId::Dialog6, WindowId::Dialog7});
}

void OpenMeshEditorClick() {
  OpenInto(3, {WindowId::Dialog, WindowId::Dialog2, WindowId::Dialog4, WindowId::Dialog5,
               WindowId::Dialog6, WindowId::Dialog7});
}

void OpenCommentEditorClick() {
  OpenInto(4, {WindowId::Dialog, WindowId::Dialog2, WindowId::Dialog3, WindowId::Dialog5,
               WindowId::Dialog6, WindowId::Dialog7});
}

void OpenTransparencyEditorClick() {
  // The editor's second picture is emptied, and the other editors are unloaded.
  if (!MayDiscard(kEditors)) return;
  IgnoreErrors([] { windows::Dialog5().show(); });
  IgnoreErrors([] { windows::Dialog5().IM2().SetPicture(platform::LoadPicture("")); });
  IgnoreErrors([] { windows::Dialog5().ForgetComposite(); });
  UnloadEach({WindowId::Dialog, WindowId::Dialog2, WindowId::Dialog4, WindowId::Dialog3,
              WindowId::Dialog6, WindowId::Dialog7});
}

void ClearPicturesClick() {
  // The editors keep their series, but with their pictures gone no save can write them.
  if (!MayDiscard(kEditors)) return;
  // Each editor is loaded when it is not open, then emptied.
  for (int16_t n = 1; n <= 7; ++n)
    IgnoreErrors([n] { ClearEditorPictures(windows::ByEditorNumber(n)); });
}

void QuitClick() {
  if (!MayDiscard(kEditors)) return;
  UnloadEach({WindowId::Dialog, WindowId::Dialog2, WindowId::Dialog3, WindowId::Dialog4,
              WindowId::Dialog5, WindowId::Dialog6, WindowId::Dialog7});
  windows::Unload(WindowId::MDIF1);
  // The last window is gone: the program ends.
  QCoreApplication::quit();
}

}  // namespace kestrin
