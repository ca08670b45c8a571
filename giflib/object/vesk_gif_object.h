// Vesk_GifObject: holds a picture as a palette of at most 256 colours plus one index per pixel,
// transforms it, returns the results as pictures and writes GIF89a files.
//
// The object keeps a source picture (set by SetPicture) and a working copy on which transforms
// are chained with Order = Continue; a transform with ReturnPicture ends the chain and returns the
// result. No member throws: failures are reported through the result and the error state.
// Arguments that a member normalises are written back through non-const references; the rvalue
// overloads accept literals.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "giflib/engine/error_record.h"
#include "giflib/engine/geometry.h"
#include "giflib/object/pellory_export.h"
#include "giflib/object/pellory_types.h"
#include "platform/com/registry.h"
#include "platform/picture/picture.h"

namespace pellory {

namespace engine {
struct SavedCodes;
}
class Vesk_GifAnimation;

using platform::Picture;

class PELLORY_API Vesk_GifObject : public platform::ComObject {
 public:
  static constexpr const char* kClassId = kClsidVesk_GifObject;
  static constexpr const char* kInterfaceId = kIid_Vesk_GifObject;
  static constexpr const char* kProgId = kProgIdVesk_GifObject;

  Vesk_GifObject();
  ~Vesk_GifObject() override;
  Vesk_GifObject(const Vesk_GifObject&) = delete;
  Vesk_GifObject& operator=(const Vesk_GifObject&) = delete;

  // Properties: gets read the current picture (the working one while a chain is open).
  bool HasPicture() const;
  void HasPicture(bool value);  // ignored
  Vesk_ExecuteModeEnum ExecuteMode() const;
  void ExecuteMode(Vesk_ExecuteModeEnum value);  // 0 or 1, else ignored
  bool Sort() const;
  void Sort(bool value);  // ignored
  int32_t BackColor() const;
  void BackColor(int32_t color);
  Vesk_TransparentEnum Transparent() const;
  void Transparent(Vesk_TransparentEnum value);  // 0 or 1, else ignored
  int32_t TransColor() const;
  void TransColor(int32_t color);
  int16_t PaletteSize() const;
  void PaletteSize(int16_t value);  // ignored
  // LiteralCodes (the default) or LzwCodes: how SaveGifPicture codes the pixels.
  Vesk_GifCompressionEnum Compression() const;
  void Compression(Vesk_GifCompressionEnum value);            // 0 or 1, else ignored
  Vesk_GifCompressionLevelEnum CompressionLevel() const;      // always NoCompression
  void CompressionLevel(Vesk_GifCompressionLevelEnum value);  // ignored
  Vesk_GifTempPathModeEnum TempPathMode() const;
  void TempPathMode(Vesk_GifTempPathModeEnum value);  // 0, 1 or 2, else ignored
  std::string TempPath() const;
  void TempPath(const std::string& value);
  bool HandleOver256Color() const;
  void HandleOver256Color(bool value);
  // How SetPicture reduces a picture of more than 256 colours (with HandleOver256Color): the
  // halftone palette (the default), or a palette built from the picture, where the transparent
  // colour keeps an exact entry of its own; with rcAdaptiveDither the error is diffused with
  // the strength DitherLevel.
  Vesk_GifReduceColorEnum ReduceColorMode() const;
  void ReduceColorMode(Vesk_GifReduceColorEnum value);  // 0, 1 or 2, else ignored
  float DitherLevel() const;
  void DitherLevel(float value);  // 0 to 1, else ignored
  float IncLeft() const;
  void IncLeft(float value);  // ignored
  float IncTop() const;
  void IncTop(float value);  // ignored

  // Picture in and GIF out.
  bool SetPicture(const Picture& SourcePicture);
  bool SetPicture(const Picture& SourcePicture,
                  Vesk_GifSetPictureOptionEnum& AutoMaticColorSetting);
  bool SetPicture(const Picture& SourcePicture,
                  Vesk_GifSetPictureOptionEnum&& AutoMaticColorSetting) {
    return SetPicture(SourcePicture, AutoMaticColorSetting);
  }
  bool SaveGifPicture(const std::string& GifFileName);
  void ClearPicture();
  void ClearTempPicture();

  // Colour indices and palette.
  int32_t SetEasyBackColor();
  int32_t SetEasyTransColor();
  uint8_t SetBackColorIndex(uint8_t NewBackColorIndex);
  uint8_t SetTransColorIndex(uint8_t NewTransColorIndex);
  int16_t GetPointColorIndex(int32_t X, int32_t Y);
  int16_t GetBackColorIndex();
  int16_t GetTransColorIndex();
  std::vector<uint8_t> GetPalette();
  bool SetPalette(const std::vector<uint8_t>& NewPalette);
  // Not published: the overlay's palette lookup.
  int16_t GetColorIndex(int32_t Color);

