// Device contexts, bitmaps and palettes behind 32-bit handles, and BitBlt between them.
//
// Every object lives in one handle table; a handle that was released, deleted or never handed out
// is refused (0, false or kClrInvalid) and never dereferenced. The table is guarded by one lock, so
// a test thread may use it beside the GUI thread; window contexts touch widgets and belong to the
// GUI thread.
//
// Kinds of context:
// - screen (GetDC(nullptr)): the reference for compatible contexts and bitmaps; BitBlt reads the
//   primary screen from it and refuses to draw on it.
// - memory (CreateCompatibleDC): draws into the bitmap selected into it, at first a 1 x 1
//   monochrome stock bitmap as the platform does.
// - window (GetDC(widget)): what a control shows. For a PictureBox that is its persistent image
//   with its visible child controls painted over it (as the user sees them); drawing goes into the
//   persistent image, so it stays and can be read back or saved, and the box repaints. Its
//   coordinates are those of the persistent image, (0, 0) just inside the border. For any
//   other widget BitBlt reads a grab of the widget and refuses to draw, since nothing would keep
//   the drawing.
// - image (GetImageDC): a picture box's own context, its persistent image alone without the
//   controls inside it; what is drawn stays, as on a window context.
#pragma once

#include <QImage>
#include <cstdint>

#include "platform/gdi/halftone.h"
#include "platform/gdi/raster.h"

class QWidget;

namespace platform {

class PictureBox;

using Hdc = uint32_t;
using HBitmap = uint32_t;
using HPalette = uint32_t;
using HGdiObj = uint32_t;

inline constexpr uint32_t kClrInvalid = 0xFFFFFFFF;
inline constexpr uint32_t kGdiError = 0xFFFFFFFF;
// Results of OleTranslateColor.
inline constexpr int32_t kSOk = 0;
inline constexpr int32_t kEInvalidArg = static_cast<int32_t>(0x80070057);

// Contexts.
Hdc GetDC(QWidget* window);  // null: the screen
// The context of a picture box's persistent image (PictureBox::hDC keeps one per box).
Hdc GetImageDC(PictureBox* box);
// 1 when `dc` was obtained with GetDC or GetImageDC for this same window, 0 otherwise.
int ReleaseDC(QWidget* window, Hdc dc);
Hdc CreateCompatibleDC(Hdc dc);  // 0: compatible with the screen
// Frees a memory context; its selected bitmap is let go of, not deleted.
bool DeleteDC(Hdc dc);

// Bitmaps. A bitmap compatible with a memory context has the format of the bitmap selected into
// it (so monochrome for a fresh memory context); one compatible with a screen or window context
// is colour. New bitmaps are black (all bits 0).
HBitmap CreateCompatibleBitmap(Hdc dc, int width, int height);
// Planes 1 and 1 bit per pixel make a monochrome bitmap, 1 and 32 a colour one; anything else is
// refused. `bits`, when not null, holds the rows from the top, each padded to 16 bits: monochrome
// rows with the leftmost pixel in the top bit, colour rows as blue, green, red, unused bytes.
HBitmap CreateBitmap(int width, int height, unsigned planes, unsigned bitsPerPixel,
                     const void* bits);
// A colour bitmap holding a copy of `image`; 0 for a null image.
HBitmap CreateBitmapFromImage(const QImage& image);
// A copy of a bitmap's pixels (RGB32; monochrome ones black and white); null for a bad handle.
QImage BitmapImage(HBitmap bitmap);

// Selects a bitmap into a memory context and returns the one selected before; 0 when the context
// is not a memory context, the handle is not a bitmap or the bitmap is selected into another
// context. Palettes go through SelectPalette.
HGdiObj SelectObject(Hdc dc, HGdiObj object);
// A bitmap that is selected into a context, and stock objects, are not deleted (false).
bool DeleteObject(HGdiObj object);

// Palettes. Colour surfaces keep true colours, so selecting and realising a palette changes no
// pixel; the palette serves OleTranslateColor and GetNearestPaletteIndex.
HPalette CreateHalftonePalette(Hdc dc);
HPalette SelectPalette(Hdc dc, HPalette palette, bool forceBackground);  // the previous one
unsigned RealizePalette(Hdc dc);  // entries mapped, kGdiError on failure
unsigned GetPaletteEntries(HPalette palette, unsigned start, unsigned count, PaletteEntry* out);
unsigned GetNearestPaletteIndex(HPalette palette, uint32_t color);  // kClrInvalid on failure

// Colours of a context, as colour values (red in the lowest byte); both return the previous
// colour, or kClrInvalid for a bad handle. A new context has a white background, black text.
uint32_t SetBkColor(Hdc dc, uint32_t color);
uint32_t SetTextColor(Hdc dc, uint32_t color);
uint32_t GetBkColor(Hdc dc);
uint32_t GetTextColor(Hdc dc);
// The colour of one pixel; kClrInvalid outside the surface or for a bad handle.
uint32_t GetPixel(Hdc dc, int x, int y);

// Copies w x h pixels from (sx, sy) of `src` to (x, y) of `dst` with one of the raster operations
// of raster.h, converting between colour and monochrome as RasterBlit describes. The rectangle is
// clipped to both surfaces. False for bad handles, an unknown rop, negative sizes or a surface
// that cannot be drawn on.
bool BitBlt(Hdc dst, int x, int y, int w, int h, Hdc src, int sx, int sy, uint32_t rop);

// A colour value to an RGB value: system colours (high byte 0x80) through the system colour
// table, palette indices (high byte 0x01) through `palette`, plain RGB values (high byte 0x00,
// or 0x02 for palette-relative ones) as their low three bytes. kEInvalidArg for anything else or
// for a palette index that the palette does not have.
int32_t OleTranslateColor(int32_t color, HPalette palette, uint32_t* rgb);

}  // namespace platform
