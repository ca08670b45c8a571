// SPDX-License-Identifier: GPL-3.0-or-later
#include "giflib/engine/adaptive_palette.h"

#include <libimagequant.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>

#include "giflib/engine/error_record.h"
#include "giflib/engine/palette.h"
#include "platform/kernel/err.h"
#include "platform/kernel/second_lane.h"

namespace pellory::engine {

namespace {

struct LiqDeleter {
  void operator()(liq_attr* p) const { liq_attr_destroy(p); }
  void operator()(liq_image* p) const { liq_image_destroy(p); }
  void operator()(liq_result* p) const { liq_result_destroy(p); }
};
template <class T>
using LiqPtr = std::unique_ptr<T, LiqDeleter>;

void Check(liq_error e) {
  if (e == LIQ_OUT_OF_MEMORY) throw platform::RuntimeError(platform::kErrOutOfMemory);
  if (e != LIQ_OK) throw platform::RuntimeError(platform::kErrInvalidCall);
}

uint32_t KeyOf(const uint8_t* bgr) {
  return bgr[2] | (bgr[1] << 8) | (uint32_t{bgr[0]} << 16);
}

// The colour that gets the exact entry, as red + 256 green + 65536 blue, or -1 for none.
int64_t ExactColour(const std::vector<uint8_t>& bgr, size_t count,
                    const ExactColourRequest& exact) {
  if (!exact.wanted || count == 0) return -1;
  if (exact.preferred >= 0 && exact.preferred <= 0xFFFFFF) {
    const uint32_t wanted = static_cast<uint32_t>(exact.preferred);
    for (size_t i = 0; i < count; ++i)
      if (KeyOf(&bgr[3 * i]) == wanted) return wanted;
  }
  return KeyOf(bgr.data());
}

int Distance(const Vesk_GIFRGBTRIPLE& a, const uint8_t* bgr) {
  const int dr = a.gRed - bgr[2], dg = a.gGreen - bgr[1], db = a.gBlue - bgr[0];
  return dr * dr + dg * dg + db * db;
}

// From this size on, the palette is built from a quarter of the pixels and the two halves of
// the picture are mapped to it on two threads: a photograph's palette hardly changes, and the
// mapping, which is most of the time, takes half as long.
constexpr size_t kLargePicture = size_t{1} << 21;

liq_palette PaletteOf(liq_result* result) {
  const liq_palette* p = liq_get_palette(result);
  if (!p) throw platform::RuntimeError(platform::kErrInvalidCall);
  return *p;
}

liq_attr* NewAttr(int colours) {
  liq_attr* attr = liq_attr_create();
  if (!attr) throw platform::RuntimeError(platform::kErrOutOfMemory);
  Check(liq_set_max_colors(attr, colours));
  return attr;
}

// A w x h picture of RGBA pixels and the 256-colour quantisation of it.
struct Quantised {
  LiqPtr<liq_attr> attr;
  LiqPtr<liq_image> image;
  LiqPtr<liq_result> result;
};
Quantised Quantise(uint8_t* rgba, int w, int h) {
  Quantised q;
  q.attr.reset(NewAttr(256));
  q.image.reset(liq_image_create_rgba(q.attr.get(), rgba, w, h, 0));
  if (!q.image) throw platform::RuntimeError(platform::kErrOutOfMemory);
  liq_result* raw = nullptr;
  Check(liq_image_quantize(q.image.get(), q.attr.get(), &raw));
  q.result.reset(raw);
  return q;
}

// Quantises and maps the whole picture with one result, which may still refine the palette
// while mapping; the palette as it was used.
liq_palette RemapWhole(std::vector<uint8_t>& rgba, int w, int h, float dither, uint8_t* out) {
  const Quantised q = Quantise(rgba.data(), w, h);
  liq_result* result = q.result.get();
  Check(liq_set_dithering_level(result, std::clamp(dither, 0.0f, 1.0f)));
  Check(liq_write_remapped_image(result, q.image.get(), out, size_t(w) * size_t(h)));
  return PaletteOf(result);
}

// Maps rows [top, bottom) to exactly the colours of `palette`, writing indices into it.
void RemapRows(const liq_palette& palette, std::vector<uint8_t>& rgba, int w, int top, int bottom,
               float dither, uint8_t* out) {
  LiqPtr<liq_attr> attr(NewAttr(static_cast<int>(palette.count)));
  std::unique_ptr<liq_histogram, void (*)(liq_histogram*)> histogram(
      liq_histogram_create(attr.get()), liq_histogram_destroy);
  if (!histogram) throw platform::RuntimeError(platform::kErrOutOfMemory);
  // Fixed, so that they stay exactly as they are; counted once, since an empty histogram is
  // refused.
  liq_histogram_entry entries[256];
  for (unsigned i = 0; i < palette.count; ++i) {
    Check(liq_histogram_add_fixed_color(histogram.get(), palette.entries[i], 0));
    entries[i] = {palette.entries[i], 1};
  }
  Check(liq_histogram_add_colors(histogram.get(), attr.get(), entries,
                                 static_cast<int>(palette.count), 0));
  liq_result* raw = nullptr;
  Check(liq_histogram_quantize(histogram.get(), attr.get(), &raw));
  LiqPtr<liq_result> result(raw);
  Check(liq_set_dithering_level(result.get(), std::clamp(dither, 0.0f, 1.0f)));
  const size_t offset = size_t(w) * size_t(top), rows = size_t(bottom - top);
  LiqPtr<liq_image> image(
      liq_image_create_rgba(attr.get(), rgba.data() + 4 * offset, w, bottom - top, 0));
  if (!image) throw platform::RuntimeError(platform::kErrOutOfMemory);
  Check(liq_write_remapped_image(result.get(), image.get(), out + offset, size_t(w) * rows));
  // The result may order the colours its own way: back to the shared palette's numbers, the
  // nearest entry where one does not come back exactly (a transparent entry the quarter of the
  // pixels missed; the caller settles those pixels).
  const liq_palette used = PaletteOf(result.get());
  uint8_t renumber[256] = {};
  for (unsigned i = 0; i < used.count; ++i) {
    const liq_color& u = used.entries[i];
    int best = 0, bestDistance = -1;
    for (unsigned j = 0; j < palette.count; ++j) {
      const liq_color& c = palette.entries[j];
      const int d = (c.r - u.r) * (c.r - u.r) + (c.g - u.g) * (c.g - u.g) +
                    (c.b - u.b) * (c.b - u.b) + (c.a - u.a) * (c.a - u.a);
      if (bestDistance < 0 || d < bestDistance) best = static_cast<int>(j), bestDistance = d;
    }
    renumber[i] = static_cast<uint8_t>(best);
  }
  for (size_t i = offset; i < offset + size_t(w) * rows; ++i) out[i] = renumber[out[i]];
}

liq_palette RemapLarge(std::vector<uint8_t>& rgba, int w, int h, float dither, uint8_t* out) {
  // Every second pixel of every second row.
  const int sw = (w + 1) / 2, sh = (h + 1) / 2;
  std::vector<uint8_t> sample(size_t(4) * sw * sh);
  for (int y = 0; y < sh; ++y)
    for (int x = 0; x < sw; ++x)
      std::memcpy(&sample[4 * (size_t(y) * sw + x)], &rgba[4 * (size_t(2 * y) * w + 2 * x)], 4);
  const liq_palette palette = PaletteOf(Quantise(sample.data(), sw, sh).result.get());
  sample = {};
  platform::RunInHalves(h, true, [&](int64_t first, int64_t end) {
    RemapRows(palette, rgba, w, static_cast<int>(first), static_cast<int>(end), dither, out);
  });
  return palette;
}

}  // namespace

bool ReduceColorAdaptive(Vesk_GifPictureType& picture, const std::vector<uint8_t>& bgr,
                         float ditherLevel, const ExactColourRequest& exact) {
  SetProcName("ReduceColorAdaptive");
  try {
    const int32_t w = picture.GifSetting.biWidth, h = picture.GifSetting.biHeight;
    if (w < 1 || h < 1) throw platform::RuntimeError(platform::kErrSubscript);
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (bgr.size() != 3 * count) throw platform::RuntimeError(platform::kErrSubscript);

    // The exact colour goes in as the one fully transparent colour: the quantiser gives it an
    // entry of its own and maps nothing opaque to it.
    const int64_t key = ExactColour(bgr, count, exact);
    std::vector<uint8_t> rgba(4 * count);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* p = &bgr[3 * i];
      uint8_t* q = &rgba[4 * i];
      if (key >= 0 && KeyOf(p) == key) {
        q[0] = q[1] = q[2] = q[3] = 0;
      } else {
        q[0] = p[2];
        q[1] = p[1];
        q[2] = p[0];
        q[3] = 255;
      }
    }

    std::vector<uint8_t> indices(count);
    const liq_palette palette = count >= kLargePicture
                                    ? RemapLarge(rgba, w, h, ditherLevel, indices.data())
                                    : RemapWhole(rgba, w, h, ditherLevel, indices.data());
    const liq_palette* pal = &palette;
    if (pal->count == 0 || pal->count > 256)
      throw platform::RuntimeError(platform::kErrInvalidCall);

    // The exact colour first, then the opaque entries in the quantiser's order.
    const Vesk_GIFRGBTRIPLE keyEntry{static_cast<uint8_t>(key & 0xFF),
                                     static_cast<uint8_t>((key >> 8) & 0xFF),
                                     static_cast<uint8_t>((key >> 16) & 0xFF)};
    std::vector<Vesk_GIFRGBTRIPLE> table;
    uint8_t renumber[256] = {};
    if (key >= 0) table.push_back(keyEntry);
    for (unsigned i = 0; i < pal->count; ++i) {
      const liq_color& c = pal->entries[i];
      if (key >= 0 && c.a == 0) {
        renumber[i] = 0;
        continue;
      }
      Vesk_GIFRGBTRIPLE e{c.r, c.g, c.b};
      // A twin of the exact colour would make its pixels transparent too once the picture is
      // read back by colour: one step of blue keeps them apart.
      if (key >= 0 && e == keyEntry) e.gBlue ^= 1;
      renumber[i] = static_cast<uint8_t>(table.size());
      table.push_back(e);
    }
    if (table.size() > 256) throw platform::RuntimeError(platform::kErrInvalidCall);

    for (size_t i = 0; i < count; ++i) {
      uint8_t index = renumber[indices[i]];
      if (key >= 0) {
        const bool isKey = rgba[4 * i + 3] == 0;
        if (isKey) {
          index = 0;
        } else if (index == 0) {
          // Never a hole where the picture was merely near the exact colour.
          int best = -1, bestDistance = 0;
          for (size_t e = 1; e < table.size(); ++e) {
            const int d = Distance(table[e], &bgr[3 * i]);
            if (best < 0 || d < bestDistance) best = static_cast<int>(e), bestDistance = d;
          }
          if (best < 0) {
            table.push_back({static_cast<uint8_t>(bgr[3 * i + 2]), bgr[3 * i + 1], bgr[3 * i]});
            best = static_cast<int>(table.size() - 1);
          }
          index = static_cast<uint8_t>(best);
        }
      }
      indices[i] = index;
    }

    StorePalette(picture, std::move(table), std::move(indices));
    return true;
  } catch (...) {
    RecordModuleUnexpected();
    return false;
  }
}

}  // namespace pellory::engine
