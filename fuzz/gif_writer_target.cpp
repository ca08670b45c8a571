// The GIF writer on pictures of any size, palette, settings and indices. A picture whose indices
// all lie in the table as written must come back from giflib exactly; any other must be refused
// before a file is made.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz/checks.h"
#include "fuzz/targets.h"
#include "giflib/engine/error_record.h"
#include "giflib/engine/gif_writer.h"

namespace kestrin::fuzz {

namespace {

namespace engine = pellory::engine;

// Most pictures are small, so runs stay fast; a flag reaches the widest and tallest pictures GIF
// allows, with no more pixels than this.
constexpr int kSmallSide = 64;
constexpr size_t kMaxPixels = size_t{1} << 16;
constexpr int kMaxSide = 32767;

// Reads the input front to back; past its end every read gives 0.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t Word() {
    const uint8_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
  }
  const uint8_t* Rest(size_t& count) const {
    count = size_ - std::min(at_, size_);
    return data_ + std::min(at_, size_);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Flags of the first byte.
constexpr uint8_t kSort = 0x01;
constexpr uint8_t kTransOff = 0x02;
constexpr uint8_t kRawIndices = 0x04;  // else indices are folded into the written table
constexpr uint8_t kEmptyPalette = 0x08;
constexpr uint8_t kLarge = 0x10;

// The input, in order: flags; width - 1 and height - 1, a byte each (a little-endian word each
// with kLarge); palette size - 1 (absent with kEmptyPalette); background index; transparent
// index; the palette as red, green, blue; then the indices, repeated to fill the picture.
pellory::Vesk_GifPictureType MakePicture(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const uint8_t flags = in.Byte();
  int w, h;
  if (flags & kLarge) {
    w = 1 + in.Word() % kMaxSide;
    h = 1 + in.Word() % kMaxSide;
    h = static_cast<int>(std::min<size_t>(h, std::max<size_t>(1, kMaxPixels / w)));
  } else {
    w = 1 + in.Byte() % kSmallSide;
    h = 1 + in.Byte() % kSmallSide;
  }
  const size_t colours = (flags & kEmptyPalette) ? 0 : size_t{in.Byte()} + 1;

  pellory::Vesk_GifPictureType pic;
  auto& s = pic.GifSetting;
  s.biWidth = w;
  s.biHeight = h;
  s.PaletteSize = static_cast<int16_t>(colours);
  s.Sort = (flags & kSort) != 0;
  s.Transparent = (flags & kTransOff) ? pellory::TransOff : pellory::TransOn;
  s.BackColorIndex = in.Byte();
  s.TransColorIndex = in.Byte();
  for (size_t i = 0; i < colours; ++i) pic.ColorTable.push_back({in.Byte(), in.Byte(), in.Byte()});

  size_t count = 0;
  const uint8_t* rest = in.Rest(count);
  const size_t entries = WrittenTableEntries(colours);
  pic.BitmapData.resize(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < pic.BitmapData.size(); ++i) {
    const uint8_t v = count ? rest[i % count] : 0;
    pic.BitmapData[i] = (flags & kRawIndices) ? v : static_cast<uint8_t>(v % entries);
  }
  return pic;
}

}  // namespace

std::string GifWriterTarget(const uint8_t* data, size_t size) {
  const pellory::Vesk_GifPictureType pic = MakePicture(data, size);
  engine::PendingError() = {};
  // Into memory: the file writer puts the same bytes into a file.
  std::vector<uint8_t> bytes;
  const bool written = engine::Actual_GifBytes(pic, bytes);

  const size_t entries = WrittenTableEntries(pic.ColorTable.size());
  const uint8_t top = *std::max_element(pic.BitmapData.begin(), pic.BitmapData.end());
  if (top >= entries) {
    if (written)
      return "wrote index " + std::to_string(top) + " past a table of " + std::to_string(entries);
    if (engine::PendingError().Number != 2103)
      return "refused an index past the table with " +
             std::to_string(engine::PendingError().Number) + " instead of 2103";
    if (!bytes.empty()) return "a refused picture gave bytes";
    return {};
  }
  if (!written)
    return "refused a sound picture with " + std::to_string(engine::PendingError().Number);
  const std::string fault = DecodedGifFault(pellory::testing::DecodeGifBytes(bytes), pic);
  return fault.empty() ? fault : "written " + fault;
}

}  // namespace kestrin::fuzz
