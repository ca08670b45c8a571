// libsavejpg: the JPEG writer that Kestrin and Tessaly call to turn a bitmap file into a JPEG.
#pragma once

#include <cstdint>

#if defined(SAVEJPG_BUILDING)
#define SAVEJPG_API __attribute__((visibility("default")))
#else
#define SAVEJPG_API
#endif

extern "C" {

// Result codes of SavetoJPEG. A failed call leaves no file at jpgPath that it made, and an
// existing file there untouched: the JPEG is written under a temporary name in the target
// folder and renamed only when complete.
enum SaveJpgResult : int16_t {
  kSaveJpgOk = 0,
  kSaveJpgBadArgument = 1,       // a null or empty path
  kSaveJpgBadRate = 2,           // rate 0 or above 100
  kSaveJpgSourceMissing = 3,     // the bitmap file does not exist or is a folder
  kSaveJpgNotPicture = 4,        // the file is not a picture the reader knows (or is empty)
  kSaveJpgCannotCreate = 5,      // no file can be made in the target folder
  kSaveJpgWriteFailed = 6,       // writing or renaming the JPEG failed (disk full, ...)
  kSaveJpgEncoderFailed = 7,     // the encoder gave up (out of memory)
  kSaveJpgTooLarge = 8,          // a side longer than JPEG can hold (65500 pixels)
  kSaveJpgBadDeviceContext = 9,  // DCSavetoJPEG: the context is unknown, released or unreadable
};

// Writes the picture in the bitmap file bmpPath (any picture the platform's loader reads) as a
// baseline JPEG file jpgPath. rate 1..100 is the JPEG quality. progress non-zero reports the
// share of rows written: to the callback set below, else in a progress window when a widget
// application is running; never blocks when there is neither.
SAVEJPG_API int16_t SavetoJPEG(const char* bmpPath, const char* jpgPath, uint8_t rate,
                               int16_t progress);

// Writes the top-left width x height pixels that device context hdc shows (a handle of the
// platform's device contexts) as a JPEG file; quality 1..100. The same codes, and 9 for a
// context that cannot be read.
SAVEJPG_API int16_t DCSavetoJPEG(uint32_t hdc, int32_t width, int32_t height, const char* jpgPath,
                                 uint8_t quality);

// Receives 0..100 as rows are encoded; null restores the default display.
typedef void (*SaveJpgProgressFn)(int percent, void* context);
SAVEJPG_API void SetSavetoJPEGProgress(SaveJpgProgressFn fn, void* context);

}  // extern "C"
