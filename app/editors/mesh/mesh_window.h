// Dialog3: its pictures, until the editor itself is built.
#pragma once

#include "app/editor_window.h"

namespace kestrin {

class MeshWindow : public EditorWindow {
 public:
  MeshWindow();
};

}  // namespace kestrin
