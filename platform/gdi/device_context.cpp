#include "platform/gdi/device_context.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstddef>
#include <mutex>
#include <variant>
#include <vector>

#include "platform/forms/picture_box.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/image_pool.h"
#include "platform/gdi/sys_colors.h"

namespace platform {

namespace {

struct Bitmap {
  QImage image;  // RGB32; monochrome bitmaps hold only black and white
  bool mono = false;
  bool stock = false;
  Hdc selectedIn = 0;
  // A new bitmap is black, but is not filled until something reads it or draws only part of it:
  // the transparent drawing overwrites each of its bitmaps whole with its first copy.
  bool unpainted = false;
};

void Paint(Bitmap& b) {
  if (!b.unpainted) return;
  b.image.fill(0xFF000000u);
  b.unpainted = false;
}

struct Palette {
  std::vector<PaletteEntry> entries;
  bool halftone = false;
};

// kImage: a picture box's own context, over its persistent image alone.
enum class DcKind { kScreen, kMemory, kWindow, kImage };

struct Dc {
  DcKind kind = DcKind::kMemory;
  QPointer<QWidget> window;        // window contexts; nulled when the widget goes away
  const void* windowId = nullptr;  // the window it was got for, only compared, so that
                                   // ReleaseDC still frees it after the widget is gone
  HBitmap bitmap = 0;              // memory contexts
  HPalette palette = 0;
  uint32_t backColor = 0xFFFFFF;
  uint32_t textColor = 0;
};

using Object = std::variant<std::monostate, Dc, Bitmap, Palette>;

using HandleTable = GdiHandleTable<Object>;

// Recursive: reading a window context paints widgets, and a widget's painting may itself use
// device contexts.
std::recursive_mutex& Lock() {
  static std::recursive_mutex m;
  return m;
}

HandleTable& Table() {
  static HandleTable table;
  return table;
}

// All bits 0: black for both kinds.
QImage BlankImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(0xFF000000u);
  return image;
}

// A memory context starts with this selected; every memory context shares it.
HBitmap StockBitmap() {
  static const HBitmap stock = [] {
    Bitmap b{BlankImage(1, 1), true, true, 0};
    return Table().Add(std::move(b));
  }();
  return stock;
}

// A view of one context's surface for a BitBlt. `hold` keeps a read-only snapshot alive.
struct Surface {
  QImage* image = nullptr;
  Bitmap* bitmap = nullptr;  // memory contexts, while writing
  QImage hold;
  bool mono = false;
  bool writable = false;
  PictureBox* box = nullptr;  // repainted after drawing
};

// What a picture box shows: its persistent image and, over it, its visible child controls.
QImage ShownByPictureBox(PictureBox* box) {
  const QImage& image = box->ImageData();
  bool children = false;
  for (QObject* o : box->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w && w->isVisibleTo(box)) children = true;
  }
  if (!children) return image;
  QImage shown = image.copy();
  const QPoint inner((box->width() - image.width()) / 2, (box->height() - image.height()) / 2);
  QPainter p(&shown);
  for (QObject* o : box->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w && w->isVisibleTo(box)) w->render(&p, w->pos() - inner, QRegion(), QWidget::DrawChildren);
  }
  p.end();
  return shown;
}

bool SurfaceOf(Dc& dc, bool forWriting, Surface& out) {
  switch (dc.kind) {
    case DcKind::kMemory: {
      Bitmap* b = Table().Get<Bitmap>(dc.bitmap);
      if (!b) return false;
      if (forWriting)
        out.bitmap = b;
      else
        Paint(*b);
      out.image = &b->image;
      out.mono = b->mono;
      out.writable = !b->stock;
      return true;
    }
    case DcKind::kImage: {
      auto* box = dynamic_cast<PictureBox*>(dc.window.data());
      if (!box) return false;
      out.image = &box->ImageDataForDrawing();
      if (forWriting) out.box = box;
      out.writable = true;
      return true;
    }
    case DcKind::kWindow: {
      if (!dc.window) return false;
      if (auto* box = dynamic_cast<PictureBox*>(dc.window.data())) {
        if (forWriting) {
          out.image = &box->ImageDataForDrawing();
          out.box = box;
          out.writable = true;
        } else {
          out.hold = ShownByPictureBox(box);
          out.image = &out.hold;
        }
        return true;
      }
      if (forWriting) return false;
      out.hold = dc.window->grab().toImage().convertToFormat(QImage::Format_RGB32);
      out.image = &out.hold;
      return true;
    }
    case DcKind::kScreen: {
      if (forWriting) return false;
      QScreen* screen = QGuiApplication::primaryScreen();
      if (!screen) return false;
      out.hold = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
      out.image = &out.hold;
      return true;
    }
  }
  return false;
}

