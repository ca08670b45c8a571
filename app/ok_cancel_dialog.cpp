#include "app/ok_cancel_dialog.h"

namespace kestrin {

OkCancelDialog::OkCancelDialog(const char* name) : Window(name) {
  resize(420, 140);
  Place<platform::CommandButton>("OKButton", 4680, 240, 1215, 345).SetCaption("OK");
  Place<platform::CommandButton>("CancelButton", 4680, 720, 1215, 345).SetCaption("ｷｬﾝｾﾙ");
}

}  // namespace kestrin
