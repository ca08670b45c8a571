// The application's messages: plain message boxes with an OK button.
#pragma once

#include <string>

#include "platform/dialogs/message_box.h"

namespace kestrin {

inline constexpr const char* kAppTitle = "Kestrin";

inline void ShowMessage(const std::string& text) {
  platform::MsgBox(text, 0, kAppTitle);
}

}  // namespace kestrin
