// Where pictures cross between the toolkit's picture object and the held picture: capture
// through a temporary bitmap file, and return through a temporary GIF file.
#pragma once

#include <string>
#include <vector>

#include "giflib/engine/adaptive_palette.h"
#include "giflib/object/pellory_types.h"
#include "platform/picture/picture.h"

namespace pellory::engine {

// Writes the picture to `path` as an uncompressed bitmap file.
bool MakeTempBMP(const platform::Picture& picture, const std::string& path);

// The whole capture: temporary file, bitmap, reader; the file is gone afterwards in every case.
bool Actual_SetPicture(Vesk_GifPictureType& picture, const platform::Picture& source,
                       const ExactColourRequest& exact = {});

// The held picture as a picture object, through a temporary GIF file that is gone afterwards.
// With `takePixels` the object may take the picture's indices rather than a copy of them, which
// leaves the picture without any.
bool LoadTempGifFile(Vesk_GifPictureType& picture, platform::Picture& result, bool takePixels);

}  // namespace pellory::engine
