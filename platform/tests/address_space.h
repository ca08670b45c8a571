// SPDX-License-Identifier: GPL-3.0-or-later
// Tests that a job stays in bounded memory: while it lives, the process may map at most `extra`
// bytes beyond what it maps now, so an allocation sized from a lying header fails instead of
// succeeding on a machine with memory to spare. AddressSanitizer maps terabytes of shadow
// memory, so under it the limit is not set (its own allocator reports absurd requests).
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace platform::testing {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSpaceLimitable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSpaceLimitable = false;
#else
inline constexpr bool kAddressSpaceLimitable = true;
#endif
#else
inline constexpr bool kAddressSpaceLimitable = true;
#endif

class AddressSpaceLimit {
 public:
  explicit AddressSpaceLimit(int64_t extra) {
    if (!kAddressSpaceLimitable || getrlimit(RLIMIT_AS, &saved_) != 0) return;
    rlimit limited = saved_;
    const rlim_t wanted = static_cast<rlim_t>(MappedBytes() + extra);
    if (saved_.rlim_cur != RLIM_INFINITY && saved_.rlim_cur < wanted) return;
    limited.rlim_cur = wanted;
    set_ = setrlimit(RLIMIT_AS, &limited) == 0;
  }
  ~AddressSpaceLimit() {
    if (set_) setrlimit(RLIMIT_AS, &saved_);
  }
  AddressSpaceLimit(const AddressSpaceLimit&) = delete;
  AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

  // The bytes mapped by the process now (VmSize).
  static int64_t MappedBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
      if (key == "VmSize:") {
        int64_t kb = 0;
        status >> kb;
        return kb * 1024;
      }
      std::getline(status, key);
    }
    return 0;
  }

 private:
  rlimit saved_{};
  bool set_ = false;
};

}  // namespace platform::testing
