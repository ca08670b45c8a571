#include "platform/dialogs/file_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <mutex>

#include "platform/kernel/err.h"

namespace platform {

namespace {

// The patterns of a list separated by ";", each also in upper case: the dialog matches names
// case-sensitively here, and files from other systems are often named ROSE.GIF.
QString Patterns(const QString& list) {
  QStringList patterns;
  for (const QString& p : list.split(';', Qt::SkipEmptyParts)) {
    patterns << p;
    if (p.toUpper() != p) patterns << p.toUpper();
  }
  return patterns.join(' ');
}

// "*.gif;*.bmp" lists patterns; "説明|*.gif|説明|*.png;*.bmp" pairs a description with each list,
// one choice of the dialog per pair.
QString QtFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  if (parts.size() < 2) return Patterns(QString::fromStdString(filter));
  QStringList choices;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    choices << parts[i] + " (" + Patterns(parts[i + 1]) + ")";
  return choices.join(";;");
}

class InteractiveFileDialogs : public FileDialogBackend {
 public:
  std::optional<std::string> Show(const FileDialogRequest& request) override {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return std::nullopt;
    const QString filter = QtFilter(request.filter);
    QString path;
    if (request.save) {
      path = QFileDialog::getSaveFileName(nullptr, QString(),
                                          QString::fromStdString(request.initialName), filter);
    } else {
      path = QFileDialog::getOpenFileName(nullptr, QString(),
                                          QString::fromStdString(request.initialName), filter);
    }
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
  }
};

std::mutex& BackendMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<FileDialogBackend>& Backend() {
  static std::shared_ptr<FileDialogBackend> backend = std::make_shared<InteractiveFileDialogs>();
  return backend;
}

}  // namespace

std::shared_ptr<FileDialogBackend> SetFileDialogBackend(
    std::shared_ptr<FileDialogBackend> backend) {
  std::lock_guard lock(BackendMutex());
  if (!backend) backend = std::make_shared<InteractiveFileDialogs>();
  std::swap(Backend(), backend);
  return backend;
}

std::optional<std::string> ScriptedFileDialogs::Show(const FileDialogRequest& request) {
  requests.push_back(request);
  if (answers.empty()) return std::nullopt;
  std::optional<std::string> answer = answers.front();
  answers.pop_front();
  return answer;
}

void CommonDialog::ShowOpen() {
  Show(false);
}
void CommonDialog::ShowSave() {
  Show(true);
}

void CommonDialog::Show(bool save) {
  std::shared_ptr<FileDialogBackend> backend;
  {
    std::lock_guard lock(BackendMutex());
    backend = Backend();
  }
  std::optional<std::string> chosen = backend->Show({save, Filter, Flags, FileName});
  if (chosen) {
    FileName = *chosen;
    return;
  }
  if (CancelError) throw RuntimeError(kErrCancelSelected, "Cancel was selected.");
}

}  // namespace platform
