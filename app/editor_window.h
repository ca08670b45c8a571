// What the editor windows share: the caption, the pictures IM1 (unedited, in the frame "元のイメー
// ジ") and IM2 (edited), controls placed in twips, and handlers that run alone.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/gif_options.h"
#include "app/message.h"
#include "giflib/object/pellory_types.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/widgets.h"

namespace kestrin {

inline constexpr const char* kDialogCaption = "ﾀﾞｲｱﾛｸﾞ ｷｬﾌﾟｼｮﾝ";
inline constexpr const char* kZoomCaption = "全体表示";

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
  // The frame "GIF" of the choices for the GIF files this window writes: "LZW圧縮" (ticked),
  // "減色" for pictures of more than 256 colours (最適パレット＋ディザ) and, where the window
  // makes transparent pictures, "透過色" (左上の色); where it saves animations, "差分のみ保存"
  // (ticked) beside "LZW圧縮". The frame is 1080 twips high, 1440 with "透過色".
  void PlaceGifOptions(int left, int top, int width, bool transparency, bool animation = false);
  platform::CheckBox& CompressionBox() { return *compressionBox_; }
  platform::ComboBox& ReductionBox() { return *reductionBox_; }
  platform::ComboBox* TransparencyBox() { return transparencyBox_; }
  GifOptions Options() const;
  // Whether animations hold each frame only where it changes the screen.
  bool OptimizeFrames() const { return !optimizeBox_ || optimizeBox_->Value() != 0; }
  platform::CheckBox* OptimizeBox() { return optimizeBox_; }
  // While "指定色" is chosen, the colour at (x, y) of `picture` (pixels) becomes the
  // transparent colour; elsewhere nothing happens.
  void PickTransparentColour(const platform::Picture& picture, int x, int y);

 private:
  bool unloaded_ = false;
  void ShowPickedColour();
  platform::CheckBox* compressionBox_ = nullptr;
  platform::ComboBox* reductionBox_ = nullptr;
  platform::ComboBox* transparencyBox_ = nullptr;
  platform::CheckBox* optimizeBox_ = nullptr;
  int32_t pickedColour_ = -1;  // -1 until a colour is picked
};

class EditorWindow : public Window {
 public:
  explicit EditorWindow(const std::string& name);
  // Hands the freed memory of the window's pictures back to the system once they are gone.
  ~EditorWindow() override;
  platform::ImageControl& IM1() { return *im1_; }
  platform::ImageControl& IM2() { return *im2_; }
  // "全体表示": ticked, the picture views show their pictures whole, shrunk to fit; unticked,
  // at their own size with scroll bars.
  platform::CheckBox& ZoomBox() { return *zoomBox_; }
  // The series editors' "アニメGIFで保存" and the delay beside it.
  platform::CommandButton& AnimationButton() { return *animationButton_; }
  platform::TextBox& DelayText() { return *delayText_; }

 protected:
  // Call from the constructor: the frame and picture of the unedited picture, and the edited
  // picture in a frame of its own with the given caption.
  void PlacePictures(int left, int top, int width, int height, const std::string& im2Caption);
  // A view of the window that follows "全体表示", and the check box itself (ticked).
  void AddView(platform::Viewport& view);
  void PlaceZoomChoice(int left, int top, int width);
  // Runs a long handler with the given buttons disabled, so that it cannot be started again or
  // interleaved with another while it yields to the message loop; a second start while one
  // runs is ignored.
  void RunAlone(const std::vector<platform::CommandButton*>& buttons,
                const std::function<void()>& work);
  bool Busy() const { return busy_; }
  // Places the animation button at (left, top) and the delay's label and field on the row at
  // (fieldLeft - label, fieldTop); a click saves the frames that `frames` gives, alone, and
  // calls `saved` once the file is written. The delay also paces the window's preview.
  void PlaceAnimationControls(const std::string& buttonName, int left, int top, int width,
                              int fieldLeft, int fieldTop,
                              std::function<std::vector<platform::Picture>()> frames,
                              std::function<void()> saved = nullptr);

 private:
  platform::ImageControl* im1_ = nullptr;
  platform::ImageControl* im2_ = nullptr;
  std::vector<platform::Viewport*> views_;
  platform::CheckBox* zoomBox_ = nullptr;
  platform::CommandButton* animationButton_ = nullptr;
  platform::TextBox* delayText_ = nullptr;
  bool busy_ = false;
};

// Runs a statement and swallows its run-time error: handlers that skip a failing statement.
void IgnoreErrors(const std::function<void()>& statement);

}  // namespace kestrin
