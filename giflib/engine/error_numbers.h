// The library's error numbers, one name each; their texts are in messages.cpp. Any 32-bit
// number may still be asked for a message: the unknown ones share one text.
#pragma once

#include <cstdint>

namespace pellory::engine {

enum ErrorNumber : int32_t {
  kErrNone = 0,
  // Reading the temporary bitmap.
  kErrBmpCompression = 1000,
  kErrBmpBitCount = 1001,
  kErrBmpColoursUsed = 1002,
  kErrInvalidImage = 1004,
  kErrTempFileMissing = 1005,
  kErrHalftone = 1006,
  // Failures of the library itself.
  kErrUnexpected = 2000,
  kErrEmptyPicture = 2003,
  kErrPictureSet = 2004,
  kErrTempFileName = 2100,
  kErrTempImage = 2101,
  kErrLzw = 2102,
  kErrHeader = 2103,
  kErrFile = 2104,
  // Wrong use by the caller.
  kErrPictureArgumentEmpty = 3001,
  kErrNoPicture = 3002,
  kErrTempPathMissing = 3003,
  kErrTempPathFolderMissing = 3004,
  kErrInhibitOnMdi = 3005,
  kErrInhibitOnOther = 3006,
  kErrReleaseOnMdi = 3007,
  kErrReleaseOnOther = 3008,
  kErrFolderMissing = 3009,
  kErrFileExists = 3010,
  kErrFileNameMissing = 3011,
  kErrFileNameInvalid = 3012,
  kErrBackIndexOutside = 3013,
  kErrTransIndexOutside = 3014,
  kErrPaletteSize = 3015,
  kErrPaletteType = 3016,
  kErrTooManyControls = 3017,
  kErrDummyControlFailed = 3018,
  kErrInhibitOveruse = 3019,
  kErrResultTooLarge = 3020,
  kErrTrimRange = 3021,
  kErrMarginRange = 3022,
  kErrOverlayControls = 3023,
  kErrOverlayControlFailed = 3024,
  kErrSourceTooLarge = 3025,
  kErrEmptyString = 3026,
  kErrTooManyLines = 3027,
  kErrOver256Colors = 3028,
  kErrNoFrames = 3040,
  kErrDelayRange = 3041,
  kErrLoopRange = 3042,
};

}  // namespace pellory::engine