// Sources are read through constBits, so that reading an image shared with a control or a
// caller never copies it.
RasterView ViewAt(QImage& image, bool forWriting, bool mono, const Dc& dc, int x, int y) {
  RasterView v;
  v.stride = static_cast<int>(image.bytesPerLine() / 4);
  uint32_t* bits =
      forWriting ? reinterpret_cast<uint32_t*>(image.bits())
                 : const_cast<uint32_t*>(reinterpret_cast<const uint32_t*>(image.constBits()));
  v.bits = bits + static_cast<ptrdiff_t>(y) * v.stride + x;
  v.mono = mono;
  v.backColor = dc.backColor;
  v.textColor = dc.textColor;
  return v;
}

// The format of bitmaps compatible with a context: that of its selected bitmap for a memory
// context, colour otherwise.
bool CompatibleIsMono(const Dc& dc) {
  if (dc.kind != DcKind::kMemory) return false;
  const Bitmap* b = Table().Get<Bitmap>(dc.bitmap);
  return b && b->mono;
}

HBitmap AddBitmap(int width, int height, bool mono) {
  if (width < 0 || height < 0) return 0;
  // A 0 x 0 request gives a 1 x 1 monochrome bitmap, as the platform's stock one.
  if (width == 0 || height == 0) return Table().Add(Bitmap{BlankImage(1, 1), true});
  QImage image = RecycledImages().Take(width, height);
  if (image.isNull()) return 0;
  Bitmap b{std::move(image), mono};
  b.unpainted = true;
  return Table().Add(std::move(b));
}

uint32_t SetColor(Hdc handle, uint32_t color, uint32_t Dc::*field) {
  std::lock_guard lock(Lock());
  Dc* dc = Table().Get<Dc>(handle);
  if (!dc) return kClrInvalid;
  const uint32_t old = dc->*field;
  dc->*field = color & 0xFFFFFF;
  return old;
}

}  // namespace

Hdc GetDC(QWidget* window) {
  std::lock_guard lock(Lock());
  Dc dc;
  dc.kind = window ? DcKind::kWindow : DcKind::kScreen;
  dc.window = window;
  dc.windowId = window;
  return Table().Add(std::move(dc));
}

Hdc GetImageDC(PictureBox* box) {
  if (!box) return 0;
  std::lock_guard lock(Lock());
  Dc dc;
  dc.kind = DcKind::kImage;
  dc.window = box;
  dc.windowId = static_cast<QWidget*>(box);
  return Table().Add(std::move(dc));
}

int ReleaseDC(QWidget* window, Hdc handle) {
  std::lock_guard lock(Lock());
  Dc* dc = Table().Get<Dc>(handle);
  if (!dc || dc->kind == DcKind::kMemory) return 0;
  if (dc->windowId != window) return 0;
  Table().Remove(handle);
  return 1;
}

Hdc CreateCompatibleDC(Hdc reference) {
  std::lock_guard lock(Lock());
  if (reference != 0 && !Table().Get<Dc>(reference)) return 0;
  const HBitmap stock = StockBitmap();
  Dc dc;
  dc.kind = DcKind::kMemory;
  dc.bitmap = stock;
  return Table().Add(std::move(dc));
}

bool DeleteDC(Hdc handle) {
  std::lock_guard lock(Lock());
  Dc* dc = Table().Get<Dc>(handle);
  if (!dc || dc->kind != DcKind::kMemory) return false;
  if (Bitmap* b = Table().Get<Bitmap>(dc->bitmap); b && !b->stock) b->selectedIn = 0;
  return Table().Remove(handle);
}

HBitmap CreateCompatibleBitmap(Hdc handle, int width, int height) {
  std::lock_guard lock(Lock());
  Dc* dc = Table().Get<Dc>(handle);
  if (!dc) return 0;
  return AddBitmap(width, height, CompatibleIsMono(*dc));
}

