// The capture of what the transparency editor shows into the temporary bitmap "itiji.bmp", in
// the folder "一時ファイル" beside the program (or, where the program's folder cannot be
// written, in the user's cache folder), from where the editor reads the piece back.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "app/vb_text.h"

namespace kestrin {

class TransparencyWindow;

// The program's own folder, without a trailing separator; tests point it elsewhere (empty
// restores the program's folder).
std::string AppFolder();
void SetAppFolderForTesting(const std::string& folder);
// "<program folder>/一時ファイル/" when that folder can be made and written, else
// "<user cache folder>/kestrin/一時ファイル/" ($XDG_CACHE_HOME, default ~/.cache); and the
// capture file in it.
std::string UserCacheFolder();
std::string TempBmpFolder();
std::string TempBmpPath();

// How long the capture lets the window paint before it copies; 2 seconds unless a test says.
void SetCaptureWaitForTesting(std::chrono::milliseconds wait);

// Waits while the window paints, then copies what IMR's container shows at IMR's place (IMR's
// size + 2 pixels each way) into IM4 and saves IM4's image as the capture file, after removing
// the bitmaps in the folder. The folder is made when it is missing. False, after a message, when
// the folder cannot be made or written or the file cannot be saved; false without one when the
// window went away during the wait.
bool CaptureResultToTempBmp(TransparencyWindow& window);

}  // namespace kestrin
