#include "platform/gdi/halftone.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace platform {

namespace {

// Layout: the first ten static system colours, a 6x6x6 colour cube without its eight corners
// (they are static colours already, and a duplicate entry could never be chosen), greys filling
// the gaps of the grey ramp, and the last ten static system colours.
constexpr uint8_t kStaticFirst[10][3] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
};
constexpr uint8_t kStaticLast[10][3] = {
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255},
};
constexpr int kCubeLevels[6] = {0, 51, 102, 153, 204, 255};

std::array<PaletteEntry, 256> BuildPalette() {
  std::array<PaletteEntry, 256> pal{};
  size_t n = 0;
  auto add = [&](int r, int g, int b) {
    pal[n++] = {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), 0};
  };
  for (const auto& c : kStaticFirst) add(c[0], c[1], c[2]);
  auto isEdge = [](int level) { return level == 0 || level == 255; };
  for (int r : kCubeLevels)
    for (int g : kCubeLevels)
      for (int b : kCubeLevels)
        if (!(isEdge(r) && isEdge(g) && isEdge(b))) add(r, g, b);

  // Greys: repeatedly take the level farthest from every grey already present, so the ramp has
  // no wide gap; the lowest level wins a tie.
  bool grey[256] = {};
  for (size_t i = 0; i < n; ++i)
    if (pal[i].red == pal[i].green && pal[i].green == pal[i].blue) grey[pal[i].red] = true;
  for (const auto& c : kStaticLast)
    if (c[0] == c[1] && c[1] == c[2]) grey[c[0]] = true;
  const size_t greyCount = 256 - n - 10;
  std::vector<int> added;
  for (size_t k = 0; k < greyCount; ++k) {
    // Each level's distance to the nearest grey: from below, then from above.
    int gap[256];
    for (int v = 0, last = INT_MIN / 2; v < 256; ++v) {
      if (grey[v]) last = v;
      gap[v] = v - last;
    }
    for (int v = 255, next = INT_MAX / 2; v >= 0; --v) {
      if (grey[v]) next = v;
      gap[v] = std::min(gap[v], next - v);
    }
    int best = -1, bestGap = -1;
    for (int v = 0; v < 256; ++v)
      if (!grey[v] && gap[v] > bestGap) bestGap = gap[v], best = v;
    grey[best] = true;
    added.push_back(best);
  }
  std::sort(added.begin(), added.end());
  for (int v : added) add(v, v, v);
  for (const auto& c : kStaticLast) add(c[0], c[1], c[2]);
  return pal;
}

// Inverse colour map: RGB space is cut into cubic cells of kCellSide values per channel, and
// each cell lists, in index order, the only entries that can be nearest to some colour inside
// it. A lookup then compares a handful of entries instead of 256.
constexpr int kCellShift = 3;
constexpr int kCellSide = 1 << kCellShift;
constexpr int kCellsPerAxis = 256 / kCellSide;

struct Candidate {
  uint8_t index, red, green, blue;
};

struct InverseMap {
  std::vector<uint32_t> first;  // per cell, its first candidate; then the end
  std::vector<Candidate> candidates;
};

// Squared distance along one axis from v to the nearest and the farthest point of [lo, hi].
inline int AxisMin(int v, int lo, int hi) {
  int d = v < lo ? lo - v : (v > hi ? v - hi : 0);
  return d * d;
}
inline int AxisMax(int v, int lo, int hi) {
  int d = std::max(std::abs(v - lo), std::abs(v - hi));
  return d * d;
}

// The candidates of every cell of one size: cell c lists its entries at
// list[first[c]] .. list[first[c + 1] - 1], in index order.
struct Level {
  int shift = 0;  // cells of 2^shift values per channel
  std::vector<uint32_t> first;
  std::vector<uint8_t> list;
};

