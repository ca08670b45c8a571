// Forms and their controls collections. A form is a QWidget (or, for the MDI frame, a
// QMainWindow with an MDI area); its controls are widgets with a unique name (plus an index for
// control arrays), created by kind or by ProgID through the component registry.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/registry.h"
#include "platform/forms/control.h"

class QMdiArea;

namespace platform {

class Form;

// What the component registry hands out for a control class: a maker of controls.
class ControlClass : public ComObject {
 public:
  // A new control whose widget is a child of `parent`.
  virtual Control* Create(QWidget* parent) = 0;
};

// Registers a control class C (constructible from a parent widget) under its ProgID.
template <class C>
bool RegisterControlClass(const std::string& progId, const std::string& clsid) {
  struct Maker : ControlClass {
    Control* Create(QWidget* parent) override { return new C(parent); }
  };
  return RegisterComClass(progId, clsid, [] { return std::make_shared<Maker>(); });
}

// The controls of one form, in the order they were added.
class Controls {
 public:
  explicit Controls(Form& form) : form_(form) {}

  // Adds a control of the class named by a ProgID ("VB.PictureBox", "Fennick.DummyUC", ...)
  // inside `container` (a container control of the same form, or null for the form). The new
  // control is hidden. Throws RuntimeError: 429 unknown class or failed creation, 727 the name
  // is taken, 5 a container of another form or one that holds no controls.
  Control& Add(const std::string& progId, const std::string& name, Control* container = nullptr,
               int index = kNoIndex);
  template <class C>
  C& Add(const std::string& name, Control* container = nullptr, int index = kNoIndex) {
    C* c = new C(nullptr);
    Adopt(c, name, container, index);
    return *c;
  }
  // Removes and destroys a control; throws RuntimeError 730 when there is none of that name.
  void Remove(const std::string& name, int index = kNoIndex);

  int Count() const;
  // Null when there is no such control.
  Control* Find(const std::string& name, int index = kNoIndex) const;
  // Throws RuntimeError 730 when there is no such control.
  Control& Item(const std::string& name, int index = kNoIndex) const;
  Control& Item(int position) const;  // 0-based, in order of addition
  // Every control, in order of addition.
  std::vector<Control*> All() const;

 private:
  friend class Form;
  void Adopt(Control* control, const std::string& name, Control* container, int index);
  // Drops the entries of controls that the toolkit has destroyed (with their container, say).
  void Prune() const;

  Form& form_;
  struct Entry {
    QPointer<QWidget> widget;
    Control* control;
  };
  mutable std::vector<Entry> entries_;
};

// A window of the application, or the library's hidden host form.
class Form : public QWidget {
 public:
  explicit Form(QWidget* parent = nullptr);
  ~Form() override;

  std::string Name() const;
  void SetName(const std::string& name);
  Controls& GetControls() { return controls_; }
  const Controls& GetControls() const { return controls_; }
  int ScaleMode() const { return scaleMode_; }
  void SetScaleMode(int mode) { scaleMode_ = mode; }

 private:
  friend class Controls;
  Controls controls_;
  int scaleMode_ = kScaleTwips;
};

// The application's frame window, with child forms in its MDI area.
class MdiForm : public QMainWindow {
 public:
  explicit MdiForm(QWidget* parent = nullptr);
  std::string Name() const;
  void SetName(const std::string& name);
  QMdiArea* Area() const { return area_; }
  // Shows `child` as an MDI child window wholly inside the area: where the area places it, moved
  // in as far as needed, or centred; the main window grows when the area is too small for it.
  void AddChild(Form* child, bool centred = false);
  // Moves a child window (the form or its MDI frame) that reaches out of the area back in.
  void KeepInside(QWidget* child);

 private:
  QMdiArea* area_;
};

}  // namespace platform
