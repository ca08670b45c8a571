#include "app/progress_window.h"

#include "app/windows.h"
#include "platform/forms/application.h"

namespace kestrin {

ProgressWindow::ProgressWindow() : Window("Syori") {
  resize(360, 110);
  pb1_ = &Place<platform::ProgressBar>("PB1", 240, 720, 4800, 360);
  r1_ = &PlaceLabel("R1", "Label1", 240, 240, 4800, 360);
  Place<platform::Shape>("Shape1", 120, 120, 5040, 1200);
}

void SyoriProgress::Show() {
  windows::Syori().show();
}
void SyoriProgress::SetMax(double max) {
  windows::Syori().PB1().SetMax(max);
}
void SyoriProgress::SetMin(double min) {
  windows::Syori().PB1().SetMin(min);
}
void SyoriProgress::SetCaption(const std::string& caption) {
  windows::Syori().R1().SetCaption(caption);
}
void SyoriProgress::SetValue(double value) {
  windows::Syori().PB1().SetValue(value);
}
void SyoriProgress::Unload() {
  windows::Unload(WindowId::Syori);
}
bool SyoriProgress::Yield() {
  platform::DoEvents();
  return owner_ && !owner_->Unloaded();
}

}  // namespace kestrin
