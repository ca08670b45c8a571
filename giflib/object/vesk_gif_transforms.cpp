// The Get...Picture members: one frame shared by all (entry, latch, Order, checks, working copy,
// Continue or ReturnPicture) around the pixel routines of the engine.
#include <cmath>

#include "giflib/engine/colour_ops.h"
#include "giflib/engine/conversions.h"
#include "giflib/engine/geometry.h"
#include "giflib/engine/gif_writer.h"
#include "giflib/engine/temp_bitmap.h"
#include "giflib/object/picture_bridge.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/kernel/err.h"

namespace pellory {

using engine::kStyleExclamation;
using engine::kStyleStop;

namespace {
constexpr int32_t kMaxSide = 32767;
const auto kNoCheck = [] { return true; };

std::vector<int32_t> Identity(int32_t n, int32_t first = 0) {
  std::vector<int32_t> map(n);
  for (int32_t i = 0; i < n; ++i) map[i] = first + i;
  return map;
}
}  // namespace

bool Vesk_GifObject::DeferGeometryForTesting = true;

void Vesk_GifObject::Materialize() const {
  if (!deferredActive_) return;
  Vesk_GifPictureType& p = work_;
  p.BitmapData.assign(static_cast<size_t>(p.GifSetting.biWidth) * p.GifSetting.biHeight,
                      deferred_.back);
  if (!engine::Actual_ComputeDeferred(deferred_, p))
    throw platform::RuntimeError(platform::kErrOutOfMemory);
  deferred_ = engine::DeferredPixels{};
  deferredActive_ = false;
}

void Vesk_GifObject::DeferStretch(std::vector<int32_t> columns, std::vector<int32_t> rows) {
  engine::DeferredPixels& d = deferred_;
  if (!deferredActive_) {
    d = engine::DeferredPixels{};
    d.base = std::move(work_.BitmapData);
    d.baseWidth = work_.GifSetting.biWidth;
    d.column = std::move(columns);
    d.row = std::move(rows);
    d.back = work_.GifSetting.BackColorIndex;
    deferredActive_ = true;
  } else if (!d.turned) {
    d.column = engine::ComposeMaps(d.column, columns);
    d.row = engine::ComposeMaps(d.row, rows);
  } else {
    d.afterColumn = engine::ComposeMaps(d.afterColumn, columns);
    d.afterRow = engine::ComposeMaps(d.afterRow, rows);
  }
}

void Vesk_GifObject::DeferTurn(float angle, int32_t turnWidth, int32_t turnHeight, int32_t left,
                               int32_t top, int32_t width, int32_t height) {
  // One turn at a time: a second one works on computed pixels.
  if (deferredActive_ && deferred_.turned) Materialize();
  engine::DeferredPixels& d = deferred_;
  if (!deferredActive_) {
    d = engine::DeferredPixels{};
    d.base = std::move(work_.BitmapData);
    d.baseWidth = work_.GifSetting.biWidth;
    d.column = Identity(work_.GifSetting.biWidth);
    d.row = Identity(work_.GifSetting.biHeight);
    d.back = work_.GifSetting.BackColorIndex;
    deferredActive_ = true;
  }
  d.turned = true;
  d.angle = angle;
  d.turnWidth = turnWidth;
  d.turnHeight = turnHeight;
  d.afterColumn = Identity(width, left);
  d.afterRow = Identity(height, top);
}

template <class CheckFn, class TransformFn>
Picture Vesk_GifObject::RunTransform(const char* name, Vesk_GifOrderEnum& order,
                                     bool normaliseOrder, CheckFn&& check, TransformFn&& transform,
                                     bool deferrable, bool pixelsKept) {
  if (!Enter(name)) return nullptr;
  try {
    if (!hasPicture_) {
      Fail(engine::kErrNoPicture, kStyleExclamation);
      return nullptr;
    }
    if (normaliseOrder && order != ReturnPicture && order != Continue) order = ReturnPicture;
    // Checks run before the working picture is opened, so a refusal leaves a chain as it was.
    if (!check()) return nullptr;
    // A palette transform whose picture goes straight out works on the source's pixels,
    // lent for the call, rather than on a copy of them.
    struct Lent {
      Vesk_GifPictureType& source;
      Vesk_GifPictureType& work;
      bool active = false;
      void GiveBack() {
        if (active) source.BitmapData.swap(work.BitmapData);
        active = false;
      }
      ~Lent() { GiveBack(); }
    } lent{source_, work_};
    if (!chain_) {
      source_.GifSetting.IncLeft = 0.0f;
      source_.GifSetting.IncTop = 0.0f;
      if (pixelsKept && order == ReturnPicture) {
        work_.GifSetting = source_.GifSetting;
        work_.ColorTable = source_.ColorTable;
        work_.BitmapData.clear();
        work_.BitmapData.swap(source_.BitmapData);
        lent.active = true;
      } else {
        engine::CopyGifPicture(work_, source_);
      }
    }
    if (!deferrable) Materialize();
    if (!transform()) {
      Fail(0, kStyleExclamation);
      return nullptr;
    }
    if (order == Continue) {
      chain_ = true;
      return nullptr;
    }
    Materialize();
    Picture result;
    // The working picture is cleared next: its own pixels (not lent ones) go to the result.
    if (!engine::LoadTempGifFile(work_, result, !lent.active)) {
      Fail(0, kStyleExclamation);
      result = nullptr;
    }
    lent.GiveBack();
    chain_ = false;
    source_.GifSetting.IncLeft =
        static_cast<float>(source_.GifSetting.biWidth - work_.GifSetting.biWidth) / 2.0f;
    source_.GifSetting.IncTop =
        static_cast<float>(source_.GifSetting.biHeight - work_.GifSetting.biHeight) / 2.0f;
    ClearTMPPicture();
    return result;
  } catch (...) {
    FailUnexpected();
    return nullptr;
  }
}

// ---- Colour-index and colour transforms ------------------------------------------------------

Picture Vesk_GifObject::GetTransPicture() {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetTransPicture(order);
}

Picture Vesk_GifObject::GetTransPicture(Vesk_GifOrderEnum& Order) {
  return RunTransform(
      "GetTransPicture", Order, true, kNoCheck,
      [&] {
        work_.GifSetting.Transparent = TransOn;
        return true;
      },
      false, true);
}

Picture Vesk_GifObject::GetRGBPicture(int16_t R, int16_t G, int16_t B) {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetRGBPicture(R, G, B, order);
}

Picture Vesk_GifObject::GetRGBPicture(int16_t R, int16_t G, int16_t B, Vesk_GifOrderEnum& Order) {
  return RunTransform(
      "GetRGBPicture", Order, true, kNoCheck,
      [&] { return engine::Actual_GetRGBPicture(work_, R, G, B); }, false, true);
}

Picture Vesk_GifObject::GetGrayPicutre(Vesk_GifOrderEnum Order) {
  Vesk_GifOrderEnum order = Order == Continue ? Continue : ReturnPicture;
  return RunTransform(
      "GetGrayPicutre", order, false, kNoCheck,
      [&] { return engine::Actual_GetGrayPicutre(work_); }, false, true);
}

Picture Vesk_GifObject::GetMeshPicture(int32_t sMeshLevel) {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetMeshPicture(sMeshLevel, order);
}

Picture Vesk_GifObject::GetMeshPicture(int32_t sMeshLevel, Vesk_GifOrderEnum& Order) {
  return RunTransform("GetMeshPicture", Order, true, kNoCheck, [&] {
    if (sMeshLevel == NoMesh) return true;
    return engine::Actual_GetMeshPicture(work_, sMeshLevel);
  });
}

Picture Vesk_GifObject::GetSpritePicture() {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetSpritePicture(order);
}

Picture Vesk_GifObject::GetSpritePicture(Vesk_GifOrderEnum& Order) {
  return RunTransform("GetSpritePicture", Order, true, kNoCheck, [&] {
    Vesk_GIFRGBTRIPLE& entry = work_.ColorTable.at(work_.GifSetting.BackColorIndex);
    entry = {0, 0, 0};
    return true;
  });
}

Picture Vesk_GifObject::GetMaskPicture() {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetMaskPicture(order);
}

Picture Vesk_GifObject::GetMaskPicture(Vesk_GifOrderEnum& Order) {
  return RunTransform("GetMaskPicture", Order, true, kNoCheck, [&] {
    const uint8_t back = work_.GifSetting.BackColorIndex;
    work_.ColorTable = {{255, 255, 255}, {0, 0, 0}};
    if (!engine::Actual_GetMaskPicture(work_, back)) return false;
    Vesk_GifSettingType& s = work_.GifSetting;
    s.BackColorIndex = 0;
    s.BackColor = 0xFFFFFF;
    s.TransColorIndex = 0;
    s.TransColor = 0xFFFFFF;
    s.PaletteSize = 2;
    s.Sort = false;
    return true;
  });
}

// ---- Geometric transforms --------------------------------------------------------------------

Picture Vesk_GifObject::GetStretchPicture(float StretchRate) {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetStretchPicture(StretchRate, order);
}

Picture Vesk_GifObject::GetStretchPicture(float StretchRate, Vesk_GifOrderEnum& Order) {
  int32_t newW = 0, newH = 0;
  auto check = [&] {
    const double w = CurrentSetting().biWidth, h = CurrentSetting().biHeight;
    const double rate = StretchRate;
    if (!(rate > 0) || rate * w > kMaxSide || rate * h > kMaxSide) {
      Fail(engine::kErrResultTooLarge, kStyleExclamation);
      return false;
    }
    newW = engine::RoundToInt32(rate * w);
    newH = engine::RoundToInt32(rate * h);
    // A rate so small that a side rounds to nothing cannot make a picture.
    if (newW < 1 || newH < 1) {
      Fail(engine::kErrUnexpected, kStyleStop);
      return false;
    }
    return true;
  };
  return RunTransform(
      "GetStretchPicture", Order, true, check,
      [&] {
        if (DeferGeometryForTesting) {
          const int32_t w = work_.GifSetting.biWidth, h = work_.GifSetting.biHeight;
          DeferStretch(engine::StretchMap(newW, w, StretchRate),
                       engine::StretchMap(newH, h, StretchRate));
          ReplaceWork(engine::MakeResultShape(work_, newW, newH), StretchRate, StretchRate, true);
          return true;
        }
        Vesk_GifPictureType result = engine::MakeResultPicture(work_, newW, newH);
        if (!engine::Actual_GetStretchPicture(work_, result, StretchRate, StretchRate))
          return false;
        ReplaceWork(std::move(result), StretchRate, StretchRate, true);
        return true;
      },
      true);
}

Picture Vesk_GifObject::GetStretchPictureEX(int16_t NewWidth, int16_t NewHeight) {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetStretchPictureEX(NewWidth, NewHeight, order);
}

Picture Vesk_GifObject::GetStretchPictureEX(int16_t NewWidth, int16_t NewHeight,
                                            Vesk_GifOrderEnum& Order) {
  auto check = [&] {
    if (NewWidth <= 0 || NewHeight <= 0) {
      Fail(engine::kErrResultTooLarge, kStyleExclamation);
      return false;
    }
    return true;
  };
  return RunTransform("GetStretchPictureEX", Order, true, check, [&] {
    const float rx = static_cast<float>(NewWidth) / static_cast<float>(work_.GifSetting.biWidth);
    const float ry = static_cast<float>(NewHeight) / static_cast<float>(work_.GifSetting.biHeight);
    Vesk_GifPictureType result = engine::MakeResultPicture(work_, NewWidth, NewHeight);
    if (!engine::Actual_GetStretchPicture(work_, result, rx, ry)) return false;
    ReplaceWork(std::move(result), rx, ry, true);
    return true;
  });
}

Picture Vesk_GifObject::GetRotatePicture(Vesk_GifRotateAngleEnum& Angle) {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetRotatePicture(Angle, order);
}

Picture Vesk_GifObject::GetRotatePicture(Vesk_GifRotateAngleEnum& Angle, Vesk_GifOrderEnum& Order) {
  auto check = [&] {
    Angle = static_cast<Vesk_GifRotateAngleEnum>(engine::NormalizeRightAngle(Angle));
    return true;
  };
  return RunTransform("GetRotatePicture", Order, true, check, [&] {
    const bool quarter = Angle == Angle90 || Angle == Angle270;
    const int32_t w = work_.GifSetting.biWidth, h = work_.GifSetting.biHeight;
    Vesk_GifPictureType result = engine::MakeResultPicture(work_, quarter ? h : w, quarter ? w : h);
    if (!engine::Actual_GetRotatePicture(work_, result, Angle)) return false;
    ReplaceWork(std::move(result), 1.0f, 1.0f, false);
    return true;
  });
}

Picture Vesk_GifObject::GetRotatePictureEX(float Angle) {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetRotatePictureEX(Angle, order);
}

Picture Vesk_GifObject::GetRotatePictureEX(float Angle, Vesk_GifOrderEnum& Order) {
  float a = 0.0f;
  int32_t newW = 0, newH = 0;
  auto check = [&] {
    a = engine::NormalizeFreeAngle(Angle);
    engine::GetAfterRotateSize(CurrentSetting().biWidth, CurrentSetting().biHeight, a, newW, newH);
    if (newW < 1 || newH < 1 || newW > kMaxSide || newH > kMaxSide) {
      Fail(engine::kErrResultTooLarge, kStyleExclamation);
      return false;
    }
    return true;
  };
  return RunTransform(
      "GetRotatePictureEX", Order, true, check,
      [&] {
        // A turned picture may not grow beyond the limit: cut it back symmetrically.
        const int32_t lw = work_.GifSetting.LimitWidth, lh = work_.GifSetting.LimitHeight;
        int32_t left = 0, top = 0, w = newW, h = newH;
        if (newW > lw) {
          left = engine::RoundToInt32((newW - lw) / 2.0);
          w = newW - 2 * left;
        }
        if (newH > lh) {
          top = engine::RoundToInt32((newH - lh) / 2.0);
          h = newH - 2 * top;
        }
        if (w < 1 || h < 1) return false;
        if (DeferGeometryForTesting) {
          DeferTurn(a, newW, newH, left, top, w, h);
          ReplaceWork(engine::MakeResultShape(work_, w, h), 1.0f, 1.0f, false);
          return true;
        }
        Vesk_GifPictureType rotated = engine::MakeResultPicture(work_, newW, newH);
        if (!engine::Actual_GetRotatePictureEX(work_, rotated, a)) return false;
        if (w != newW || h != newH) {
          Vesk_GifPictureType cut = engine::MakeResultPicture(rotated, w, h);
          if (!engine::Actual_GetTrimPicture(rotated, cut, left, top)) return false;
          rotated = std::move(cut);
        }
        ReplaceWork(std::move(rotated), 1.0f, 1.0f, false);
        return true;
      },
      true);
}

Picture Vesk_GifObject::GetReversePicture(Vesk_GifReverseEnum& Reverse) {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetReversePicture(Reverse, order);
}

Picture Vesk_GifObject::GetReversePicture(Vesk_GifReverseEnum& Reverse, Vesk_GifOrderEnum& Order) {
  auto check = [&] {
    if (Reverse < TopBottom || Reverse > Both) Reverse = TopBottom;
    return true;
  };
  return RunTransform("GetReversePicture", Order, true, check, [&] {
    Vesk_GifPictureType result =
        engine::MakeResultPicture(work_, work_.GifSetting.biWidth, work_.GifSetting.biHeight);
    if (!engine::Actual_GetReversePicture(work_, result, Reverse)) return false;
    ReplaceWork(std::move(result), 1.0f, 1.0f, false);
    return true;
  });
}

namespace {
// Size factor of one axis as the frame multiplies it in.
float Factor(int32_t after, int32_t before) {
  return static_cast<float>(after) / static_cast<float>(before);
}
}  // namespace

// Cuts the working picture to w x h from (left, top); the size factors follow the cut.
bool Vesk_GifObject::CutWork(int32_t left, int32_t top, int32_t w, int32_t h) {
  const int32_t oldW = work_.GifSetting.biWidth, oldH = work_.GifSetting.biHeight;
  Vesk_GifPictureType result = engine::MakeResultPicture(work_, w, h);
  if (!engine::Actual_GetTrimPicture(work_, result, left, top)) return false;
  ReplaceWork(std::move(result), Factor(w, oldW), Factor(h, oldH), true);
  return true;
}

Picture Vesk_GifObject::GetTrimPicture() {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetTrimPicture(order);
}

Picture Vesk_GifObject::GetTrimPicture(Vesk_GifOrderEnum& Order) {
  return RunTransform("GetTrimPicture", Order, true, kNoCheck, [&] {
    Vesk_MarginType m;
    int32_t w = 0, h = 0;
    engine::GetAfterTrimSize(work_, m, w, h);
    if (w < 1 || h < 1) return true;
    if (w == work_.GifSetting.biWidth && h == work_.GifSetting.biHeight) return true;
    return CutWork(m.trLeft, m.trTop, w, h);
  });
}

Picture Vesk_GifObject::GetTrimPictureEX(const Vesk_MarginType& TrimSize) {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetTrimPictureEX(TrimSize, order);
}

Picture Vesk_GifObject::GetTrimPictureEX(const Vesk_MarginType& TrimSize,
                                         Vesk_GifOrderEnum& Order) {
  const Vesk_MarginType t = TrimSize;
  auto check = [&] {
    const int64_t w = Current().GifSetting.biWidth, h = Current().GifSetting.biHeight;
    auto inRange = [](int32_t v) { return v >= 0 && v <= 32766; };
    if (!inRange(t.trLeft) || !inRange(t.trTop) || !inRange(t.trRight) || !inRange(t.trBottom) ||
        w - t.trLeft - t.trRight < 1 || h - t.trTop - t.trBottom < 1) {
      Fail(engine::kErrTrimRange, kStyleExclamation);
      return false;
    }
    return true;
  };
  return RunTransform("GetTrimPictureEX", Order, true, check, [&] {
    if (t.trLeft == 0 || t.trTop == 0 || t.trRight == 0 || t.trBottom == 0) return true;
    return CutWork(t.trLeft, t.trTop, work_.GifSetting.biWidth - t.trLeft - t.trRight,
                   work_.GifSetting.biHeight - t.trTop - t.trBottom);
  });
}

Picture Vesk_GifObject::GetMarginPicture(const Vesk_MarginType& MarginSize) {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetMarginPicture(MarginSize, order);
}

Picture Vesk_GifObject::GetMarginPicture(const Vesk_MarginType& MarginSize,
                                         Vesk_GifOrderEnum& Order) {
  const Vesk_MarginType m = MarginSize;
  auto check = [&] {
    const int64_t w = Current().GifSetting.biWidth, h = Current().GifSetting.biHeight;
    if (m.trLeft < 0 || m.trTop < 0 || m.trRight < 0 || m.trBottom < 0 ||
        w + m.trLeft + m.trRight > kMaxSide || h + m.trTop + m.trBottom > kMaxSide) {
      Fail(engine::kErrMarginRange, kStyleExclamation);
      return false;
    }
    return true;
  };
  return RunTransform("GetMarginPicture", Order, true, check, [&] {
    if (m.trLeft == 0 && m.trTop == 0 && m.trRight == 0 && m.trBottom == 0) return true;
    const int32_t oldW = work_.GifSetting.biWidth, oldH = work_.GifSetting.biHeight;
    const int32_t w = oldW + m.trLeft + m.trRight, h = oldH + m.trTop + m.trBottom;
    Vesk_GifPictureType result = engine::MakeResultPicture(work_, w, h);
    if (!engine::Actual_GetMarginPicture(work_, result, m.trLeft, m.trTop)) return false;
    ReplaceWork(std::move(result), Factor(w, oldW), Factor(h, oldH), true);
    return true;
  });
}

Picture Vesk_GifObject::GetMarginPictureEX(float MarginRateX, float MarginRateY,
                                           Vesk_GifMarginXEnum& ImagePositionX,
                                           Vesk_GifMarginYEnum& ImagePositionY) {
  Vesk_GifOrderEnum order = ReturnPicture;
  return GetMarginPictureEX(MarginRateX, MarginRateY, ImagePositionX, ImagePositionY, order);
}

Picture Vesk_GifObject::GetMarginPictureEX(float MarginRateX, float MarginRateY,
                                           Vesk_GifMarginXEnum& ImagePositionX,
                                           Vesk_GifMarginYEnum& ImagePositionY,
                                           Vesk_GifOrderEnum& Order) {
  int32_t newW = 0, newH = 0;
  auto check = [&] {
    if (ImagePositionX < mxCenter || ImagePositionX > mxRight) ImagePositionX = mxCenter;
    if (ImagePositionY < myCenter || ImagePositionY > myBottom) ImagePositionY = myCenter;
    const double w = Current().GifSetting.biWidth, h = Current().GifSetting.biHeight;
    const double rx = MarginRateX, ry = MarginRateY;
    if (!(rx >= 1) || !(ry >= 1) || rx * w > kMaxSide || ry * h > kMaxSide) {
      Fail(engine::kErrMarginRange, kStyleExclamation);
      return false;
    }
    newW = engine::RoundToInt32(rx * w);
    newH = engine::RoundToInt32(ry * h);
    return true;
  };
  // Rates of 1 leave the picture as it is: it goes out from the source's own pixels.
  const bool unchanged = MarginRateX == 1.0f && MarginRateY == 1.0f;
  return RunTransform(
      "GetMarginPictureEX", Order, true, check,
      [&] {
        if (unchanged) return true;
        const int32_t oldW = work_.GifSetting.biWidth, oldH = work_.GifSetting.biHeight;
        const int32_t extraW = newW - oldW, extraH = newH - oldH;
        int32_t left = ImagePositionX == mxLeft    ? 0
                       : ImagePositionX == mxRight ? extraW
                                                   : engine::RoundToInt32(extraW / 2.0);
        int32_t top = ImagePositionY == myTop      ? 0
                      : ImagePositionY == myBottom ? extraH
                                                   : engine::RoundToInt32(extraH / 2.0);
        Vesk_GifPictureType result = engine::MakeResultPicture(work_, newW, newH);
        if (!engine::Actual_GetMarginPicture(work_, result, left, top)) return false;
        ReplaceWork(std::move(result), MarginRateX, MarginRateY, newW != oldW || newH != oldH);
        return true;
      },
      false, unchanged);
}

}  // namespace pellory
