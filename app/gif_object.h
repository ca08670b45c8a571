// SPDX-License-Identifier: GPL-3.0-or-later
// Pellory objects as the program makes them. The library keeps its temporary files beside
// itself unless told otherwise; installed under /usr that folder is not its users' to write, so
// every object the program makes puts them in the system's temporary folder ($TMPDIR, else
// /tmp), which each user can write.
#pragma once

#include "giflib/object/vesk_gif_object.h"
#include "giflib/overlay/vesk_overlay.h"

namespace kestrin {

class GifObject : public pellory::Vesk_GifObject {
 public:
  GifObject() { TempPathMode(pellory::TempSystem); }
};

// How the program codes the GIF files it saves unless the user says otherwise (the windows'
// "LZW圧縮", the batch commands' --no-compress): LZW. The library's own default stays the
// literal codes.
inline constexpr pellory::Vesk_GifCompressionEnum kProgramCompression = pellory::LzwCodes;

class OverLay : public pellory::Vesk_OverLay {
 public:
  OverLay() { TempPathMode(pellory::TempSystem); }
};

}  // namespace kestrin
