// GIF decoding through giflib, keeping the exact palette, indices and transparent index that
// Qt's own reader would lose.
#pragma once

#include <QImage>
#include <string>

namespace platform {

// True when the file starts with a GIF signature.
bool IsGifFile(const std::string& path);

// The first image as Format_Indexed8: its local colour table when present, else the global one;
// the transparent entry has alpha 0. Interlaced images are de-interlaced. The picture is the
// logical screen with the image at its place; what the image leaves uncovered is the transparent
// entry when there is one, else the global background colour (added to the table if missing).
// Memory grows with the rows the file really holds, never with what its header claims.
// Throws RuntimeError 53 (cannot open) or 481 (malformed, truncated, more than 2^28 pixels).
QImage ReadGifImage(const std::string& path);

}  // namespace platform
