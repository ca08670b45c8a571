#include "app/animated_export.h"

#include "giflib/object/vesk_gif_animation.h"

namespace kestrin {

bool SaveAnimatedSeries(const std::vector<platform::Picture>& frames, const std::string& path,
                        const AnimationSettings& settings, std::string* error) {
  pellory::Vesk_GifAnimation animation;
  // As every Pellory object of the program: temporary files where the user can write them.
  animation.TempPathMode(pellory::TempSystem);
  auto failed = [&] {
    if (error) *error = animation.GetErrorMsg(animation.ErrorNumber());
    return false;
  };
  animation.LoopCount(settings.loopCount);
  animation.OptimizeFrames(settings.optimizeFrames);
  if (animation.ErrorNumber() != 0) return failed();
  if (animation.AddFrames(frames, settings.delayCs) != static_cast<int32_t>(frames.size()))
    return failed();
  if (!animation.SaveAnimatedGif(path)) return failed();
  return true;
}

}  // namespace kestrin
