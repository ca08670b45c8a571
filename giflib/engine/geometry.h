// Pixel routines of the geometric transforms. They read a source picture and fill a result picture
// that the caller made with MakeResultPicture; every result pixel is a copy of one source index or
// the background index, so palettes pass through unchanged.
//
// The Actual_* routines return false after recording error 2000 (style 16) as the pending engine
// error on any failure; the plain functions may throw.
#pragma once

#include <cstdint>
#include <vector>

#include "giflib/object/pellory_types.h"

namespace pellory::engine {

// Settings and palette of `src` with the new size and a pixel array of width * height bytes
// (filled with the background index).
Vesk_GifPictureType MakeResultPicture(const Vesk_GifPictureType& src, int32_t width,
                                      int32_t height);

// Settings and palette of `src` with the new size, and no pixels yet.
Vesk_GifPictureType MakeResultShape(const Vesk_GifPictureType& src, int32_t width, int32_t height);

// The source index that each result index of a stretch by `rate` reads: dstLen entries, -1
// where the sample falls past the source (the background).
std::vector<int32_t> StretchMap(int32_t dstLen, int32_t srcLen, float rate);
// map[i] = inner[outer[i]], -1 staying -1: sampling by `inner`, then by `outer`.
std::vector<int32_t> ComposeMaps(const std::vector<int32_t>& inner,
                                 const std::vector<int32_t>& outer);

// Pixels of a chain of stretches and at most one free rotation, defined but not yet computed:
// `base` sampled by `column`/`row` before the turn; when turned, the turned picture is sampled
// by `afterColumn`/`afterRow`. Computing only the pixels the chain keeps spares most of the work
// of an enlarge-turn-shrink chain, with exactly the pixels of running each step.
struct DeferredPixels {
  std::vector<uint8_t> base;
  int32_t baseWidth = 0;
  std::vector<int32_t> column, row;  // sizes: the picture before the turn
  bool turned = false;
  float angle = 0.0f;  // normalised
  int32_t turnWidth = 0, turnHeight = 0;
  std::vector<int32_t> afterColumn, afterRow;  // sizes: the result
  uint8_t back = 0;
};

// Fills dst (sized by the caller) with the deferred pixels.
bool Actual_ComputeDeferred(const DeferredPixels& d, Vesk_GifPictureType& dst);

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
bool Actual_GetTrimPicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst, int32_t trLeft,
                           int32_t trTop);
// Places src at (trLeft, trTop) in dst, the rest background.
bool Actual_GetMarginPicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst,
                             int32_t trLeft, int32_t trTop);

}  // namespace pellory::engine
