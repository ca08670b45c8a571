#include "platform/kernel/large_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace platform {
namespace {

// Room is made before anything is touched, but whatever the vector held comes along.
TEST(LargePages, ReservingKeepsTheBytesAndLeavesRoomyVectorsAlone) {
  std::vector<uint8_t> v(1000);
  std::iota(v.begin(), v.end(), uint8_t{7});
  const std::vector<uint8_t> before = v;
  ReserveLarge(v, size_t{9} << 20);
  EXPECT_EQ(v, before);
  EXPECT_GE(v.capacity(), size_t{9} << 20);
  const uint8_t* data = v.data();
  ReserveLarge(v, 4096);
  EXPECT_EQ(v.data(), data);
  EXPECT_EQ(v, before);
}

TEST(LargePages, ZeroedBuffersOfEverySizeAreZeroAndExact) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{4} << 20, (size_t{6} << 20) + 3}) {
    SCOPED_TRACE(size);
    const std::vector<uint8_t> v = LargeZeroed(size);
    ASSERT_EQ(v.size(), size);
    EXPECT_TRUE(std::all_of(v.begin(), v.end(), [](uint8_t b) { return b == 0; }));
  }
  // Advice on nothing, or on a buffer too small for a whole page, is no error.
  AdviseLargePages(nullptr, size_t{8} << 20);
  uint8_t small[64] = {};
  AdviseLargePages(small, sizeof small);
}

}  // namespace
}  // namespace platform
