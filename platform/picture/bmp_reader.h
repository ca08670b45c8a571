// SPDX-License-Identifier: GPL-3.0-or-later
// Windows and OS/2 bitmap decoding. Qt's own reader hands back uninitialised memory for pixels
// that run-length data never sets and widens 5- and 6-bit channels by shifting (white becomes
// 248); this one defines every pixel and scales channels of any width exactly.
#pragma once

#include <QImage>
#include <string>

namespace platform {

// True when the file starts with the bitmap signature "BM".
bool IsBmpFile(const std::string& path);

// Palette bitmaps (1, 2, 4, 8 bits, RLE4, RLE8) as Format_Indexed8 with the file's opaque
// palette; pixels that run-length data leaves unset are index 0. Indices may point past the
// table. 16-, 24- and 32-bit bitmaps as Format_RGB32, or Format_ARGB32 when the file has an
// alpha mask; each channel is scaled to 0..255 with rounding.
// Throws RuntimeError 53 (cannot open), 481 (malformed, truncated, unsupported, absurd sizes)
// or 7 (no memory for the picture).
QImage ReadBmpImage(const std::string& path);

}  // namespace platform
