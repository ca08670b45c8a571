// Dialog3: the mesh editor's window. It wires its controls to MeshSeries, and lets IM5 be
// dragged through a Class1 object.
#pragma once

#include <memory>

#include "app/editor_window.h"
#include "app/editors/mesh/mesh_series.h"
#include "app/helpers/drag_mover.h"
#include "app/preview_pacer.h"
#include "platform/forms/picture_box.h"

namespace kestrin {

class MeshWindow : public EditorWindow {
 public:
  MeshWindow();

  platform::Slider& Slider1() { return *slider1_; }
  platform::OptionButton& Op1() { return *op1_; }
  platform::OptionButton& Op2() { return *op2_; }
  platform::CommandButton& Command1() { return *command1_; }
  platform::CommandButton& Command2() { return *command2_; }
  platform::CommandButton& Command3() { return *command3_; }
  platform::CheckBox& Check1() { return *check1_; }
  platform::CheckBox& Check2() { return *check2_; }
  platform::CheckBox& Check3() { return *check3_; }
  platform::Frame& Frame3() { return *frame3_; }
  platform::PictureBox& Picture1() { return *picture1_; }
  platform::ImageControl& IM3() { return *im3_; }
  platform::ImageControl& IM5() { return *im5_; }
  Class1& Dragger() { return class1_; }
  const PreviewPacer& Pacer() const { return *pacer_; }

  // The MDI frame takes its first size from here: the controls are placed by hand.
  QSize sizeHint() const override { return {850, 490}; }

  MeshOrder Order() const { return {op1_->Value(), op2_->Value()}; }
  void BuildScroll();
  void PlayClick();
  void SaveClick();

 private:
  // Runs a save with the slider and the buttons that start a build, play or save disabled.
  void RunExclusive(const std::function<void()>& work);

  Class1 class1_;
  // Shared with a running play, which may outlive the window.
  std::shared_ptr<PreviewPacer> pacer_ = std::make_shared<PreviewPacer>();
  platform::Slider* slider1_;
  platform::OptionButton* op1_;
  platform::OptionButton* op2_;
  platform::CommandButton* command1_;
  platform::CommandButton* command2_;
  platform::CommandButton* command3_;
  platform::CheckBox* check1_;
  platform::CheckBox* check2_;
  platform::CheckBox* check3_;
  platform::Frame* frame3_;
  platform::PictureBox* picture1_;
  platform::ImageControl* im3_;
  platform::ImageControl* im5_;
};

}  // namespace kestrin
