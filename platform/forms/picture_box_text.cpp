// Text on a picture box: printing glyphs without anti-aliasing, printing one string at many
// offsets (outlines) from a single rendering, and measuring.
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <map>

#include "platform/font/qt_font.h"
#include "platform/forms/picture_box.h"
#include "platform/gdi/sys_colors.h"
#include "platform/kernel/err.h"

namespace platform {

namespace {

QRgb ToRgb(int32_t color) {
  const int32_t c = TranslateColor(color);
  return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

std::vector<QString> SplitLines(const std::string& text) {
  std::vector<QString> lines;
  for (const QString& l : QString::fromStdString(text).split(QStringLiteral("\r\n")))
    lines.push_back(l);
  return lines;
}

// One rendering of a string: a byte per pixel, non-zero where a glyph pixel is drawn. Pixel
// (mx, my) of the mask lands on (x + originX + mx, y + originY + my) when the string's top-left
// corner is printed at (x, y).
struct GlyphMask {
  int width = 0, height = 0;
  int originX = 0, originY = 0;
  std::vector<uint8_t> bits;
  bool inked = false;
};

// Renders the part of `text` that lies within `reach` (relative to the top-left corner the
// string is printed at), so the mask never outgrows the surface it is drawn on.
GlyphMask RenderMask(const QFont& font, const QString& text, const QRect& reach) {
  GlyphMask m;
  const QFontMetrics fm(font);
  const int advance = fm.horizontalAdvance(text);
  // Generous margins: overhangs of italics, underline and strikeout stay inside.
  const int pad = std::max(2, font.pixelSize() / 2);
  // The box of the advance, ascent and descent, relative to the baseline's start.
  QRect box(QPoint(std::min(0, advance) - pad, -fm.ascent() - pad),
            QPoint(std::max(0, advance) + pad - 1, fm.descent() + pad - 1));
  // The ink may overhang that box, but a string without ink reports an empty rectangle far
  // away, which must not size anything.
  const QRect ink = fm.boundingRect(text);
  if (ink.isValid()) {
    const int em = std::max(fm.height(), font.pixelSize());
    box = box.united(ink.intersected(box.adjusted(-em, -em, em, em)));
  }
  const QRect wanted = box.translated(0, fm.ascent()).intersected(reach);
  if (wanted.isEmpty()) return m;
  m.width = wanted.width();
  m.height = wanted.height();
  m.originX = wanted.left();
  m.originY = wanted.top();
  QImage img(m.width, m.height, QImage::Format_Alpha8);
  if (img.isNull()) throw RuntimeError(kErrOutOfMemory);
  img.fill(0);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 255));
    p.drawText(QPoint(-m.originX, fm.ascent() - m.originY), text);
  }
  m.bits.resize(static_cast<size_t>(m.width) * m.height);
  for (int y = 0; y < m.height; ++y) {
    const uchar* row = img.constScanLine(y);
    uint8_t* out = &m.bits[static_cast<size_t>(y) * m.width];
    for (int x = 0; x < m.width; ++x) {
      out[x] = row[x] >= 128;
      m.inked |= out[x] != 0;
    }
  }
  return m;
}

}  // namespace

void PictureBox::SetFont(const Font& font) {
  if (!font) throw RuntimeError(kErrObjectNotSet);
  font_ = font;
}

void PictureBox::Print(const std::string& text) {
  const QFont font = ToQFont(*font_);
  const QFontMetrics fm(font);
  const std::vector<QString> lines = SplitLines(text);
  int y = ToPx(currentY_);
  const int x = ToPx(currentX_);
  if (!image_.isNull()) {
    QPainter p(&image_);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(font);
    p.setPen(QColor(ToRgb(foreColor_)));
    for (const QString& line : lines) {
      p.drawText(QPoint(x, y + fm.ascent()), line);
      y += fm.height();
    }
    update();
  } else {
    y += fm.height() * static_cast<int>(lines.size());
  }
  currentX_ = 0;
  currentY_ = FromPx(y);
}

