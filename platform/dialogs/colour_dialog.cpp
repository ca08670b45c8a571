#include "platform/dialogs/colour_dialog.h"

#include <QApplication>
#include <QColorDialog>
#include <mutex>

namespace platform {

namespace {

QColor ToQColor(uint32_t value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}
uint32_t ToValue(const QColor& c) {
  return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
         (static_cast<uint32_t>(c.blue()) << 16);
}

class InteractiveColourDialogs : public ColourDialogBackend {
 public:
  std::optional<uint32_t> Show(QWidget& dialog) override {
    auto* colours = qobject_cast<QColorDialog*>(&dialog);
    if (!colours || !qobject_cast<QApplication*>(QCoreApplication::instance())) return std::nullopt;
    if (colours->exec() != QDialog::Accepted) return std::nullopt;
    return ToValue(colours->selectedColor());
  }
};

std::mutex& BackendMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<ColourDialogBackend>& Backend() {
  static std::shared_ptr<ColourDialogBackend> backend =
      std::make_shared<InteractiveColourDialogs>();
  return backend;
}

}  // namespace

std::shared_ptr<ColourDialogBackend> SetColourDialogBackend(
    std::shared_ptr<ColourDialogBackend> backend) {
  std::lock_guard lock(BackendMutex());
  if (!backend) backend = std::make_shared<InteractiveColourDialogs>();
  std::swap(Backend(), backend);
  return backend;
}

std::optional<uint32_t> ScriptedColourDialogs::Show(QWidget& dialog) {
  ColourDialogRequest r;
  r.title = dialog.windowTitle().toStdString();
  r.owner = dialog.parentWidget();
  if (auto* colours = qobject_cast<QColorDialog*>(&dialog)) {
    r.initialColor = ToValue(colours->currentColor());
    for (int i = 0; i < 16; ++i) r.customColors.push_back(ToValue(QColorDialog::customColor(i)));
  }
  requests.push_back(r);
  if (answers.empty()) return std::nullopt;
  std::optional<uint32_t> answer = answers.front();
  answers.pop_front();
  return answer;
}

bool SetWindowText(QWidget* window, const std::string& text) {
  if (!window) return false;
  window->setWindowTitle(QString::fromStdString(text));
  return true;
}

bool ChooseColor(ChooseColorRecord& record) {
  if (record.lStructSize != 36 || !qobject_cast<QApplication*>(QCoreApplication::instance()))
    return false;
  QColorDialog dialog(record.hwndOwner);
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  // Without "start from the record's colour" the dialog opens on white, its own default.
  dialog.setCurrentColor((record.Flags & kCcRgbInit) ? ToQColor(record.rgbResult) : Qt::white);
  if (record.lpCustColors)
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, ToQColor(record.lpCustColors[i]));
  if ((record.Flags & kCcEnableHook) && record.lpfnHook)
    record.lpfnHook(&dialog, kWmInitDialog, 0, record.lCustData);

  std::shared_ptr<ColourDialogBackend> backend;
  {
    std::lock_guard lock(BackendMutex());
    backend = Backend();
  }
  const std::optional<uint32_t> chosen = backend->Show(dialog);
  if (record.lpCustColors)
    for (int i = 0; i < 16; ++i) record.lpCustColors[i] = ToValue(QColorDialog::customColor(i));
  if (!chosen) return false;
  record.rgbResult = *chosen & 0xFFFFFF;
  return true;
}

}  // namespace platform
