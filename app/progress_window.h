// Syori: the progress window that long operations show, with its bar PB1, status label R1 and
// decorative shape Shape1.
#pragma once

#include <QPointer>

#include "app/editor_window.h"
#include "app/progress.h"

namespace kestrin {

class ProgressWindow : public Window {
 public:
  ProgressWindow();
  platform::ProgressBar& PB1() { return *pb1_; }
  platform::Label& R1() { return *r1_; }

 private:
  platform::ProgressBar* pb1_;
  platform::Label* r1_;
};

// The protocol through the Syori window: each call finds the window anew, so Unload and a
// later step load a fresh one. Yield processes events and reports whether `owner` (the window
// whose work this is) is still loaded.
class SyoriProgress : public Progress {
 public:
  explicit SyoriProgress(const Window* owner) : owner_(owner) {}
  void Show() override;
  void SetMax(double max) override;
  void SetMin(double min) override;
  void SetCaption(const std::string& caption) override;
  void SetValue(double value) override;
  void Unload() override;
  bool Yield() override;

 private:
  QPointer<const Window> owner_;
};

}  // namespace kestrin