  // Transforms. Each returns null while a chain is continued or on failure.
  Picture GetTransPicture();
  Picture GetTransPicture(Vesk_GifOrderEnum& Order);
  Picture GetTransPicture(Vesk_GifOrderEnum&& Order) { return GetTransPicture(Order); }
  Picture GetSpritePicture();
  Picture GetSpritePicture(Vesk_GifOrderEnum& Order);
  Picture GetSpritePicture(Vesk_GifOrderEnum&& Order) { return GetSpritePicture(Order); }
  Picture GetMaskPicture();
  Picture GetMaskPicture(Vesk_GifOrderEnum& Order);
  Picture GetMaskPicture(Vesk_GifOrderEnum&& Order) { return GetMaskPicture(Order); }
  Picture GetStretchPicture(float StretchRate);
  Picture GetStretchPicture(float StretchRate, Vesk_GifOrderEnum& Order);
  Picture GetStretchPicture(float StretchRate, Vesk_GifOrderEnum&& Order) {
    return GetStretchPicture(StretchRate, Order);
  }
  Picture GetStretchPictureEX(int16_t NewWidth, int16_t NewHeight);
  Picture GetStretchPictureEX(int16_t NewWidth, int16_t NewHeight, Vesk_GifOrderEnum& Order);
  Picture GetStretchPictureEX(int16_t NewWidth, int16_t NewHeight, Vesk_GifOrderEnum&& Order) {
    return GetStretchPictureEX(NewWidth, NewHeight, Order);
  }
  Picture GetMeshPicture(int32_t sMeshLevel);
  Picture GetMeshPicture(int32_t sMeshLevel, Vesk_GifOrderEnum& Order);
  Picture GetMeshPicture(int32_t sMeshLevel, Vesk_GifOrderEnum&& Order) {
    return GetMeshPicture(sMeshLevel, Order);
  }
  Picture GetRotatePicture(Vesk_GifRotateAngleEnum& Angle);
  Picture GetRotatePicture(Vesk_GifRotateAngleEnum& Angle, Vesk_GifOrderEnum& Order);
  Picture GetRotatePicture(Vesk_GifRotateAngleEnum&& Angle) { return GetRotatePicture(Angle); }
  Picture GetRotatePicture(Vesk_GifRotateAngleEnum&& Angle, Vesk_GifOrderEnum&& Order) {
    return GetRotatePicture(Angle, Order);
  }
  Picture GetRotatePictureEX(float Angle);
  Picture GetRotatePictureEX(float Angle, Vesk_GifOrderEnum& Order);
  Picture GetRotatePictureEX(float Angle, Vesk_GifOrderEnum&& Order) {
    return GetRotatePictureEX(Angle, Order);
  }
  Picture GetReversePicture(Vesk_GifReverseEnum& Reverse);
  Picture GetReversePicture(Vesk_GifReverseEnum& Reverse, Vesk_GifOrderEnum& Order);
  Picture GetReversePicture(Vesk_GifReverseEnum&& Reverse) { return GetReversePicture(Reverse); }
  Picture GetReversePicture(Vesk_GifReverseEnum&& Reverse, Vesk_GifOrderEnum&& Order) {
    return GetReversePicture(Reverse, Order);
  }
  Picture GetRGBPicture(int16_t R, int16_t G, int16_t B);
  Picture GetRGBPicture(int16_t R, int16_t G, int16_t B, Vesk_GifOrderEnum& Order);
  Picture GetRGBPicture(int16_t R, int16_t G, int16_t B, Vesk_GifOrderEnum&& Order) {
    return GetRGBPicture(R, G, B, Order);
  }
  // Every Order other than Continue returns the picture; Order is not normalised.
  Picture GetGrayPicutre(Vesk_GifOrderEnum Order = ReturnPicture);
  Picture GetTrimPicture();
  Picture GetTrimPicture(Vesk_GifOrderEnum& Order);
  Picture GetTrimPicture(Vesk_GifOrderEnum&& Order) { return GetTrimPicture(Order); }
  Picture GetTrimPictureEX(const Vesk_MarginType& TrimSize);
  Picture GetTrimPictureEX(const Vesk_MarginType& TrimSize, Vesk_GifOrderEnum& Order);
  Picture GetTrimPictureEX(const Vesk_MarginType& TrimSize, Vesk_GifOrderEnum&& Order) {
    return GetTrimPictureEX(TrimSize, Order);
  }
  Picture GetMarginPicture(const Vesk_MarginType& MarginSize);
  Picture GetMarginPicture(const Vesk_MarginType& MarginSize, Vesk_GifOrderEnum& Order);
  Picture GetMarginPicture(const Vesk_MarginType& MarginSize, Vesk_GifOrderEnum&& Order) {
    return GetMarginPicture(MarginSize, Order);
  }
  Picture GetMarginPictureEX(float MarginRateX, float MarginRateY,
                             Vesk_GifMarginXEnum& ImagePositionX,
                             Vesk_GifMarginYEnum& ImagePositionY);
  Picture GetMarginPictureEX(float MarginRateX, float MarginRateY,
                             Vesk_GifMarginXEnum& ImagePositionX,
                             Vesk_GifMarginYEnum& ImagePositionY, Vesk_GifOrderEnum& Order);
  Picture GetMarginPictureEX(float MarginRateX, float MarginRateY,
                             Vesk_GifMarginXEnum&& ImagePositionX,
                             Vesk_GifMarginYEnum&& ImagePositionY,
                             Vesk_GifOrderEnum&& Order = ReturnPicture) {
    return GetMarginPictureEX(MarginRateX, MarginRateY, ImagePositionX, ImagePositionY, Order);
  }

