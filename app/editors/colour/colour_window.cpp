#include "app/editors/colour/colour_window.h"

namespace kestrin {

ColourWindow::ColourWindow() : EditorWindow("Dialog2") {
  resize(720, 420);
  PlacePictures(120, 120, 4800, 4800, "カラー変更イメージ");
}

}  // namespace kestrin
