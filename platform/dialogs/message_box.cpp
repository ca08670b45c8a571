#include "platform/dialogs/message_box.h"

#include <QAbstractButton>
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
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
      return (style & kMbButtons) == kMbYesNo ? kIdNo : (style & kMbButtons) ? kIdCancel : kIdOk;
    const int icons = style & kMbIcons;
    QMessageBox::Icon icon = icons == kMbIconStop          ? QMessageBox::Critical
                             : icons == kMbIconExclamation ? QMessageBox::Warning
                             : icons == kMbIconQuestion    ? QMessageBox::Question
                                                           : QMessageBox::NoIcon;
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text));
    switch (style & kMbButtons) {
      case kMbYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
      case kMbYesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
      default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    // Japanese captions whether or not Qt's translations are installed.
    if (QAbstractButton* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("はい"));
    if (QAbstractButton* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("いいえ"));
    if (QAbstractButton* b = box.button(QMessageBox::Cancel))
      b->setText(QStringLiteral("キャンセル"));
    switch (box.exec()) {
      case QMessageBox::Yes:
        return kIdYes;
      case QMessageBox::No:
        return kIdNo;
      case QMessageBox::Cancel:
        return kIdCancel;
      default:
        return kIdOk;
    }
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
