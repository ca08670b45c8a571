// Free rotation: the source pixel of every result pixel, on two threads for large results, and
// the deferred pixels of a chain of stretches around one turn.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "giflib/engine/conversions.h"
#include "giflib/engine/error_record.h"
#include "giflib/engine/geometry.h"
#include "giflib/engine/picture_checks.h"
#include "platform/kernel/err.h"
#include "platform/kernel/second_lane.h"

namespace pellory::engine {

namespace {

// Users compare rotated frames pixel by pixel with those of earlier releases, which used these
// truncated values.
constexpr double kPi = 3.14159265358979;
constexpr double kHalfPi = 1.570796326794895;

// Results at least this large are split between two threads; below it the thread start costs more
// than it saves.
constexpr int64_t kParallelPixels = int64_t{1} << 17;

// Round half to even for |v| < 2^51 without a library call: adding 1.5 * 2^52 leaves no fraction
// bits, so the FPU's default rounding does the work.
inline double RoundFast(double v) {
  constexpr double kShift = 6755399441055744.0;
  return (v + kShift) - kShift;
}

// Round(t / 2) for an integer t, halves to even.
inline int32_t HalfOfRounded(int32_t t) {
  const int32_t q = t >> 1;  // floor
  return q + ((t & 1) & (q & 1));
}

// Runs fn(firstRow, endRow) over [0, rows), on two threads for large results. A failure on either
// thread reaches the caller, whose catch records it in this thread's error state.
template <class Fn>
void ForRowBands(int32_t rows, int64_t pixels, const Fn& fn) {
  platform::RunInHalves(rows, pixels >= kParallelPixels, [&](int64_t first, int64_t end) {
    fn(static_cast<int32_t>(first), static_cast<int32_t>(end));
  });
}

// Source pixel of the result pixel at offset (rx, ry) from the result centre, every step rounded
// as the rotation is defined. The fast path below defers to it wherever its shortcut could round
// differently.
struct SourcePoint {
  int32_t x;
  int32_t y;
};

[[gnu::noinline]] SourcePoint RotateSourceExact(int32_t rx, int32_t ry, double scx, double scy,
                                                double turn) {
  const double d = std::sqrt(static_cast<double>(rx) * rx + static_cast<double>(ry) * ry);
  double theta;
  if (rx != 0)
    theta = std::atan(static_cast<double>(ry) / rx);
  else
    theta = ry <= 0 ? kHalfPi : -kHalfPi;
  const double phi = theta - turn;
  const double ux = std::nearbyint(std::cos(phi) * d);
  const double uy = std::nearbyint(std::sin(phi) * d);
  if (rx <= 0)
    return {static_cast<int32_t>(std::nearbyint(scx + ux)),
            static_cast<int32_t>(std::nearbyint(scy + uy))};
  return {static_cast<int32_t>(std::nearbyint(scx - ux)),
          static_cast<int32_t>(std::nearbyint(scy - uy))};
}

// Undoing atan, cos and sin, the offsets from the source centre are Round(rx cos a + ry sin a)
// and Round(ry cos a - rx sin a) on both sides of the centre line. The step-by-step evaluation
// differs from these sums by far less than 1e-6 (offsets stay below 50000), so both round alike
// except near a half, where RotateSourceExact decides.
constexpr double kNearHalf = 0.5 - 1e-6;
constexpr int32_t kOutside = -1;
constexpr int32_t kUndecided = -2;

struct RotateRow {
  const double* colC;  // rx cos a per result column
  const double* colS;  // rx sin a per result column
  double rowS;         // ry sin a
  double rowC;         // ry cos a
  int32_t w;           // source size
  int32_t h;
};

// GCC's -O2 cost model leaves this loop scalar; the AVX2 clone is chosen at load time where the
// processor has it.
#if defined(__GNUC__) && !defined(__clang__)
#define PELLORY_VECTORIZE [[gnu::optimize("tree-vectorize"), gnu::target_clones("avx2", "default")]]
#else
#define PELLORY_VECTORIZE
#endif

// Source offset of each of the n result pixels of one row, kOutside, or kUndecided where the sums
// could round differently from the definition. Branch-free so that it vectorises.
PELLORY_VECTORIZE void RotateRowOffsets(const RotateRow& r, int32_t n, int32_t* offsets) {
  const double* colC = r.colC;
  const double* colS = r.colS;
  const double rowS = r.rowS;
  const double rowC = r.rowC;
  const int32_t w = r.w;
  const int32_t h = r.h;
  const uint32_t uw = static_cast<uint32_t>(w);
  const uint32_t uh = static_cast<uint32_t>(h);
  for (int32_t x = 0; x < n; ++x) {
    const double v = colC[x] + rowS;
    const double u = rowC - colS[x];
    const double rv = RoundFast(v);
    const double ru = RoundFast(u);
    const bool undecided = (std::fabs(v - rv) >= kNearHalf) | (std::fabs(u - ru) >= kNearHalf);
    const int32_t sx = HalfOfRounded(w - 1 - 2 * static_cast<int32_t>(rv));
    const int32_t sy = HalfOfRounded(h - 1 - 2 * static_cast<int32_t>(ru));
    const uint32_t usx = static_cast<uint32_t>(sx);
    const uint32_t usy = static_cast<uint32_t>(sy);
    const bool inside = (usx < uw) & (usy < uh);
    // Unsigned: lanes outside the picture may wrap, they are discarded.
    const int32_t offset = static_cast<int32_t>(usy * uw + usx);
    offsets[x] = undecided ? kUndecided : (inside ? offset : kOutside);
  }
}

// A free rotation of a w x h picture into a dw x dh result, with the terms of the result columns
// it is evaluated at: every column, or the columns a later sampling keeps (-1: none).
struct Turn {
  Turn(int32_t w, int32_t h, int32_t dw, int32_t dh, float angle,
       const std::vector<int32_t>* columns = nullptr)
      : w(w),
        h(h),
        scx((w - 1) / 2.0),
        scy((h - 1) / 2.0),
        dcx((dw - 1) / 2.0),
        dcy((dh - 1) / 2.0),
        turn(static_cast<double>(angle) * kPi / 180),
        c(std::cos(turn)),
        s(std::sin(turn)) {
    const size_t n = columns ? columns->size() : static_cast<size_t>(dw);
    colRx.resize(n);
    colC.resize(n);
    colS.resize(n);
    for (size_t x = 0; x < n; ++x) {
      const int32_t X = columns ? (*columns)[x] : static_cast<int32_t>(x);
      colRx[x] = X < 0 ? 0 : static_cast<int32_t>(std::nearbyint(dcx - X));
      colC[x] = colRx[x] * c;
      colS[x] = colRx[x] * s;
    }
  }
  // The offset of result row Y from the centre.
  int32_t RowOffset(int32_t Y) const { return static_cast<int32_t>(std::nearbyint(dcy - Y)); }
  // Source offsets of n columns from column x0 of a row at offset ry.
  void Offsets(int32_t x0, int32_t n, int32_t ry, int32_t* offsets) const {
    RotateRowOffsets({colC.data() + x0, colS.data() + x0, ry * s, ry * c, w, h}, n, offsets);
  }
  SourcePoint Exact(int32_t x, int32_t ry) const {
    return RotateSourceExact(colRx[x], ry, scx, scy, turn);
  }

