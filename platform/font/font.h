// The standard font object: what a client hands the library to write text with.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct StdFont {
  std::string Name = "ＭＳ Ｐゴシック";  // the Japanese UI's default face
  double Size = 9.0;                     // points
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool Strikethrough = false;
  int16_t Charset = 128;  // Shift-JIS
};

using Font = std::shared_ptr<StdFont>;

// The installed family that draws a face name: the Japanese system faces map onto the IPA
// fonts; other names stand for themselves.
std::string InstalledFamily(const std::string& faceName);

// Em height in pixels of a point size at 96 dots per inch (at least 1).
int PointsToPixels(double points);

}  // namespace platform