HBitmap CreateBitmap(int width, int height, unsigned planes, unsigned bitsPerPixel,
                     const void* bits) {
  if (planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32)) return 0;
  const bool mono = bitsPerPixel == 1;
  std::lock_guard lock(Lock());
  const HBitmap handle = AddBitmap(width, height, mono);
  Bitmap* b = Table().Get<Bitmap>(handle);
  if (!b || !bits || width == 0 || height == 0) return handle;
  b->unpainted = false;
  const auto* bytes = static_cast<const uint8_t*>(bits);
  // Rows are padded to 16 bits; monochrome rows hold the leftmost pixel in the top bit.
  const int rowBytes = mono ? (width + 15) / 16 * 2 : width * 4;
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(b->image.scanLine(y));
    const uint8_t* in = bytes + static_cast<ptrdiff_t>(y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      if (mono) {
        row[x] = (in[x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFFFFu : 0xFF000000u;
      } else {
        const uint8_t* p = in + x * 4;  // blue, green, red, unused
        row[x] = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
      }
    }
  }
  return handle;
}

HBitmap CreateBitmapFromImage(const QImage& image) {
  if (image.isNull()) return 0;
  QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  std::lock_guard lock(Lock());
  return Table().Add(Bitmap{std::move(rgb), false});
}

QImage BitmapImage(HBitmap handle) {
  std::lock_guard lock(Lock());
  Bitmap* b = Table().Get<Bitmap>(handle);
  if (!b) return QImage();
  Paint(*b);
  return b->image.copy();
}

HGdiObj SelectObject(Hdc handle, HGdiObj object) {
  std::lock_guard lock(Lock());
  Dc* dc = Table().Get<Dc>(handle);
  Bitmap* b = Table().Get<Bitmap>(object);
  if (!dc || !b || dc->kind != DcKind::kMemory) return 0;
  if (object == dc->bitmap) return object;
  if (!b->stock && b->selectedIn != 0) return 0;
  const HBitmap previous = dc->bitmap;
  if (Bitmap* old = Table().Get<Bitmap>(previous); old && !old->stock) old->selectedIn = 0;
  if (!b->stock) b->selectedIn = handle;
  dc->bitmap = object;
  return previous;
}

bool DeleteObject(HGdiObj object) {
  std::lock_guard lock(Lock());
  if (Bitmap* b = Table().Get<Bitmap>(object)) {
    if (b->stock || b->selectedIn != 0) return false;
    RecycledImages().Keep(std::move(b->image));
    return Table().Remove(object);
  }
  if (Table().Get<Palette>(object)) return Table().Remove(object);
  return false;
}

HPalette CreateHalftonePalette(Hdc handle) {
  std::lock_guard lock(Lock());
  if (handle != 0 && !Table().Get<Dc>(handle)) return 0;
  const auto& halftone = HalftonePalette();
  return Table().Add(Palette{{halftone.begin(), halftone.end()}, true});
}

HPalette SelectPalette(Hdc handle, HPalette palette, bool /*forceBackground*/) {
  std::lock_guard lock(Lock());
  Dc* dc = Table().Get<Dc>(handle);
  if (!dc || !Table().Get<Palette>(palette)) return 0;
  const HPalette previous = dc->palette;
  dc->palette = palette;
  return previous;
}

unsigned RealizePalette(Hdc handle) {
  std::lock_guard lock(Lock());
  Dc* dc = Table().Get<Dc>(handle);
  if (!dc) return kGdiError;
  const Palette* p = Table().Get<Palette>(dc->palette);
  return p ? static_cast<unsigned>(p->entries.size()) : 0;
}

unsigned GetPaletteEntries(HPalette handle, unsigned start, unsigned count, PaletteEntry* out) {
  std::lock_guard lock(Lock());
  const Palette* p = Table().Get<Palette>(handle);
  if (!p || start >= p->entries.size()) return 0;
  const unsigned n = std::min<unsigned>(count, static_cast<unsigned>(p->entries.size()) - start);
  if (out) std::copy_n(p->entries.begin() + start, n, out);
  return n;
}

unsigned GetNearestPaletteIndex(HPalette handle, uint32_t color) {
  std::lock_guard lock(Lock());
  const Palette* p = Table().Get<Palette>(handle);
  if (!p || p->entries.empty()) return kClrInvalid;
  const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  if (p->halftone) return NearestHalftoneIndex(r, g, b);
  unsigned best = 0;
  int bestDistance = -1;
  for (unsigned i = 0; i < p->entries.size(); ++i) {
    const auto& e = p->entries[i];
    const int dr = r - e.red, dg = g - e.green, db = b - e.blue;
    const int d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) best = i, bestDistance = d;
  }
  return best;
}

