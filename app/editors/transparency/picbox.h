// PicBox: resizes the transparency editor's images with the mouse. A Shift-drag beside an
// image's edges in its picture box (IML in IM1, IMR in IM2) moves the nearest edges; its first
// move decides whether it resizes vertically or horizontally, and the release captures the
// result into the temporary bitmap.
#pragma once

#include <QPointer>
#include <cstdint>

#include "platform/forms/controls.h"
#include "platform/forms/picture_box.h"

namespace kestrin {

class TransparencyWindow;

// Mouse pointers of a picture box during a resize.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerNorthSouth = 7;
inline constexpr int kPointerWestEast = 9;

class PicBox {
 public:
  PicBox() = default;
  PicBox(const PicBox&) = delete;
  PicBox& operator=(const PicBox&) = delete;

  // Binds the box, one of the editor's IM1 and IM2: its mouse events reach this object after the
  // handlers it already had.
  void SetControl(platform::PictureBox* box, TransparencyWindow& editor);
  platform::PictureBox* Control() const { return control_; }

  // The mouse events, with the position in the box's scale.
  void MouseDown(int button, int shift, double x, double y);
  void MouseMove(int button, int shift, double x, double y);
  void MouseUp(int button, int shift, double x, double y);

  // What a press noted about one image: whether it lay below (above flag) or right of (left-of
  // flag) the press, and its bottom and right edges then.
  struct Edges {
    bool above = false;
    bool leftOf = false;
    int32_t bottom = 0;
    int32_t right = 0;
  };
  const Edges& Left() const { return left_; }    // IML
  const Edges& Right() const { return right_; }  // IMR

  // Moves the edges of `image` in `box` towards (x, y), as one move of a Shift-drag does.
  static void ResizeByEdges(platform::PictureBox& box, platform::ImageControl& image,
                            const Edges& edges, double x, double y);
  // Ends a resize: the default pointer, then the capture when the editor's IMR holds a picture.
  static void FinishResize(platform::PictureBox& box, TransparencyWindow& editor);

 private:
  static void Note(Edges& edges, const platform::ImageControl& image, double x, double y);

  QPointer<platform::PictureBox> control_;
  QPointer<TransparencyWindow> editor_;
  Edges left_, right_;
};

}  // namespace kestrin
