// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kernel/large_pages.h"

#include <sys/mman.h>

namespace platform {

namespace {

constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
// Below this, a buffer holds at most one whole page: not worth a system call.
constexpr size_t kSmallestAdvised = size_t{4} << 20;

}  // namespace

void AdviseLargePages(void* data, size_t bytes) {
  if (!data || bytes < kSmallestAdvised) return;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t last = (begin + bytes) & ~(kLargePage - 1);
  if (last <= first) return;
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

void ReserveLarge(std::vector<uint8_t>& v, size_t size) {
  if (v.capacity() >= size) return;
  // A fresh block, advised before the old bytes are copied into it.
  std::vector<uint8_t> room;
  room.reserve(size);
  AdviseLargePages(room.data(), room.capacity());
  room.assign(v.begin(), v.end());
  v.swap(room);
}

std::vector<uint8_t> LargeZeroed(size_t size) {
  std::vector<uint8_t> v;
  ReserveLarge(v, size);
  v.resize(size);
  return v;
}

}  // namespace platform