// The cells of side 2^shift, each searched among the candidates of the cell twice its side that
// holds it (all entries at the top). That is enough: a cell inside a larger one is nearer to
// every entry and its farthest point is nearer too, so its bound is no larger, an entry that
// cannot win in the larger cell cannot win in it, and the entry that sets its bound is itself a
// candidate of the larger cell. Coarse cells first keep the work to a few entries a cell.
Level Refine(const std::array<PaletteEntry, 256>& pal, const Level* parent, int shift) {
  const int side = 1 << shift, perAxis = 256 >> shift;
  // Squared distances along each axis from every entry to the nearest and the farthest value of
  // every cell on that axis, so that a cell's distances are sums of three looked-up terms:
  // near[axis][cell * 256 + entry].
  std::vector<int> near[3], far[3];
  uint8_t PaletteEntry::*const channels[3] = {&PaletteEntry::red, &PaletteEntry::green,
                                              &PaletteEntry::blue};
  for (int axis = 0; axis < 3; ++axis) {
    near[axis].resize(static_cast<size_t>(perAxis) * 256);
    far[axis].resize(static_cast<size_t>(perAxis) * 256);
    for (int c = 0; c < perAxis; ++c)
      for (int i = 0; i < 256; ++i) {
        const int v = pal[i].*channels[axis], lo = c * side, hi = lo + side - 1;
        near[axis][c * 256 + i] = AxisMin(v, lo, hi);
        far[axis][c * 256 + i] = AxisMax(v, lo, hi);
      }
  }
  Level level;
  level.shift = shift;
  level.first.resize(static_cast<size_t>(perAxis) * perAxis * perAxis + 1);
  uint8_t everyEntry[256];
  for (int i = 0; i < 256; ++i) everyEntry[i] = static_cast<uint8_t>(i);
  uint32_t cell = 0;
  for (int rc = 0; rc < perAxis; ++rc)
    for (int gc = 0; gc < perAxis; ++gc)
      for (int bc = 0; bc < perAxis; ++bc, ++cell) {
        const uint8_t* pool = everyEntry;
        size_t poolSize = 256;
        if (parent) {
          const int up = perAxis >> 1;
          const size_t p = (static_cast<size_t>(rc >> 1) * up + (gc >> 1)) * up + (bc >> 1);
          pool = parent->list.data() + parent->first[p];
          poolSize = parent->first[p + 1] - parent->first[p];
        }
        const int* nr = near[0].data() + rc * 256;
        const int* ng = near[1].data() + gc * 256;
        const int* nb = near[2].data() + bc * 256;
        const int* fr = far[0].data() + rc * 256;
        const int* fg = far[1].data() + gc * 256;
        const int* fb = far[2].data() + bc * 256;
        // Every colour of the cell is within `bound` of some entry, so its nearest entry (and
        // any entry tying with it) is at most `bound` away; an entry whose closest approach to
        // the cell is farther can never win there.
        int bound = INT_MAX;
        for (size_t k = 0; k < poolSize; ++k) {
          const int i = pool[k];
          bound = std::min(bound, fr[i] + fg[i] + fb[i]);
        }
        level.first[cell] = static_cast<uint32_t>(level.list.size());
        for (size_t k = 0; k < poolSize; ++k) {
          const int i = pool[k];
          if (nr[i] + ng[i] + nb[i] <= bound) level.list.push_back(pool[k]);
        }
      }
  level.first[cell] = static_cast<uint32_t>(level.list.size());
  return level;
}

InverseMap BuildInverseMap(const std::array<PaletteEntry, 256>& pal) {
  static_assert(kCellShift < 5, "cells come from halving the cells of 32 values");
  Level level = Refine(pal, nullptr, 5);
  for (int shift = 4; shift >= kCellShift; --shift) level = Refine(pal, &level, shift);
  InverseMap map;
  map.first = std::move(level.first);
  map.candidates.reserve(level.list.size());
  for (const uint8_t i : level.list)
    map.candidates.push_back({i, pal[i].red, pal[i].green, pal[i].blue});
  return map;
}

