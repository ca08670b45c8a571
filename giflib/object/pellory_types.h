// The public vocabulary of Pellory: enumerations, records and identities that clients share.
// Enumerations are 32-bit so that any value a client passes arrives intact and can be normalised.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/font/font.h"

namespace pellory {

enum Vesk_GifSetPictureOptionEnum : int32_t {
  Default = 0,
  AutomaticBackColor = 1,
  AutomaticTransColor = 2,
  UnAutomatic = 3,
};
enum Vesk_TransparentEnum : int32_t { TransOn = 0, TransOff = 1 };
enum Vesk_GifMeshLevelEnum : int32_t { NoMesh = 0, Mesh1p = 1, Mesh2p = 2, Mesh3p = 3, Mesh4p = 4 };
// How SaveGifPicture codes the pixels: 9-bit literal codes (the library's own, the default) or
// LZW, which gives files of a third to a tenth of the size.
enum Vesk_GifCompressionEnum : int32_t { LiteralCodes = 0, LzwCodes = 1 };
// How a picture of more than 256 colours is reduced: to the fixed halftone palette (the library's
// own, the default), or to a palette built from the picture, without or with error diffusion.
enum Vesk_GifReduceColorEnum : int32_t { rcHalftone = 0, rcAdaptive = 1, rcAdaptiveDither = 2 };
enum Vesk_GifCompressionLevelEnum : int32_t {
  NoCompression = 0,
  CompLevel1 = 1,
  CompLevel2 = 2,
  CompLevel3 = 3,
};
enum Vesk_GifRotateAngleEnum : int32_t { Angle0 = 0, Angle90 = 1, Angle180 = 2, Angle270 = 3 };
enum Vesk_GifReverseEnum : int32_t { TopBottom = 0, LeftRight = 1, Both = 2 };
enum Vesk_ExecuteModeEnum : int32_t { Nontest = 0, Test = 1 };
enum Vesk_GifTempPathModeEnum : int32_t { TempSystem = 0, AppPath = 1, UserCustom = 2 };
enum Vesk_GifOrderEnum : int32_t { ReturnPicture = 0, Continue = 1 };
enum Vesk_GifMarginXEnum : int32_t { mxCenter = 0, mxLeft = 1, mxRight = 2 };
enum Vesk_GifMarginYEnum : int32_t { myCenter = 0, myTop = 1, myBottom = 2 };

enum Vesk_OLPositionModeEnum : int32_t { ByPreset = 0, ByNumber = 1 };
enum Vesk_OLBorderThicknessEnum : int32_t {
  NonBordering = 0,
  Bordering1p = 1,
  Bordering2p = 2,
  Bordering3p = 3,
  Bordering4p = 4,
  Bordering5p = 5,
};
enum Vesk_OLFrameModeEnum : int32_t { NonButton = 0, OnButton = 1, OffButton = 2 };
enum Vesk_OLOrderEnum : int32_t { olReturnPicture = 0, olContinue = 1 };
enum Vesk_OLBorderStyleEnum : int32_t { Soft = 0, Sharp = 1 };

#pragma pack(push, 1)
struct Vesk_GIFRGBTRIPLE {
  uint8_t gRed = 0;
  uint8_t gGreen = 0;
  uint8_t gBlue = 0;
  friend bool operator==(const Vesk_GIFRGBTRIPLE&, const Vesk_GIFRGBTRIPLE&) = default;
};
#pragma pack(pop)
static_assert(sizeof(Vesk_GIFRGBTRIPLE) == 3, "palette entries are exchanged as packed triples");

struct Vesk_GifSettingType {
  Vesk_ExecuteModeEnum ExecuteMode = Nontest;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint8_t BackColorIndex = 0;
  int32_t BackColor = 0;
  Vesk_TransparentEnum Transparent = TransOn;
  uint8_t TransColorIndex = 0;
  int32_t TransColor = 0;
  Vesk_GifCompressionLevelEnum CompressionLevel = NoCompression;
  bool Sort = false;
  int16_t PaletteSize = 0;
  Vesk_GifTempPathModeEnum TempPathMode = AppPath;
  std::string TempPath;
  bool HandleOver256Color = true;
  float IncLeft = 0.0f;
  float IncTop = 0.0f;
  int16_t LimitWidth = 0;
  int16_t LimitHeight = 0;
  Vesk_GifCompressionEnum Compression = LiteralCodes;
  Vesk_GifReduceColorEnum ReduceColorMode = rcHalftone;
  float DitherLevel = 1.0f;  // 0 (none) to 1 (full error diffusion), for rcAdaptiveDither
};

// One picture held by the library: pixel (x, y), y = 0 the top row, is BitmapData[y * biWidth + x].
struct Vesk_GifPictureType {
  Vesk_GifSettingType GifSetting;
  std::vector<Vesk_GIFRGBTRIPLE> ColorTable;
  std::vector<uint8_t> BitmapData;
};

struct Vesk_MarginType {
  int32_t trLeft = 0;
  int32_t trTop = 0;
  int32_t trRight = 0;
  int32_t trBottom = 0;
};

struct Vesk_ErrorInfoType {
  int32_t SysErrNumber = 0;
  int32_t MsgMode = 0;
  int16_t ErrorCallCount = 0;
  std::string MethodName;
};

struct Vesk_OLPositionType {
  Vesk_OLPositionModeEnum Mode = ByPreset;
  Vesk_GifMarginXEnum pLeft = mxCenter;
  Vesk_GifMarginYEnum pTop = myCenter;
};

struct Vesk_OLWCFType {
  platform::Font UseFont;
  int32_t ForeColor = 0;
  int32_t BackColor = 0;
  Vesk_TransparentEnum Transparent = TransOn;
  int32_t BorderColor = 0;
  Vesk_OLBorderThicknessEnum BorderThickness = NonBordering;
  Vesk_OLBorderStyleEnum BorderStyle = Soft;
  Vesk_OLPositionType Position;
  Vesk_GifMarginXEnum MultiLineArrangeMent = mxCenter;
};

// Component identities published by the registration.
inline constexpr const char* kTypeLibraryId = "{50D267C4-3C15-4910-8855-F427E085081B}";
inline constexpr const char* kTypeLibraryName = "Pellory";
inline constexpr int32_t kTypeLibraryLocale = 1033;

inline constexpr const char* kClsidVesk_GifObject = "{EE6C4A14-6309-429C-B389-BCB04F8E2977}";
inline constexpr const char* kIid_Vesk_GifObject = "{45FD1D92-066D-4B2B-98F6-4134EE27FDF3}";
inline constexpr const char* kClsidVesk_OverLay = "{3DCF997C-C25A-4C7D-A5B8-18B60403BFB7}";
inline constexpr const char* kIid_Vesk_OverLay = "{D2030008-4F5D-4DA2-8038-CDF0F35C4E81}";
inline constexpr const char* kClsidVesk_GlobalMethods = "{0F2581BF-F159-47DC-AF8F-0F0D8EB36C40}";
inline constexpr const char* kIid_Vesk_GlobalMethods = "{ABC62416-71F6-48D1-A317-E67CD57E8A6C}";

inline constexpr const char* kProgIdVesk_GifObject = "Pellory.Vesk_GifObject";
inline constexpr const char* kProgIdVesk_OverLay = "Pellory.Vesk_OverLay";
inline constexpr const char* kProgIdVesk_GlobalMethods = "Pellory.Vesk_GlobalMethods";

}  // namespace pellory
