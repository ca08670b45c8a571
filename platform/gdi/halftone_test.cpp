#include "platform/gdi/halftone.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>
#include <thread>
#include <vector>

namespace platform {
namespace {

int Distance(const PaletteEntry& e, int r, int g, int b) {
  const int dr = r - e.red, dg = g - e.green, db = b - e.blue;
  return dr * dr + dg * dg + db * db;
}

// The reference: every entry compared, the first of equally near entries kept.
uint8_t BruteForceNearest(int r, int g, int b) {
  const auto& pal = HalftonePalette();
  int best = INT_MAX, bestIndex = 0;
  for (int i = 0; i < 256; ++i) {
    const int d = Distance(pal[i], r, g, b);
    if (d < best) best = d, bestIndex = i;
  }
  return static_cast<uint8_t>(bestIndex);
}

// Counts mismatches rather than asserting per colour, so a fault reports once, not a million times.
void ExpectMatchesBruteForce(const std::vector<uint32_t>& colours, const char* what) {
  size_t mismatches = 0;
  uint32_t firstBad = 0;
  for (uint32_t c : colours) {
    const int r = c >> 16, g = (c >> 8) & 0xFF, b = c & 0xFF;
    if (NearestHalftoneIndex(r, g, b) != BruteForceNearest(r, g, b)) {
      if (mismatches++ == 0) firstBad = c;
    }
  }
  EXPECT_EQ(mismatches, 0u) << what << ", first at 0x" << std::hex << firstBad;
}

uint32_t Pack(int r, int g, int b) {
  return (r << 16) | (g << 8) | b;
}

TEST(HalftonePalette, IsTheSameTableOnEveryCall) {
  const auto& a = HalftonePalette();
  const auto& b = HalftonePalette();
  EXPECT_EQ(&a, &b);
  ASSERT_EQ(a.size(), 256u);
  // Spot entries that a rebuilt or reordered table would move.
  EXPECT_EQ(a[0].red + a[0].green + a[0].blue, 0);
  EXPECT_EQ(a[255].red & a[255].green & a[255].blue, 255);
}

TEST(HalftonePalette, HasNoDuplicateEntriesAndZeroFlags) {
  // A duplicate could never be chosen by the nearest match and would waste a slot.
  std::set<uint32_t> distinct;
  for (const PaletteEntry& e : HalftonePalette()) {
    distinct.insert(Pack(e.red, e.green, e.blue));
    EXPECT_EQ(e.flags, 0);
  }
  EXPECT_EQ(distinct.size(), 256u);
}

TEST(NearestHalftoneIndex, EachEntryMapsToItself) {
  const auto& pal = HalftonePalette();
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(NearestHalftoneIndex(pal[i].red, pal[i].green, pal[i].blue), i);
}

TEST(NearestHalftoneIndex, MatchesBruteForceOnADenseGrid) {
  std::vector<uint32_t> colours;
  // Stride 3 reaches every offset within the 8-wide lookup cells over the grid.
  for (int r = 0; r < 256; r += 3)
    for (int g = 0; g < 256; g += 3)
      for (int b = 0; b < 256; b += 3) colours.push_back(Pack(r, g, b));
  // The extreme planes, where cells are clipped.
  for (int a = 0; a < 256; ++a)
    for (int c = 0; c < 256; c += 5) {
      colours.push_back(Pack(255, a, c));
      colours.push_back(Pack(a, 255, c));
      colours.push_back(Pack(a, c, 255));
    }
  ExpectMatchesBruteForce(colours, "grid");
}

TEST(NearestHalftoneIndex, MatchesBruteForceNearEntriesAndMidpoints) {
  const auto& pal = HalftonePalette();
  std::vector<uint32_t> colours;
  auto addAround = [&](int r, int g, int b, int radius) {
    for (int dr = -radius; dr <= radius; ++dr)
      for (int dg = -radius; dg <= radius; ++dg)
        for (int db = -radius; db <= radius; ++db) {
          const int rr = r + dr, gg = g + dg, bb = b + db;
          if (rr >= 0 && rr < 256 && gg >= 0 && gg < 256 && bb >= 0 && bb < 256)
            colours.push_back(Pack(rr, gg, bb));
        }
  };
  for (const PaletteEntry& e : pal) addAround(e.red, e.green, e.blue, 4);
  // Halfway between two entries is where ties and near-ties live.
  for (int i = 0; i < 256; ++i)
    for (int j = i + 1; j < 256; ++j)
      addAround((pal[i].red + pal[j].red) / 2, (pal[i].green + pal[j].green) / 2,
                (pal[i].blue + pal[j].blue) / 2, 1);
  ExpectMatchesBruteForce(colours, "near entries");
}

TEST(NearestHalftoneIndex, MatchesBruteForceOnRandomColours) {
  std::mt19937 rng(20240611);
  std::vector<uint32_t> colours(300000);
  for (uint32_t& c : colours) c = rng() & 0xFFFFFF;
  ExpectMatchesBruteForce(colours, "random");
}

TEST(NearestHalftoneIndex, TieGoesToTheLowestIndex) {
  // Find colours whose nearest distance is shared by two or more entries.
  const auto& pal = HalftonePalette();
  int found = 0;
  for (int i = 0; i < 256 && found < 50; ++i)
    for (int j = i + 1; j < 256 && found < 50; ++j) {
      const int sr = pal[i].red + pal[j].red, sg = pal[i].green + pal[j].green,
                sb = pal[i].blue + pal[j].blue;
      if (sr % 2 || sg % 2 || sb % 2) continue;
      const int r = sr / 2, g = sg / 2, b = sb / 2;
      const int d = Distance(pal[i], r, g, b);
      int lowest = -1;
      bool iNearest = true;
      for (int k = 0; k < 256; ++k) {
        const int dk = Distance(pal[k], r, g, b);
        if (dk < d) iNearest = false;
        if (dk == d && lowest < 0) lowest = k;
      }
      if (!iNearest) continue;
      ++found;
      EXPECT_EQ(NearestHalftoneIndex(r, g, b), lowest)
          << "(" << r << "," << g << "," << b << ") between " << i << " and " << j;
    }
  EXPECT_GT(found, 0) << "the palette offers no tie to test";
}

// A buffer of blue, green, red pixels sized exactly, so that a read past its end is caught under
// AddressSanitizer.
std::vector<uint8_t> Bgr(const std::vector<uint32_t>& colours) {
  std::vector<uint8_t> bgr;
  for (uint32_t c : colours)
    bgr.insert(bgr.end(), {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
                           static_cast<uint8_t>(c >> 16)});
  return bgr;
}

size_t MismatchesWithBruteForce(const std::vector<uint32_t>& colours,
                                const std::vector<uint8_t>& indices) {
  size_t mismatches = 0;
  for (size_t i = 0; i < colours.size(); ++i)
    mismatches += indices[i] !=
                  BruteForceNearest(colours[i] >> 16, (colours[i] >> 8) & 0xFF, colours[i] & 0xFF);
  return mismatches;
}

// Colours no earlier test looked up, each followed by itself and by neighbours in every
// channel: the first lookup of a colour computes its answers, the later ones read them back.
std::vector<uint32_t> FreshColoursAndNeighbours(uint32_t seed, size_t count) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> colours;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t c = rng() & 0xFFFFFF;
    colours.push_back(c);
    colours.push_back(c);
    colours.push_back(c ^ 0x010101);
    colours.push_back(c ^ 0x030201);
  }
  return colours;
}