  // Error state.
  int32_t ErrorNumber() const;
  int32_t ErrorInfo(Vesk_ErrorInfoType& ErrInfo) const;
  void ResetError();
  std::string GetErrorMsg(int32_t ErrNumber) const;

  // Read-only views for the library's own classes and tests.
  const Vesk_GifPictureType& SourcePictureData() const { return source_; }
  const Vesk_GifPictureType& CurrentPictureData() const { return Current(); }
  bool ChainOpen() const { return chain_; }
  // Tests compare deferred chains with chains computed step by step.
  static bool DeferGeometryForTesting;

 private:
  // Takes the captured frames' pixels rather than copying them.
  friend class Vesk_GifAnimation;

  // The transform of one Get...Picture call on the working picture; false after leaving its
  // error pending. `pixelsKept`: the transform changes the palette and settings only.
  template <class CheckFn, class TransformFn>
  Picture RunTransform(const char* name, Vesk_GifOrderEnum& order, bool normaliseOrder,
                       CheckFn&& check, TransformFn&& transform, bool deferrable = false,
                       bool pixelsKept = false);

  // The current picture; pixels that a chain of stretches and a turn deferred are computed first.
  Vesk_GifPictureType& Current() {
    Materialize();
    return chain_ ? work_ : source_;
  }
  const Vesk_GifPictureType& Current() const {
    Materialize();
    return chain_ ? work_ : source_;
  }
  // Settings of the current picture, valid whether or not its pixels are deferred.
  const Vesk_GifSettingType& CurrentSetting() const {
    return (chain_ ? work_ : source_).GifSetting;
  }
  void Materialize() const;
  // The working picture's pixels become a sampling of what they were (stretch), or the result
  // of a free rotation cut to (left, top, width, height) of the turned size.
  void DeferStretch(std::vector<int32_t> columns, std::vector<int32_t> rows);
  void DeferTurn(float angle, int32_t turnWidth, int32_t turnHeight, int32_t left, int32_t top,
                 int32_t width, int32_t height);
  bool ShowsMessages() const { return source_.GifSetting.ExecuteMode == Test; }
  void Fail(int32_t number, int32_t style);
  void FailUnexpected();
  // Starts a member: records its name (or counts a refused call) and says whether it may run.
  bool Enter(const char* name);

  void ClearSRCPicture();
  void ClearTMPPicture();
  void ChangeLimitSize();
  // Makes `result` the working picture and applies size factors (none when equal in size).
  bool CutWork(int32_t left, int32_t top, int32_t w, int32_t h);
  void ReplaceWork(Vesk_GifPictureType&& result, float factorX, float factorY, bool factors);
  // The background and the transparent colour are handled alike: an index and its colour.
  struct ColourRole {
    uint8_t Vesk_GifSettingType::*index;
    int32_t Vesk_GifSettingType::*color;
  };
  static constexpr ColourRole kBackRole{&Vesk_GifSettingType::BackColorIndex,
                                        &Vesk_GifSettingType::BackColor};
  static constexpr ColourRole kTransRole{&Vesk_GifSettingType::TransColorIndex,
                                         &Vesk_GifSettingType::TransColor};
  void AssignColour(const ColourRole& role, const ColourRole& other, const char* name,
                    int32_t color);
  void UseIndex(const ColourRole& role, uint8_t index);
  int32_t SetEasyColour(const ColourRole& role, const char* name);
  uint8_t SetColourIndex(const ColourRole& role, const char* name, uint8_t index,
                         int32_t outOfRangeError);

  Vesk_GifPictureType source_;
  mutable Vesk_GifPictureType work_;
  mutable engine::DeferredPixels deferred_;
  mutable bool deferredActive_ = false;
  bool hasPicture_ = false;
  bool chain_ = false;
  float ratioWidth_ = 1.0f;
  float ratioHeight_ = 1.0f;
  engine::ErrorState error_;
  // The codes of the picture saved last (see SaveGifPicture).
  std::unique_ptr<engine::SavedCodes> saved_;
};

}  // namespace pellory
