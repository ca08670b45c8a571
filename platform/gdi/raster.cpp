#include "platform/gdi/raster.h"

#include <cstddef>

namespace platform {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;
constexpr uint32_t kMonoZero = 0xFF000000u;
constexpr uint32_t kMonoOne = 0xFFFFFFFFu;

// Source readers: turn a stored source pixel into the pixel that the operation combines.
struct Same {
  uint32_t operator()(uint32_t s) const { return s; }
};
struct ColourToMono {
  uint32_t key;  // the source's background colour as a pixel
  uint32_t operator()(uint32_t s) const { return (s | kOpaque) == key ? kMonoOne : kMonoZero; }
};
struct MonoToColour {
  uint32_t one, zero;
  uint32_t operator()(uint32_t s) const { return (s & 1) ? one : zero; }
};

// Results are forced opaque: AND NOT clears the alpha byte, and a cleared alpha would make the
// pixel read as transparent once the image leaves the device context.
struct Copy {
  uint32_t operator()(uint32_t s, uint32_t) const { return s | kOpaque; }
};
struct And {
  uint32_t operator()(uint32_t s, uint32_t d) const { return (s & d) | kOpaque; }
};
struct Or {
  uint32_t operator()(uint32_t s, uint32_t d) const { return (s | d) | kOpaque; }
};
struct AndNot {
  uint32_t operator()(uint32_t s, uint32_t d) const { return (d & ~s) | kOpaque; }
};

template <class Read, class Op>
void Loop(const RasterView& dst, const RasterView& src, int w, int h, Read read, Op op) {
  for (int y = 0; y < h; ++y) {
    uint32_t* __restrict d = dst.bits + static_cast<ptrdiff_t>(y) * dst.stride;
    const uint32_t* __restrict s = src.bits + static_cast<ptrdiff_t>(y) * src.stride;
    for (int x = 0; x < w; ++x) d[x] = op(read(s[x]), d[x]);
  }
}

template <class Op>
void WithReader(const RasterView& dst, const RasterView& src, int w, int h, Op op) {
  if (src.mono == dst.mono) {
    Loop(dst, src, w, h, Same{}, op);
  } else if (dst.mono) {
    Loop(dst, src, w, h, ColourToMono{ColorToPixel(src.backColor)}, op);
  } else {
    Loop(dst, src, w, h, MonoToColour{ColorToPixel(dst.backColor), ColorToPixel(dst.textColor)},
         op);
  }
}

}  // namespace

bool IsSupportedRop(uint32_t rop) {
  return rop == kRopSrcCopy || rop == kRopSrcPaint || rop == kRopSrcAnd || rop == kRopAndNotSrc;
}

bool RasterBlit(const RasterView& dst, const RasterView& src, int w, int h, uint32_t rop) {
  if (!IsSupportedRop(rop)) return false;
  if (w <= 0 || h <= 0) return true;
  switch (rop) {
    case kRopSrcCopy:
      WithReader(dst, src, w, h, Copy{});
      break;
    case kRopSrcPaint:
      WithReader(dst, src, w, h, Or{});
      break;
    case kRopSrcAnd:
      WithReader(dst, src, w, h, And{});
      break;
    default:
      WithReader(dst, src, w, h, AndNot{});
      break;
  }
  return true;
}

}  // namespace platform
