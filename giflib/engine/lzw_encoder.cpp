// SPDX-License-Identifier: GPL-3.0-or-later
#include "giflib/engine/lzw_encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace pellory::engine {

namespace {

constexpr int kMaxCodeBits = 12;
constexpr uint32_t kTableCodes = 1u << kMaxCodeBits;  // 4096
// The last code the table may hand out before it must be cleared, as giflib keeps it.
constexpr uint32_t kLastCode = kTableCodes - 1;

// Codes packed least significant bit first into a byte vector. The vector grows to what the
// picture is projected to need and is written through a pointer, a 64-bit word at a time;
// Finish trims it.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out, size_t expected, size_t total)
      : out_(out), total_(total) {
    out_.resize(std::max<size_t>(expected, 64));
    at_ = out_.data();
    end_ = out_.data() + out_.size() - 8;
  }
  // `done`: how many of the `total` pixels the codes so far stand for, to size the room they
  // still need.
  void Put(uint32_t code, int bits, size_t done = 0) {
    acc_ |= uint64_t{code} << pending_;
    pending_ += bits;
    if (pending_ >= 32) {
      if (at_ >= end_) Grow(done);
      const uint64_t word = acc_;
      const uint32_t low = static_cast<uint32_t>(word);
      static_assert(std::endian::native == std::endian::little, "bytes are stored as in memory");
      std::memcpy(at_, &low, 4);
      at_ += 4;
      acc_ >>= 32;
      pending_ -= 32;
    }
  }
  void Finish() {
    for (; pending_ > 0; pending_ -= 8, acc_ >>= 8) {
      if (at_ >= end_) Grow(total_);
      *at_++ = static_cast<uint8_t>(acc_);
    }
    pending_ = 0;
    out_.resize(static_cast<size_t>(at_ - out_.data()));
  }

 private:
  // To what the codes so far, as many again for the pixels left, come to, a sixteenth more;
  // by at least a quarter. Every byte of the room is zeroed, and so resident, when it is made:
  // doubling would leave up to as much again as the codes need.
  void Grow(size_t done) {
    const size_t used = static_cast<size_t>(at_ - out_.data());
    size_t size = out_.size() + out_.size() / 4;
    if (done > 0 && done < total_) {
      const size_t projected = static_cast<size_t>(
          static_cast<double>(used) * static_cast<double>(total_) / static_cast<double>(done));
      size = std::max(size, projected + projected / 16 + 64);
    }
    out_.resize(size);
    at_ = out_.data() + used;
    end_ = out_.data() + out_.size() - 8;
  }
  std::vector<uint8_t>& out_;
  size_t total_;
  uint8_t* at_;
  uint8_t* end_;
  uint64_t acc_ = 0;
  int pending_ = 0;
};

// The table's place of the string `code` followed by `index`. Index-major: the strings a picture
// extends with its few frequent colours share cache lines, which makes the walk below wait less.
inline size_t SlotOf(uint32_t code, uint32_t index) {
  return size_t{index} << kMaxCodeBits | code;
}

// Follows the table from `current` along the pixels from `i` while it holds the string so far
// followed by the next pixel; returns where it stopped (`count` at the end) and the code there.
inline size_t Follow(const uint16_t* next, const uint8_t* indices, size_t i, size_t count,
                     uint32_t& current) {
  uint32_t code = current;
  for (; i < count; ++i) {
    const uint32_t found = next[SlotOf(code, indices[i])];
    if (found == 0) break;
    code = found;
  }
  current = code;
  return i;
}

}  // namespace

int LzwMinimumCodeSize(size_t entries) {
  int bits = 2;
  while ((size_t{1} << bits) < entries) ++bits;
  return bits;
}

