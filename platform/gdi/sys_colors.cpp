#include "platform/gdi/sys_colors.h"

namespace platform {

namespace {
constexpr int32_t Rgb(int r, int g, int b) {
  return r | (g << 8) | (b << 16);
}

// The classic desktop scheme; fixed so that results do not depend on the user's theme.
constexpr int32_t kClassic[kSysColorCount] = {
    Rgb(212, 208, 200),  // scroll bar
    Rgb(58, 110, 165),   // desktop
    Rgb(10, 36, 106),    // active caption
    Rgb(128, 128, 128),  // inactive caption
    Rgb(212, 208, 200),  // menu
    Rgb(255, 255, 255),  // window
    Rgb(0, 0, 0),        // window frame
    Rgb(0, 0, 0),        // menu text
    Rgb(0, 0, 0),        // window text
    Rgb(255, 255, 255),  // caption text
    Rgb(212, 208, 200),  // active border
    Rgb(212, 208, 200),  // inactive border
    Rgb(128, 128, 128),  // application workspace
    Rgb(10, 36, 106),    // highlight
    Rgb(255, 255, 255),  // highlight text
    Rgb(212, 208, 200),  // button face
    Rgb(128, 128, 128),  // button shadow
    Rgb(128, 128, 128),  // grey text
    Rgb(0, 0, 0),        // button text
    Rgb(212, 208, 200),  // inactive caption text
    Rgb(255, 255, 255),  // button highlight
    Rgb(64, 64, 64),     // 3D dark shadow
    Rgb(212, 208, 200),  // 3D light
    Rgb(0, 0, 0),        // tooltip text
    Rgb(255, 255, 225),  // tooltip background
};
}  // namespace

int32_t GetSysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return 0;
  return kClassic[index];
}

int32_t TranslateColor(int32_t color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return color & 0xFFFFFF;
}

}  // namespace platform
