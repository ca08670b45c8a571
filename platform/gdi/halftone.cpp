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
    int best = -1, bestGap = -1;
    for (int v = 0; v < 256; ++v) {
      if (grey[v]) continue;
      int gap = INT_MAX;
      for (int u = 0; u < 256; ++u)
        if (grey[u]) gap = std::min(gap, std::abs(u - v));
      if (gap > bestGap) bestGap = gap, best = v;
    }
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
constexpr int kCells = kCellsPerAxis * kCellsPerAxis * kCellsPerAxis;

struct Candidate {
  uint8_t index, red, green, blue;
};

struct InverseMap {
  std::vector<uint32_t> first;  // kCells + 1 offsets into candidates
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

// The squared distances along one axis from every entry to the nearest and the farthest value
// of every cell on that axis, so that a cell's distances are sums of three looked-up terms.
struct AxisTerms {
  int nearest[kCellsPerAxis][256];
  int farthest[kCellsPerAxis][256];
};

std::unique_ptr<AxisTerms> MakeAxisTerms(const std::array<PaletteEntry, 256>& pal,
                                         uint8_t PaletteEntry::*channel) {
  auto terms = std::make_unique<AxisTerms>();
  for (int c = 0; c < kCellsPerAxis; ++c) {
    const int lo = c * kCellSide, hi = lo + kCellSide - 1;
    for (int i = 0; i < 256; ++i) {
      terms->nearest[c][i] = AxisMin(pal[i].*channel, lo, hi);
      terms->farthest[c][i] = AxisMax(pal[i].*channel, lo, hi);
    }
  }
  return terms;
}

InverseMap BuildInverseMap(const std::array<PaletteEntry, 256>& pal) {
  const auto red = MakeAxisTerms(pal, &PaletteEntry::red);
  const auto green = MakeAxisTerms(pal, &PaletteEntry::green);
  const auto blue = MakeAxisTerms(pal, &PaletteEntry::blue);

  InverseMap map;
  map.first.resize(kCells + 1);
  map.candidates.reserve(kCells * 8);
  int nearestRG[256], farthestRG[256];
  int cell = 0;
  for (int rc = 0; rc < kCellsPerAxis; ++rc)
    for (int gc = 0; gc < kCellsPerAxis; ++gc) {
      for (int i = 0; i < 256; ++i) {
        nearestRG[i] = red->nearest[rc][i] + green->nearest[gc][i];
        farthestRG[i] = red->farthest[rc][i] + green->farthest[gc][i];
      }
      for (int bc = 0; bc < kCellsPerAxis; ++bc, ++cell) {
        // Every colour of the cell is within `bound` of some entry, so its nearest entry (and
        // any entry tying with it) is at most `bound` away; an entry whose closest approach to
        // the cell is farther can never win there.
        int bound = INT_MAX;
        for (int i = 0; i < 256; ++i)
          bound = std::min(bound, farthestRG[i] + blue->farthest[bc][i]);
        map.first[cell] = static_cast<uint32_t>(map.candidates.size());
        for (int i = 0; i < 256; ++i)
          if (nearestRG[i] + blue->nearest[bc][i] <= bound)
            map.candidates.push_back(
                {static_cast<uint8_t>(i), pal[i].red, pal[i].green, pal[i].blue});
      }
    }
  map.first[kCells] = static_cast<uint32_t>(map.candidates.size());
  map.candidates.shrink_to_fit();
  return map;
}

// Answers are memoised per colour, each found on its first use, in a table laid out in blocks of
// 4 x 4 x 4 colours. Neighbouring pixels of a photograph differ by a little noise in every
// channel, and such colours share a block, so a picture keeps a small part of the table in cache.
// (A photograph uses about half the colours of the blocks it reaches: finding a whole block at
// once would search twice as often.) An entry holds the index plus one, so that 0 means not yet
// known and a lookup reads one entry and no flag. The table is fresh anonymous memory: it reads
// as zeros, and untouched blocks cost nothing. Threads racing on one colour compute and store the
// same value, hence relaxed atomics.
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

uint8_t Search(const InverseMap& map, int cell, int r, int g, int b) {
  const Candidate* c = map.candidates.data() + map.first[cell];
  const Candidate* end = map.candidates.data() + map.first[cell + 1];
  uint8_t best = c->index;
  int bestDist = INT_MAX;
  // Candidates are in index order, so a strict comparison keeps the lowest index on a tie.
  for (; c != end; ++c) {
    const int dr = r - c->red, dg = g - c->green, db = b - c->blue;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDist) bestDist = d, best = c->index;
  }
  return best;
}

// Finds and remembers the index of (r, g, b). Kept out of the lookup loop, which then holds
// everything it needs in registers.
[[gnu::noinline]] uint8_t FillEntry(const Memo& memo, int r, int g, int b) {
  const uint8_t index = Search(memo.map, CellOf(r, g, b), r, g, b);
  std::atomic_ref<uint16_t>(memo.answers[SlotOf(r, g, b)])
      .store(index + 1, std::memory_order_relaxed);
  return index;
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
  return known ? static_cast<uint8_t>(known - 1) : FillEntry(memo, r, g, b);
}

void NearestHalftoneIndices(const uint8_t* bgr, size_t count, uint8_t* out) {
  // A photograph's pixels rarely repeat the previous colour, so each is looked up, without a
  // call per pixel: two slot terms and one table entry, all usually in cache.
  const Memo& memo = GetMemo();
  uint16_t* const answers = memo.answers.get();
  const uint32_t* const greenBlue = memo.greenBlueSlots.get();
  for (size_t i = 0; i < count; ++i, bgr += 3) {
    const uint32_t slot = greenBlue[bgr[0] | bgr[1] << 8] | kRedSlots[bgr[2]];
    const uint16_t known = std::atomic_ref<uint16_t>(answers[slot]).load(std::memory_order_relaxed);
    out[i] = known ? static_cast<uint8_t>(known - 1) : FillEntry(memo, bgr[2], bgr[1], bgr[0]);
  }
}

}  // namespace platform
