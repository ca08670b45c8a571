// Pixel buffers of deleted bitmaps, kept for the next bitmaps of the same size.
#pragma once

#include <QImage>
#include <cstddef>
#include <deque>

namespace platform {

// Pixel buffers of deleted bitmaps, kept for the next bitmaps of the same size: drawing code
// makes and deletes full-size bitmaps on every call, and fresh buffers of that size would come
// from the system each time, page by page. Bounded in count and bytes.
class ImagePool {
 public:
  void Keep(QImage&& image) {
    const qsizetype bytes = image.sizeInBytes();
    if (image.isNull() || !image.isDetached() || bytes > kMaxBytes) return;
    while (!images_.empty() && (images_.size() >= kMaxCount || bytes_ + bytes > kMaxBytes)) {
      bytes_ -= images_.front().sizeInBytes();
      images_.pop_front();
    }
    bytes_ += bytes;
    images_.push_back(std::move(image));
  }
  QImage Take(int width, int height) {
    for (auto it = images_.begin(); it != images_.end(); ++it) {
      if (it->width() == width && it->height() == height) {
        QImage image = std::move(*it);
        images_.erase(it);
        bytes_ -= image.sizeInBytes();
        return image;
      }
    }
    return QImage(width, height, QImage::Format_RGB32);
  }

 private:
  static constexpr size_t kMaxCount = 4;
  static constexpr qsizetype kMaxBytes = 64 << 20;
  std::deque<QImage> images_;
  qsizetype bytes_ = 0;
};

// The pool the device contexts share; callers hold the device contexts' lock.
ImagePool& RecycledImages();

}  // namespace platform
