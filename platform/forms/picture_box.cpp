#include "platform/forms/picture_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cstdlib>

#include "platform/gdi/device_context.h"
#include "platform/gdi/sys_colors.h"
#include "platform/kernel/err.h"
#include "platform/kernel/large_pages.h"
#include "platform/kernel/second_lane.h"

namespace platform {

namespace {

// Below this a second thread costs more than it saves.
constexpr int64_t kMinPixelsForTwoThreads = int64_t{1} << 18;

QRgb ToRgb(int32_t color) {
  const int32_t c = TranslateColor(color);
  return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// The picture's true colours as 32-bit pixels: indexed pictures keep the RGB of transparent
// entries, which the raster operations combine like any other colour.
QImage TrueColours(const QImage& image) {
  if (image.format() == QImage::Format_Indexed8) {
    QList<QRgb> table = image.colorTable();
    for (QRgb& c : table) c = qRgb(qRed(c), qGreen(c), qBlue(c));
    QImage opaque = image;
    opaque.setColorTable(table);
    return opaque.convertToFormat(QImage::Format_RGB32);
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

// Draws an indexed picture whose entries are either opaque or fully transparent onto an RGB32
// image, as QPainter's source-over does, without first converting the whole picture to 32 bits;
// false for any other picture.
bool DrawIndexedOver(QImage& dst, const QImage& src, int px, int py) {
  if (src.format() != QImage::Format_Indexed8 || dst.format() != QImage::Format_RGB32) return false;
  const QList<QRgb> table = src.colorTable();
  QRgb colours[256];
  bool shows[256];
  for (int i = 0; i < 256; ++i) {
    // An index past the palette shows nothing, as with the painter.
    const QRgb c = i < table.size() ? table[i] : 0;
    if (qAlpha(c) != 0 && qAlpha(c) != 255) return false;
    colours[i] = c | 0xFF000000;
    shows[i] = qAlpha(c) == 255;
  }
  const int x0 = std::max(0, px), y0 = std::max(0, py);
  const int x1 = std::min(dst.width(), px + src.width());
  const int y1 = std::min(dst.height(), py + src.height());
  if (y1 <= y0 || x1 <= x0) return true;
  // Rows are independent: a large picture is drawn in two halves at once. The pixels are taken
  // once here, since a detach from two threads would race.
  uchar* dstBits = dst.bits();
  const qsizetype dstLine = dst.bytesPerLine();
  const uchar* srcBits = src.constBits();
  const qsizetype srcLine = src.bytesPerLine();
  const bool split = int64_t{x1 - x0} * (y1 - y0) >= kMinPixelsForTwoThreads;
  RunInHalves(y1 - y0, split, [&](int64_t first, int64_t end) {
    for (int64_t y = y0 + first; y < y0 + end; ++y) {
      QRgb* d = reinterpret_cast<QRgb*>(dstBits + y * dstLine);
      const uchar* s = srcBits + (y - py) * srcLine - px;
      for (int x = x0; x < x1; ++x)
        if (shows[s[x]]) d[x] = colours[s[x]];
    }
  });
  return true;
}

// True when drawing `picture` at the top left of `image` sets every pixel of it: an indexed
// picture at least as large, with an opaque entry for every index.
bool CoversWhole(const QImage& picture, const QImage& image) {
  if (picture.format() != QImage::Format_Indexed8 || picture.colorCount() < 256 ||
      picture.width() < image.width() || picture.height() < image.height())
    return false;
  const QList<QRgb> table = picture.colorTable();
  return std::all_of(table.begin(), table.end(), [](QRgb c) { return qAlpha(c) == 255; });
}

}  // namespace

PictureBox::PictureBox(QWidget* parent)
    : ControlOf<QWidget>(parent), font_(std::make_shared<StdFont>()) {
  SyncImage();
}

PictureBox::~PictureBox() {
  if (hdc_) ReleaseDC(this, hdc_);
}

uint32_t PictureBox::hDC() {
  if (!hdc_) hdc_ = GetImageDC(this);
  return hdc_;
}

void PictureBox::SetMousePointer(int pointer) {
  static const std::pair<int, Qt::CursorShape> kShapes[] = {
      {1, Qt::ArrowCursor},   {2, Qt::CrossCursor},   {3, Qt::IBeamCursor},
      {7, Qt::SizeVerCursor}, {9, Qt::SizeHorCursor}, {11, Qt::WaitCursor}};
  if (pointer == 0) {
    unsetCursor();
    mousePointer_ = 0;
    return;
  }
  for (const auto& [value, shape] : kShapes) {
    if (value == pointer) {
      setCursor(shape);
      mousePointer_ = pointer;
      return;
    }
  }
  throw RuntimeError(kErrInvalidProperty);
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
  if (!onMouseDown) return;
  const QPointF p = e->position() - ClientOrigin();
  onMouseDown(MouseButtonOf(e->button()), ShiftStateOf(e->modifiers()), FromPx(qRound(p.x())),
              FromPx(qRound(p.y())));
}
void PictureBox::mouseMoveEvent(QMouseEvent* e) {
  if (!onMouseMove) return;
  const QPointF p = e->position() - ClientOrigin();
  onMouseMove(MouseButtonOf(e->buttons()), ShiftStateOf(e->modifiers()), FromPx(qRound(p.x())),
              FromPx(qRound(p.y())));
}
void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
  if (!onMouseUp) return;
  const QPointF p = e->position() - ClientOrigin();
  onMouseUp(MouseButtonOf(e->button()), ShiftStateOf(e->modifiers()), FromPx(qRound(p.x())),
            FromPx(qRound(p.y())));
}

int PictureBox::BorderPixels() const {
  if (borderStyle_ == 0) return 0;
  return appearance_ == 0 ? 1 : 2;
}

void PictureBox::SyncImage() {
  const int b = BorderPixels();
  const QSize inner(std::max(0, width() - 2 * b), std::max(0, height() - 2 * b));
  if (image_.size() == inner && !image_.isNull()) return;
  if (inner.isEmpty()) {
    image_ = QImage();
    return;
  }
  QImage grown(inner, QImage::Format_RGB32);
  if (!grown.isNull()) AdviseLargePages(grown.bits(), static_cast<size_t>(grown.sizeInBytes()));
  grown.fill(ToRgb(backColor_));
  if (!image_.isNull()) {
    QPainter p(&grown);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, image_);
  }
  image_ = std::move(grown);
  update();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SyncImage();
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int b = BorderPixels();
  if (b == 1) {
    p.setPen(Qt::black);
    p.drawRect(0, 0, width() - 1, height() - 1);
  } else if (b == 2) {
    p.setPen(QColor(128, 128, 128));
    p.drawLine(0, 0, width() - 1, 0);
    p.drawLine(0, 0, 0, height() - 1);
    p.setPen(QColor(64, 64, 64));
    p.drawLine(1, 1, width() - 2, 1);
    p.drawLine(1, 1, 1, height() - 2);
    p.setPen(Qt::white);
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
    p.drawLine(width() - 1, 0, width() - 1, height() - 1);
  }
  if (!image_.isNull()) p.drawImage(b, b, image_);
}

void PictureBox::ResizePixels(int width, int height) {
  if (width < 0 || height < 0) throw RuntimeError(kErrInvalidProperty);
  SetSizePixels(width, height);
  SyncImage();
}

void PictureBox::Repaint() {
  if (image_.isNull()) return;
  // The box's own snapshot, put back: it already is what the box shows.
  if (picture_ && picture_->Image().cacheKey() == image_.cacheKey()) return;
  // The background shows only where the picture leaves pixels undrawn.
  if (!picture_ || !CoversWhole(picture_->Image(), image_)) image_.fill(ToRgb(backColor_));
  if (picture_ && !picture_->Image().isNull() &&
      !DrawIndexedOver(image_, picture_->Image(), 0, 0)) {
    QPainter p(&image_);
    p.drawImage(0, 0, picture_->Image());
  }
  pictureShownKey_ = image_.cacheKey();
  update();
}

bool PictureBox::ShowsPictureOnly() const {
  return picture_ && !image_.isNull() &&
         (image_.cacheKey() == pictureShownKey_ ||
          picture_->Image().cacheKey() == image_.cacheKey());
}

void PictureBox::SetPicture(const Picture& picture) {
  picture_ = picture;
  if (autoSize_ && picture_ && !picture_->Image().isNull()) {
    const int b = BorderPixels();
    ResizePixels(picture_->Image().width() + 2 * b, picture_->Image().height() + 2 * b);
  }
  Repaint();
}

// A snapshot that shares the pixels until either side is drawn on: every drawing goes through
// the image, which then copies them first.
Picture PictureBox::Image() const {
  return std::make_shared<StdPicture>(image_);
}

void PictureBox::SetAutoSize(bool on) {
  autoSize_ = on;
  if (on && picture_ && !picture_->Image().isNull()) {
    const int b = BorderPixels();
    ResizePixels(picture_->Image().width() + 2 * b, picture_->Image().height() + 2 * b);
  }
}

void PictureBox::SetAppearance(int appearance) {
  if (appearance != 0 && appearance != 1) throw RuntimeError(kErrInvalidProperty);
  appearance_ = appearance;
  SyncImage();
}

void PictureBox::SetBorderStyle(int style) {
  if (style != 0 && style != 1) throw RuntimeError(kErrInvalidProperty);
  borderStyle_ = style;
  SyncImage();
}

void PictureBox::SetScaleMode(int mode) {
  if (mode != kScaleTwips && mode != kScalePixels) throw RuntimeError(kErrInvalidProperty);
  scaleMode_ = mode;
}

void PictureBox::Cls() {
  Repaint();
  currentX_ = currentY_ = 0;
}

int32_t PictureBox::Point(double x, double y) const {
  const int px = ToPx(x), py = ToPx(y);
  if (image_.isNull() || px < 0 || py < 0 || px >= image_.width() || py >= image_.height())
    return -1;
  const QRgb c = image_.pixel(px, py);
  return qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16);
}

void PictureBox::SetPixel(int x, int y, uint32_t rgb) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
  reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = rgb;
}

