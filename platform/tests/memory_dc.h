// A memory device context holding a copy of a picture, for tests that draw through the GDI calls.
#pragma once

#include <QImage>

#include "platform/gdi/device_context.h"

namespace platform::testing {

// Selects a bitmap made from `image` into a new memory context; both are freed with the object.
struct MemoryDc {
  explicit MemoryDc(const QImage& image) {
    bitmap = CreateBitmapFromImage(image);
    dc = CreateCompatibleDC(0);
    old = SelectObject(dc, bitmap);
  }
  ~MemoryDc() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  QImage Image() const { return BitmapImage(bitmap); }
  HBitmap bitmap;
  Hdc dc;
  HGdiObj old;
};

}  // namespace platform::testing
