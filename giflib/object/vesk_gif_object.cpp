#include "giflib/object/vesk_gif_object.h"

#include <cmath>

#include "giflib/engine/conversions.h"
#include "giflib/engine/file_utility.h"
#include "giflib/engine/gif_writer.h"
#include "giflib/engine/palette.h"
#include "giflib/engine/temp_bitmap.h"
#include "giflib/object/picture_bridge.h"
#include "platform/kernel/err.h"
#include "platform/kernel/files.h"

namespace pellory {

using engine::kStyleExclamation;
using engine::kStyleStop;

namespace {

const bool kRegistered = platform::RegisterComClass(
    kProgIdVesk_GifObject, kClsidVesk_GifObject, [] { return std::make_shared<Vesk_GifObject>(); });

// The largest side a free rotation may produce; saturates where the diagonal exceeds what the
// 16-bit setting can hold rather than refusing a picture that GIF allows.
int16_t DiagonalLimit(int32_t w, int32_t h) {
  double d = std::nearbyint(std::sqrt(static_cast<double>(w) * w + static_cast<double>(h) * h));
  return static_cast<int16_t>(d > 32767.0 ? 32767.0 : d);
}

}  // namespace

Vesk_GifObject::Vesk_GifObject() {
  (void)kRegistered;
  error_.BeginCall("Class_Initialize", false);
}

Vesk_GifObject::~Vesk_GifObject() {
  error_.BeginCall("Class_Terminate", false);
}

void Vesk_GifObject::Fail(int32_t number, int32_t style) {
  error_.RecordError(number, style, ShowsMessages());
}

void Vesk_GifObject::FailUnexpected() {
  error_.RecordUnexpected(ShowsMessages());
}

bool Vesk_GifObject::Enter(const char* name) {
  error_.BeginCall(name, true);
  return !error_.IsLatched();
}

// ---- Properties ------------------------------------------------------------------------------

bool Vesk_GifObject::HasPicture() const {
  return hasPicture_;
}
void Vesk_GifObject::HasPicture(bool) {
  error_.BeginCall("HasPicture", true);
}

Vesk_ExecuteModeEnum Vesk_GifObject::ExecuteMode() const {
  return CurrentSetting().ExecuteMode;
}
void Vesk_GifObject::ExecuteMode(Vesk_ExecuteModeEnum value) {
  error_.BeginCall("ExecuteMode", true);
  if (value == Nontest || value == Test) Current().GifSetting.ExecuteMode = value;
}

bool Vesk_GifObject::Sort() const {
  return CurrentSetting().Sort;
}
void Vesk_GifObject::Sort(bool) {
  error_.BeginCall("Sort", true);
}

int32_t Vesk_GifObject::BackColor() const {
  return CurrentSetting().BackColor;
}
int32_t Vesk_GifObject::TransColor() const {
  return CurrentSetting().TransColor;
}

// Assigning a colour to a loaded picture recolours its palette entry, so every pixel of that
// index changes; before a picture is loaded it is only remembered for SetPicture.
void Vesk_GifObject::AssignColour(const ColourRole& role, const ColourRole& other, const char* name,
                                  int32_t color) {
  if (!Enter(name)) return;
  try {
    const int32_t c = engine::NormalizeColor(color);
    if (!hasPicture_) {
      source_.GifSetting.*role.color = c;
      return;
    }
    Vesk_GifPictureType& p = Current();
    Vesk_GifSettingType& s = p.GifSetting;
    auto rgb = engine::ColorToBytes(c);
    p.ColorTable.at(s.*role.index) = {rgb[0], rgb[1], rgb[2]};
    s.*role.color = c;
    if (s.*other.index == s.*role.index) s.*other.color = c;
  } catch (...) {
    FailUnexpected();
  }
}

void Vesk_GifObject::BackColor(int32_t color) {
  AssignColour(kBackRole, kTransRole, "BackColor", color);
}
void Vesk_GifObject::TransColor(int32_t color) {
  AssignColour(kTransRole, kBackRole, "TransColor", color);
}

Vesk_TransparentEnum Vesk_GifObject::Transparent() const {
  return CurrentSetting().Transparent;
}
void Vesk_GifObject::Transparent(Vesk_TransparentEnum value) {
  error_.BeginCall("Transparent", true);
  if (value == TransOn || value == TransOff) Current().GifSetting.Transparent = value;
}

int16_t Vesk_GifObject::PaletteSize() const {
  return CurrentSetting().PaletteSize;
}
void Vesk_GifObject::PaletteSize(int16_t) {
  error_.BeginCall("PaletteSize", true);
}

Vesk_GifCompressionEnum Vesk_GifObject::Compression() const {
  return CurrentSetting().Compression;
}
void Vesk_GifObject::Compression(Vesk_GifCompressionEnum value) {
  error_.BeginCall("Compression", true);
  if (value == LiteralCodes || value == LzwCodes) Current().GifSetting.Compression = value;
}

Vesk_GifCompressionLevelEnum Vesk_GifObject::CompressionLevel() const {
  return NoCompression;
}
void Vesk_GifObject::CompressionLevel(Vesk_GifCompressionLevelEnum) {
  error_.BeginCall("CompressionLevel", true);
}

Vesk_GifTempPathModeEnum Vesk_GifObject::TempPathMode() const {
  return CurrentSetting().TempPathMode;
}
void Vesk_GifObject::TempPathMode(Vesk_GifTempPathModeEnum value) {
  error_.BeginCall("TempPathMode", true);
  if (value == TempSystem || value == AppPath || value == UserCustom)
    Current().GifSetting.TempPathMode = value;
}

std::string Vesk_GifObject::TempPath() const {
  return CurrentSetting().TempPath;
}
void Vesk_GifObject::TempPath(const std::string& value) {
  error_.BeginCall("TempPath", true);
  try {
    Current().GifSetting.TempPath = value;
  } catch (...) {
    FailUnexpected();
  }
}

Vesk_GifReduceColorEnum Vesk_GifObject::ReduceColorMode() const {
  return CurrentSetting().ReduceColorMode;
}
void Vesk_GifObject::ReduceColorMode(Vesk_GifReduceColorEnum value) {
  error_.BeginCall("ReduceColorMode", true);
  if (value >= rcHalftone && value <= rcAdaptiveDither)
    Current().GifSetting.ReduceColorMode = value;
}

float Vesk_GifObject::DitherLevel() const {
  return CurrentSetting().DitherLevel;
}
void Vesk_GifObject::DitherLevel(float value) {
  error_.BeginCall("DitherLevel", true);
  if (value >= 0.0f && value <= 1.0f) Current().GifSetting.DitherLevel = value;
}

bool Vesk_GifObject::HandleOver256Color() const {
  return CurrentSetting().HandleOver256Color;
}
void Vesk_GifObject::HandleOver256Color(bool value) {
  error_.BeginCall("HandleOver256Color", true);
  Current().GifSetting.HandleOver256Color = value;
}

float Vesk_GifObject::IncLeft() const {
  return CurrentSetting().IncLeft;
}
void Vesk_GifObject::IncLeft(float) {
  error_.BeginCall("IncLeft", true);
}
float Vesk_GifObject::IncTop() const {
  return CurrentSetting().IncTop;
}
void Vesk_GifObject::IncTop(float) {
  error_.BeginCall("IncTop", true);
}

// ---- Picture in and out ----------------------------------------------------------------------

bool Vesk_GifObject::SetPicture(const Picture& SourcePicture) {
  Vesk_GifSetPictureOptionEnum option = Default;
  return SetPicture(SourcePicture, option);
}

bool Vesk_GifObject::SetPicture(const Picture& SourcePicture,
                                Vesk_GifSetPictureOptionEnum& AutoMaticColorSetting) {
  error_.ResetError();
  error_.BeginCall("SetPicture", true);
  try {
    if (AutoMaticColorSetting < Default || AutoMaticColorSetting > UnAutomatic)
      AutoMaticColorSetting = Default;
    const bool present = SourcePicture && SourcePicture->Handle() != 0;
    if (present) {
      const int32_t w = platform::HimetricToPixels(SourcePicture->Width());
      const int32_t h = platform::HimetricToPixels(SourcePicture->Height());
      if (w > 32767 || h > 32767) {
        Fail(engine::kErrSourceTooLarge, kStyleExclamation);
        return false;
      }
    }
    if (chain_) {
      chain_ = false;
      ClearTMPPicture();
    }
    if (hasPicture_) ClearSRCPicture();
    if (!present) return true;

    // The colour SetPicture will make transparent: TransColor where the option searches for it
    // and the picture has it, else the top-left pixel's.
    engine::ExactColourRequest exact;
    exact.wanted = source_.GifSetting.Transparent == TransOn;
    if (AutoMaticColorSetting == AutomaticBackColor || AutoMaticColorSetting == UnAutomatic)
      exact.preferred = source_.GifSetting.TransColor;
    if (!engine::Actual_SetPicture(source_, SourcePicture, exact)) {
      // Whatever the failed capture left behind is not a picture.
      source_.ColorTable.clear();
      source_.BitmapData.clear();
      Fail(0, kStyleExclamation);
      return false;
    }
    hasPicture_ = true;

    Vesk_GifSettingType& s = source_.GifSetting;
    const auto opt = AutoMaticColorSetting;
    bool backDone = false;
    if (opt == AutomaticTransColor || opt == UnAutomatic) {
      int16_t i = engine::SearchClrIndex(source_.ColorTable, s.BackColor);
      if (i >= 0) {
        s.BackColorIndex = static_cast<uint8_t>(i);
        backDone = true;
      }
    }
    if (!backDone) UseIndex(kBackRole, source_.BitmapData.at(0));
    bool transDone = false;
    if (opt == AutomaticBackColor || opt == UnAutomatic) {
      int16_t i = engine::SearchClrIndex(source_.ColorTable, s.TransColor);
      if (i >= 0) {
        s.TransColorIndex = static_cast<uint8_t>(i);
        transDone = true;
      }
    }
    if (!transDone) UseIndex(kTransRole, source_.BitmapData.at(0));
    return true;
  } catch (...) {
    // A half-set picture must not be saved or transformed later: the object ends up empty,
    // whichever step failed.
    if (chain_) {
      chain_ = false;
      ClearTMPPicture();
    }
    ClearSRCPicture();
    FailUnexpected();
    return false;
  }
}

bool Vesk_GifObject::SaveGifPicture(const std::string& GifFileName) {
  if (!Enter("SaveGifPicture")) return false;
  try {
    if (!hasPicture_) {
      Fail(engine::kErrNoPicture, kStyleExclamation);
      return false;
    }
    if (GifFileName.empty()) {
      Fail(engine::kErrFileNameMissing, kStyleExclamation);
      return false;
    }
    if (!engine::IsValidFileName(GifFileName)) {
      Fail(engine::kErrFileNameInvalid, kStyleExclamation);
      return false;
    }
    const std::string parent = engine::GetParentFolder(GifFileName);
    if (!parent.empty() && !platform::DirectoryExists(engine::ToNativePath(parent))) {
      Fail(engine::kErrFolderMissing, kStyleExclamation);
      return false;
    }
    const std::string target = engine::ToNativePath(GifFileName);
    if (platform::FileExists(target)) {
      Fail(engine::kErrFileExists, kStyleExclamation);
      return false;
    }
    if (!saved_) saved_ = std::make_unique<engine::SavedCodes>();
    if (!engine::Actual_SaveGifPicture(Current(), target, saved_.get())) {
      Fail(0, kStyleExclamation);
      return false;
    }
    return true;
  } catch (...) {
    FailUnexpected();
    return false;
  }
}

void Vesk_GifObject::ClearPicture() {
  try {
    source_ = Vesk_GifPictureType{};
    work_ = Vesk_GifPictureType{};
    deferred_ = engine::DeferredPixels{};
    deferredActive_ = false;
    saved_.reset();
    hasPicture_ = false;
    chain_ = false;
    ratioWidth_ = ratioHeight_ = 1.0f;
    error_ = engine::ErrorState{};
    error_.BeginCall("ClearPicture", true);
  } catch (...) {
    FailUnexpected();
  }
}

void Vesk_GifObject::ClearTempPicture() {
  error_.ResetError();
  error_.BeginCall("ClearTempPicture", true);
  try {
    if (chain_) {
      chain_ = false;
      ClearTMPPicture();
    }
  } catch (...) {
    FailUnexpected();
  }
}

void Vesk_GifObject::ClearSRCPicture() {
  error_.BeginCall("ClearSRCPicture", false);
  source_.ColorTable.clear();
  // Given back, not kept empty: the next picture is read into a buffer of its own, and the old
  // one would sit beside it until then (a whole frame more at the peak of a series' save).
  std::vector<uint8_t>().swap(source_.BitmapData);
  hasPicture_ = false;
}

void Vesk_GifObject::ClearTMPPicture() {
  error_.BeginCall("ClearTMPPicture", false);
  // The pixel buffer is kept, empty, for the next transform: a series reuses it instead of
  // faulting in fresh pages for every frame. ClearPicture gives it back.
  std::vector<uint8_t> pixels = std::move(work_.BitmapData);
  pixels.clear();
  work_ = Vesk_GifPictureType{};
  work_.BitmapData = std::move(pixels);
  deferred_ = engine::DeferredPixels{};
  deferredActive_ = false;
  ratioWidth_ = ratioHeight_ = 1.0f;
  source_.GifSetting.LimitWidth = source_.GifSetting.LimitHeight =
      DiagonalLimit(source_.GifSetting.biWidth, source_.GifSetting.biHeight);
}

void Vesk_GifObject::ChangeLimitSize() {
  error_.BeginCall("ChangeLimitSize", false);
  if (error_.IsLatched()) return;
  // Ratios back at 1 (to two decimals) mean the chain has returned to the source size.
  const bool unchanged = std::nearbyint(static_cast<double>(ratioWidth_) * 100.0) == 100.0 &&
                         std::nearbyint(static_cast<double>(ratioHeight_) * 100.0) == 100.0;
  if (unchanged) {
    work_.GifSetting.LimitWidth = source_.GifSetting.LimitWidth;
    work_.GifSetting.LimitHeight = source_.GifSetting.LimitHeight;
  } else {
    work_.GifSetting.LimitWidth = work_.GifSetting.LimitHeight =
        DiagonalLimit(work_.GifSetting.biWidth, work_.GifSetting.biHeight);
  }
}

void Vesk_GifObject::ReplaceWork(Vesk_GifPictureType&& result, float factorX, float factorY,
                                 bool factors) {
  work_ = std::move(result);
  if (!factors) return;
  ratioWidth_ *= factorX;
  ratioHeight_ *= factorY;
  ChangeLimitSize();
}

// ---- Colour indices and palette --------------------------------------------------------------

void Vesk_GifObject::UseIndex(const ColourRole& role, uint8_t index) {
  Vesk_GifPictureType& p = Current();
  const int32_t color = engine::EntryToColor(p.ColorTable.at(index));
  p.GifSetting.*role.index = index;
  p.GifSetting.*role.color = color;
}

// Automatic choice: the colour of the top-left pixel. The result is the colour held before.
int32_t Vesk_GifObject::SetEasyColour(const ColourRole& role, const char* name) {
  const int32_t previous = Current().GifSetting.*role.color;
  if (!Enter(name)) return previous;
  try {
    if (!hasPicture_) {
      Fail(engine::kErrNoPicture, kStyleExclamation);
      return previous;
    }
    UseIndex(role, Current().BitmapData.at(0));
  } catch (...) {
    FailUnexpected();
  }
  return previous;
}

int32_t Vesk_GifObject::SetEasyBackColor() {
  return SetEasyColour(kBackRole, "SetEasyBackColor");
}
int32_t Vesk_GifObject::SetEasyTransColor() {
  return SetEasyColour(kTransRole, "SetEasyTransColor");
}

// The result is the index held before, whether the call succeeds, fails or is refused.
uint8_t Vesk_GifObject::SetColourIndex(const ColourRole& role, const char* name, uint8_t index,
                                       int32_t outOfRangeError) {
  const uint8_t previous = Current().GifSetting.*role.index;
  if (!Enter(name)) return previous;
  try {
    if (!hasPicture_) {
      Fail(engine::kErrNoPicture, kStyleExclamation);
    } else if (index >= Current().ColorTable.size()) {
      Fail(outOfRangeError, kStyleExclamation);
    } else {
      UseIndex(role, index);
    }
  } catch (...) {
    FailUnexpected();
  }
  return previous;
}

uint8_t Vesk_GifObject::SetBackColorIndex(uint8_t NewBackColorIndex) {
  return SetColourIndex(kBackRole, "SetBackColorIndex", NewBackColorIndex,
                        engine::kErrBackIndexOutside);
}
uint8_t Vesk_GifObject::SetTransColorIndex(uint8_t NewTransColorIndex) {
  return SetColourIndex(kTransRole, "SetTransColorIndex", NewTransColorIndex,
                        engine::kErrTransIndexOutside);
}

int16_t Vesk_GifObject::GetColorIndex(int32_t Color) {
  error_.BeginCall("GetColorIndex", true);
  try {
    if (!hasPicture_) return -1;
    return engine::SearchClrIndex(Current().ColorTable, engine::NormalizeColor(Color));
  } catch (...) {
    FailUnexpected();
    return -1;
  }
}

int16_t Vesk_GifObject::GetPointColorIndex(int32_t X, int32_t Y) {
  error_.BeginCall("GetPointColorIndex", true);
  try {
    const Vesk_GifPictureType& p = Current();
    const int32_t w = p.GifSetting.biWidth, h = p.GifSetting.biHeight;
    if (!hasPicture_ || X < 0 || X >= w || Y < 0 || Y >= h) return -1;
    return p.BitmapData.at(static_cast<size_t>(Y) * w + X);
  } catch (...) {
    FailUnexpected();
    return -1;
  }
}

int16_t Vesk_GifObject::GetBackColorIndex() {
  error_.BeginCall("GetBackColorIndex", true);
  return hasPicture_ ? Current().GifSetting.BackColorIndex : -1;
}

int16_t Vesk_GifObject::GetTransColorIndex() {
  error_.BeginCall("GetTransColorIndex", true);
  return hasPicture_ ? Current().GifSetting.TransColorIndex : -1;
}

std::vector<uint8_t> Vesk_GifObject::GetPalette() {
  if (!Enter("GetPalette")) return {};
  if (!hasPicture_) {
    Fail(engine::kErrNoPicture, kStyleExclamation);
    return {};
  }
  try {
    std::vector<uint8_t> bytes;
    bytes.reserve(Current().ColorTable.size() * 3);
    for (const Vesk_GIFRGBTRIPLE& e : Current().ColorTable) {
      bytes.push_back(e.gRed);
      bytes.push_back(e.gGreen);
      bytes.push_back(e.gBlue);
    }
    return bytes;
  } catch (...) {
    platform::Err().SetFromCurrentException();
    Fail(engine::kErrPaletteType, kStyleExclamation);
    platform::Err().Clear();
    return {};
  }
}

bool Vesk_GifObject::SetPalette(const std::vector<uint8_t>& NewPalette) {
  if (!Enter("SetPalette")) return false;
  try {
    if (!hasPicture_) {
      Fail(engine::kErrNoPicture, kStyleExclamation);
      return false;
    }
    Vesk_GifPictureType& p = Current();
    if (NewPalette.size() != p.ColorTable.size() * 3) {
      Fail(engine::kErrPaletteSize, kStyleExclamation);
      return false;
    }
    for (size_t i = 0; i < p.ColorTable.size(); ++i)
      p.ColorTable[i] = {NewPalette[3 * i], NewPalette[3 * i + 1], NewPalette[3 * i + 2]};
    Vesk_GifSettingType& s = p.GifSetting;
    s.BackColor = engine::EntryToColor(p.ColorTable.at(s.BackColorIndex));
    s.TransColor = engine::EntryToColor(p.ColorTable.at(s.TransColorIndex));
    return true;
  } catch (...) {
    FailUnexpected();
    return false;
  }
}

// ---- Error state -----------------------------------------------------------------------------

int32_t Vesk_GifObject::ErrorNumber() const {
  return error_.ErrorNumber();
}
int32_t Vesk_GifObject::ErrorInfo(Vesk_ErrorInfoType& ErrInfo) const {
  return error_.ErrorInfo(ErrInfo);
}
void Vesk_GifObject::ResetError() {
  error_.ResetError();
}
std::string Vesk_GifObject::GetErrorMsg(int32_t ErrNumber) const {
  return error_.GetErrorMsg(ErrNumber);
}

}  // namespace pellory
