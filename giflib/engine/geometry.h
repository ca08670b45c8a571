// Pixel routines of the geometric transforms. They read a source picture and fill a result picture
// that the caller made with MakeResultPicture; every result pixel is a copy of one source index or
// the background index, so palettes pass through unchanged.
//
// The Actual_* routines return false after recording error 2000 (style 16) as the pending engine
// error on any failure; the plain functions may throw.
#pragma once

#include <cstdint>

#include "giflib/object/pellory_types.h"

namespace pellory::engine {

// Settings and palette of `src` with the new size and a pixel array of width * height bytes
// (filled with the background index).
Vesk_GifPictureType MakeResultPicture(const Vesk_GifPictureType& src, int32_t width, int32_t height);

// Right-angle turn: writes the normalised value (0 to 3) back.
int32_t NormalizeRightAngle(int32_t angle);
// Free-rotation angle: whole turns removed, negatives made positive, quantised to 0.2 degree.
float NormalizeFreeAngle(float angle);

// Size after a free rotation by `angle` (already normalised). Throws on overflow.
void GetAfterRotateSize(int32_t width, int32_t height, float angle, int32_t& newWidth,
                        int32_t& newHeight);
// Background margins of a picture; newWidth/newHeight = size after cutting them.
void GetAfterTrimSize(const Vesk_GifPictureType& picture, Vesk_MarginType& margins,
                      int32_t& newWidth, int32_t& newHeight);

// rx, ry: size factors (result / source), as 32-bit floats.
bool Actual_GetStretchPicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst, float rx,
                              float ry);
// angle: 0 to 3 (Angle0 .. Angle270).
bool Actual_GetRotatePicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst,
                             int32_t angle);
// angle in degrees, already normalised; clockwise on screen.
bool Actual_GetRotatePictureEX(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst,
                               float angle);
// reverse: 0 top-bottom, 1 left-right, 2 both.
bool Actual_GetReversePicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst,
                              int32_t reverse);
// Cuts dst's size out of src starting at (trLeft, trTop).
bool Actual_GetTrimPicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst,
                           int32_t trLeft, int32_t trTop);
// Places src at (trLeft, trTop) in dst, the rest background.
bool Actual_GetMarginPicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst,
                             int32_t trLeft, int32_t trTop);

}  // namespace pellory::engine