void PictureBox::PaintPicture(const Picture& picture, double x, double y, uint32_t rop) {
  if (!picture || picture->Image().isNull()) throw RuntimeError(kErrInvalidPicture);
  if (image_.isNull()) return;
  const int px = ToPx(x), py = ToPx(y);
  if (rop == kSrcCopy) {
    if (!DrawIndexedOver(image_, picture->Image(), px, py)) {
      QPainter p(&image_);
      p.drawImage(px, py, picture->Image());
    }
    update();
    return;
  }
  const QImage src = TrueColours(picture->Image());
  const int x0 = std::max(0, px), y0 = std::max(0, py);
  const int x1 = std::min(image_.width(), px + src.width());
  const int y1 = std::min(image_.height(), py + src.height());
  for (int yy = y0; yy < y1; ++yy) {
    QRgb* d = reinterpret_cast<QRgb*>(image_.scanLine(yy));
    const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(yy - py));
    for (int xx = x0; xx < x1; ++xx) {
      const uint32_t sv = s[xx - px] & 0xFFFFFF, dv = d[xx] & 0xFFFFFF;
      uint32_t r;
      switch (rop) {
        case kSrcPaint:
          r = sv | dv;
          break;
        case kSrcAnd:
          r = sv & dv;
          break;
        case kSrcInvert:
          r = sv ^ dv;
          break;
        case kSrcErase:
          r = sv & ~dv;
          break;
        case kNotSrcCopy:
          r = ~sv;
          break;
        case kAndNotSrc:
          r = ~sv & dv;
          break;
        default:
          throw RuntimeError(kErrInvalidCall);
      }
      d[xx] = 0xFF000000u | (r & 0xFFFFFF);
    }
  }
  update();
}

