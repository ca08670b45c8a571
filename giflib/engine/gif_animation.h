// Animated GIF89a writer: several held pictures in one file, each with its own colour table,
// position, delay and transparency, LZW-compressed, looping through the NETSCAPE2.0 application
// extension.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "giflib/object/pellory_types.h"

namespace pellory::engine {

struct AnimationFrame {
  const Vesk_GifPictureType* picture = nullptr;
  int32_t left = 0;
  int32_t top = 0;
  int32_t delayCs = 0;  // hundredths of a second
};

// Writes the frames on a screen of screenWidth x screenHeight, each shown alone on a cleared
// screen. Whole frames, each cleared after it is shown; or, with `optimize`, the same pictures on
// screen in fewer bytes: each frame only as the rectangle that changed from what the screen
// shows, unchanged pixels transparent where that codes shorter, and a frame cleared only where
// the next one needs it. The file appears complete or not
// at all: it is written under a temporary name beside the target and linked into place, which
// fails rather than replace a file that exists. Failures are left as the pending engine error
// (2104 with the file error, 2103 for a frame that does not fit the screen or its table).
bool WriteAnimatedGif(const std::vector<AnimationFrame>& frames, int32_t screenWidth,
                      int32_t screenHeight, int32_t loopCount, const std::string& fileName,
                      bool optimize = false);

}  // namespace pellory::engine