// Answers are memoised per colour, each found on its first use, in a table laid out in blocks of
// 4 x 4 x 4 colours. Neighbouring pixels of a photograph differ by a little noise in every
// channel, and such colours share a block, so a picture keeps a small part of the table in cache.
// A block is found whole on its first use (see FillBlock). An entry holds the index plus one, so
// that 0 means not yet known and a lookup reads one entry and no flag. The table is fresh anonymous
// memory: it reads as zeros, and untouched blocks cost nothing. Threads racing on one block compute
// and store the same values, hence relaxed atomics.
constexpr int kBlockShift = 2;
constexpr int kBlockSide = 1 << kBlockShift;
constexpr int kBlocksPerAxis = 256 / kBlockSide;
static_assert(kBlockShift <= kCellShift, "a block lies inside one cell of the inverse map");
constexpr size_t kAnswersBytes = (size_t{1} << 24) * sizeof(uint16_t);

constexpr int CellOf(int r, int g, int b) {
  return ((r >> kCellShift) * kCellsPerAxis + (g >> kCellShift)) * kCellsPerAxis +
         (b >> kCellShift);
}
// Block number, then the colour's place in its block. Each channel's bits land apart from the
// others', so a slot is the bitwise or of the slots of its channels alone.
constexpr uint32_t SlotOf(int r, int g, int b) {
  constexpr int m = kBlockSide - 1;
  const uint32_t block =
      ((r >> kBlockShift) * kBlocksPerAxis + (g >> kBlockShift)) * kBlocksPerAxis +
      (b >> kBlockShift);
  return (block << (3 * kBlockShift)) |
         (((r & m) << (2 * kBlockShift)) | ((g & m) << kBlockShift) | (b & m));
}

constexpr std::array<uint32_t, 256> MakeRedSlots() {
  std::array<uint32_t, 256> slots{};
  for (int r = 0; r < 256; ++r) slots[r] = SlotOf(r, 0, 0);
  return slots;
}
constexpr std::array<uint32_t, 256> kRedSlots = MakeRedSlots();

struct Unmap {
  void operator()(uint16_t* p) const { ::munmap(p, kAnswersBytes); }
};

struct Memo {
  InverseMap map;
  std::unique_ptr<uint16_t[], Unmap> answers;
  // SlotOf(0, g, b) at blue + 256 green: with kRedSlots, two reads give a pixel's slot.
  std::unique_ptr<uint32_t[]> greenBlueSlots;
};

// Finds and remembers the indices of the whole 4 x 4 x 4 block of (r, g, b), and returns the
// one of (r, g, b). The block lies in one cell, so its colours share the candidates; comparing
// each candidate with all 64 colours, four at a time in vector registers, costs a few
// nanoseconds a colour, where one colour alone costs tens (a photograph's first pass finds
// hundreds of thousands of colours, about half of each block it reaches). Kept out of the lookup
// loop, which then holds everything it needs in registers.
[[gnu::noinline]] uint8_t FillBlock(const Memo& memo, int r, int g, int b) {
  // Floats, as SSE2 has no 32-bit integer multiply: every value is an integer below 2^24, so
  // each is exact, and so are the comparisons.
  typedef float Floats [[gnu::vector_size(16)]];
  typedef int32_t Mask [[gnu::vector_size(16)]];
  constexpr int kLanes = 4;
  constexpr int kBlockColours = kBlockSide * kBlockSide * kBlockSide;
  constexpr int kVectors = kBlockColours / kLanes;
  constexpr int m = kBlockSide - 1;
  const int r0 = r & ~m, g0 = g & ~m, b0 = b & ~m;
  const InverseMap& map = memo.map;
  const int cell = CellOf(r0, g0, b0);
  const Candidate* c = map.candidates.data() + map.first[cell];
  const Candidate* end = map.candidates.data() + map.first[cell + 1];
  // The block's colours in slot order (red, then green, then blue within the block): blue runs
  // along the four lanes.
  Floats red[kVectors], green[kVectors], blue[kVectors], bestDist[kVectors], best[kVectors];
  for (int v = 0; v < kVectors; ++v) {
    const float rv = static_cast<float>(r0 + (v >> kBlockShift));
    const float gv = static_cast<float>(g0 + (v & m));
    red[v] = Floats{rv, rv, rv, rv};
    green[v] = Floats{gv, gv, gv, gv};
    blue[v] = Floats{0, 1, 2, 3} + static_cast<float>(b0);
    bestDist[v] = Floats{} + 1e9f;
    best[v] = Floats{} + static_cast<float>(c->index);
  }
  // Candidates are in index order, so a strict comparison keeps the lowest index on a tie.
  for (; c != end; ++c) {
    const Floats cr = Floats{} + static_cast<float>(c->red);
    const Floats cg = Floats{} + static_cast<float>(c->green);
    const Floats cb = Floats{} + static_cast<float>(c->blue);
    const Floats index = Floats{} + static_cast<float>(c->index);
    for (int v = 0; v < kVectors; ++v) {
      const Floats dr = red[v] - cr, dg = green[v] - cg, db = blue[v] - cb;
      const Floats d = dr * dr + dg * dg + db * db;
      const Mask nearer = d < bestDist[v];
      bestDist[v] = nearer ? d : bestDist[v];
      best[v] = nearer ? index : best[v];
    }
  }
  static_assert(kBlockShift == 2, "blue runs along the four lanes");
  uint16_t* const entries = memo.answers.get() + SlotOf(r0, g0, b0);
  for (int j = 0; j < kBlockColours; ++j)
    std::atomic_ref<uint16_t>(entries[j])
        .store(static_cast<uint16_t>(best[j / kLanes][j % kLanes]) + 1, std::memory_order_relaxed);
  const int mine = ((r & m) << (2 * kBlockShift)) | ((g & m) << kBlockShift) | (b & m);
  return static_cast<uint8_t>(best[mine / kLanes][mine % kLanes]);
}

