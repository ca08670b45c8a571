#include "app/editors/transparency/transparency_window.h"

namespace kestrin {

TransparencyWindow::TransparencyWindow() : EditorWindow("Dialog5") {
  resize(720, 420);
  PlacePictures(120, 120, 4800, 4800, "透過イメージ");
}

}  // namespace kestrin