uint32_t SetBkColor(Hdc dc, uint32_t color) {
  return SetColor(dc, color, &Dc::backColor);
}
uint32_t SetTextColor(Hdc dc, uint32_t color) {
  return SetColor(dc, color, &Dc::textColor);
}

uint32_t GetBkColor(Hdc handle) {
  std::lock_guard lock(Lock());
  const Dc* dc = Table().Get<Dc>(handle);
  return dc ? dc->backColor : kClrInvalid;
}

uint32_t GetTextColor(Hdc handle) {
  std::lock_guard lock(Lock());
  const Dc* dc = Table().Get<Dc>(handle);
  return dc ? dc->textColor : kClrInvalid;
}

uint32_t GetPixel(Hdc handle, int x, int y) {
  std::lock_guard lock(Lock());
  Dc* dc = Table().Get<Dc>(handle);
  Surface s;
  if (!dc || !SurfaceOf(*dc, false, s)) return kClrInvalid;
  if (x < 0 || y < 0 || x >= s.image->width() || y >= s.image->height()) return kClrInvalid;
  return PixelToColor(reinterpret_cast<const uint32_t*>(s.image->constScanLine(y))[x]);
}

bool BitBlt(Hdc dstHandle, int x, int y, int w, int h, Hdc srcHandle, int sx, int sy,
            uint32_t rop) {
  if (w < 0 || h < 0 || !IsSupportedRop(rop)) return false;
  std::lock_guard lock(Lock());
  Dc* dstDc = Table().Get<Dc>(dstHandle);
  Dc* srcDc = Table().Get<Dc>(srcHandle);
  if (!dstDc || !srcDc) return false;
  Surface dst, src;
  if (!SurfaceOf(*dstDc, true, dst) || !dst.writable) return false;
  if (!SurfaceOf(*srcDc, false, src)) return false;

  // Clip: moving one rectangle's edge moves the other's with it.
  if (sx < 0) x -= sx, w += sx, sx = 0;
  if (sy < 0) y -= sy, h += sy, sy = 0;
  if (x < 0) sx -= x, w += x, x = 0;
  if (y < 0) sy -= y, h += y, y = 0;
  w = std::min({w, src.image->width() - sx, dst.image->width() - x});
  h = std::min({h, src.image->height() - sy, dst.image->height() - y});
  if (w <= 0 || h <= 0) return true;
  if (dst.bitmap && dst.bitmap->unpainted) {
    const bool whole = rop == kRopSrcCopy && x == 0 && y == 0 && w == dst.image->width() &&
                       h == dst.image->height();
    if (whole)
      dst.bitmap->unpainted = false;
    else
      Paint(*dst.bitmap);
  }

  // A copy within one surface reads from a snapshot, so that no pixel is read after it was
  // written.
  if (src.image == dst.image) {
    src.hold = src.image->copy(sx, sy, w, h);
    src.image = &src.hold;
    sx = sy = 0;
  }
  const RasterView d = ViewAt(*dst.image, true, dst.mono, *dstDc, x, y);
  const RasterView s = ViewAt(*src.image, false, src.mono, *srcDc, sx, sy);
  RasterBlit(d, s, w, h, rop);
  if (dst.box) dst.box->update();
  return true;
}

int32_t OleTranslateColor(int32_t color, HPalette palette, uint32_t* rgb) {
  const uint32_t value = static_cast<uint32_t>(color);
  uint32_t result;
  switch (value >> 24) {
    case 0x80:
      if ((value & 0xFFFFFF) >= static_cast<uint32_t>(kSysColorCount)) return kEInvalidArg;
      result = static_cast<uint32_t>(TranslateColor(color));
      break;
    case 0x01: {
      std::lock_guard lock(Lock());
      const Palette* p = Table().Get<Palette>(palette);
      const uint32_t index = value & 0xFFFF;
      if (!p || index >= p->entries.size()) return kEInvalidArg;
      const auto& e = p->entries[index];
      result = e.red | (e.green << 8) | (e.blue << 16);
      break;
    }
    case 0x00:
    case 0x02:
      result = value & 0xFFFFFF;
      break;
    default:
      return kEInvalidArg;
  }
  if (rgb) *rgb = result;
  return kSOk;
}

}  // namespace platform