void PictureBox::Line(double x1, double y1, double x2, double y2, int32_t color) {
  const uint32_t rgb = ToRgb(color);
  int x = ToPx(x1), y = ToPx(y1);
  const int xe = ToPx(x2), ye = ToPx(y2);
  const int dx = std::abs(xe - x), dy = -std::abs(ye - y);
  const int sx = x < xe ? 1 : -1, sy = y < ye ? 1 : -1;
  int err = dx + dy;
  // Bresenham, stopping before the end point.
  while (x != xe || y != ye) {
    SetPixel(x, y, rgb);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  currentX_ = x2;
  currentY_ = y2;
  update();
}

void PictureBox::Box(double x1, double y1, double x2, double y2, int32_t color, bool filled) {
  const uint32_t rgb = ToRgb(color);
  int l = ToPx(x1), t = ToPx(y1), r = ToPx(x2), b = ToPx(y2);
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  const int cl = std::max(l, 0), ct = std::max(t, 0);
  const int cr = std::min(r, image_.width() - 1), cb = std::min(b, image_.height() - 1);
  for (int yy = ct; yy <= cb; ++yy) {
    if (filled || yy == t || yy == b) {
      for (int xx = cl; xx <= cr; ++xx) SetPixel(xx, yy, rgb);
    } else {
      SetPixel(l, yy, rgb);
      SetPixel(r, yy, rgb);
    }
  }
  currentX_ = x2;
  currentY_ = y2;
  update();
}

}  // namespace platform