void PictureBox::PrintAtOffsets(const std::string& text, double x, double y,
                                const std::vector<QPoint>& offsets) {
  if (image_.isNull() || offsets.empty() || text.empty()) return;
  const QFont font = ToQFont(*font_);

  // The offsets of each row, as runs of consecutive dx: a disc or a square is one run per row,
  // so the union costs a few passes over the mask instead of one per offset.
  std::map<int, std::vector<int>> rows;
  int minDx = offsets[0].x(), maxDx = minDx, minDy = offsets[0].y(), maxDy = minDy;
  for (const QPoint& o : offsets) {
    rows[o.y()].push_back(o.x());
    minDx = std::min(minDx, o.x());
    maxDx = std::max(maxDx, o.x());
    minDy = std::min(minDy, o.y());
    maxDy = std::max(maxDy, o.y());
  }
  // Only glyph pixels that some offset carries onto the image matter.
  const int px = ToPx(x), py = ToPx(y);
  const QRect reach(QPoint(-px - maxDx, -py - maxDy),
                    QPoint(image_.width() - px - minDx - 1, image_.height() - py - minDy - 1));
  const GlyphMask m = RenderMask(font, QString::fromStdString(text), reach);
  if (!m.inked) return;
  const int aw = m.width + (maxDx - minDx), ah = m.height + (maxDy - minDy);
  std::vector<uint8_t> acc(static_cast<size_t>(aw) * ah, 0);
  std::vector<int> prefix(m.width + 1);
  std::vector<uint8_t> dilated(aw);

  for (auto& [dy, dxs] : rows) {
    std::sort(dxs.begin(), dxs.end());
    dxs.erase(std::unique(dxs.begin(), dxs.end()), dxs.end());
    std::vector<std::pair<int, int>> runs;
    for (int dx : dxs) {
      if (!runs.empty() && runs.back().second + 1 == dx)
        runs.back().second = dx;
      else
        runs.push_back({dx, dx});
    }
    for (int my = 0; my < m.height; ++my) {
      const uint8_t* in = &m.bits[static_cast<size_t>(my) * m.width];
      prefix[0] = 0;
      for (int mx = 0; mx < m.width; ++mx) prefix[mx + 1] = prefix[mx] + in[mx];
      if (prefix[m.width] == 0) continue;
      std::fill(dilated.begin(), dilated.end(), 0);
      for (auto [lo, hi] : runs) {
        // Accumulator column j receives mask columns j + minDx - hi .. j + minDx - lo.
        for (int j = 0; j < aw; ++j) {
          const int a = std::max(j + minDx - hi, 0);
          const int b = std::min(j + minDx - lo, m.width - 1);
          if (a <= b && prefix[b + 1] - prefix[a] > 0) dilated[j] = 1;
        }
      }
      uint8_t* out = &acc[static_cast<size_t>(my + dy - minDy) * aw];
      for (int j = 0; j < aw; ++j) out[j] |= dilated[j];
    }
  }

  const QRgb rgb = ToRgb(foreColor_);
  const int baseX = px + m.originX + minDx, baseY = py + m.originY + minDy;
  const int y0 = std::max(0, -baseY), y1 = std::min(ah, image_.height() - baseY);
  const int x0 = std::max(0, -baseX), x1 = std::min(aw, image_.width() - baseX);
  for (int ay = y0; ay < y1; ++ay) {
    const uint8_t* a = &acc[static_cast<size_t>(ay) * aw];
    QRgb* d = reinterpret_cast<QRgb*>(image_.scanLine(baseY + ay)) + baseX;
    for (int ax = x0; ax < x1; ++ax)
      if (a[ax]) d[ax] = rgb;
  }
  update();
}

double PictureBox::TextWidth(const std::string& text) const {
  const QFontMetrics fm(ToQFont(*font_));
  int widest = 0;
  for (const QString& line : SplitLines(text))
    widest = std::max(widest, fm.horizontalAdvance(line));
  return FromPx(widest);
}

double PictureBox::TextHeight(const std::string& text) const {
  const QFontMetrics fm(ToQFont(*font_));
  return FromPx(fm.height() * static_cast<int>(SplitLines(text).size()));
}

}  // namespace platform
