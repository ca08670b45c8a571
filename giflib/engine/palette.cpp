#include "giflib/engine/palette.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "giflib/engine/conversions.h"
#include "giflib/engine/error_record.h"
#include "platform/kernel/err.h"
#include "platform/kernel/large_pages.h"
#include "platform/kernel/second_lane.h"

namespace pellory::engine {

namespace {

// Number of pixels of the picture, after checking that the buffer holds exactly three bytes for
// each; a mismatch is an out-of-range read in the making.
size_t PixelCount(const Vesk_GifPictureType& picture, const std::vector<uint8_t>& bgr) {
  const int32_t w = picture.GifSetting.biWidth, h = picture.GifSetting.biHeight;
  if (w < 0 || h < 0) throw platform::RuntimeError(platform::kErrSubscript);
  const uint64_t count = static_cast<uint64_t>(w) * static_cast<uint64_t>(h);
  if (static_cast<uint64_t>(bgr.size()) != 3 * count)
    throw platform::RuntimeError(platform::kErrSubscript);
  return static_cast<size_t>(count);
}

// Colour -> list position for at most 256 colours: open addressing over 512 slots keeps the
// load at one half, and the whole table stays in L1.
class ColourIndexMap {
 public:
  // Position of `key` (a 24-bit colour), inserting it at `next` when absent; -1 when absent and
  // the map is full.
  int FindOrInsert(uint32_t key, int next) {
    const uint32_t tagged = key | kOccupied;
    for (uint32_t slot = (key * 0x9E3779B1u) >> (32 - kBits);; slot = (slot + 1) & (kSlots - 1)) {
      if (keys_[slot] == tagged) return positions_[slot];
      if (keys_[slot] == 0) {
        if (next >= 256) return -1;
        keys_[slot] = tagged;
        positions_[slot] = static_cast<uint8_t>(next);
        return next;
      }
    }
  }

 private:
  static constexpr int kBits = 9;
  static constexpr uint32_t kSlots = 1u << kBits;
  static constexpr uint32_t kOccupied = 1u << 24;
  uint32_t keys_[kSlots] = {};
  uint8_t positions_[kSlots] = {};
};

int16_t PowerOfTwoPaletteSize(int n) {
  int16_t size = 2;
  while (size < n) size *= 2;
  return size;
}

// Maps pixels [begin, end) to halftone indices.
void MapToHalftone(const uint8_t* bgr, uint8_t* out, size_t begin, size_t end) noexcept {
  platform::NearestHalftoneIndices(bgr + 3 * begin, end - begin, out + begin);
}

// Below this a second thread costs more than it saves.
constexpr size_t kMinPixelsForTwoThreads = size_t{1} << 18;

uint32_t KeyOf(const Vesk_GIFRGBTRIPLE& c) {
  return c.gBlue | (c.gGreen << 8) | (c.gRed << 16);
}

// The colours of some pixels in the order they first appear, and each pixel's place in them.
struct ColourScan {
  Vesk_GIFRGBTRIPLE colours[256];
  int n = 0;
  bool full = false;  // a 257th colour came, or the scan was told to stop
};

// Scans pixels into `scan` in the order they come, call after call, writing their places to
// `out`. Gives up at a 257th colour, and (checking now and then) once `stop` is set by the other
// half.
class ColourScanner {
 public:
  explicit ColourScanner(ColourScan& scan) : scan_(scan) {}
  // False once the scan has given up.
  bool Scan(const uint8_t* bgr, size_t n, uint8_t* out, std::atomic<bool>& stop) {
    if (scan_.full) return false;
    const uint8_t* p = bgr;
    for (size_t i = 0; i < n; ++i, p += 3) {
      const uint32_t key = p[0] | (p[1] << 8) | (p[2] << 16);
      if (key != lastKey_) {
        const int pos = map_.FindOrInsert(key, scan_.n);
        if (pos < 0) {
          scan_.full = true;
          stop = true;
          return false;
        }
        if (pos == scan_.n) scan_.colours[scan_.n++] = {p[2], p[1], p[0]};
        lastKey_ = key;
        lastIndex_ = static_cast<uint8_t>(pos);
      }
      out[i] = lastIndex_;
      if ((++seen_ & 0xFFFF) == 0 && stop.load(std::memory_order_relaxed)) {
        scan_.full = true;
        return false;
      }
    }
    return true;
  }

