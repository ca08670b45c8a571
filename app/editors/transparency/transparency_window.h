// Dialog5: the transparency and save-format editor. A piece cut from the source picture IM1
// (through the selection frame IML) floats as IMR over the target picture IM2, is dragged to its
// place and laid down with one colour keyed out; IM2 is then saved as BMP, JPEG or GIF.
#pragma once

#include "app/editor_window.h"
#include "app/editors/transparency/picbox.h"
#include "app/editors/transparency/transparency_composer.h"
#include "app/helpers/drag_mover.h"
#include "platform/forms/picture_box.h"

namespace kestrin {

class TransparencyWindow : public Window {
 public:
  TransparencyWindow();

  platform::PictureBox& IM1() { return *im1_; }
  platform::PictureBox& IM2() { return *im2_; }
  platform::PictureBox& IM3() { return *im3_; }
  platform::PictureBox& IM4() { return *im4_; }
  platform::ImageControl& IML() { return *iml_; }
  platform::ImageControl& IMR() { return *imr_; }
  platform::ImageControl& IMC() { return *imc_; }
  platform::Label& Label2() { return *label2_; }
  platform::CommandButton& Command1() { return *command1_; }
  platform::CommandButton& Command2() { return *command2_; }
  platform::CommandButton& Command3() { return *command3_; }
  platform::CommandButton& Command4() { return *command4_; }
  platform::CommandButton& Command5(int index) { return *command5_[index]; }
  platform::OptionButton& GIF1() { return *gif1_; }
  platform::OptionButton& BMP1() { return *bmp1_; }
  platform::OptionButton& JPG1() { return *jpg1_; }
  platform::Slider& AS1() { return *as1_; }
  platform::Label& AS1Label() { return *as1Label_; }
  // The colour key's tolerance, 0 to 100.
  platform::Slider& TL1() { return *tl1_; }

  QSize sizeHint() const override { return {870, 420}; }

  // True while a cut piece floats over IM2 (Command4 reads "確定").
  bool Floating() const { return composer_.Floating(); }
  // True once a piece has been laid onto IM2 and IM2 has not been saved since.
  bool CompositeUnsaved() const { return composer_.CompositeUnsaved(); }
  // IM2 no longer holds the composite (it was replaced or cleared).
  void ForgetComposite() { composer_.ForgetComposite(); }

  // The handlers, as the buttons run them: Command5(0) and Command5(1) open the source and the
  // target picture, Command3 chooses the key colour, Command4 floats the piece or lays it down,
  // Command1 empties both pictures, Command2 saves the target.
  void OpenPictureClick(int index);
  void ChooseKeyColourClick();
  void FloatOrPlaceClick();
  void CancelClick();
  void SaveClick();

 private:
  void MakeFloat();
  void Apply();
  CompositeFormat ChosenFormat() const;
  // Runs a handler; a run-time error ends it with the toolkit's message.
  static void Handle(const std::function<void()>& handler);

  platform::PictureBox* im1_;
  platform::PictureBox* im2_;
  platform::PictureBox* im3_;
  platform::PictureBox* im4_;
  platform::ImageControl* iml_;
  platform::ImageControl* imr_;
  platform::ImageControl* imc_;
  platform::Label* label2_;
  platform::CommandButton* command1_;
  platform::CommandButton* command2_;
  platform::CommandButton* command3_;
  platform::CommandButton* command4_;
  platform::CommandButton* command5_[2];
  platform::OptionButton* gif1_;
  platform::OptionButton* bmp1_;
  platform::OptionButton* jpg1_;
  platform::Slider* as1_;
  platform::Label* as1Label_;
  platform::Slider* tl1_;

  TransparencyComposer composer_;
  PicBox picBox1_, picBox2_;
  Class1 class1L_, class1R_;
};

}  // namespace kestrin
