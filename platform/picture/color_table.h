// Indexed pictures whose pixels point past their colour table: files in the wild carry them, and
// no writer may pass such indices on.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace platform {

// Extends the colour table of a Format_Indexed8 image with black entries until it covers every
// index its pixels use; other formats are left alone.
void CoverIndicesWithBlack(QImage& image);

// The bits of all `count` indices or-ed together, eight at a time. Against a table of 2^k
// entries this is as good as the largest index: some index reaches 2^k exactly when a bit of k
// or above is set.
uint8_t IndexBits(const uint8_t* indices, size_t count);

}  // namespace platform
