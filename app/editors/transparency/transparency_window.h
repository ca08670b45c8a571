// Dialog5: its pictures, until the editor itself is built.
#pragma once

#include "app/editor_window.h"

namespace kestrin {

class TransparencyWindow : public EditorWindow {
 public:
  TransparencyWindow();
};

}  // namespace kestrin
