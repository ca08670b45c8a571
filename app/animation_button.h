// The editors' "アニメGIFで保存" button: the file dialog and the messages around the animated
// writer (animated_export.h), which the batch commands use without them.
#pragma once

#include <string>
#include <vector>

#include "platform/dialogs/file_dialog.h"
#include "platform/picture/picture.h"

namespace kestrin {

// Asks in `cd` for a file name (".gif" is added when it has no such extension) and writes the
// frames with the delay typed in hundredths of a second. Nothing without frames or when the
// dialog is cancelled; a message for a delay that is not a whole number from 0 to 65535 and for
// a library error (naming the file). True when the file was written.
bool SaveAnimationClick(platform::CommonDialog& cd, const std::vector<platform::Picture>& frames,
                        const std::string& delayText, bool optimizeFrames = true);

}  // namespace kestrin
