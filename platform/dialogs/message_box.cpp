#include "platform/dialogs/message_box.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <mutex>

#include "platform/kernel/message_sink.h"

namespace platform {

namespace {

class InteractiveMessageBoxes : public MessageBoxBackend {
 public:
  int Show(const std::string& text, int style, const std::string& title) override {
    // Without a widget application there is nobody to answer a dialog.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return kIdOk;
    QMessageBox::Icon icon = style == kMbIconStop          ? QMessageBox::Critical
                             : style == kMbIconExclamation ? QMessageBox::Warning
                                                           : QMessageBox::NoIcon;
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.exec();
    return kIdOk;
  }
};

std::mutex& BackendMutex() {
  static std::mutex m;
  return m;
}

// Code without a toolkit of its own shows its boxes through these.
struct InstallSink {
  InstallSink() { SetMessageSink(&MsgBox); }
} const kInstallSink;

std::shared_ptr<MessageBoxBackend>& Backend() {
  static std::shared_ptr<MessageBoxBackend> backend = std::make_shared<InteractiveMessageBoxes>();
  return backend;
}

}  // namespace

int MsgBox(const std::string& text, int style, const std::string& title) {
  std::shared_ptr<MessageBoxBackend> backend;
  {
    std::lock_guard lock(BackendMutex());
    backend = Backend();
  }
  return backend->Show(text, style, title);
}

std::shared_ptr<MessageBoxBackend> SetMessageBoxBackend(
    std::shared_ptr<MessageBoxBackend> backend) {
  std::lock_guard lock(BackendMutex());
  if (!backend) backend = std::make_shared<InteractiveMessageBoxes>();
  std::swap(Backend(), backend);
  return backend;
}

int ScriptedMessageBoxes::Show(const std::string& text, int style, const std::string& title) {
  shown.push_back({text, style, title});
  if (answers.empty()) return kIdOk;
  int answer = answers.front();
  answers.erase(answers.begin());
  return answer;
}

}  // namespace platform
