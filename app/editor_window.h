// What the editor windows share: the caption, the pictures IM1 (unedited, in the frame "元のイメー
// ジ") and IM2 (edited), controls placed in twips, and handlers that run alone.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/message.h"
#include "giflib/object/pellory_types.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/widgets.h"

namespace kestrin {

inline constexpr const char* kDialogCaption = "ﾀﾞｲｱﾛｸﾞ ｷｬﾌﾟｼｮﾝ";

class Window : public platform::Form {
 public:
  explicit Window(const std::string& name);

  // Adds a visible control at (left, top) with the given size, in twips.
  template <class C>
  C& Place(const std::string& name, int left, int top, int width, int height,
           platform::Control* container = nullptr, int index = platform::kNoIndex) {
    C& c = GetControls().Add<C>(name, container, index);
    c.Move(left, top, width, height);
    c.SetVisible(true);
    return c;
  }
  // Adds a visible control and gives it its caption.
  template <class C>
  C& Place(const std::string& name, const std::string& caption, int left, int top, int width,
           int height, platform::Control* container = nullptr, int index = platform::kNoIndex) {
    C& c = Place<C>(name, left, top, width, height, container, index);
    c.SetCaption(caption);
    return c;
  }
  // Set when the window is unloaded; it is destroyed once the message loop runs again, which may
  // be inside a yield of long work: such work checks this to stop and keeps only guarded
  // pointers to the window.
  bool Unloaded() const { return unloaded_; }
  void MarkUnloaded() { unloaded_ = true; }
  // A label with a caption.
  platform::Label& PlaceLabel(const std::string& name, const std::string& caption, int left,
                              int top, int width, int height,
                              platform::Control* container = nullptr);
  // The check box "LZW圧縮", ticked: whether this window's GIF saves are LZW-coded (a third to a
  // tenth of the bytes) or written in the library's literal codes.
  void PlaceCompressionBox(int left, int top, int width);
  platform::CheckBox& CompressionBox() { return *compressionBox_; }
  pellory::Vesk_GifCompressionEnum Compression() const;

 private:
  bool unloaded_ = false;
  platform::CheckBox* compressionBox_ = nullptr;
};

class EditorWindow : public Window {
 public:
  explicit EditorWindow(const std::string& name);
  platform::ImageControl& IM1() { return *im1_; }
  platform::ImageControl& IM2() { return *im2_; }
  // The series editors' "アニメGIFで保存" and the delay beside it.
  platform::CommandButton& AnimationButton() { return *animationButton_; }
  platform::TextBox& DelayText() { return *delayText_; }

 protected:
  // Call from the constructor: the frame and picture of the unedited picture, and the edited
  // picture in a frame of its own with the given caption.
  void PlacePictures(int left, int top, int width, int height, const std::string& im2Caption);
  // Runs a long handler with the given buttons disabled, so that it cannot be started again or
  // interleaved with another while it yields to the message loop; a second start while one
  // runs is ignored.
  void RunAlone(const std::vector<platform::CommandButton*>& buttons,
                const std::function<void()>& work);
  bool Busy() const { return busy_; }
  // Places the animation button at (left, top) and the delay's label and field on the row at
  // (fieldLeft - label, fieldTop); a click saves the frames that `frames` gives, alone.
  void PlaceAnimationControls(const std::string& buttonName, int left, int top, int width,
                              int fieldLeft, int fieldTop,
                              std::function<std::vector<platform::Picture>()> frames);

 private:
  platform::ImageControl* im1_ = nullptr;
  platform::ImageControl* im2_ = nullptr;
  platform::CommandButton* animationButton_ = nullptr;
  platform::TextBox* delayText_ = nullptr;
  bool busy_ = false;
};

// Runs a statement and swallows its run-time error: handlers that skip a failing statement.
void IgnoreErrors(const std::function<void()>& statement);

}  // namespace kestrin
