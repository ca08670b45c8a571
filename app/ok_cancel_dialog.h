// Dialog6 and Dialog7: plain OK/Cancel dialogs with no behaviour of their own.
#pragma once

#include "app/editor_window.h"

namespace kestrin {

class OkCancelDialog : public Window {
 public:
  explicit OkCancelDialog(const char* name);
};

}  // namespace kestrin
