#include "app/animated_export.h"

#include <cctype>

#include "app/message.h"
#include "app/module1.h"
#include "app/vb_text.h"
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

bool SaveAnimationClick(const std::vector<platform::Picture>& frames, const std::string& delayText,
                        bool optimizeFrames) {
  if (frames.empty()) return false;
  const std::optional<int32_t> delay = ToLong(delayText);
  if (!delay || *delay < 0 || *delay > 0xFFFF) {
    ShowMessage(kDelayMessage);
    return false;
  }
  std::string path = ChooseGifToSave();
  if (path.empty()) return false;
  std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : path;
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (tail != ".gif") path += ".gif";
  std::string error;
  if (SaveAnimatedSeries(frames, path, {*delay, 0, optimizeFrames}, &error)) return true;
  ShowMessageAbout(error, path);
  return false;
}

}  // namespace kestrin
