// Dialog4: its pictures, until the editor itself is built.
#pragma once

#include "app/editor_window.h"

namespace kestrin {

class CommentWindow : public EditorWindow {
 public:
  CommentWindow();
};

}  // namespace kestrin
