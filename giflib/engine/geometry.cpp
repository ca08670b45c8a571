#include "giflib/engine/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "giflib/engine/conversions.h"
#include "giflib/engine/error_record.h"
#include "giflib/engine/picture_checks.h"
#include "platform/kernel/err.h"

namespace pellory::engine {

Vesk_GifPictureType MakeResultPicture(const Vesk_GifPictureType& src, int32_t width,
                                      int32_t height) {
  Vesk_GifPictureType result = MakeResultShape(src, width, height);
  result.BitmapData.assign(static_cast<size_t>(width) * static_cast<size_t>(height),
                           src.GifSetting.BackColorIndex);
  return result;
}

Vesk_GifPictureType MakeResultShape(const Vesk_GifPictureType& src, int32_t width, int32_t height) {
  if (width < 1 || height < 1) throw platform::RuntimeError(platform::kErrSubscript);
  Vesk_GifPictureType result;
  result.GifSetting = src.GifSetting;
  result.GifSetting.biWidth = width;
  result.GifSetting.biHeight = height;
  result.ColorTable = src.ColorTable;
  return result;
}

int32_t NormalizeRightAngle(int32_t angle) {
  if (angle > 3 || angle < -3) angle = (angle % 360) / 90;
  switch (angle) {
    case -1:
      return 3;
    case -2:
      return 2;
    case -3:
      return 1;
    default:
      return angle >= 0 && angle <= 3 ? angle : 0;
  }
}

void GetAfterTrimSize(const Vesk_GifPictureType& picture, Vesk_MarginType& margins,
                      int32_t& newWidth, int32_t& newHeight) {
  CheckPicture(picture);
  const int32_t w = picture.GifSetting.biWidth;
  const int32_t h = picture.GifSetting.biHeight;
  const uint8_t back = picture.GifSetting.BackColorIndex;
  const uint8_t* data = picture.BitmapData.data();
  auto notBack = [back](uint8_t p) { return p != back; };

  int32_t top = -1;
  int32_t bottom = -1;
  int32_t left = w;
  int32_t right = -1;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = data + static_cast<size_t>(y) * w;
    const uint8_t* first = std::find_if(row, row + w, notBack);
    if (first == row + w) continue;
    const int32_t last = static_cast<int32_t>(
        std::find_if(std::make_reverse_iterator(row + w), std::make_reverse_iterator(row), notBack)
            .base() -
        row - 1);
    if (top < 0) top = y;
    bottom = y;
    left = std::min(left, static_cast<int32_t>(first - row));
    right = std::max(right, last);
  }
  if (top < 0) {
    // Only background: keep the top-left pixel.
    margins = {0, 0, w - 1, h - 1};
  } else {
    margins.trTop = top;
    margins.trBottom = h - 1 - bottom;
    margins.trLeft = left;
    margins.trRight = w - 1 - right;
  }
  newWidth = w - margins.trLeft - margins.trRight;
  newHeight = h - margins.trTop - margins.trBottom;
}

std::vector<int32_t> StretchMap(int32_t dstLen, int32_t srcLen, float rate) {
  std::vector<int32_t> map(dstLen);
  for (int32_t i = 0; i < dstLen; ++i) {
    const int32_t s = RoundToInt32(i / static_cast<double>(rate));
    map[i] = s > srcLen - 1 ? -1 : s;
  }
  return map;
}

std::vector<int32_t> ComposeMaps(const std::vector<int32_t>& inner,
                                 const std::vector<int32_t>& outer) {
  std::vector<int32_t> map(outer.size());
  for (size_t i = 0; i < outer.size(); ++i) map[i] = outer[i] < 0 ? -1 : inner.at(outer[i]);
  return map;
}

bool Actual_GetStretchPicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst, float rx,
                              float ry) {
  return RunProcedure("Actual_GetStretchPicture", [&] {
    CheckPicture(src);
    CheckPicture(dst);
    // A rate of zero or below would sample left of column 0 or above row 0.
    if (!(rx > 0) || !(ry > 0)) throw platform::RuntimeError(platform::kErrInvalidCall);
    const int32_t w = src.GifSetting.biWidth;
    const int32_t h = src.GifSetting.biHeight;
    const int32_t dw = dst.GifSetting.biWidth;
    const int32_t dh = dst.GifSetting.biHeight;
    const uint8_t back = dst.GifSetting.BackColorIndex;

    // Sampling is separable: one source column per result column, one source row per result row.
    const std::vector<int32_t> column = StretchMap(dw, w, rx);
    const std::vector<int32_t> rowOf = StretchMap(dh, h, ry);
    const uint8_t* in = src.BitmapData.data();
    uint8_t* out = dst.BitmapData.data();
    int32_t previous = -1;
    for (int32_t y = 0; y < dh; ++y) {
      uint8_t* row = out + static_cast<size_t>(y) * dw;
      const int32_t sy = rowOf[y];
      if (sy < 0) {  // past the last source index
        std::memset(row, back, dw);
        previous = -1;
        continue;
      }
      if (sy == previous) {
        std::memcpy(row, row - dw, dw);
        continue;
      }
      const uint8_t* srcRow = in + static_cast<size_t>(sy) * w;
      for (int32_t x = 0; x < dw; ++x) row[x] = column[x] < 0 ? back : srcRow[column[x]];
      previous = sy;
    }
    return true;
  });
}

