#include "app/animation_button.h"

#include <cctype>

#include "app/animated_export.h"
#include "app/editor_files.h"
#include "app/message.h"
#include "app/vb_text.h"

namespace kestrin {

bool SaveAnimationClick(platform::CommonDialog& cd, const std::vector<platform::Picture>& frames,
                        const std::string& delayText, bool optimizeFrames) {
  if (frames.empty()) return false;
  const std::optional<int32_t> delay = ToLong(delayText);
  if (!delay || *delay < 0 || *delay > 0xFFFF) {
    ShowMessage(kDelayMessage);
    return false;
  }
  std::string path = ChooseGifToSave(cd);
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
