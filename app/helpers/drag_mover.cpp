#include "app/helpers/drag_mover.h"

#include <cmath>

#include "app/editors/transparency/transparency_window.h"
#include "app/gif_object.h"
#include "app/helpers/mouse_chain.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/object/vesk_global_methods.h"

namespace kestrin {

namespace {

constexpr int kLeftButton = 1;

platform::ImageControl* ImageNamed(platform::Form& form, const char* name) {
  return dynamic_cast<platform::ImageControl*>(form.GetControls().Find(name));
}

// The mouse comes in pixels; the control moves in its container's scale.
double ToContainerScale(const platform::ImageControl& control, int pixels) {
  const platform::Control* container = control.Container();
  return platform::PixelsToScale(pixels,
                                 container ? container->ChildScaleMode() : platform::kScaleTwips);
}

}  // namespace

void Class1::SetControl(platform::ImageControl* control, EditorSource editor) {
  control_ = control;
  editor_ = std::move(editor);
  if (!control) return;
  ChainAfter(control->onMouseDown, this, &Class1::MouseDown);
  ChainAfter(control->onMouseMove, this, &Class1::MouseMove);
  ChainAfter(control->onMouseUp, this, &Class1::MouseUp);
}

void Class1::MouseDown(int button, int, int x, int y) {
  if (button == kLeftButton && control_ && editor_)
    BeginDrag(control_, ToContainerScale(*control_, x), ToContainerScale(*control_, y));
}

void Class1::MouseMove(int button, int shift, int x, int y) {
  if (button == kLeftButton && shift == 0 && control_)
    DragTo(control_, ToContainerScale(*control_, x), ToContainerScale(*control_, y));
}

void Class1::MouseUp(int button, int, int, int) {
  if (button == kLeftButton) EndDrag();
}

void Class1::BeginDrag(platform::ImageControl* control, double x, double y) {
  QPointer<platform::ImageControl> guard(control);
  dragged_ = control;
  // Loads the transparency editor when it is not open, whichever image is dragged.
  TransparencyWindow& dialog5 = editor_();
  if (platform::Control* im2 = dialog5.GetControls().Find("IM2"))
    pellory::GlobalMethods().InhibitFlickers(im2->Widget(), int16_t{pellory::kVbTrue});
  if (!guard) return;
  pressX_ = static_cast<int32_t>(std::nearbyint(x));
  pressY_ = static_cast<int32_t>(std::nearbyint(y));
  control->ZOrder(0);
  dragging_ = true;

  if (control != ImageNamed(dialog5, "IMR")) return;
  saved_ = control->GetPicture();
  seeThrough_ = control;
  GifObject gif;
  if (!gif.SetPicture(saved_, pellory::Default)) return;
  const platform::Picture meshed = gif.GetMeshPicture(pellory::Mesh1p, pellory::ReturnPicture);
  if (platform::ImageControl* imc = ImageNamed(dialog5, "IMC")) {
    imc->SetPicture(meshed);
    control->SetPicture(imc->GetPicture());
  } else {
    control->SetPicture(meshed);
  }
}

void Class1::DragTo(platform::ImageControl* control, double x, double y) {
  if (!dragging_) return;
  control->Move(control->Left() + x - pressX_, control->Top() + y - pressY_, control->Width(),
                control->Height());
}

void Class1::EndDrag() {
  if (!dragging_) return;
  dragging_ = false;
  dragged_ = nullptr;
  if (seeThrough_) seeThrough_->SetPicture(saved_);
  seeThrough_ = nullptr;
  saved_ = nullptr;
}

}  // namespace kestrin
