#include "app/animated_export.h"

namespace kestrin {

bool SaveAnimatedSeries(const std::vector<platform::Picture>&, const std::string&,
                        const AnimationSettings&, std::string* error) {
  if (error) *error = "アニメGIFの保存はまだできません。";
  return false;
}

}  // namespace kestrin
