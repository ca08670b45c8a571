// The picture box: a container control that shows a picture and keeps a persistent image of
// everything drawn on it, so that what is drawn can be read back as a new picture.
#pragma once

#include <QImage>
#include <QPoint>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/font/font.h"
#include "platform/forms/control.h"
#include "platform/picture/picture.h"

namespace platform {

// Raster operations of PaintPicture: the result from source S and destination D.
inline constexpr uint32_t kSrcCopy = 0x00CC0020;     // S
inline constexpr uint32_t kSrcPaint = 0x00EE0086;    // S | D
inline constexpr uint32_t kSrcAnd = 0x008800C6;      // S & D
inline constexpr uint32_t kSrcInvert = 0x00660046;   // S ^ D
inline constexpr uint32_t kSrcErase = 0x00440328;    // S & ~D
inline constexpr uint32_t kNotSrcCopy = 0x00330008;  // ~S
inline constexpr uint32_t kAndNotSrc = 0x00220326;   // ~S & D

// Default colours: the system's button face behind, button text in front.
inline constexpr int32_t kDefaultBackColor = static_cast<int32_t>(0x8000000F);
inline constexpr int32_t kDefaultForeColor = static_cast<int32_t>(0x80000012);

class PictureBox : public ControlOf<QWidget> {
 public:
  explicit PictureBox(QWidget* parent = nullptr);

  ~PictureBox() override;

  bool IsContainer() const override { return true; }
  int ChildScaleMode() const override { return scaleMode_; }
  QPoint ClientOrigin() const override { return {BorderPixels(), BorderPixels()}; }

  // Mouse handlers: button (1 left, 2 right, 4 middle), shift state (1 shift, 2 ctrl, 4 alt)
  // and position in the box's scale, from its first inner pixel.
  using MouseHandler = std::function<void(int button, int shift, double x, double y)>;
  MouseHandler onMouseDown, onMouseMove, onMouseUp;
  // The mouse pointer over the box: 0 default, 1 arrow, 2 cross, 3 I-beam, 7 north-south,
  // 9 west-east, 11 hourglass; other values are refused with 380.
  int MousePointer() const { return mousePointer_; }
  void SetMousePointer(int pointer);

  // The box's own device context: its persistent image alone, without the controls inside it,
  // read and written by BitBlt. It lives as long as the box and is not released by the caller.
  uint32_t hDC();
  // Shows what was drawn into the persistent image.
  void Refresh() { update(); }

  // The assigned picture (null when none). Assigning one repaints the image: the background
  // colour, then the picture at the top left (transparent pixels show the background); with
  // automatic sizing on, the box first takes the picture's size.
  const Picture& GetPicture() const { return picture_; }
  void SetPicture(const Picture& picture);
  // True while the image is the assigned picture over the background with nothing drawn since:
  // assigning the picture again would give the same pixels.
  bool ShowsPictureOnly() const;
  // The persistent image (picture plus everything drawn since) as a new 32-bit picture; an
  // empty picture when the box has no inner area.
  Picture Image() const;
  const QImage& ImageData() const { return image_; }
  // The persistent image for drawing from outside (device contexts); the drawer calls update()
  // afterwards so that the box shows what was drawn.
  QImage& ImageDataForDrawing() { return image_; }

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool on);
  int32_t BackColor() const { return backColor_; }
  // The colour of area that a resize uncovers and of a box without picture; what is already
  // drawn stays.
  void SetBackColor(int32_t color) { backColor_ = color; }
  int32_t ForeColor() const { return foreColor_; }
  void SetForeColor(int32_t color) { foreColor_ = color; }
  int Appearance() const { return appearance_; }  // 0 flat, 1 three-dimensional
  void SetAppearance(int appearance);
  int BorderStyle() const { return borderStyle_; }  // 0 none, 1 fixed single
  void SetBorderStyle(int style);
  int ScaleMode() const { return scaleMode_; }
  void SetScaleMode(int mode);

  // Inner area in pixels (the persistent image's size).
  int ScaleWidthPixels() const { return image_.width(); }
  int ScaleHeightPixels() const { return image_.height(); }
  // Sets the outer size in pixels.
  void ResizePixels(int width, int height);

  // Coordinates below are in the box's scale. The colour of one pixel, -1 outside the image.
  int32_t Point(double x, double y) const;
  // Paints a picture with its top-left corner at (x, y). kSrcCopy lets transparent pixels show
  // what is below; the other raster operations combine the picture's true colours bit by bit.
  void PaintPicture(const Picture& picture, double x, double y, uint32_t rop = kSrcCopy);
  // A line from (x1, y1) to (x2, y2), the last point not drawn.
  void Line(double x1, double y1, double x2, double y2, int32_t color);
  // A rectangle with corners (x1, y1) and (x2, y2), both included; outline or filled.
  void Box(double x1, double y1, double x2, double y2, int32_t color, bool filled);
  // Clears the image to the background colour and the picture.
  void Cls();

  const Font& GetFont() const { return font_; }
  void SetFont(const Font& font);
  double CurrentX() const { return currentX_; }
  double CurrentY() const { return currentY_; }
  void SetCurrentX(double x) { currentX_ = x; }
  void SetCurrentY(double y) { currentY_ = y; }
  // Prints glyphs only, never anti-aliased, in the foreground colour with the text's top-left
  // corner at the print position; then moves the position to the start of the next line.
  void Print(const std::string& text);
  // The pixels of printing `text` at (x + dx, y + dy) for every offset, in the foreground
  // colour, computed from one rendering of the text.
  void PrintAtOffsets(const std::string& text, double x, double y,
                      const std::vector<QPoint>& offsets);
  // Size of a string in the current font, in the box's scale.
  double TextWidth(const std::string& text) const;
  double TextHeight(const std::string& text) const;

 protected:
  void OnResize() override { SyncImage(); }
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int BorderPixels() const;
  int ToPx(double value) const { return ScaleToPixels(value, scaleMode_); }
  double FromPx(int value) const { return PixelsToScale(value, scaleMode_); }
  // Keeps the image at the inner size: content stays, new area shows the background colour.
  void SyncImage();
  void Repaint();
  void SetPixel(int x, int y, uint32_t rgb);

  Picture picture_;
  QImage image_;
  // The image's cache key when it last showed the picture alone; every drawing changes the key.
  qint64 pictureShownKey_ = 0;
  bool autoSize_ = false;
  int32_t backColor_ = kDefaultBackColor;
  int32_t foreColor_ = kDefaultForeColor;
  int appearance_ = 1;
  int borderStyle_ = 1;
  int scaleMode_ = kScaleTwips;
  int mousePointer_ = 0;
  uint32_t hdc_ = 0;
  Font font_;
  double currentX_ = 0;
  double currentY_ = 0;
};

}  // namespace platform
