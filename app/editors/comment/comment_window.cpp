#include "app/editors/comment/comment_window.h"

namespace kestrin {

CommentWindow::CommentWindow() : EditorWindow("Dialog4") {
  resize(720, 420);
  PlacePictures(120, 120, 4800, 4800, "コメント付イメージ");
}

}  // namespace kestrin
