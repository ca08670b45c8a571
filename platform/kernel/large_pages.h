// SPDX-License-Identifier: GPL-3.0-or-later
// Whole 2 MB pages for large buffers that are written whole as soon as they are made. A fresh
// buffer costs a page fault, and a zeroed page, for every 4 KB first touched: thousands for one
// large picture, more than the work that fills it. Advised, the same buffer takes a few dozen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Advises 2 MB pages for the part of [data, data + bytes) that whole 2 MB pages cover, when that
// is at least one page's worth. Advice only: nothing is touched, and nothing fails.
void AdviseLargePages(void* data, size_t bytes);

// Gives `v` room for `size` bytes, advised as above before any byte of it is touched (a vector
// with that much room already is left as it is).
void ReserveLarge(std::vector<uint8_t>& v, size_t size);

// `size` zero bytes, their room advised as above before they are written.
std::vector<uint8_t> LargeZeroed(size_t size);

}  // namespace platform
