// Test support: bitmap files built byte by byte, so that a test says exactly what a file holds,
// including what no well-behaved writer produces.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace platform::testing {

struct BmpColor {
  uint8_t r, g, b;
};

// An uncompressed bottom-up bitmap with a 40-byte info header: 1, 4 or 8 bits per pixel,
// colours-used = palette size, rows padded to 4 bytes. `indices` run top row first; an index
// may point past the palette.
inline std::vector<uint8_t> IndexedBmp(int width, int height, int bits,
                                       const std::vector<BmpColor>& palette,
                                       const std::vector<uint8_t>& indices) {
  const uint32_t stride = ((static_cast<uint32_t>(width) * bits + 31) / 32) * 4;
  const uint32_t offset = 54 + 4 * static_cast<uint32_t>(palette.size());
  std::vector<uint8_t> out(offset + size_t{stride} * height, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = (v >> (8 * i)) & 0xFF;
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<uint32_t>(out.size()));
  put32(10, offset);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  out[26] = 1;
  out[28] = static_cast<uint8_t>(bits);
  put32(34, stride * height);
  put32(46, static_cast<uint32_t>(palette.size()));
  for (size_t i = 0; i < palette.size(); ++i) {
    out[54 + 4 * i] = palette[i].b;
    out[55 + 4 * i] = palette[i].g;
    out[56 + 4 * i] = palette[i].r;
  }
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &out[offset + size_t{stride} * (height - 1 - y)];
    for (int x = 0; x < width; ++x) {
      const uint8_t v = indices[static_cast<size_t>(y) * width + x] & ((1 << bits) - 1);
      const int bit = x * bits;  // most significant bits first
      row[bit / 8] |= static_cast<uint8_t>(v << (8 - bits - bit % 8));
    }
  }
  return out;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

}  // namespace platform::testing
