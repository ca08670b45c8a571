// Dialog4: the comment editor's window. It wires its controls to CommentPreview: every change
// of a setting redraws the preview.
#pragma once

#include <QTimer>
#include <array>

#include "app/editor_window.h"
#include "app/editors/comment/comment_preview.h"

namespace kestrin {

class CommentWindow : public EditorWindow {
 public:
  CommentWindow();

  platform::MultiLineTextBox& Text1() { return *text1_; }
  platform::OptionButton& Op1() { return *op1_; }
  platform::OptionButton& Op2() { return *op2_; }
  platform::OptionButton& Op3(int index) { return *op3_.at(index); }
  platform::OptionButton& Op4(int index) { return *op4_.at(index); }
  platform::OptionButton& Os1(int index) { return *os1_.at(index); }
  platform::OptionButton& Ot1(int index) { return *ot1_.at(index); }
  platform::ComboBox& Cb1() { return *cb1_; }
  platform::ComboBox& Cb2() { return *cb2_; }
  platform::ComboBox& CO1() { return *co1_; }
  platform::Slider& R(int index) { return *r_.at(index); }
  platform::CheckBox& Check1() { return *check1_; }
  platform::CommandButton& Command1() { return *command1_; }
  platform::CommandButton& Command2() { return *command2_; }

  CommentSettings Settings();
  // Redraws the preview from the controls; true when it made a new comment picture. Without
  // `announce` nothing is said about a missing setting or an empty comment.
  bool UpdateCommentPreview(bool announce = true);
  void SaveClick();
  // Whether typing has left the preview behind the text box.
  bool PreviewPending() const { return refresh_.isActive(); }

  static constexpr int kTypingPauseMs = 300;
  static constexpr const char* kDefaultSize = "12";

 private:
  // Places an option array of buttons, one under the other, in `frame`.
  template <size_t N>
  void PlaceOptions(std::array<platform::OptionButton*, N>& buttons, const char* name,
                    platform::Frame& frame, const std::array<const char*, N>& captions);

  void ChooseDefaults();
  void SettingChanged();

  CommentPreview preview_;
  QTimer refresh_;
  bool ready_ = false;
  // The text changed after the last comment picture was made from it.
  bool textAhead_ = false;
  platform::MultiLineTextBox* text1_;
  platform::OptionButton* op1_;
  platform::OptionButton* op2_;
  std::array<platform::OptionButton*, 3> op3_{};
  std::array<platform::OptionButton*, 3> op4_{};
  std::array<platform::OptionButton*, 3> os1_{};
  std::array<platform::OptionButton*, 2> ot1_{};
  platform::ComboBox* cb1_;
  platform::ComboBox* cb2_;
  platform::ComboBox* co1_;
  std::array<platform::Slider*, 3> r_{};
  platform::CheckBox* check1_;
  platform::CommandButton* command1_;
  platform::CommandButton* command2_;
};

}  // namespace kestrin
