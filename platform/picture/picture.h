// The standard picture object: a bitmap with its size in HIMETRIC units (0.01 mm).
// Pixels never change after a picture is made; painting makes new pictures.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

inline constexpr int kPictureTypeNone = 0;
inline constexpr int kPictureTypeBitmap = 1;

class StdPicture {
 public:
  StdPicture() = default;  // the empty picture: handle 0
  // Format_Indexed8 (a transparent entry has alpha 0 and keeps its RGB) or a 32-bit format.
  explicit StdPicture(QImage image);

  uint64_t Handle() const { return handle_; }
  int Type() const { return handle_ ? kPictureTypeBitmap : kPictureTypeNone; }
  int32_t Width() const;   // HIMETRIC
  int32_t Height() const;  // HIMETRIC
  const QImage& Image() const { return image_; }

 private:
  QImage image_;
  uint64_t handle_ = 0;
};

// Null means "no picture".
using Picture = std::shared_ptr<StdPicture>;

// `picture` itself, or, when its indexed pixels equal `owner`'s, a picture with `picture`'s colours
// and settings whose pixels are `owner`'s, shared and read-only (a write copies them): a series
// that changes only colours then holds its pixels once.
Picture SharingPixels(const Picture& picture, const Picture& owner);

// "" gives an empty picture. GIF files keep their exact palette, indices and transparent index;
// BMP files go through our own reader (bmp_reader.h), JPEG and the rest through Qt. Indices past
// the colour table get black entries. Throws RuntimeError 53 (missing), 481 (unreadable,
// malformed) or 7 (no memory for the picture).
Picture LoadPicture(const std::string& path);

// Writes an uncompressed bottom-up Windows bitmap: indexed pictures at 8 bits with their whole
// palette, others at 24 bits with transparent areas flattened onto (254, 254, 254).
// Throws RuntimeError 481 for a null or empty picture, 75 when the file cannot be written.
void SavePicture(const Picture& picture, const std::string& path);

// Screen units: 96 dots per inch.
inline constexpr double kHimetricPerPixel = 2540.0 / 96.0;
inline constexpr int kTwipsPerPixel = 15;
int32_t PixelsToHimetric(int32_t pixels);
int32_t HimetricToPixels(int32_t himetric);

}  // namespace platform
