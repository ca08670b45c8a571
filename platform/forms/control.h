// Controls at run time: what every control of a form has (name, tag, visibility, container,
// position and size in its container's scale, z-order), whatever widget it is made of.
//
// Image, label and shape controls have no window of their own: they are drawn on their
// container, so they always lie below its windowed controls (buttons, frames, picture boxes,
// ...) and are clipped to it; their z-order only ranks them among each other.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

namespace platform {

class Form;
class Viewport;

// Scale modes of forms and picture boxes.
inline constexpr int kScaleTwips = 1;
inline constexpr int kScalePixels = 3;

// Sentinel for "no index": a control that is not part of a control array.
inline constexpr int kNoIndex = -1;

class Control {
 public:
  virtual ~Control() = default;

  // The widget the control is made of.
  virtual QWidget* Widget() = 0;
  const QWidget* Widget() const { return const_cast<Control*>(this)->Widget(); }

  std::string Name() const;
  int Index() const { return index_; }
  std::string Tag() const { return tag_; }
  void SetTag(const std::string& tag) { tag_ = tag; }
  // The control's own flag: true even while its form is hidden.
  bool Visible() const;
  void SetVisible(bool visible);
  bool Enabled() const;
  void SetEnabled(bool enabled);

  // The form the control belongs to, and its container: a picture box or frame of that form, or
  // null when it sits directly on the form.
  Form* ParentForm() const { return form_; }
  Control* Container() const { return container_; }
  // Moves the control into another container of the same form (null: the form itself).
  void SetContainer(Control* container);

  // Position and size in the container's scale (twips unless the container counts in pixels).
  double Left() const;
  double Top() const;
  double Width() const;
  double Height() const;
  void SetLeft(double value);
  void SetTop(double value);
  void SetWidth(double value);
  void SetHeight(double value);
  void Move(double left, double top, double width, double height);
  // 0 brings the control to the front of its container, 1 sends it to the back.
  void ZOrder(int position = 0);

  // Whether other controls may be placed inside this one.
  virtual bool IsContainer() const { return false; }
  // The scale that controls inside this one are measured in.
  virtual int ChildScaleMode() const;
  // Where the area that controls inside this one are measured from lies in its widget: inside
  // a border, so that a child at (0, 0) sits on the first pixel that can be drawn on.
  virtual QPoint ClientOrigin() const { return {}; }
  // The view that shows the controls inside this one (zoomed or scrolled), if it has one.
  virtual Viewport* View() const { return nullptr; }
  // The widget that controls inside this one are children of.
  QWidget* ChildHost();

  // Drawn on the container, below every windowed control (images, labels, shapes).
  virtual bool IsLightweight() const { return false; }
  // Shown shrunk with its container's view (a picture), rather than only moved.
  virtual bool Zoomable() const { return false; }
  // Position and size in pixels of the container's client area, whatever the view shows.
  QRect ClientRect() const { return ClientGeometry(); }

 protected:
  // Called after the control's size was set through the members above, as the toolkit's Resize
  // event; a control that keeps its own size answers by resizing itself.
  virtual void OnResize() {}
  // Takes a new size in pixels for the control's own reasons (a picture's size), as shown in
  // its container's view.
  void SetSizePixels(int w, int h);
  // The factor the container's view shows pictures at.
  double ViewScale() const;

 private:
  friend class Controls;
  void Attach(Form* form, Control* container, const std::string& name, int index);
  double ToScale(int pixels) const;
  int ToPixels(double value) const;
  // In pixels from the container's client origin.
  void SetGeometryPixels(int x, int y, int w, int h);
  QPoint Origin() const;
  QRect ClientGeometry() const;

  Viewport* HostView() const { return container_ ? container_->View() : nullptr; }

  Form* form_ = nullptr;
  Control* container_ = nullptr;
  QRect logical_;  // the geometry while the container has a view
  int index_ = kNoIndex;
  std::string tag_;
};

// A control made of the widget class W.
template <class W>
class ControlOf : public W, public Control {
 public:
  using W::W;
  QWidget* Widget() override { return this; }
};

// The mouse buttons (1 left, 2 right, 4 middle) and shift state (1 shift, 2 ctrl, 4 alt) as
// mouse events report them.
int MouseButtonOf(Qt::MouseButtons buttons);
int ShiftStateOf(Qt::KeyboardModifiers modifiers);

// Puts the windowed controls among `host`'s children above its image, label and shape
// controls, keeping the order within each group.
void RestackControls(QWidget* host);

// Conversions between pixels and a scale mode (1 pixel = 15 twips).
double PixelsToScale(int pixels, int scaleMode);
int ScaleToPixels(double value, int scaleMode);

}  // namespace platform
