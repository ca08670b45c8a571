// How the colour and mesh editors begin saving their series.
#pragma once

#include <cstdint>

#include "app/gif_options.h"
#include "app/progress.h"
#include "giflib/object/vesk_gif_object.h"

namespace kestrin {

// Shows the progress window counting up to `frames`, then hands the edited picture to the
// library. False, with the window unloaded, when the library refuses the picture.
inline bool BeginSeriesSave(Progress& progress, int32_t frames, const platform::Picture& im2,
                            pellory::Vesk_GifObject& gif, const GifOptions& options) {
  progress.Show();
  progress.SetMax(frames);
  progress.SetMin(0);
  progress.SetCaption("ただいま保存中です。");
  if (SetPictureWith(gif, im2, options)) return true;
  progress.Unload();
  return false;
}

}  // namespace kestrin
