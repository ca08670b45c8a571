#include "giflib/overlay/vesk_overlay.h"

#include <cstdlib>

#include "giflib/engine/conversions.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/overlay/ol_module.h"
#include "platform/gdi/sys_colors.h"
#include "platform/kernel/err.h"

namespace pellory {

using engine::kStyleExclamation;
using engine::kStyleStop;

namespace {

const bool kRegistered = platform::RegisterComClass(
    kProgIdVesk_OverLay, kClsidVesk_OverLay, [] { return std::make_shared<Vesk_OverLay>(); });

constexpr int32_t Rgb(int r, int g, int b) {
  return r | (g << 8) | (b << 16);
}
constexpr int32_t kMaxGifSide = 32767;

// The colour a resize of the surface uncovers.
QRgb FillOf(const platform::PictureBox& s) {
  const int32_t c = platform::TranslateColor(s.BackColor());
  return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// True when the surface shows nothing but `fill`, so that it does after any resize too.
bool ShowsOnly(const platform::PictureBox& s, QRgb fill) {
  const QImage& image = s.ImageData();
  if (image.format() != QImage::Format_RGB32) return image.isNull();
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (row[x] != fill) return false;
  }
  return true;
}

// The base as the surface shows it painted over `fill`, as an indexed picture that shares the
// base's indices: transparent entries, and indices past the table, become `fill`. Null for a
// base that is not indexed or has partly transparent entries.
Picture OpaqueOver(const Picture& base, QRgb fill) {
  const QImage& src = base->Image();
  if (src.format() != QImage::Format_Indexed8) return nullptr;
  QList<QRgb> table = src.colorTable();
  if (table.size() > 256) return nullptr;
  for (QRgb& c : table) {
    if (qAlpha(c) == 0)
      c = fill;
    else if (qAlpha(c) != 255)
      return nullptr;
  }
  table.resize(256, fill);
  // The indices stay the base's: the picture keeps the base alive, and a change would copy them.
  auto* keep = new Picture(base);
  QImage shown(
      src.constBits(), src.width(), src.height(), src.bytesPerLine(), QImage::Format_Indexed8,
      [](void* p) { delete static_cast<Picture*>(p); }, keep);
  if (shown.isNull()) {
    delete keep;
    return nullptr;
  }
  shown.setColorTable(table);
  return std::make_shared<platform::StdPicture>(std::move(shown));
}

}  // namespace

Vesk_OverLay::RollBack::~RollBack() {
  if (!overlay_.error_.IsLatched()) return;
  try {
    if (block_.entry && block_.entry->Handle() != 0) overlay_.Surface().SetPicture(block_.entry);
  } catch (...) {
  }
}

Vesk_OverLay::Vesk_OverLay() {
  (void)kRegistered;
  error_.BeginCall("Class_Initialize", false);
  buttonColors_ = {Rgb(113, 111, 100), Rgb(172, 168, 153), Rgb(255, 255, 255), Rgb(241, 239, 226),
                   Rgb(255, 255, 255), Rgb(241, 239, 226), Rgb(113, 111, 100), Rgb(172, 168, 153)};
  try {
    platform::Form& host = engine::HostForm();
    platform::PictureBox* box = nullptr;
    if (!engine::GetNewPictureBox(host, box)) {
      Fail(0, kStyleExclamation);
      return;
    }
    box->SetAppearance(0);
    box->SetBorderStyle(0);
    box->SetScaleMode(platform::kScalePixels);
    box->SetAutoSize(true);
    surface_ = box;
    surfaceName_ = box->Name();
  } catch (...) {
    platform::Err().SetFromCurrentException();
    Fail(2001, kStyleStop);
    platform::Err().Clear();
  }
}

Vesk_OverLay::~Vesk_OverLay() {
  error_.BeginCall("Class_Terminate", false);
  try {
    if (surface_) {
      if (platform::Form* host = surface_->ParentForm()) host->GetControls().Remove(surfaceName_);
    }
  } catch (...) {
    platform::Err().SetFromCurrentException();
    Fail(2002, kStyleStop);
    platform::Err().Clear();
  }
}

bool Vesk_OverLay::Enter(const char* name) {
  error_.BeginCall(name, true);
  return !error_.IsLatched();
}

void Vesk_OverLay::Fail(int32_t number, int32_t style) {
  error_.RecordError(number, style, executeMode_ == Test);
}

void Vesk_OverLay::FailUnexpected() {
  error_.RecordUnexpected(executeMode_ == Test);
}

platform::PictureBox& Vesk_OverLay::Surface() const {
  if (!surface_) throw platform::RuntimeError(platform::kErrObjectNotSet);
  return *surface_;
}

int Vesk_OverLay::SurfaceWidth() const {
  return surface_ ? surface_->ScaleWidthPixels() : 0;
}
int Vesk_OverLay::SurfaceHeight() const {
  return surface_ ? surface_->ScaleHeightPixels() : 0;
}

// ---- Properties ------------------------------------------------------------------------------

void Vesk_OverLay::HasPicture(bool) {
  error_.BeginCall("HasPicture", true);
}
void Vesk_OverLay::ExecuteMode(Vesk_ExecuteModeEnum value) {
  error_.BeginCall("ExecuteMode", true);
  if (value == Nontest || value == Test) executeMode_ = value;
}
void Vesk_OverLay::TempPathMode(Vesk_GifTempPathModeEnum value) {
  error_.BeginCall("TempPathMode", true);
  if (value == TempSystem || value == AppPath || value == UserCustom) tempPathMode_ = value;
}
void Vesk_OverLay::TempPath(const std::string& value) {
  error_.BeginCall("TempPath", true);
  try {
    tempPath_ = value;
  } catch (...) {
    FailUnexpected();
  }
}
void Vesk_OverLay::PictureAutoSize(bool value) {
  error_.BeginCall("PictureAutoSize", true);
  pictureAutoSize_ = value;
}
void Vesk_OverLay::TextAutoSize(bool value) {
  error_.BeginCall("TextAutoSize", true);
  textAutoSize_ = value;
}
void Vesk_OverLay::Transparent(Vesk_TransparentEnum value) {
  error_.BeginCall("Transparent", true);
  if (value == TransOn || value == TransOff) transparent_ = value;
}
void Vesk_OverLay::IncLeft(float) {
  error_.BeginCall("IncLeft", true);
}
void Vesk_OverLay::IncTop(float) {
  error_.BeginCall("IncTop", true);
}

// ---- Base picture ----------------------------------------------------------------------------

void Vesk_OverLay::ConfigureNewAux(Vesk_GifObject& aux) const {
  aux.ExecuteMode(executeMode_);
  aux.TempPathMode(tempPathMode_);
  aux.TempPath(tempPath_);
}

void Vesk_OverLay::Clear() {
  Surface().SetPicture(nullptr);
  hasPicture_ = false;
  baseWidth_ = baseHeight_ = 0;
  originX_ = originY_ = 0;
  incLeft_ = incTop_ = 0.0f;
}

bool Vesk_OverLay::SetBasePicture(const Picture& SourcePicture) {
  error_.ResetError();
  error_.BeginCall("SetBasePicture", true);
  try {
    const bool present = SourcePicture && SourcePicture->Handle() != 0;
    int32_t w = 0, h = 0;
    if (present) {
      w = platform::HimetricToPixels(SourcePicture->Width());
      h = platform::HimetricToPixels(SourcePicture->Height());
      if (w > kMaxGifSide || h > kMaxGifSide) {
        Fail(engine::kErrSourceTooLarge, kStyleExclamation);
        return false;
      }
    }
    if (hasPicture_) Clear();
    if (!present) return true;
    platform::PictureBox& s = Surface();
    // A base that the surface can show as an indexed picture is kept so: the 32-bit image then
    // has no second owner, and drawing on it copies nothing.
    const QRgb fill = FillOf(s);
    Picture shown = ShowsOnly(s, fill) ? OpaqueOver(SourcePicture, fill) : nullptr;
    s.SetAutoSize(false);
    s.ResizePixels(w, h);
    if (shown) {
      snapshot_ = std::move(shown);
    } else {
      s.PaintPicture(SourcePicture, 0, 0);
      snapshot_ = s.Image();
    }
    s.SetPicture(snapshot_);
    s.SetAutoSize(true);
    baseBackColor_ = s.Point(0, 0);
    s.SetBackColor(baseBackColor_);
    baseWidth_ = s.ScaleWidthPixels();
    baseHeight_ = s.ScaleHeightPixels();
    hasPicture_ = true;
    return true;
  } catch (...) {
    FailUnexpected();
    return false;
  }
}

// ---- Placement, growth and output ------------------------------------------------------------

void Vesk_OverLay::Place(int32_t w, int32_t h, const Vesk_OLPositionType& position,
                         Block& block) const {
  int64_t left = 0, top = 0;
  if (position.Mode == ByNumber) {
    left = position.pLeft;
    top = position.pTop;
  } else {
    switch (position.pLeft) {
      case mxLeft:
        left = 0;
        break;
      case mxRight:
        left = int64_t{baseWidth_} - w;
        break;
      default:
        left = engine::RoundToInt32((static_cast<double>(baseWidth_) - w) / 2.0);
    }
    switch (position.pTop) {
      case myTop:
        top = 0;
        break;
      case myBottom:
        top = int64_t{baseHeight_} - h;
        break;
      default:
        top = engine::RoundToInt32((static_cast<double>(baseHeight_) - h) / 2.0);
    }
  }
  left += originX_;
  top += originY_;
  if (left < INT32_MIN || left > INT32_MAX || top < INT32_MIN || top > INT32_MAX)
    throw platform::RuntimeError(platform::kErrOverflow);
  block.left = static_cast<int32_t>(left);
  block.top = static_cast<int32_t>(top);
}

bool Vesk_OverLay::Grow(int32_t w, int32_t h, bool allowed, Block& block) {
  platform::PictureBox& s = Surface();
  // Untouched since the base was set, the surface is restored from the base itself.
  const bool atBase = snapshot_ && s.GetPicture() == snapshot_ && s.ShowsPictureOnly();
  block.entry = atBase ? snapshot_ : s.Image();
  block.growLeft = block.growTop = 0;
  const int64_t W = s.ScaleWidthPixels(), H = s.ScaleHeightPixels();
  const int64_t left = block.left, top = block.top;
  const bool fits = left >= 0 && top >= 0 && W >= left + w && H >= top + h;
  if (fits || !allowed) return true;
  int64_t newW = left < 0 ? W - left : W;
  if (W < left + w) newW += left + w - W;
  int64_t newH = top < 0 ? H - top : H;
  if (H < top + h) newH += top + h - H;
  if (newW > kMaxGifSide || newH > kMaxGifSide) {
    Fail(engine::kErrResultTooLarge, kStyleExclamation);
    return false;
  }
  block.growLeft = left < 0 ? static_cast<int32_t>(-left) : 0;
  block.growTop = top < 0 ? static_cast<int32_t>(-top) : 0;
  s.SetPicture(nullptr);
  s.SetAutoSize(false);
  s.ResizePixels(static_cast<int>(newW), static_cast<int>(newH));
  s.PaintPicture(block.entry, block.growLeft, block.growTop);
  s.SetPicture(s.Image());
  s.SetAutoSize(true);
  block.left += block.growLeft;
  block.top += block.growTop;
  return true;
}

Picture Vesk_OverLay::Output(Vesk_GifObject* aux) {
  std::unique_ptr<Vesk_GifObject> owned;
  if (!aux) {
    owned = std::make_unique<Vesk_GifObject>();
    ConfigureNewAux(*owned);
    aux = owned.get();
  }
  Picture result;
  if (transparent_ == TransOff) {
    result = Surface().Image();
  } else {
    if (!aux->SetPicture(Surface().Image(), Default)) return nullptr;
    if (aux->BackColor() != baseBackColor_ || aux->TransColor() != baseBackColor_) {
      const int16_t index = aux->GetColorIndex(baseBackColor_);
      if (index < 0) return nullptr;
      aux->SetBackColorIndex(static_cast<uint8_t>(index));
      aux->SetTransColorIndex(static_cast<uint8_t>(index));
    }
    result = aux->GetTransPicture(ReturnPicture);
    if (aux->ErrorNumber() != 0) result = Surface().Image();
  }
  incLeft_ = static_cast<float>(-originX_);
  incTop_ = static_cast<float>(-originY_);
  return result;
}

// ---- Picture overlay -------------------------------------------------------------------------

Picture Vesk_OverLay::OverLayPicture(const Picture& olPicture, Vesk_OLPositionType& olPosition) {
  Vesk_OLOrderEnum order = olReturnPicture;
  return OverLayPicture(olPicture, olPosition, order);
}

Picture Vesk_OverLay::OverLayPicture(const Picture& olPicture, Vesk_OLPositionType& olPosition,
                                     Vesk_OLOrderEnum& Order) {
  return Compose("OverLayPicture", [&](Block& block) -> Picture {
    if (!hasPicture_) {
      Fail(engine::kErrNoPicture, kStyleExclamation);
      return nullptr;
    }
    if (!olPicture || olPicture->Handle() == 0) {
      Fail(engine::kErrPictureArgumentEmpty, kStyleExclamation);
      return nullptr;
    }
    if (olPosition.Mode != ByPreset && olPosition.Mode != ByNumber) olPosition.Mode = ByPreset;
    if (Order != olReturnPicture && Order != olContinue) Order = olReturnPicture;
    if (olPosition.Mode == ByPreset) {
      if (olPosition.pLeft < mxCenter || olPosition.pLeft > mxRight) olPosition.pLeft = mxCenter;
      if (olPosition.pTop < myCenter || olPosition.pTop > myBottom) olPosition.pTop = myCenter;
    }
    const int32_t w = platform::HimetricToPixels(olPicture->Width());
    const int32_t h = platform::HimetricToPixels(olPicture->Height());
    if (w > kMaxGifSide || h > kMaxGifSide) {
      Fail(engine::kErrSourceTooLarge, kStyleExclamation);
      return nullptr;
    }
    Place(w, h, olPosition, block);
    if (!Grow(w, h, pictureAutoSize_, block)) return nullptr;

    Vesk_GifObject aux;
    ConfigureNewAux(aux);
    bool ok = aux.SetPicture(olPicture, Default);
    if (ok) {
      platform::PictureBox& s = Surface();
      if (Picture mask = aux.GetMaskPicture())
        s.PaintPicture(mask, block.left, block.top, platform::kSrcAnd);
      if (Picture sprite = aux.GetSpritePicture())
        s.PaintPicture(sprite, block.left, block.top, platform::kSrcPaint);
      ok = aux.ErrorNumber() == 0;
    }
    if (!ok) {
      // The overlay records nothing, but keeps no half-made growth: the offsets do not advance,
      // so a grown surface would misplace every later preset.
      if (block.entry && block.entry->Handle() != 0) Surface().SetPicture(block.entry);
      return nullptr;
    }
    originX_ += block.growLeft;
    originY_ += block.growTop;
    if (Order == olReturnPicture) return Output(&aux);
    return nullptr;
  });
}

// ---- Output and reset ------------------------------------------------------------------------

void Vesk_OverLay::DrawFrame(Vesk_OLFrameModeEnum mode) {
  platform::PictureBox& s = Surface();
  const Picture entry = s.Image();
  const int W = s.ScaleWidthPixels() + 6, H = s.ScaleHeightPixels() + 6;
  if (W > kMaxGifSide || H > kMaxGifSide) {
    Fail(engine::kErrResultTooLarge, kStyleExclamation);
    return;
  }
  const int offset = mode == OnButton ? 4 : 3;
  const int32_t* c = &buttonColors_[mode == OnButton ? 0 : 4];
  s.SetPicture(nullptr);
  s.SetAutoSize(false);
  s.ResizePixels(W, H);
  s.PaintPicture(entry, offset, offset);
  s.Box(0, 0, W - 1, H - 1, c[0], false);
  s.Box(1, 1, W - 2, H - 2, c[1], false);
  s.Line(W - 1, 0, W - 1, H, c[2]);
  s.Line(W - 2, 1, W - 2, H - 1, c[3]);
  s.Line(0, H - 1, W - 1, H - 1, c[2]);
  s.Line(1, H - 2, W - 2, H - 2, c[3]);
  s.SetPicture(s.Image());
  s.SetAutoSize(true);
}

Picture Vesk_OverLay::GetOLPicture() {
  Vesk_OLFrameModeEnum mode = NonButton;
  return GetOLPicture(mode);
}

Picture Vesk_OverLay::GetOLPicture(Vesk_OLFrameModeEnum& olFrameMode) {
  if (!Enter("GetOLPicture")) return nullptr;
  Picture entry;
  bool framed = false;
  Picture result;
  try {
    if (!hasPicture_) {
      Fail(engine::kErrNoPicture, kStyleExclamation);
      return nullptr;
    }
    if (olFrameMode < NonButton || olFrameMode > OffButton) olFrameMode = NonButton;
    entry = Surface().Image();
    framed = olFrameMode != NonButton;
    if (framed) DrawFrame(olFrameMode);
    if (!error_.IsLatched()) result = Output(nullptr);
  } catch (...) {
    FailUnexpected();
    result = nullptr;
  }
  // The frame belongs to the returned picture only.
  if ((framed || error_.IsLatched()) && entry && entry->Handle() != 0) {
    try {
      Surface().SetPicture(entry);
    } catch (...) {
    }
  }
  return error_.IsLatched() ? nullptr : result;
}

void Vesk_OverLay::ClearOLPicture() {
  error_.BeginCall("ClearOLPicture", true);
  error_.ResetError();
  try {
    Clear();
  } catch (...) {
    FailUnexpected();
  }
}

void Vesk_OverLay::ResetOLPicture() {
  error_.BeginCall("ResetOLPicture", true);
  error_.ResetError();
  try {
    platform::PictureBox& s = Surface();
    originX_ = originY_ = 0;
    incLeft_ = incTop_ = 0.0f;
    if (!snapshot_) {
      // Never had a base: stay empty rather than take whatever size the surface has.
      s.SetPicture(nullptr);
      baseWidth_ = baseHeight_ = 0;
      return;
    }
    s.SetPicture(snapshot_);
    baseWidth_ = s.ScaleWidthPixels();
    baseHeight_ = s.ScaleHeightPixels();
  } catch (...) {
    FailUnexpected();
  }
}

// ---- Error state -----------------------------------------------------------------------------

int32_t Vesk_OverLay::ErrorNumber() const {
  return error_.ErrorNumber();
}
int32_t Vesk_OverLay::ErrorInfo(Vesk_ErrorInfoType& ErrInfo) const {
  return error_.ErrorInfo(ErrInfo);
}
void Vesk_OverLay::ResetError() {
  error_.ResetError();
}
std::string Vesk_OverLay::GetErrorMsg(int32_t ErrNumber) const {
  return error_.GetErrorMsg(ErrNumber);
}

}  // namespace pellory
