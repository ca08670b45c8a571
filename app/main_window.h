// MDIF1: the main window, with the editors as children in its MDI area, the File menu and the
// file dialog component that every file dialog of the application uses.
#pragma once

#include <QAction>
#include <map>
#include <string>

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

// The File menu's commands.
void MunOpenClick();
void NumOpen2Click();
void OpenMeshClick();
void OpenComClick();
void OpenTClick();
void MunCloseClick();
void MunQuitClick();

}  // namespace kestrin
