// Vesk_OverLay: a base picture onto which pictures and bordered text are composited, one call at
// a time, and from which the composed picture is taken, plain or inside a button frame.
//
// The composition lives on a hidden picture box of the library's host form. The base grows when
// a block does not fit and growth is allowed; the origin offsets remember where the base picture
// now lies. Returned pictures are transparent in the base's background colour unless
// Transparent is TransOff. No member throws; every recorded error leaves the base as it was.
#pragma once

#include <QPoint>
#include <QPointer>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "giflib/engine/error_record.h"
#include "giflib/object/pellory_export.h"
#include "giflib/object/pellory_types.h"
#include "platform/com/registry.h"
#include "platform/forms/picture_box.h"
#include "platform/picture/picture.h"

namespace pellory {

class Vesk_GifObject;
using platform::Picture;

// Offsets at which a line is printed in the border colour for an outline of width b.
std::vector<QPoint> OutlineOffsets(int b, Vesk_OLBorderStyleEnum style);

class PELLORY_API Vesk_OverLay : public platform::ComObject {
 public:
  static constexpr const char* kClassId = kClsidVesk_OverLay;
  static constexpr const char* kInterfaceId = kIid_Vesk_OverLay;
  static constexpr const char* kProgId = kProgIdVesk_OverLay;

  Vesk_OverLay();
  ~Vesk_OverLay() override;
  Vesk_OverLay(const Vesk_OverLay&) = delete;
  Vesk_OverLay& operator=(const Vesk_OverLay&) = delete;

  // Properties.
  bool HasPicture() const { return hasPicture_; }
  void HasPicture(bool value);  // ignored
  Vesk_ExecuteModeEnum ExecuteMode() const { return executeMode_; }
  void ExecuteMode(Vesk_ExecuteModeEnum value);  // 0 or 1, else ignored
  Vesk_GifTempPathModeEnum TempPathMode() const { return tempPathMode_; }
  void TempPathMode(Vesk_GifTempPathModeEnum value);  // 0, 1 or 2, else ignored
  std::string TempPath() const { return tempPath_; }
  void TempPath(const std::string& value);
  bool PictureAutoSize() const { return pictureAutoSize_; }
  void PictureAutoSize(bool value);
  bool TextAutoSize() const { return textAutoSize_; }
  void TextAutoSize(bool value);
  Vesk_TransparentEnum Transparent() const { return transparent_; }
  void Transparent(Vesk_TransparentEnum value);  // 0 or 1, else ignored
  float IncLeft() const { return incLeft_; }
  void IncLeft(float value);  // ignored
  float IncTop() const { return incTop_; }
  void IncTop(float value);  // ignored

  // A null or empty picture empties the object.
  bool SetBasePicture(const Picture& SourcePicture);
  Picture OverLayPicture(const Picture& olPicture, Vesk_OLPositionType& olPosition);
  Picture OverLayPicture(const Picture& olPicture, Vesk_OLPositionType& olPosition,
                         Vesk_OLOrderEnum& Order);
  Picture OverLayPicture(const Picture& olPicture, Vesk_OLPositionType&& olPosition,
                         Vesk_OLOrderEnum&& Order = olReturnPicture) {
    return OverLayPicture(olPicture, olPosition, Order);
  }
  // Lines are separated by CR LF.
  Picture WriteCharacter(const std::string& wcString, Vesk_OLWCFType& wcFormat);
  Picture WriteCharacter(const std::string& wcString, Vesk_OLWCFType& wcFormat,
                         Vesk_OLOrderEnum& Order);
  Picture WriteCharacter(const std::string& wcString, Vesk_OLWCFType& wcFormat,
                         Vesk_OLOrderEnum&& Order) {
    return WriteCharacter(wcString, wcFormat, Order);
  }
  Picture GetOLPicture();
  Picture GetOLPicture(Vesk_OLFrameModeEnum& olFrameMode);
  Picture GetOLPicture(Vesk_OLFrameModeEnum&& olFrameMode) { return GetOLPicture(olFrameMode); }
  void ClearOLPicture();
  void ResetOLPicture();

  // Error state.
  int32_t ErrorNumber() const;
  int32_t ErrorInfo(Vesk_ErrorInfoType& ErrInfo) const;
  void ResetError();
  std::string GetErrorMsg(int32_t ErrNumber) const;

  // For tests: the working surface's name and size, and the origin offsets.
  std::string SurfaceName() const { return surfaceName_; }
  int SurfaceWidth() const;
  int SurfaceHeight() const;
  int BaseWidth() const { return baseWidth_; }
  int BaseHeight() const { return baseHeight_; }
  int OriginX() const { return originX_; }
  int OriginY() const { return originY_; }
  int32_t BaseBackColor() const { return baseBackColor_; }

 private:
  // Where a block goes, and how far the base grew to take it.
  struct Block {
    int32_t left = 0, top = 0;
    int32_t growLeft = 0, growTop = 0;
    Picture entry;  // the surface before the call; restored when the call fails
  };
  // Restores the entry image when the current call recorded an error.
  class RollBack {
   public:
    RollBack(Vesk_OverLay& overlay, const Block& block) : overlay_(overlay), block_(block) {}
    ~RollBack();

   private:
    Vesk_OverLay& overlay_;
    const Block& block_;
  };

  bool Enter(const char* name);
  // What every composing call shares: the method's entry (nothing while an error is latched), a
  // block whose entry image comes back when the call records an error, and an exception turned
  // into the unexpected failure. `body(block)` is the call's own work.
  template <class Body>
  Picture Compose(const char* name, Body&& body) {
    if (!Enter(name)) return nullptr;
    Block block;
    RollBack rollBack(*this, block);
    try {
      return body(block);
    } catch (...) {
      FailUnexpected();
      return nullptr;
    }
  }
  void Fail(int32_t number, int32_t style);
  void FailUnexpected();
  platform::PictureBox& Surface() const;
  void ConfigureNewAux(Vesk_GifObject& aux) const;
  void Clear();
  void Place(int32_t w, int32_t h, const Vesk_OLPositionType& position, Block& block) const;
  // False after recording 3020.
  bool Grow(int32_t w, int32_t h, bool allowed, Block& block);
  // The composed picture, through `aux` (a new one when null); null when it fails.
  Picture Output(Vesk_GifObject* aux);
  void DrawFrame(Vesk_OLFrameModeEnum mode);

  bool hasPicture_ = false;
  Vesk_ExecuteModeEnum executeMode_ = Nontest;
  int32_t baseWidth_ = 0;
  int32_t baseHeight_ = 0;
  Vesk_GifTempPathModeEnum tempPathMode_ = AppPath;
  std::string tempPath_;
  bool pictureAutoSize_ = true;
  bool textAutoSize_ = false;
  Vesk_TransparentEnum transparent_ = TransOn;
  int32_t baseBackColor_ = 0;
  float incLeft_ = 0.0f;
  float incTop_ = 0.0f;
  Picture snapshot_;
  QPointer<platform::PictureBox> surface_;
  std::string surfaceName_;
  int32_t originX_ = 0;
  int32_t originY_ = 0;
  // Button colours: set 1 (OnButton) then set 2 (OffButton), each A, B, C, D.
  std::array<int32_t, 8> buttonColors_{};
  engine::ErrorState error_;
};

}  // namespace pellory
