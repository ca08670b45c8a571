// A frame series as one animated GIF file: what the editors' "アニメGIFで保存" buttons and the
// batch command line write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/picture/picture.h"

namespace kestrin {

struct AnimationSettings {
  int32_t delayCs = 10;   // per frame, in hundredths of a second
  int32_t loopCount = 0;  // 0 loops for ever
};

// Writes the frames, in order, as one animated GIF89a at `path`. The logical screen is large
// enough for every frame and each frame is centred on it. An existing file is never
// overwritten, and a failure leaves no file behind. On failure returns false with the library's
// message (or a message of its own) in `error`.
bool SaveAnimatedSeries(const std::vector<platform::Picture>& frames, const std::string& path,
                        const AnimationSettings& settings, std::string* error);

}  // namespace kestrin