bool Actual_GetRotatePicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst,
                             int32_t angle) {
  return RunProcedure("Actual_GetRotatePicture", [&] {
    CheckPicture(src);
    const int32_t w = src.GifSetting.biWidth;
    const int32_t h = src.GifSetting.biHeight;
    const uint8_t* in = src.BitmapData.data();
    const size_t n = src.BitmapData.size();
    switch (angle) {
      case Angle0:
        CheckSize(dst, w, h);
        std::memcpy(dst.BitmapData.data(), in, n);
        break;
      case Angle180:
        CheckSize(dst, w, h);
        std::reverse_copy(in, in + n, dst.BitmapData.data());
        break;
      case Angle90: {
        // (x, y) -> (h - 1 - y, x) in a result h wide.
        CheckSize(dst, h, w);
        uint8_t* out = dst.BitmapData.data();
        for (int32_t y = 0; y < h; ++y)
          for (int32_t x = 0; x < w; ++x)
            out[static_cast<size_t>(x) * h + (h - 1 - y)] = in[static_cast<size_t>(y) * w + x];
        break;
      }
      case Angle270: {
        // (x, y) -> (y, w - 1 - x) in a result h wide.
        CheckSize(dst, h, w);
        uint8_t* out = dst.BitmapData.data();
        for (int32_t y = 0; y < h; ++y)
          for (int32_t x = 0; x < w; ++x)
            out[static_cast<size_t>(w - 1 - x) * h + y] = in[static_cast<size_t>(y) * w + x];
        break;
      }
      default:
        throw platform::RuntimeError(platform::kErrInvalidCall);
    }
    return true;
  });
}

bool Actual_GetReversePicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst,
                              int32_t reverse) {
  return RunProcedure("Actual_GetReversePicture", [&] {
    CheckPicture(src);
    const int32_t w = src.GifSetting.biWidth;
    const int32_t h = src.GifSetting.biHeight;
    CheckSize(dst, w, h);
    const uint8_t* in = src.BitmapData.data();
    uint8_t* out = dst.BitmapData.data();
    switch (reverse) {
      case TopBottom:
        for (int32_t y = 0; y < h; ++y)
          std::memcpy(out + static_cast<size_t>(h - 1 - y) * w, in + static_cast<size_t>(y) * w, w);
        break;
      case LeftRight:
        for (int32_t y = 0; y < h; ++y) {
          const uint8_t* row = in + static_cast<size_t>(y) * w;
          std::reverse_copy(row, row + w, out + static_cast<size_t>(y) * w);
        }
        break;
      case Both:
        std::reverse_copy(in, in + src.BitmapData.size(), out);
        break;
      default:
        throw platform::RuntimeError(platform::kErrInvalidCall);
    }
    return true;
  });
}

bool Actual_GetTrimPicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst, int32_t trLeft,
                           int32_t trTop) {
  return RunProcedure("Actual_GetTrimPicture", [&] {
    CheckPicture(src);
    CheckPicture(dst);
    const int32_t w = src.GifSetting.biWidth;
    const int32_t h = src.GifSetting.biHeight;
    const int32_t dw = dst.GifSetting.biWidth;
    const int32_t dh = dst.GifSetting.biHeight;
    if (trLeft < 0 || trTop < 0 || trLeft > w - dw || trTop > h - dh)
      throw platform::RuntimeError(platform::kErrSubscript);
    for (int32_t y = 0; y < dh; ++y)
      std::memcpy(dst.BitmapData.data() + static_cast<size_t>(y) * dw,
                  src.BitmapData.data() + static_cast<size_t>(y + trTop) * w + trLeft, dw);
    return true;
  });
}

bool Actual_GetMarginPicture(const Vesk_GifPictureType& src, Vesk_GifPictureType& dst,
                             int32_t trLeft, int32_t trTop) {
  return RunProcedure("Actual_GetMarginPicture", [&] {
    CheckPicture(src);
    CheckPicture(dst);
    const int32_t w = src.GifSetting.biWidth;
    const int32_t h = src.GifSetting.biHeight;
    const int32_t dw = dst.GifSetting.biWidth;
    const int32_t dh = dst.GifSetting.biHeight;
    if (trLeft < 0 || trTop < 0 || trLeft > dw - w || trTop > dh - h)
      throw platform::RuntimeError(platform::kErrSubscript);
    std::fill(dst.BitmapData.begin(), dst.BitmapData.end(), src.GifSetting.BackColorIndex);
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(dst.BitmapData.data() + static_cast<size_t>(y + trTop) * dw + trLeft,
                  src.BitmapData.data() + static_cast<size_t>(y) * w, w);
    return true;
  });
}

}  // namespace pellory::engine