 private:
  ColourScan& scan_;
  ColourIndexMap map_;
  uint32_t lastKey_ = 0xFFFFFFFFu;
  uint8_t lastIndex_ = 0;
  size_t seen_ = 0;
};

// Joins the scans of the two halves, the second starting at pixel `mid`: its colours follow the
// first's, those it shares taking the first's places, as one scan would have placed them. False
// when more than 256 colours came (the error is recorded when the picture does not allow it).
bool StoreScans(Vesk_GifPictureType& picture, ColourScan (&halves)[2], size_t mid, size_t count,
                std::vector<uint8_t>& indices) {
  ColourScan& merged = halves[0];
  bool full = halves[0].full || halves[1].full;
  if (!full && mid < count) {
    ColourIndexMap map;
    for (int i = 0; i < merged.n; ++i) map.FindOrInsert(KeyOf(merged.colours[i]), i);
    uint8_t place[256];
    bool moved = false;
    for (int i = 0; i < halves[1].n && !full; ++i) {
      const int pos = map.FindOrInsert(KeyOf(halves[1].colours[i]), merged.n);
      if (pos < 0) {
        full = true;
      } else {
        if (pos == merged.n) merged.colours[merged.n++] = halves[1].colours[i];
        place[i] = static_cast<uint8_t>(pos);
        moved = moved || pos != i;
      }
    }
    if (!full && moved)
      for (size_t i = mid; i < count; ++i) indices[i] = place[indices[i]];
  }
  if (full) {
    // The caller reduces the picture instead when the client allows it.
    if (!picture.GifSetting.HandleOver256Color)
      RecordModuleError(kErrOver256Colors, kStyleExclamation);
    return false;
  }
  StorePalette(picture, std::vector<Vesk_GIFRGBTRIPLE>(merged.colours, merged.colours + merged.n),
               std::move(indices));
  return true;
}

// Runs band(firstRow, rows, bgr) over the picture's rows, about a megabyte of 24-bit pixels a
// band, in two halves of rows at once for a large picture; `half` tells a band which (0 or 1).
// Returns the first row of the upper half (the height when not split).
template <class Band>
int32_t InBands(const Vesk_GifPictureType& picture, const RowReader& read, Band&& band) {
  const int32_t w = picture.GifSetting.biWidth, h = picture.GifSetting.biHeight;
  if (w < 0 || h < 0) throw platform::RuntimeError(platform::kErrSubscript);
  const size_t rowBytes = 3 * static_cast<size_t>(w);
  const int32_t bandRows =
      static_cast<int32_t>(std::max<size_t>(1, (size_t{1} << 20) / std::max<size_t>(1, rowBytes)));
  const bool split = static_cast<size_t>(w) * static_cast<size_t>(h) >= kMinPixelsForTwoThreads;
  int32_t mid = h;
  platform::RunInHalves(h, split, [&](int64_t begin, int64_t end) {
    const int half = begin > 0 ? 1 : 0;
    if (half == 1) mid = static_cast<int32_t>(begin);
    std::vector<uint8_t> bgr(rowBytes *
                             static_cast<size_t>(std::min<int64_t>(bandRows, end - begin)));
    for (int64_t y = begin; y < end; y += bandRows) {
      const int32_t rows = static_cast<int32_t>(std::min<int64_t>(bandRows, end - y));
      read(static_cast<int32_t>(y), rows, bgr.data());
      if (!band(half, static_cast<int32_t>(y), rows, bgr.data())) return;
    }
  });
  return mid;
}

}  // namespace

bool MakePalette(Vesk_GifPictureType& picture, const std::vector<uint8_t>& bgr) {
  return RunProcedure("MakePalette", [&] {
    const size_t count = PixelCount(picture, bgr);
    std::vector<uint8_t> indices = platform::LargeZeroed(count);
    // Large pictures are scanned in two halves at once; the second half's colours then follow
    // the first's (StoreScans).
    ColourScan halves[2];
    std::atomic<bool> stop{false};
    size_t mid = count;
    platform::RunInHalves(static_cast<int64_t>(count), count >= kMinPixelsForTwoThreads,
                          [&](int64_t begin, int64_t end) {
                            if (begin > 0) mid = static_cast<size_t>(begin);
                            ColourScanner scanner(halves[begin > 0 ? 1 : 0]);
                            scanner.Scan(bgr.data() + 3 * static_cast<size_t>(begin),
                                         static_cast<size_t>(end - begin), indices.data() + begin,
                                         stop);
                          });
    return StoreScans(picture, halves, mid, count, indices);
  });
}

bool MakePaletteByRows(Vesk_GifPictureType& picture, const RowReader& read) {
  return RunProcedure("MakePalette", [&] {
    const size_t w = static_cast<size_t>(std::max(0, picture.GifSetting.biWidth));
    const size_t count = w * static_cast<size_t>(std::max(0, picture.GifSetting.biHeight));
    std::vector<uint8_t> indices = platform::LargeZeroed(count);
    ColourScan halves[2];
    std::atomic<bool> stop{false};
    ColourScanner scanners[2] = {ColourScanner(halves[0]), ColourScanner(halves[1])};
    const int32_t mid =
        InBands(picture, read, [&](int half, int32_t y, int32_t rows, const uint8_t* bgr) {
          return scanners[half].Scan(bgr, w * static_cast<size_t>(rows),
                                     indices.data() + w * static_cast<size_t>(y), stop);
        });
    return StoreScans(picture, halves, w * static_cast<size_t>(mid), count, indices);
  });
}

void StorePalette(Vesk_GifPictureType& picture, std::vector<Vesk_GIFRGBTRIPLE> colours,
                  std::vector<uint8_t> indices) {
  const int16_t size = PowerOfTwoPaletteSize(static_cast<int>(colours.size()));
  colours.resize(static_cast<size_t>(size));
  picture.ColorTable = std::move(colours);
  picture.BitmapData = std::move(indices);
  picture.GifSetting.PaletteSize = size;
  picture.GifSetting.Sort = false;
}

bool GetHalftonePalette(std::array<platform::PaletteEntry, 256>& entries) {
  return RunProcedure("GetHalftonePalette", [&] {
    const auto& halftone = platform::HalftonePalette();
    const size_t read = std::min(halftone.size(), entries.size());
    std::copy_n(halftone.begin(), read, entries.begin());
    if (read == 0) {
      RecordModuleError(kErrHalftone, kStyleStop);
      return false;
    }
    return true;
  });
}

namespace {

// The halftone palette as the picture's colour table, as both reductions to it begin.
bool TakeHalftoneTable(Vesk_GifPictureType& picture) {
  std::array<platform::PaletteEntry, 256> entries;
  if (!GetHalftonePalette(entries)) return false;
  std::vector<Vesk_GIFRGBTRIPLE> table(entries.size());
  for (size_t i = 0; i < entries.size(); ++i)
    table[i] = {entries[i].red, entries[i].green, entries[i].blue};
  picture.ColorTable = std::move(table);
  picture.GifSetting.PaletteSize = 256;
  picture.GifSetting.Sort = false;
  return true;
}

}  // namespace

bool ReduceColor(Vesk_GifPictureType& picture, const std::vector<uint8_t>& bgr) {
  return RunProcedure("ReduceColor", [&] {
    if (!TakeHalftoneTable(picture)) return false;

    const size_t count = PixelCount(picture, bgr);
    std::vector<uint8_t> indices = platform::LargeZeroed(count);
    // Builds the lookup tables here, so that a failure is caught on this thread.
    platform::NearestHalftoneIndex(0, 0, 0);
    platform::RunInHalves(static_cast<int64_t>(count), count >= kMinPixelsForTwoThreads,
                          [&](int64_t first, int64_t end) {
                            MapToHalftone(bgr.data(), indices.data(), static_cast<size_t>(first),
                                          static_cast<size_t>(end));
                          });

    picture.BitmapData = std::move(indices);
    return true;
  });
}

bool ReduceColorByRows(Vesk_GifPictureType& picture, const RowReader& read) {
  return RunProcedure("ReduceColor", [&] {
    if (!TakeHalftoneTable(picture)) return false;

    const size_t w = static_cast<size_t>(std::max(0, picture.GifSetting.biWidth));
    std::vector<uint8_t> indices =
        platform::LargeZeroed(w * static_cast<size_t>(std::max(0, picture.GifSetting.biHeight)));
    // Builds the lookup tables here, so that a failure is caught on this thread.
    platform::NearestHalftoneIndex(0, 0, 0);
    InBands(picture, read, [&](int, int32_t y, int32_t rows, const uint8_t* bgr) {
      platform::NearestHalftoneIndices(bgr, w * static_cast<size_t>(rows),
                                       indices.data() + w * static_cast<size_t>(y));
      return true;
    });
    picture.BitmapData = std::move(indices);
    return true;
  });
}

int16_t SearchClrIndex(const std::vector<Vesk_GIFRGBTRIPLE>& colorTable, int32_t color) {
  SetProcName("SearchClrIndex");
  try {
    // A palette that was never filled has no highest index to compare against.
    if (colorTable.empty()) throw platform::RuntimeError(platform::kErrSubscript);
    if (colorTable.size() > 256) return -1;
    const std::array<uint8_t, 3> rgb = ColorToBytes(color);
    const Vesk_GIFRGBTRIPLE wanted{rgb[0], rgb[1], rgb[2]};
    for (size_t i = 0; i < colorTable.size(); ++i)
      if (colorTable[i] == wanted) return static_cast<int16_t>(i);
    return -1;
  } catch (...) {
    RecordModuleUnexpected();
    return -1;
  }
}

}  // namespace pellory::engine
