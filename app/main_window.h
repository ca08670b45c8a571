// MDIF1: the main window, with the editors as children in its MDI area, the File menu and the
// file dialog component that every file dialog of the application uses.
#pragma once

#include <QAction>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "app/windows.h"
#include "platform/dialogs/file_dialog.h"
#include "platform/forms/form.h"

namespace kestrin {

class MainWindow : public platform::MdiForm {
 public:
  MainWindow();
  platform::CommonDialog& CD() { return cd_; }
  // The File menu's items by name: munOpen, numOpen2, OpenMesh, OpenCom, OpenT, munClose,
  // munQuit.
  QAction* MenuItem(const std::string& name) const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  platform::CommonDialog cd_;
  std::map<std::string, QAction*> items_;
};

// What would be lost by unloading or clearing the listed windows: one line per series built and
// not saved whole (of an editor that is loaded) and for a composite of the transparency editor
// that was not saved; empty when nothing would be.
std::vector<std::string> UnsavedWork(std::initializer_list<WindowId> ids);
// Asks before the listed windows lose unsaved work; true when there is none or the user agrees
// (the work then counts as discarded).
bool MayDiscard(std::initializer_list<WindowId> ids);

// The File menu's commands. Each asks before it discards unsaved work, and does nothing when
// told to keep it.
void OpenRotationEditorClick();
void OpenColourEditorClick();
void OpenMeshEditorClick();
void OpenCommentEditorClick();
void OpenTransparencyEditorClick();
void ClearPicturesClick();
void QuitClick();

}  // namespace kestrin
