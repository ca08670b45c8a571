// The bits of a picture's indices or-ed together: how a writer checks, in one quick pass, that no
// index points past a colour table.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The bits of all `count` indices or-ed together, eight at a time. Against a table of 2^k
// entries this is as good as the largest index: some index reaches 2^k exactly when a bit of k
// or above is set.
uint8_t IndexBits(const uint8_t* indices, size_t count);

}  // namespace platform
