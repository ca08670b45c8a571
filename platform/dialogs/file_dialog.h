// The common file dialog: a component whose properties are set before it is shown and whose
// FileName is read afterwards. The interactive back end shows Qt's file dialogs; tests install a
// scripted back end that answers from a queue and records every request.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Flags of the dialog.
inline constexpr int kOfnFileMustExist = 4096;
// The run-time error that a cancelled dialog raises when CancelError is set.
inline constexpr int kErrCancelSelected = 32755;

struct FileDialogRequest {
  bool save = false;
  std::string filter;  // patterns separated by ";", e.g. "*.bmp;*.jpg"
  int flags = 0;
  std::string initialName;
};

class FileDialogBackend {
 public:
  virtual ~FileDialogBackend() = default;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> Show(const FileDialogRequest& request) = 0;
};

// Replaces the back end (nullptr restores the interactive one); returns the previous one.
std::shared_ptr<FileDialogBackend> SetFileDialogBackend(std::shared_ptr<FileDialogBackend> backend);

// Answers with the queued paths in order (nothing queued: cancelled) and records the requests.
class ScriptedFileDialogs : public FileDialogBackend {
 public:
  std::optional<std::string> Show(const FileDialogRequest& request) override;
  std::deque<std::optional<std::string>> answers;
  std::vector<FileDialogRequest> requests;
};

class CommonDialog {
 public:
  bool CancelError = false;
  int Flags = 0;
  std::string Filter;
  std::string FileName;

  // Set FileName to the chosen path. A cancelled dialog leaves FileName as it was, or, with
  // CancelError, raises RuntimeError 32755.
  void ShowOpen();
  void ShowSave();

 private:
  void Show(bool save);
};

}  // namespace platform