TEST(NearestHalftoneIndices, MatchesBruteForceForEveryPixel) {
  const std::vector<uint32_t> colours = FreshColoursAndNeighbours(7, 100000);
  const std::vector<uint8_t> bgr = Bgr(colours);
  std::vector<uint8_t> indices(colours.size());
  NearestHalftoneIndices(bgr.data(), colours.size(), indices.data());
  EXPECT_EQ(MismatchesWithBruteForce(colours, indices), 0u);
}

TEST(NearestHalftoneIndices, ReadsPixelsAsBlueGreenRed) {
  // Pure red and pure blue have entries of their own; a swapped reading would exchange them.
  const std::vector<uint8_t> bgr = {0, 0, 255, 255, 0, 0};
  std::vector<uint8_t> indices(2);
  NearestHalftoneIndices(bgr.data(), 2, indices.data());
  EXPECT_EQ(indices[0], NearestHalftoneIndex(255, 0, 0));
  EXPECT_EQ(indices[1], NearestHalftoneIndex(0, 0, 255));
  EXPECT_NE(indices[0], indices[1]);
}

TEST(NearestHalftoneIndices, WritesExactlyCountIndices) {
  const std::vector<uint8_t> bgr = Bgr({0x102030, 0xFFFFFF, 0x000000});
  std::vector<uint8_t> indices(4, 0xAB);
  NearestHalftoneIndices(bgr.data(), 0, indices.data());
  EXPECT_EQ(indices, std::vector<uint8_t>(4, 0xAB));
  NearestHalftoneIndices(bgr.data(), 3, indices.data());
  EXPECT_EQ(indices[0], BruteForceNearest(0x10, 0x20, 0x30));
  EXPECT_EQ(indices[1], 255);
  EXPECT_EQ(indices[2], 0);
  EXPECT_EQ(indices[3], 0xAB);
}

TEST(NearestHalftoneIndices, ThreadsLookingUpTheSameNewColoursAgree) {
  // Both threads meet the same unseen colours at once and may fill the same answers together.
  const std::vector<uint32_t> colours = FreshColoursAndNeighbours(99, 100000);
  const std::vector<uint8_t> bgr = Bgr(colours);
  std::vector<uint8_t> first(colours.size()), second(colours.size());
  std::thread other([&] { NearestHalftoneIndices(bgr.data(), colours.size(), second.data()); });
  NearestHalftoneIndices(bgr.data(), colours.size(), first.data());
  other.join();
  EXPECT_EQ(MismatchesWithBruteForce(colours, first), 0u);
  EXPECT_EQ(MismatchesWithBruteForce(colours, second), 0u);
}

}  // namespace
}  // namespace platform
