// SPDX-License-Identifier: GPL-3.0-or-later
// GIF's variable-length LZW: the code stream of an image, with a clear code first, a clear code
// whenever the table of 4096 codes is full, and the end code last, as giflib's encoder makes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellory::engine {

// The LZW minimum code size for a colour table of `entries` (2 to 256) entries: the bits of the
// largest index, at least 2.
int LzwMinimumCodeSize(size_t entries);

// Encodes `count` indices, each below 2^minCodeSize (2 to 8), into `codeBytes` (packed least
// significant bit first, not yet cut into sub-blocks).
void EncodeLzw(const uint8_t* indices, size_t count, int minCodeSize,
               std::vector<uint8_t>& codeBytes);

}  // namespace pellory::engine
