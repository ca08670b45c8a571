// Indexed pictures whose pixels point past their colour table: files in the wild carry them, and
// no writer may pass such indices on.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

#include "platform/gdi/index_bits.h"

namespace platform {

// Extends the colour table of a Format_Indexed8 image with black entries until it covers every
// index its pixels use; other formats are left alone.
void CoverIndicesWithBlack(QImage& image);

}  // namespace platform
