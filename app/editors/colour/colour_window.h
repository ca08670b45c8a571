// Dialog2: its pictures, until the editor itself is built.
#pragma once

#include "app/editor_window.h"

namespace kestrin {

class ColourWindow : public EditorWindow {
 public:
  ColourWindow();
};

}  // namespace kestrin
