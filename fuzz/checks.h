// The properties the fuzz targets hold the library to.
#pragma once

#include <string>

#include "giflib/object/pellory_types.h"
#include "giflib/tests/gif_decode.h"

namespace kestrin::fuzz {

// "" when a held picture is whole: a size GIF allows, one index per pixel, a palette of 1 to
// 256 entries that PaletteSize counts and that covers every index.
std::string HeldPictureFault(const pellory::Vesk_GifPictureType& held);

// "" when giflib's reading of a written GIF is the held picture: its size, its indices, each
// with an entry in the decoded table, that table being the palette padded with black to a power
// of two, and the background, transparency and sort settings.
std::string DecodedGifFault(const pellory::testing::DecodedGif& decoded,
                            const pellory::Vesk_GifPictureType& held);

// Entries of the table the writer writes for a palette of `size` entries.
size_t WrittenTableEntries(size_t size);

}  // namespace kestrin::fuzz