  int32_t w, h;
  double scx, scy, dcx, dcy, turn, c, s;
  std::vector<int32_t> colRx;
  std::vector<double> colC, colS;
};

}  // namespace

float NormalizeFreeAngle(float angle) {
  // Single precision throughout, as the angle is held: 359.9 * 5 rounds to 1799.5 and so to 360.
  float a = angle;
  if (a > 0 && a >= 360) {
    a = static_cast<float>(RoundToInt32(a) % 360);
  } else if (a <= 0) {
    if (a <= -360) a = static_cast<float>(RoundToInt32(a) % 360);
    if (a != 0) a += 360;
  }
  return static_cast<float>(RoundToInt32(a * 5.0f) / 5.0);
}

void GetAfterRotateSize(int32_t width, int32_t height, float angle, int32_t& newWidth,
                        int32_t& newHeight) {
  if (width < 1 || height < 1) throw platform::RuntimeError(platform::kErrInvalidCall);
  if (angle == 0) {
    newWidth = width;
    newHeight = height;
    return;
  }
  const float hx = static_cast<float>((width - 1) / 2.0);
  const float hy = static_cast<float>((height - 1) / 2.0);
  const float r =
      static_cast<float>(std::sqrt(static_cast<double>(hx) * hx + static_cast<double>(hy) * hy));
  const float corners[4][2] = {{-hx, hy}, {hx, hy}, {-hx, -hy}, {hx, -hy}};
  float mx = 0;
  float my = 0;
  for (const auto& c : corners) {
    // The quotient drops the quadrant; the absolute extents below do not need it.
    const double theta = hx == 0 ? kHalfPi : std::atan(static_cast<double>(c[1]) / c[0]);
    const double phi = static_cast<double>(angle) * kPi / 180 + theta;
    const float px = static_cast<float>(r * std::cos(phi));
    const float py = static_cast<float>(r * std::sin(phi));
    mx = std::max(mx, std::fabs(px));
    my = std::max(my, std::fabs(py));
  }
  newWidth = RoundToInt32(std::fabs(2 * mx)) + 1;
  newHeight = RoundToInt32(std::fabs(2 * my)) + 1;
}

bool Actual_GetRotatePictureEX(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst,
                               float angle) {
  return RunProcedure("Actual_GetRotatePictureEX", [&] {
    CheckPicture(src);
    CheckPicture(dst);
    const int32_t w = src.GifSetting.biWidth;
    const int32_t h = src.GifSetting.biHeight;
    const int32_t dw = dst.GifSetting.biWidth;
    const int32_t dh = dst.GifSetting.biHeight;
    // Source offsets are 32-bit.
    if (src.BitmapData.size() > static_cast<size_t>(INT32_MAX))
      throw platform::RuntimeError(platform::kErrOverflow);
    const uint8_t back = dst.GifSetting.BackColorIndex;
    const Turn t(w, h, dw, dh, angle);
    const uint8_t* in = src.BitmapData.data();
    uint8_t* out = dst.BitmapData.data();
    const uint32_t uw = static_cast<uint32_t>(w);
    const uint32_t uh = static_cast<uint32_t>(h);

    // Tiles keep the source lines that a steep turn reads in cache from one result row to the
    // next.
    constexpr int32_t kTileRows = 32;
    constexpr int32_t kTileColumns = 256;
    auto rows = [&](int32_t y0, int32_t y1) {
      int32_t offsets[kTileColumns];
      for (int32_t ty = y0; ty < y1; ty += kTileRows) {
        const int32_t tyEnd = std::min(ty + kTileRows, y1);
        for (int32_t tx = 0; tx < dw; tx += kTileColumns) {
          const int32_t n = std::min(kTileColumns, dw - tx);
          for (int32_t y = ty; y < tyEnd; ++y) {
            const int32_t ry = t.RowOffset(y);
            t.Offsets(tx, n, ry, offsets);
            uint8_t* part = out + static_cast<size_t>(y) * dw + tx;
            for (int32_t i = 0; i < n; ++i) {
              const int32_t o = offsets[i];
              if (o >= 0) {
                part[i] = in[o];
              } else if (o == kOutside) {
                part[i] = back;
              } else {
                const SourcePoint p = t.Exact(tx + i, ry);
                part[i] = static_cast<uint32_t>(p.x) < uw && static_cast<uint32_t>(p.y) < uh
                              ? in[static_cast<size_t>(p.y) * w + p.x]
                              : back;
              }
            }
          }
        }
      }
    };
    ForRowBands(dh, static_cast<int64_t>(dw) * dh, rows);
    return true;
  });
}

bool Actual_ComputeDeferred(const DeferredPixels& d, Vesk_GifPictureType& dst) {
  return RunProcedure("Actual_ComputeDeferred", [&] {
    CheckPicture(dst);
    const int32_t dw = dst.GifSetting.biWidth;
    const int32_t dh = dst.GifSetting.biHeight;
    const int32_t w = static_cast<int32_t>(d.column.size());  // before the turn
    const int32_t h = static_cast<int32_t>(d.row.size());
    const size_t baseHeight = d.baseWidth > 0 ? d.base.size() / d.baseWidth : 0;
    // Every map must stay inside what it reads.
    for (int32_t c : d.column)
      if (c >= d.baseWidth) throw platform::RuntimeError(platform::kErrSubscript);
    for (int32_t r : d.row)
      if (r >= 0 && static_cast<size_t>(r) >= baseHeight)
        throw platform::RuntimeError(platform::kErrSubscript);
    const uint8_t back = d.back;
    const uint8_t* in = d.base.data();
    const int32_t* column = d.column.data();
    const size_t bw = static_cast<size_t>(d.baseWidth);
    uint8_t* out = dst.BitmapData.data();

    if (!d.turned) {
      if (w != dw || h != dh) throw platform::RuntimeError(platform::kErrSubscript);
      for (int32_t y = 0; y < dh; ++y) {
        uint8_t* row = out + static_cast<size_t>(y) * dw;
        const int32_t v = d.row[y];
        if (v < 0) {
          std::memset(row, back, dw);
          continue;
        }
        const uint8_t* src = in + v * bw;
        for (int32_t x = 0; x < dw; ++x) row[x] = column[x] < 0 ? back : src[column[x]];
      }
      return true;
    }

    if (static_cast<int32_t>(d.afterColumn.size()) != dw ||
        static_cast<int32_t>(d.afterRow.size()) != dh)
      throw platform::RuntimeError(platform::kErrSubscript);
    for (int32_t c : d.afterColumn)
      if (c >= d.turnWidth) throw platform::RuntimeError(platform::kErrSubscript);
    for (int32_t r : d.afterRow)
      if (r >= d.turnHeight) throw platform::RuntimeError(platform::kErrSubscript);
    // The turn as Actual_GetRotatePictureEX makes it, evaluated only where the result samples it.
    const Turn t(w, h, d.turnWidth, d.turnHeight, d.angle, &d.afterColumn);
    const uint32_t uw = static_cast<uint32_t>(w);
    const uint32_t uh = static_cast<uint32_t>(h);
    auto pixel = [&](int32_t sx, int32_t sy) -> uint8_t {
      const int32_t u = column[sx], v = d.row[sy];
      return u < 0 || v < 0 ? back : in[v * bw + u];
    };
    constexpr int32_t kTileColumns = 256;
    auto rows = [&](int32_t y0, int32_t y1) {
      int32_t offsets[kTileColumns];
      for (int32_t y = y0; y < y1; ++y) {
        uint8_t* row = out + static_cast<size_t>(y) * dw;
        const int32_t Y = d.afterRow[y];
        if (Y < 0) {
          std::memset(row, back, dw);
          continue;
        }
        const int32_t ry = t.RowOffset(Y);
        for (int32_t tx = 0; tx < dw; tx += kTileColumns) {
          const int32_t n = std::min(kTileColumns, dw - tx);
          t.Offsets(tx, n, ry, offsets);
          for (int32_t i = 0; i < n; ++i) {
            const int32_t x = tx + i;
            const int32_t o = offsets[i];
            if (d.afterColumn[x] < 0 || o == kOutside) {
              row[x] = back;
            } else if (o >= 0) {
              const int32_t sy = o / w;
              row[x] = pixel(o - sy * w, sy);
            } else {
              const SourcePoint p = t.Exact(x, ry);
              row[x] = static_cast<uint32_t>(p.x) < uw && static_cast<uint32_t>(p.y) < uh
                           ? pixel(p.x, p.y)
                           : back;
            }
          }
        }
      }
    };
    ForRowBands(dh, static_cast<int64_t>(dw) * dh, rows);
    return true;
  });
}

}  // namespace pellory::engine
