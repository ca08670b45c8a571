#include "fuzz/checks.h"

#include <algorithm>

namespace kestrin::fuzz {

namespace {

constexpr int kMaxSide = 32767;

std::string Size(int w, int h) {
  return std::to_string(w) + " x " + std::to_string(h);
}

}  // namespace

size_t WrittenTableEntries(size_t size) {
  size_t entries = 2;
  while (entries < size) entries *= 2;
  return entries;
}

std::string HeldPictureFault(const pellory::Vesk_GifPictureType& held) {
  const auto& s = held.GifSetting;
  if (s.biWidth < 1 || s.biWidth > kMaxSide || s.biHeight < 1 || s.biHeight > kMaxSide)
    return "held size " + Size(s.biWidth, s.biHeight);
  if (held.BitmapData.size() != static_cast<size_t>(s.biWidth) * static_cast<size_t>(s.biHeight))
    return std::to_string(held.BitmapData.size()) + " indices held for " +
           Size(s.biWidth, s.biHeight) + " pixels";
  if (held.ColorTable.empty() || held.ColorTable.size() > 256)
    return "held palette of " + std::to_string(held.ColorTable.size()) + " entries";
  if (static_cast<size_t>(s.PaletteSize) != held.ColorTable.size())
    return "PaletteSize " + std::to_string(s.PaletteSize) + " with " +
           std::to_string(held.ColorTable.size()) + " entries held";
  const auto top = std::max_element(held.BitmapData.begin(), held.BitmapData.end());
  if (*top >= held.ColorTable.size())
    return "held pixel " + std::to_string(top - held.BitmapData.begin()) + " has index " +
           std::to_string(*top) + " past a palette of " + std::to_string(held.ColorTable.size());
  return {};
}

std::string DecodedGifFault(const pellory::testing::DecodedGif& decoded,
                            const pellory::Vesk_GifPictureType& held) {
  const auto& s = held.GifSetting;
  if (!decoded.ok) return "giflib cannot read the written GIF: " + decoded.error;
  if (decoded.width != s.biWidth || decoded.height != s.biHeight ||
      decoded.imageWidth != s.biWidth || decoded.imageHeight != s.biHeight)
    return "GIF screen " + Size(decoded.width, decoded.height) + ", image " +
           Size(decoded.imageWidth, decoded.imageHeight) + " for a held " +
           Size(s.biWidth, s.biHeight);
  for (size_t i = 0; i < decoded.indices.size(); ++i)
    if (decoded.indices[i] >= decoded.palette.size())
      return "GIF pixel " + std::to_string(i) + " has index " + std::to_string(decoded.indices[i]) +
             " past its table of " + std::to_string(decoded.palette.size());
  if (decoded.indices != held.BitmapData) return "GIF indices differ from the held ones";
  std::vector<pellory::Vesk_GIFRGBTRIPLE> table = held.ColorTable;
  table.resize(WrittenTableEntries(table.size()), pellory::Vesk_GIFRGBTRIPLE{});
  if (decoded.palette != table)
    return "GIF table of " + std::to_string(decoded.palette.size()) +
           " entries is not the held palette padded with black to " + std::to_string(table.size());
  if (decoded.background != s.BackColorIndex) return "GIF background index differs";
  const int transparent = s.Transparent == pellory::TransOn ? s.TransColorIndex : -1;
  if (decoded.transparentIndex != transparent) return "GIF transparent index differs";
  if (decoded.sortFlag != s.Sort) return "GIF sort flag differs";
  return {};
}

}  // namespace kestrin::fuzz
