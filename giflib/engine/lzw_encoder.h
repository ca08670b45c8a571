// SPDX-License-Identifier: GPL-3.0-or-later
// GIF's variable-length LZW: the code stream of an image, with a clear code first, a clear code
// whenever the table of 4096 codes is full (unless deferred), and the end code last, as giflib's
// encoder makes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellory::engine {

// The LZW minimum code size for a colour table of `entries` (2 to 256) entries: the bits of the
// largest index, at least 2.
int LzwMinimumCodeSize(size_t entries);

// Encodes `count` indices, each below 2^minCodeSize (2 to 8), into `codeBytes` (packed least
// significant bit first, not yet cut into sub-blocks). With `deferClear`, a full table is kept
// without new entries while it codes nearly as well as just before it filled (a deferred clear,
// which decoders follow); this is shorter for some pictures and longer for others. Returns how
// often the table filled up.
size_t EncodeLzw(const uint8_t* indices, size_t count, int minCodeSize,
                 std::vector<uint8_t>& codeBytes, bool deferClear = false);

}  // namespace pellory::engine
