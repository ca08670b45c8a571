// A frame series as one animated GIF file: what the editors' "アニメGIFで保存" buttons and the
// batch command line write. The button's dialog and messages are the windows' (animation_button.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/picture/picture.h"

namespace kestrin {

struct AnimationSettings {
  int32_t delayCs = 10;   // per frame, in hundredths of a second
  int32_t loopCount = 0;  // 0 loops for ever
  // Each frame only where it changes the screen (the same animation, fewer bytes), or whole.
  bool optimizeFrames = true;
};

// Writes the frames, in order, as one animated GIF89a at `path`. The logical screen is large
// enough for every frame and each frame is centred on it. An existing file is never
// overwritten, and a failure leaves no file behind. On failure returns false with the library's
// message (or a message of its own) in `error`.
bool SaveAnimatedSeries(const std::vector<platform::Picture>& frames, const std::string& path,
                        const AnimationSettings& settings, std::string* error);

// The same file, with its frames taken as a series hands them over while it makes the next one,
// on a thread of their own: a series made one frame at a time leaves the other processor idle.
// The file is the one SaveAnimatedSeries writes of the same frames; saving frames other than
// those handed over, or after a frame was refused, is SaveAnimatedSeries itself.
class AnimationCapture {
 public:
  explicit AnimationCapture(const AnimationSettings& settings);
  ~AnimationCapture();
  AnimationCapture(const AnimationCapture&) = delete;
  AnimationCapture& operator=(const AnimationCapture&) = delete;

  // The next frame in the order the file shows them.
  void Add(const platform::Picture& frame);
  // As SaveAnimatedSeries. Whatever was taken is let go.
  bool Save(const std::vector<platform::Picture>& frames, const std::string& path,
            std::string* error);

 private:
  struct Taken;
  void Settle();  // waits for the frame being taken
  AnimationSettings settings_;
  std::unique_ptr<Taken> taken_;
};

inline constexpr const char* kAnimationButtonCaption = "アニメGIFで保存";
inline constexpr const char* kDelayLabelCaption = "表示時間(1/100秒)";
inline constexpr const char* kOptimizeCaption = "差分のみ保存";
inline constexpr const char* kDelayMessage =
    "表示時間には0から65535までの整数（1/100秒）を入力してください。";

}  // namespace kestrin