size_t EncodeLzw(const uint8_t* indices, size_t count, int minCodeSize,
                 std::vector<uint8_t>& codeBytes, bool deferClear) {
  // Drawings code to a tenth or less; a noisy picture needs more, and the writer grows.
  BitWriter out(codeBytes, count / 8 + 64, count);
  const uint32_t alphabet = 1u << minCodeSize;
  const uint32_t clearCode = alphabet, endCode = alphabet + 1;

  // next[SlotOf(code, index)]: the code of the string `code` followed by `index`, 0 for none
  // (no string ever gets code 0, a root). Clearing touches only the entries made since the last
  // clear, whose places `made` remembers.
  // Kept per thread and left all zero after each picture: a series of frames maps it once.
  // calloc: the 2 MB come as zero pages from the system, and only the rows a picture reaches
  // are ever touched.
  thread_local const std::unique_ptr<uint16_t[], decltype(&std::free)> nextTable(
      static_cast<uint16_t*>(std::calloc(size_t{kTableCodes} * 256, sizeof(uint16_t))), &std::free);
  if (!nextTable) throw std::bad_alloc();
  thread_local const std::unique_ptr<uint32_t[]> madeTable(new uint32_t[kTableCodes]);
  // runs[v]: the codes of v, vv, vvv, ... as the table holds them. A string that starts a run
  // of v goes straight to the longest of them the run covers, which is where following the table
  // pixel by pixel would lead; runs are common in drawings, and cheap to compare.
  thread_local std::array<std::vector<uint16_t>, 256> runTable;
  // Plain pointers: in a shared library every use of a thread_local costs a call.
  uint16_t* const next = nextTable.get();
  uint32_t* const made = madeTable.get();
  std::vector<uint16_t>* const runs = runTable.data();
  // The longest run of each value, apart: checked for every string the table gains.
  uint16_t longestRun[256];
  for (uint32_t v = 0; v < alphabet; ++v) {
    runs[v].assign(1, static_cast<uint16_t>(v));
    longestRun[v] = static_cast<uint16_t>(v);
  }
  uint32_t nextCode = endCode + 1;
  int bits = minCodeSize + 1;
  uint32_t widenAt = 1u << bits;

  size_t i = 1;  // the pixel the string being coded ends before
  auto emit = [&](uint32_t code) {
    out.Put(code, bits, i);
    // The decoder widens its codes once its table reaches the current width's limit.
    if (nextCode >= widenAt && code <= kLastCode && bits < kMaxCodeBits) widenAt = 1u << ++bits;
  };
  auto clear = [&] {
    for (uint32_t c = endCode + 1; c < nextCode; ++c) next[made[c]] = 0;
    for (uint32_t v = 0; v < alphabet; ++v) {
      runs[v].resize(1);
      longestRun[v] = static_cast<uint16_t>(v);
    }
    nextCode = endCode + 1;
    bits = minCodeSize + 1;
    widenAt = 1u << bits;
  };

  // However the coding ends (the output may fail to grow), the table is left all zero for the
  // next picture.
  struct Cleared {
    decltype(clear)& reset;
    ~Cleared() { reset(); }
  } cleared{clear};

  out.Put(clearCode, bits);
  if (count == 0) {
    out.Put(endCode, bits);
    out.Finish();
    return 0;
  }
  size_t fills = 0;
  // Codes come in windows of kWindowCodes; `reference` is the pixels of the last window before
  // the table filled.
  constexpr size_t kWindowCodes = 256;
  size_t windowStart = 0, windowCodes = 0, reference = 0;
  uint32_t current = indices[0];
  bool fresh = true;  // `current` is the root of the pixel before i
  for (; i < count; ++i) {
    if (fresh) {
      fresh = false;
      if (indices[i] == current && longestRun[current] != current) [[unlikely]] {
        // Pixels i - 1 onwards: m of them are `current`, m no more than the table's longest run.
        const std::vector<uint16_t>& run = runs[current];
        const size_t limit = std::min(run.size(), count - (i - 1));
        size_t m = 2;
        while (m < limit && indices[i - 1 + m] == current) ++m;
        current = run[m - 1];
        i += m - 1;
        if (i >= count) break;
      }
    }
    // The string grows while the table knows it followed by the next pixel: a loop of its own,
    // so that what it needs stays in registers.
    i = Follow(next, indices, i, count, current);
    if (i >= count) break;
    const uint32_t index = indices[i];
    const size_t slot = SlotOf(current, index);
    emit(current);
    const uint32_t emitted = current;
    current = index;
    fresh = true;
    const bool full = nextCode >= kLastCode;
    if (!full) {
      next[slot] = static_cast<uint16_t>(nextCode);
      made[nextCode] = static_cast<uint32_t>(slot);
      // The emitted string followed by `index` is the next run of `index` when it was its last.
      if (longestRun[index] == emitted) [[unlikely]] {
        runs[index].push_back(static_cast<uint16_t>(nextCode));
        longestRun[index] = static_cast<uint16_t>(nextCode);
      }
      ++nextCode;
    } else if (!deferClear) {
      emit(clearCode);
      clear();
      ++fills;
      continue;
    }
    if (!deferClear || ++windowCodes < kWindowCodes) continue;
    // Pixels coded by the last kWindowCodes codes: more is better.
    const size_t pixels = i - windowStart;
    windowStart = i;
    windowCodes = 0;
    if (!full) {
      reference = pixels;
    } else if (10 * pixels < 9 * reference) {
      // A full table goes on serving as it is (decoders stop adding entries too) while it
      // codes as well as it did just before it filled; then it starts again.
      emit(clearCode);
      clear();
      ++fills;
      reference = 0;
    }
  }
  emit(current);
  emit(endCode);
  out.Finish();
  return fills;
}

}  // namespace pellory::engine
