#include <cmath>
#include <map>

#include "platform/font/qt_font.h"

namespace platform {

std::string InstalledFamily(const std::string& faceName) {
  // Metric-compatible stand-ins for the faces the Japanese UI names.
  static const std::map<std::string, std::string> kFaces = {
      {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"ＭＳ ゴシック", "IPAGothic"},
      {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"ＭＳ 明朝", "IPAMincho"},
      {"MS PGothic", "IPAPGothic"},      {"MS Gothic", "IPAGothic"},
      {"MS PMincho", "IPAPMincho"},      {"MS Mincho", "IPAMincho"},
  };
  auto it = kFaces.find(faceName);
  return it == kFaces.end() ? faceName : it->second;
}

int PointsToPixels(double points) {
  const double px = std::nearbyint(points * 96.0 / 72.0);
  return px < 1.0 ? 1 : (px > 4096.0 ? 4096 : static_cast<int>(px));
}

QFont ToQFont(const StdFont& font) {
  QFont f(QString::fromStdString(InstalledFamily(font.Name)));
  f.setPixelSize(PointsToPixels(font.Size));
  f.setBold(font.Bold);
  f.setItalic(font.Italic);
  f.setUnderline(font.Underline);
  f.setStrikeOut(font.Strikethrough);
  f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

}  // namespace platform
