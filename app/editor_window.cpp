#include "app/editor_window.h"

#include <QPointer>

#include "app/animated_export.h"
#include "platform/kernel/err.h"

namespace kestrin {

Window::Window(const std::string& name) {
  SetName(name);
  setWindowTitle(QString::fromUtf8(kDialogCaption));
}

platform::Label& Window::PlaceLabel(const std::string& name, const std::string& caption, int left,
                                    int top, int width, int height, platform::Control* container) {
  platform::Label& l = Place<platform::Label>(name, left, top, width, height, container);
  l.SetCaption(caption);
  return l;
}

void Window::PlaceCompressionBox(int left, int top, int width) {
  compressionBox_ = &Place<platform::CheckBox>("LZWCheck", "LZW圧縮", left, top, width, 300);
  compressionBox_->SetValue(1);
}

pellory::Vesk_GifCompressionEnum Window::Compression() const {
  return compressionBox_ && compressionBox_->Value() == 0 ? pellory::LiteralCodes
                                                          : pellory::LzwCodes;
}

EditorWindow::EditorWindow(const std::string& name) : Window(name) {}

void EditorWindow::PlacePictures(int left, int top, int width, int height,
                                 const std::string& im2Caption) {
  auto& f1 = Place<platform::Frame>("Frame1", left, top, width, height);
  f1.SetCaption("元のイメージ");
  im1_ = &Place<platform::ImageControl>("IM1", 120, 300, width - 240, height - 420, &f1);
  auto& f2 = Place<platform::Frame>("Frame2", left + width + 120, top, width, height);
  f2.SetCaption(im2Caption);
  im2_ = &Place<platform::ImageControl>("IM2", 120, 300, width - 240, height - 420, &f2);
}

void EditorWindow::PlaceAnimationControls(const std::string& buttonName, int left, int top,
                                          int width, int fieldLeft, int fieldTop,
                                          std::function<std::vector<platform::Picture>()> frames) {
  animationButton_ =
      &Place<platform::CommandButton>(buttonName, kAnimationButtonCaption, left, top, width, 400);
  constexpr int kLabelWidth = 1740, kFieldWidth = 660;
  PlaceLabel("DelayLabel", kDelayLabelCaption, fieldLeft - kLabelWidth, fieldTop + 45, kLabelWidth,
             300);
  delayText_ = &Place<platform::TextBox>("DelayText", fieldLeft, fieldTop, kFieldWidth, 330);
  delayText_->SetText("10");
  animationButton_->onClick = [this, frames = std::move(frames)] {
    RunAlone({animationButton_}, [&] { SaveAnimationClick(frames(), delayText_->Text()); });
  };
}

void EditorWindow::RunAlone(const std::vector<platform::CommandButton*>& buttons,
                            const std::function<void()>& work) {
  if (busy_) return;
  busy_ = true;
  // The work may unload this window and yield, and the message loop may destroy the window
  // meanwhile; then nothing of it is touched afterwards.
  QPointer<EditorWindow> self(this);
  std::vector<QPointer<QWidget>> disabled;
  for (platform::CommandButton* b : buttons) {
    if (b->isEnabled()) disabled.emplace_back(b);
    b->setEnabled(false);
  }
  try {
    work();
  } catch (...) {
    for (auto& b : disabled)
      if (b) b->setEnabled(true);
    if (self) busy_ = false;
    throw;
  }
  for (auto& b : disabled)
    if (b) b->setEnabled(true);
  if (self) busy_ = false;
}

void IgnoreErrors(const std::function<void()>& statement) {
  try {
    statement();
  } catch (const platform::RuntimeError&) {
  }
}

}  // namespace kestrin
