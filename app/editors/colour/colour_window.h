// Dialog2: the colour-change editor's window. It wires its controls to ColourSeries.
#pragma once

#include <memory>

#include "app/editor_window.h"
#include "app/editors/colour/colour_series.h"
#include "app/preview_pacer.h"

namespace kestrin {

class ColourWindow : public EditorWindow {
 public:
  ColourWindow();

  platform::Slider& R() { return *r_; }
  platform::Slider& G() { return *g_; }
  platform::Slider& B() { return *b_; }
  platform::OptionButton& Op1() { return *op1_; }
  platform::OptionButton& Op2() { return *op2_; }
  platform::ComboBox& CO1() { return *co1_; }
  platform::TextBox& T1() { return *t1_; }
  platform::CommandButton& Command2() { return *command2_; }
  platform::CommandButton& Command3() { return *command3_; }
  platform::CommandButton& Command4() { return *command4_; }
  platform::CheckBox& Check1() { return *check1_; }
  platform::CheckBox& Check2() { return *check2_; }
  platform::ImageControl& IM3() { return *im3_; }
  // The box the series plays in.
  platform::ViewBox& View3() { return *view3_; }
  const ColourSeries& Series() const { return *series_; }
  const PreviewPacer& Pacer() const { return *pacer_; }

  // The MDI frame takes its first size from here: the controls are placed by hand, not by a
  // layout that could tell it.
  QSize sizeHint() const override { return {760, 460}; }

  ColourSettings Settings() const;
  void BuildClick();
  void SaveClick();

 private:
  void UpdateColourPreview();

  // Shared with a running build or save, which may outlive the window when it is unloaded and
  // destroyed while the work yields.
  std::shared_ptr<ColourSeries> series_;
  std::shared_ptr<PreviewPacer> pacer_ = std::make_shared<PreviewPacer>();
  platform::Slider* r_;
  platform::Slider* g_;
  platform::Slider* b_;
  platform::OptionButton* op1_;
  platform::OptionButton* op2_;
  platform::ComboBox* co1_;
  platform::TextBox* t1_;
  platform::CommandButton* command2_;
  platform::CommandButton* command3_;
  platform::CommandButton* command4_;
  platform::CheckBox* check1_;
  platform::CheckBox* check2_;
  platform::ViewBox* view3_;
  platform::ImageControl* im3_;
};

}  // namespace kestrin
