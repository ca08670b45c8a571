// Class1: drags an image control with the left mouse button. While the transparency editor's
// result image IMR is dragged it shows a meshed see-through of its picture, so that what lies
// beneath stays visible, and gets its own picture back at the release.
#pragma once

#include <QPointer>
#include <cstdint>
#include <functional>

#include "platform/forms/controls.h"
#include "platform/picture/picture.h"

namespace kestrin {

class TransparencyWindow;

class Class1 {
 public:
  Class1() = default;
  Class1(const Class1&) = delete;
  Class1& operator=(const Class1&) = delete;

  // The transparency editor whose IM2, IMR and IMC a drag works with, asked for at each press
  // (so that it may load the editor then).
  using EditorSource = std::function<TransparencyWindow&()>;

  // Binds the control: its mouse events reach this object after the handlers it already had.
  void SetControl(platform::ImageControl* control, EditorSource editor);
  platform::ImageControl* Control() const { return control_; }

  // The mouse events, with the position in pixels inside the control.
  void MouseDown(int button, int shift, int x, int y);
  void MouseMove(int button, int shift, int x, int y);
  void MouseUp(int button, int shift, int x, int y);

  bool Dragging() const { return dragging_; }

 private:
  void BeginDrag(platform::ImageControl* control, double x, double y);
  void DragTo(platform::ImageControl* control, double x, double y);
  void EndDrag();

  QPointer<platform::ImageControl> control_;
  EditorSource editor_;
  bool dragging_ = false;
  int32_t pressX_ = 0, pressY_ = 0;  // in the container's scale, like Left and Top
  // The control being dragged, and IMR with its own picture while it shows the see-through.
  QPointer<platform::ImageControl> dragged_;
  QPointer<platform::ImageControl> seeThrough_;
  platform::Picture saved_;
};

}  // namespace kestrin
