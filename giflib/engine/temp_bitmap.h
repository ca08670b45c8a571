// Temporary files of the library and the reader of the bitmap files that pictures are captured
// through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "giflib/engine/adaptive_palette.h"
#include "giflib/object/pellory_types.h"

namespace pellory::engine {

// Creates a new, empty temporary file in the folder chosen by the picture's TempPathMode and
// TempPath (3003/3004 for a wrong UserCustom setting, 2100 when no file can be made).
bool GetTempFilePathClass(const Vesk_GifPictureType& picture, std::string& path);

// The platform part: "" means the system temporary folder. Records nothing.
bool MakeTempFileName(const std::string& folder, std::string& path);

// Reads an uncompressed 1, 4, 8 or 24-bit bitmap file into palette, indices and size; 24-bit
// pixels get an exact palette or are reduced as the picture's ReduceColorMode says (`exact`
// applies to the adaptive palettes). The palette always covers every index: indices past the
// file's colour count get black entries.
bool GetTempBMP(Vesk_GifPictureType& picture, const std::string& path,
                const ExactColourRequest& exact = {});
// The same reader on the bytes of a bitmap file in memory: the same pictures and errors.
bool GetBmpBytes(Vesk_GifPictureType& picture, const uint8_t* data, size_t size,
                 const ExactColourRequest& exact = {});

// Deep copy of settings, palette and pixels.
void CopyGifPicture(Vesk_GifPictureType& destination, const Vesk_GifPictureType& source);

// The folder temporary files go to for TempPathMode AppPath: the folder of the loaded library.
std::string LibraryFolder();

}  // namespace pellory::engine
