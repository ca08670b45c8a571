// How code without a toolkit of its own (the GIF engine) shows a message box. The platform's
// dialogs install the real boxes, with their scripted back end for tests, when their library
// loads; without them a message goes nowhere and the answer is OK.
#pragma once

#include <string>

namespace platform {

using MessageSink = int (*)(const std::string& text, int style, const std::string& title);

void SetMessageSink(MessageSink sink);

// Shows a modal message box through the installed sink and returns the button pressed.
int ShowMessageBox(const std::string& text, int style, const std::string& title);

}  // namespace platform
