// WriteCharacter: a block of lines in a font and colour, optionally on a background box and
// inside a round or square outline.
#include <cmath>
#include <cstdlib>

#include "giflib/engine/conversions.h"
#include "giflib/overlay/vesk_overlay.h"
#include "platform/kernel/err.h"

namespace pellory {

using engine::kStyleExclamation;

std::vector<QPoint> OutlineOffsets(int b, Vesk_OLBorderStyleEnum style) {
  std::vector<QPoint> offsets;
  for (int dx = -b; dx <= b; ++dx) {
    for (int dy = -b; dy <= b; ++dy) {
      bool in;
      if (style == Sharp)
        in = b < 2 || std::abs(dx) != b || std::abs(dy) != b;
      else
        in = std::sqrt(static_cast<double>(dx * dx + dy * dy)) <= b;
      if (in) offsets.emplace_back(dx, dy);
    }
  }
  return offsets;
}

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2)
    lines.push_back(text.substr(start, pos - start));
  lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

Picture Vesk_OverLay::WriteCharacter(const std::string& wcString, Vesk_OLWCFType& wcFormat) {
  Vesk_OLOrderEnum order = olReturnPicture;
  return WriteCharacter(wcString, wcFormat, order);
}

Picture Vesk_OverLay::WriteCharacter(const std::string& wcString, Vesk_OLWCFType& wcFormat,
                                     Vesk_OLOrderEnum& Order) {
  return Compose("WriteCharacter", [&](Block& block) -> Picture {
    if (!hasPicture_) {
      Fail(engine::kErrNoPicture, kStyleExclamation);
      return nullptr;
    }
    if (wcString.empty()) {
      Fail(engine::kErrEmptyString, kStyleExclamation);
      return nullptr;
    }
    const std::vector<std::string> lines = SplitLines(wcString);
    if (lines.size() > 32767) {
      Fail(engine::kErrTooManyLines, kStyleExclamation);
      return nullptr;
    }
    platform::PictureBox& s = Surface();
    if (!wcFormat.UseFont) wcFormat.UseFont = std::make_shared<platform::StdFont>();
    s.SetFont(wcFormat.UseFont);
    if (wcFormat.Transparent != TransOn && wcFormat.Transparent != TransOff)
      wcFormat.Transparent = TransOn;
    const int32_t foreColor = engine::NormalizeColor(wcFormat.ForeColor);
    const int32_t backColor = engine::NormalizeColor(wcFormat.BackColor);
    const int32_t borderColor = engine::NormalizeColor(wcFormat.BorderColor);

    // The outline may be at most half the font size, and never more than 2500 / size.
    const double size = wcFormat.UseFont->Size;
    if (size == 0.0) throw platform::RuntimeError(platform::kErrDivisionByZero);
    // A negative size would turn the outline's limit negative and the outline inside out.
    if (!(size > 0.0)) throw platform::RuntimeError(platform::kErrInvalidProperty);
    int32_t limit = engine::RoundToInt32(2500.0 / size);
    if (size / 2.0 < limit) limit = engine::RoundToInt32(size / 2.0);
    int64_t thickness = std::llabs(static_cast<int64_t>(wcFormat.BorderThickness));
    if (thickness > INT32_MAX) throw platform::RuntimeError(platform::kErrOverflow);
    if (thickness > limit) thickness = limit;
    wcFormat.BorderThickness = static_cast<Vesk_OLBorderThicknessEnum>(thickness);
    const int32_t b = wcFormat.BorderThickness;

    if (wcFormat.BorderStyle != Soft && wcFormat.BorderStyle != Sharp) wcFormat.BorderStyle = Soft;
    Vesk_OLPositionType& position = wcFormat.Position;
    if (position.Mode != ByPreset && position.Mode != ByNumber) position.Mode = ByPreset;
    if (Order != olReturnPicture && Order != olContinue) Order = olReturnPicture;
    if (position.Mode == ByPreset) {
      if (position.pLeft < mxCenter || position.pLeft > mxRight) position.pLeft = mxCenter;
      if (position.pTop < myCenter || position.pTop > myBottom) position.pTop = myCenter;
    }
    if (wcFormat.MultiLineArrangeMent < mxCenter || wcFormat.MultiLineArrangeMent > mxRight)
      wcFormat.MultiLineArrangeMent = mxLeft;

    std::vector<float> widths, heights;
    float totalHeight = 0.0f;
    int16_t widest = 0;
    for (const std::string& line : lines) {
      widths.push_back(static_cast<float>(s.TextWidth(line)));
      heights.push_back(static_cast<float>(s.TextHeight(line)));
      totalHeight += heights.back();
      if (widths.back() > widest) widest = engine::RoundToInt16(widths.back());
    }
    const int64_t blockW = int64_t{widest} + 2 * b;
    const int64_t blockH = engine::RoundToInt32(static_cast<double>(totalHeight) + 2.0 * b);
    if (blockW > 32767 || blockH > 32767) {
      Fail(engine::kErrResultTooLarge, kStyleExclamation);
      return nullptr;
    }
    const auto w = static_cast<int32_t>(blockW), h = static_cast<int32_t>(blockH);
    Place(w, h, position, block);
    if (!Grow(w, h, textAutoSize_, block)) return nullptr;
    const int32_t left = block.left, top = block.top;

    if (wcFormat.Transparent == TransOff)
      s.Box(left, top, int64_t{left} + w - 1, int64_t{top} + h - 1, backColor, true);

    const std::vector<QPoint> outline =
        b > 0 ? OutlineOffsets(b, wcFormat.BorderStyle) : std::vector<QPoint>{};
    int16_t y = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      s.SetForeColor(borderColor);
      int32_t x = 0;
      const double room = static_cast<double>(w) - (widths[i] + 2.0 * b);
      if (wcFormat.MultiLineArrangeMent == mxCenter)
        x = engine::RoundToInt32(room / 2.0);
      else if (wcFormat.MultiLineArrangeMent == mxRight)
        x = engine::RoundToInt32(room);
      const double lineX = static_cast<double>(left) + x + b;
      const double lineY = static_cast<double>(top) + b + y;
      // One rendering for all outline copies; the pixels are those of printing each copy.
      if (!outline.empty()) s.PrintAtOffsets(lines[i], lineX, lineY, outline);
      s.SetForeColor(foreColor);
      s.SetCurrentX(lineX);
      s.SetCurrentY(lineY);
      s.Print(lines[i]);
      y = engine::RoundToInt16(static_cast<double>(y) + heights[i]);
    }
    originX_ += block.growLeft;
    originY_ += block.growTop;
    if (Order == olReturnPicture) return Output(nullptr);
    return nullptr;
  });
}

}  // namespace pellory
