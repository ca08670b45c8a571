#include "app/editors/mesh/mesh_window.h"

namespace kestrin {

MeshWindow::MeshWindow() : EditorWindow("Dialog3") {
  resize(720, 420);
  PlacePictures(120, 120, 4800, 4800, "メッシュイメージ");
}

}  // namespace kestrin