Memo BuildMemo() {
  Memo memo;
  memo.map = BuildInverseMap(HalftonePalette());
  void* answers =
      ::mmap(nullptr, kAnswersBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (answers == MAP_FAILED) throw std::bad_alloc();
  memo.answers.reset(static_cast<uint16_t*>(answers));
  memo.greenBlueSlots = std::make_unique<uint32_t[]>(65536);
  for (int g = 0; g < 256; ++g)
    for (int b = 0; b < 256; ++b) memo.greenBlueSlots[b | g << 8] = SlotOf(0, g, b);
  return memo;
}

const Memo& GetMemo() {
  static const Memo memo = BuildMemo();
  return memo;
}

}  // namespace

const std::array<PaletteEntry, 256>& HalftonePalette() {
  static const std::array<PaletteEntry, 256> palette = BuildPalette();
  return palette;
}

uint8_t NearestHalftoneIndex(uint8_t r, uint8_t g, uint8_t b) {
  const Memo& memo = GetMemo();
  const uint16_t known =
      std::atomic_ref<uint16_t>(memo.answers[SlotOf(r, g, b)]).load(std::memory_order_relaxed);
  return known ? static_cast<uint8_t>(known - 1) : FillBlock(memo, r, g, b);
}

void NearestHalftoneIndices(const uint8_t* bgr, size_t count, uint8_t* out) {
  // A photograph's pixels rarely repeat the previous colour, so each is looked up, without a
  // call per pixel: two slot terms and one table entry, all usually in cache.
  const Memo& memo = GetMemo();
  uint16_t* const answers = memo.answers.get();
  // A large photograph reaches blocks all over the table, a few thousand pages of it, whose first
  // touches cost more than the lookups (more so with two threads faulting at once). Whole 2 MB
  // pages make that a few dozen faults, for up to the table's 32 MB. Small pictures keep to the
  // pages they touch.
  constexpr size_t kManyPixels = size_t{1} << 20;
  if (count >= kManyPixels) ::madvise(answers, kAnswersBytes, MADV_HUGEPAGE);
  const uint32_t* const greenBlue = memo.greenBlueSlots.get();
  for (size_t i = 0; i < count; ++i, bgr += 3) {
    const uint32_t slot = greenBlue[bgr[0] | bgr[1] << 8] | kRedSlots[bgr[2]];
    const uint16_t known = std::atomic_ref<uint16_t>(answers[slot]).load(std::memory_order_relaxed);
    out[i] = known ? static_cast<uint8_t>(known - 1) : FillBlock(memo, bgr[2], bgr[1], bgr[0]);
  }
}

}  // namespace platform
