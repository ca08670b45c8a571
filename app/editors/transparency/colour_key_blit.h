// PE: draws a rectangle of a picture or device context onto a device context with one colour
// left out, so that the target shows through wherever the source has that colour. The object
// holds a halftone palette for its whole life; each drawing makes and frees its own contexts.
#pragma once

#include <cstdint>

#include "platform/gdi/device_context.h"
#include "platform/picture/picture.h"

namespace kestrin {

class PE {
 public:
  PE();
  ~PE();
  PE(const PE&) = delete;
  PE& operator=(const PE&) = delete;

  // Draws DW x DH pixels of the picture at (SX, SY) onto hdc at (DX, DY), pixels of colour OL
  // (a colour value, system colours included) left out; Hp 0 uses the object's palette. A
  // missing or non-bitmap picture draws nothing. Tolerance 1 to 100 leaves out every colour
  // within Euclidean RGB distance Tolerance x 4.42 of OL as well; 0 only OL itself.
  void PTS(platform::Hdc hdc, int32_t DX, int32_t DY, int32_t DW, int32_t DH,
           const platform::Picture& SPic, int32_t SX, int32_t SY, int32_t OL, platform::HPalette Hp,
           int32_t Tolerance = 0);
  // The same with a device context as the source.
  void DrawP(platform::Hdc hdc, int32_t DX, int32_t DY, int32_t DW, int32_t DH, platform::Hdc SPic,
             int32_t SX, int32_t SY, int32_t OL, platform::HPalette Hp, int32_t Tolerance = 0);

  platform::HPalette Palette() const { return m_hp_; }

 private:
  platform::HPalette m_hp_ = 0;
};

}  // namespace kestrin
