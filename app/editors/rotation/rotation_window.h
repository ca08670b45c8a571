// Dialog: the rotation editor's window. It wires its controls to RotationSeries.
#pragma once

#include "app/editor_window.h"
#include "app/editors/rotation/rotation_series.h"

namespace kestrin {

class RotationWindow : public EditorWindow {
 public:
  RotationWindow();

  platform::TextBox& kakudo() { return *kakudo_; }
  platform::TextBox& Text1() { return *text1_; }
  platform::OptionButton& Option1() { return *option1_; }
  platform::OptionButton& Option2() { return *option2_; }
  platform::CommandButton& Command1() { return *command1_; }
  platform::CommandButton& Command2() { return *command2_; }
  platform::CommandButton& Command3() { return *command3_; }
  platform::CommandButton& Command4() { return *command4_; }
  platform::CheckBox& Check1() { return *check1_; }
  platform::CheckBox& Check2() { return *check2_; }
  platform::ImageControl& IM3() { return *im3_; }
  // The box the series plays in.
  platform::ViewBox& View3() { return *view3_; }
  platform::Timer& Timer1() { return *timer1_; }

  RotationSettings Settings() const;
  void BuildClick();
  void SaveClick();
  void TimerTick();
  // Starts the preview at the delay typed; while it plays, stops it.
  void PreviewClick();

 private:
  void ShowWholeSeries();
  RotationSeries series_;
  platform::TextBox* kakudo_;
  platform::TextBox* text1_;
  platform::OptionButton* option1_;
  platform::OptionButton* option2_;
  platform::CommandButton* command1_;
  platform::CommandButton* command2_;
  platform::CommandButton* command3_;
  platform::CommandButton* command4_;
  platform::CheckBox* check1_;
  platform::CheckBox* check2_;
  platform::ImageControl* im3_;
  platform::ViewBox* view3_;
  platform::Timer* timer1_;
};

}  // namespace kestrin
