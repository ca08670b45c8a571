// The application's messages: plain message boxes with an OK button, and the questions asked
// before work is replaced or thrown away.
#pragma once

#include <string>

#include "platform/dialogs/message_box.h"

namespace kestrin {

inline constexpr const char* kAppTitle = "Kestrin";

inline void ShowMessage(const std::string& text) {
  platform::MsgBox(text, 0, kAppTitle);
}

// A message about a file: the text (the library's own, unchanged), then the file's path on a
// line of its own, so that the user knows which file it means.
inline std::string AboutFile(const std::string& text, const std::string& path) {
  return text + "\n\n" + path;
}

inline void ShowMessageAbout(const std::string& text, const std::string& path) {
  ShowMessage(AboutFile(text, path));
}

// Asks "はい" / "いいえ"; true only for "はい", so that a box closed any other way loses nothing.
inline bool AskYesNo(const std::string& text) {
  return platform::MsgBox(text, platform::kMbYesNo | platform::kMbIconQuestion, kAppTitle) ==
         platform::kIdYes;
}

}  // namespace kestrin
