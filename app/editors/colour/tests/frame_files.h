// Test support for the colour-change editor: a source picture whose colours both clamps reach,
// frames made directly through the library, and checks of written frame files through giflib.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/editors/colour/colour_series.h"
#include "app/tests/app_fixture.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/tests/pictures.h"

namespace kestrin::testing {

inline std::string ToString(const ColourShift& s) {
  return "(" + std::to_string(s.r) + ", " + std::to_string(s.g) + ", " + std::to_string(s.b) + ")";
}

// An indexed picture of six colours spread over the channel range, in diagonal bands.
inline platform::Picture ColourSource(int w = 12, int h = 8) {
  const std::vector<pellory::Vesk_GIFRGBTRIPLE> palette = {
      {100, 150, 50}, {20, 200, 240}, {250, 5, 128}, {128, 128, 128}, {60, 90, 180}, {200, 40, 10}};
  std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      indices[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>((x * 6 / w + y * 8 / h) % 6);
  return pellory::testing::MakeIndexedPicture(w, h, palette, indices);
}

// The frame of a shift as the library makes it when asked directly.
inline platform::Picture ShiftedDirectly(const platform::Picture& source, const ColourShift& s) {
  pellory::Vesk_GifObject gif;
  EXPECT_TRUE(gif.SetPicture(source));
  return gif.GetRGBPicture(s.r, s.g, s.b, pellory::ReturnPicture);
}

// A written frame file, decoded by giflib, equals the same shift written directly through the
// library, and every pixel shows its source colour plus the shift, clamped to 0..255.
inline void ExpectFrameFile(const std::string& path, const platform::Picture& source,
                            const ColourShift& s, const std::string& referencePath) {
  SCOPED_TRACE(path + " " + ToString(s));
  std::filesystem::remove(referencePath);  // the library writes no file over another
  WriteGif(ShiftedDirectly(source, s), referencePath);
  const DecodedGif written = DecodeGif(path);
  const DecodedGif reference = DecodeGif(referencePath);
  ASSERT_TRUE(written.ok) << written.error;
  ASSERT_TRUE(reference.ok) << reference.error;
  EXPECT_EQ(written.palette, reference.palette);
  EXPECT_EQ(written.indices, reference.indices);
  const QImage& image = source->Image();
  ASSERT_EQ(written.imageWidth, image.width());
  ASSERT_EQ(written.imageHeight, image.height());
  auto clamp = [](int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); };
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      const uint8_t index = written.indices[static_cast<size_t>(y) * image.width() + x];
      ASSERT_LT(index, written.palette.size());
      const pellory::Vesk_GIFRGBTRIPLE expected{clamp(qRed(c) + s.r), clamp(qGreen(c) + s.g),
                                                clamp(qBlue(c) + s.b)};
      ASSERT_EQ(written.palette[index], expected) << "pixel " << x << ", " << y;
    }
}

}  // namespace kestrin::testing

namespace kestrin {
inline void PrintTo(const ColourShift& s, std::ostream* os) {
  *os << testing::ToString(s);
}
}  // namespace kestrin
