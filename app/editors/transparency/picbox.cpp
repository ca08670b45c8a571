#include "app/editors/transparency/picbox.h"

#include <cmath>

#include "app/editor_window.h"
#include "app/editors/transparency/result_capture.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/helpers/mouse_chain.h"
#include "platform/kernel/rounding.h"

namespace kestrin {

namespace {

constexpr int kLeftButton = 1;
constexpr int kShiftOnly = 1;

using platform::RoundHalfEven;

}  // namespace

void PicBox::SetControl(platform::PictureBox* box, TransparencyWindow& editor) {
  control_ = box;
  editor_ = &editor;
  if (!box) return;
  ChainAfter(box->onMouseDown, this, &PicBox::MouseDown);
  ChainAfter(box->onMouseMove, this, &PicBox::MouseMove);
  ChainAfter(box->onMouseUp, this, &PicBox::MouseUp);
}

void PicBox::Note(Edges& edges, const platform::ImageControl& image, double x, double y) {
  // On the edge itself the flag keeps what an earlier press made of it.
  if (image.Top() > y)
    edges.above = true;
  else if (image.Top() < y)
    edges.above = false;
  if (image.Left() > x)
    edges.leftOf = true;
  else if (image.Left() < x)
    edges.leftOf = false;
  edges.bottom = RoundHalfEven(image.Top() + image.Height());
  edges.right = RoundHalfEven(image.Left() + image.Width());
}

void PicBox::MouseDown(int, int, double x, double y) {
  if (!editor_) return;
  TransparencyWindow& dialog5 = *editor_;
  Note(left_, dialog5.IML(), x, y);
  Note(right_, dialog5.IMR(), x, y);
}

void PicBox::MouseMove(int button, int shift, double x, double y) {
  if (button != kLeftButton || shift != kShiftOnly || !control_ || !editor_) return;
  TransparencyWindow& dialog5 = *editor_;
  if (control_ == &dialog5.IM1())
    ResizeByEdges(*control_, dialog5.IML(), left_, x, y);
  else if (control_ == &dialog5.IM2())
    ResizeByEdges(*control_, dialog5.IMR(), right_, x, y);
}

void PicBox::MouseUp(int, int, double, double) {
  if (control_ && editor_) FinishResize(*control_, *editor_);
}

void PicBox::ResizeByEdges(platform::PictureBox& box, platform::ImageControl& image,
                           const Edges& edges, double x, double y) {
  const int pointer = box.MousePointer();
  if (image.Left() < x && x < edges.right &&
      (pointer == kPointerDefault || pointer == kPointerNorthSouth)) {
    box.SetMousePointer(kPointerNorthSouth);
    // The bottom edge, while the mouse stays well inside the image's sides.
    if (!edges.above && y > image.Top() && image.Left() + 10 < x &&
        x < image.Left() + image.Width() - 10 && edges.bottom > 0)
      IgnoreErrors([&] { image.SetHeight(y - image.Top()); });
    // The top edge.
    if (edges.above && y < image.Top()) {
      IgnoreErrors([&] { image.SetHeight(image.Height() + (image.Top() - y)); });
      IgnoreErrors([&] { image.SetTop(y); });
    } else if (edges.above && y > image.Top()) {
      IgnoreErrors([&] { image.SetHeight(image.Height() - (y - image.Top())); });
      IgnoreErrors([&] { image.SetTop(y); });
    }
    return;
  }
  // A drag that began vertically stays vertical until the release.
  if (pointer == kPointerNorthSouth) return;
  box.SetMousePointer(kPointerWestEast);
  if (!edges.leftOf) {
    // The right edge.
    if (x > image.Left() + 1)
      IgnoreErrors([&] { image.SetWidth(x - image.Left()); });
    else if (x < image.Left())
      IgnoreErrors([&] { image.SetWidth(image.Left() - x); });
  } else {
    // The left edge.
    if (x < image.Left())
      IgnoreErrors([&] { image.SetWidth(image.Width() + (image.Left() - x)); });
    else
      IgnoreErrors([&] { image.SetWidth(image.Width() - (x - image.Left())); });
    IgnoreErrors([&] { image.SetLeft(x); });
  }
}

void PicBox::FinishResize(platform::PictureBox& box, TransparencyWindow& dialog5) {
  box.SetMousePointer(kPointerDefault);
  const platform::Picture& held = dialog5.IMR().GetPicture();
  if (held && held->Type() != platform::kPictureTypeNone) CaptureResultToTempBmp(dialog5);
}

}  // namespace kestrin
