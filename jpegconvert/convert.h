// Tessaly: BMP <-> JPEG conversion, file to file or into a byte array held by the object.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/com/registry.h"

#if defined(TESSALY_BUILDING)
#define TESSALY_API __attribute__((visibility("default")))
#else
#define TESSALY_API
#endif

namespace tessaly {

inline constexpr const char* kLibidTessaly = "{1C002EB0-FA4F-11D2-A07F-E1E9CF0D496E}";
inline constexpr const char* kIidConvert = "{1C002EB1-FA4F-11D2-A07F-E1E9CF0D496E}";
inline constexpr const char* kClsidConvert = "{1C002EB2-FA4F-11D2-A07F-E1E9CF0D496E}";
inline constexpr const char* kProgIdConvert = "Tessaly.Convert";

// A variant argument: empty, null, a boolean, a 16- or 32-bit integer, a double or a string.
struct Null {
  bool operator==(const Null&) const = default;
};
using Variant = std::variant<std::monostate, Null, bool, int16_t, int32_t, double, std::string>;

// The conversions of a variant, with the rules of the language the callers are written in.
// Each returns false when the value has none (null; a string that is neither a number nor
// "True"/"False").
TESSALY_API bool VariantToBool(const Variant& v, bool& out);
TESSALY_API bool VariantToString(const Variant& v, std::string& out);

// Result codes. BMPtoJPG's success is whatever the JPEG writer returned (0 when it wrote).
inline constexpr int32_t kConvertOk = 0;
inline constexpr int32_t kConvertInputUnreadable = -1;  // missing, unreadable, or a bad argument
inline constexpr int32_t kConvertInputEmpty = -2;       // the input file has length 0
// BMPtoJPG: rate 0 or above 100. JPGtoBMP: the input is not a picture.
inline constexpr int32_t kConvertStage3 = -3;
// BMPtoJPG: the progress argument has no boolean value. JPGtoBMP: the bitmap cannot be written.
inline constexpr int32_t kConvertStage4 = -4;

// The interface _Convert, in slot order. The ToMemory... members call the file conversions
// through it, so a derived class's conversions are the ones they use.
class TESSALY_API _Convert : public platform::ComObject {
 public:
  // vPrgrs receives its value as a boolean; a failure before that step leaves it as it was.
  virtual int32_t BMPtoJPG(const Variant& vBmpF, const Variant& vJpgF, uint8_t vRate,
                           Variant& vPrgrs) = 0;
  virtual int32_t JPGtoBMP(const Variant& vJpgF, const Variant& vBmpF) = 0;
  virtual int32_t ToMemoryBMP(const Variant& vJpgF) = 0;
  virtual int32_t ToMemoryJPG(const Variant& vBmpF, uint8_t vRate, Variant& vPrgrs) = 0;
  virtual std::vector<uint8_t> Memory() const = 0;

  // Optional arguments: rate 80, progress false.
  int32_t BMPtoJPG(const Variant& vBmpF, const Variant& vJpgF, uint8_t vRate = 80);
  int32_t ToMemoryJPG(const Variant& vBmpF, uint8_t vRate = 80);
};

class TESSALY_API Convert : public _Convert {
 public:
  static constexpr const char* kClassId = kClsidConvert;
  static constexpr const char* kProgId = kProgIdConvert;

  Convert();
  using _Convert::BMPtoJPG;
  using _Convert::ToMemoryJPG;

  int32_t BMPtoJPG(const Variant& vBmpF, const Variant& vJpgF, uint8_t vRate,
                   Variant& vPrgrs) override;
  int32_t JPGtoBMP(const Variant& vJpgF, const Variant& vBmpF) override;
  // A failed conversion returns its code and leaves Memory as it was. Reading the produced file
  // back or deleting it failing throws platform::RuntimeError (75). No temporary file stays,
  // whichever way the call ends.
  int32_t ToMemoryBMP(const Variant& vJpgF) override;
  int32_t ToMemoryJPG(const Variant& vBmpF, uint8_t vRate, Variant& vPrgrs) override;
  std::vector<uint8_t> Memory() const override { return memory_; }

 private:
  template <class Convert>
  int32_t ToMemory(Convert&& convert);
  std::vector<uint8_t> memory_;
};

}  // namespace tessaly
