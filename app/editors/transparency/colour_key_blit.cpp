#include "app/editors/transparency/colour_key_blit.h"

#include <QImage>
#include <algorithm>

namespace kestrin {

using namespace platform;

namespace {

// Gives every pixel of the context's bitmap within Euclidean RGB distance tolerance x 4.42 of
// the key colour the key colour itself, so that the exact-key mask leaves it out as well.
void SnapNearColoursToKey(Hdc context, HBitmap bitmap, int32_t width, int32_t height, uint32_t key,
                          int32_t tolerance) {
  QImage pixels = BitmapImage(bitmap).convertToFormat(QImage::Format_RGB32);
  if (pixels.isNull()) return;
  const int r = key & 0xFF, g = (key >> 8) & 0xFF, b = (key >> 16) & 0xFF;
  // The distance x 100, squared, so that no rounding enters.
  const int64_t limit = int64_t{tolerance} * 442;
  const int64_t limitSquared = limit * limit;
  const QRgb keyPixel = qRgb(r, g, b);
  for (int y = 0; y < pixels.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
    for (int x = 0; x < pixels.width(); ++x) {
      const int dr = qRed(row[x]) - r, dg = qGreen(row[x]) - g, db = qBlue(row[x]) - b;
      const int64_t d2 = int64_t{dr} * dr + int64_t{dg} * dg + int64_t{db} * db;
      if (d2 * 10000 <= limitSquared) row[x] = keyPixel;
    }
  }
  const HBitmap snapped = CreateBitmapFromImage(pixels);
  const Hdc snappedDc = CreateCompatibleDC(0);
  const HGdiObj old = SelectObject(snappedDc, snapped);
  BitBlt(context, 0, 0, width, height, snappedDc, 0, 0, kRopSrcCopy);
  SelectObject(snappedDc, old);
  DeleteDC(snappedDc);
  DeleteObject(snapped);
}

}  // namespace

PE::PE() {
  const Hdc screen = GetDC(nullptr);
  m_hp_ = CreateHalftonePalette(screen);
  ReleaseDC(nullptr, screen);
}

PE::~PE() {
  DeleteObject(m_hp_);
}

void PE::PTS(Hdc hdc, int32_t DX, int32_t DY, int32_t DW, int32_t DH, const Picture& SPic,
             int32_t SX, int32_t SY, int32_t OL, HPalette Hp, int32_t Tolerance) {
  if (!SPic || SPic->Type() != kPictureTypeBitmap) return;
  const Hdc screen = GetDC(nullptr);
  if (Hp == 0) Hp = m_hp_;
  const Hdc memory = CreateCompatibleDC(screen);
  // The picture's bitmap, as a handle that a context can hold for this drawing.
  const HBitmap bitmap = CreateBitmapFromImage(SPic->Image());
  const HGdiObj oldBitmap = SelectObject(memory, bitmap);
  const HPalette oldPalette = SelectPalette(memory, Hp, true);
  RealizePalette(memory);
  DrawP(hdc, DX, DY, DW, DH, memory, SX, SY, OL, Hp, Tolerance);
  SelectObject(memory, oldBitmap);
  SelectPalette(memory, oldPalette, true);
  RealizePalette(memory);
  DeleteDC(memory);
  DeleteObject(bitmap);
  ReleaseDC(nullptr, screen);
}

void PE::DrawP(Hdc hdc, int32_t DX, int32_t DY, int32_t DW, int32_t DH, Hdc SPic, int32_t SX,
               int32_t SY, int32_t OL, HPalette Hp, int32_t Tolerance) {
  // Nothing to draw; a 0 x 0 request would otherwise make 1 x 1 stock-sized bitmaps.
  if (DW <= 0 || DH <= 0) return;
  const Hdc screen = GetDC(nullptr);
  if (Hp == 0) Hp = m_hp_;
  uint32_t key = 0;
  OleTranslateColor(OL, Hp, &key);

  // The target area as it is.
  const HBitmap bkBitmap = CreateCompatibleBitmap(screen, DW, DH);
  const Hdc bk = CreateCompatibleDC(screen);
  const HGdiObj bkOldBitmap = SelectObject(bk, bkBitmap);
  const HPalette bkOldPalette = SelectPalette(bk, Hp, true);
  RealizePalette(bk);
  BitBlt(bk, 0, 0, DW, DH, hdc, DX, DY, kRopSrcCopy);

  // The source area.
  const HBitmap srcBitmap = CreateCompatibleBitmap(screen, DW, DH);
  const Hdc src = CreateCompatibleDC(screen);
  const HGdiObj srcOldBitmap = SelectObject(src, srcBitmap);
  const HPalette srcOldPalette = SelectPalette(src, Hp, true);
  RealizePalette(src);
  SetBkColor(src, GetBkColor(SPic));
  SetTextColor(src, GetTextColor(SPic));
  BitBlt(src, 0, 0, DW, DH, SPic, SX, SY, kRopSrcCopy);

  // The mask: 1 where the source has the key colour.
  const HBitmap maskBitmap = CreateBitmap(DW, DH, 1, 1, nullptr);
  const Hdc mask = CreateCompatibleDC(screen);
  const HGdiObj maskOldBitmap = SelectObject(mask, maskBitmap);
  if (const int32_t tolerance = std::clamp(Tolerance, 0, 100); tolerance > 0)
    SnapNearColoursToKey(src, srcBitmap, DW, DH, key, tolerance);
  SetBkColor(src, key);
  SetTextColor(src, 0xFFFFFF);
  BitBlt(mask, 0, 0, DW, DH, src, 0, 0, kRopSrcCopy);

  // The key-coloured source pixels become black, so that OR-ing the source adds nothing there.
  SetTextColor(src, 0);
  SetBkColor(src, 0xFFFFFF);
  BitBlt(src, 0, 0, DW, DH, mask, 0, 0, kRopAndNotSrc);

  // The target goes black where the source is drawn, then the source fills those pixels.
  BitBlt(bk, 0, 0, DW, DH, mask, 0, 0, kRopSrcAnd);
  BitBlt(bk, 0, 0, DW, DH, src, 0, 0, kRopSrcPaint);

  BitBlt(hdc, DX, DY, DW, DH, bk, 0, 0, kRopSrcCopy);

  SelectObject(src, srcOldBitmap);
  DeleteObject(srcBitmap);
  SelectPalette(src, srcOldPalette, true);
  RealizePalette(src);
  DeleteDC(src);
  SelectObject(bk, bkOldBitmap);
  DeleteObject(bkBitmap);
  SelectPalette(bk, bkOldPalette, true);
  RealizePalette(bk);
  DeleteDC(bk);
  SelectObject(mask, maskOldBitmap);
  DeleteObject(maskBitmap);
  DeleteDC(mask);
  ReleaseDC(nullptr, screen);
}

}  // namespace kestrin
