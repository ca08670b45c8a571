#include <gtest/gtest.h>

#include <QLabel>
#include <memory>

#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/picture_box.h"
#include "platform/gdi/device_context.h"

namespace platform {
namespace {

constexpr uint32_t kBack = 0x1E140A;  // the box's background: red 10, green 20, blue 30

QImage Filled(int w, int h, QRgb rgb) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(rgb);
  return image;
}

class WindowDcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    box_ = &form_.GetControls().Add<PictureBox>("Surface");
    box_->SetScaleMode(kScalePixels);
    box_->SetBorderStyle(0);
    box_->SetBackColor(static_cast<int32_t>(kBack));
    box_->ResizePixels(6, 4);
    box_->Cls();
    // A memory context with a 3 x 2 bitmap of distinct colours.
    QImage piece(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) piece.setPixel(x, y, qRgb(100 + x, 50 + y, 7));
    bitmap_ = CreateBitmapFromImage(piece);
    mem_ = CreateCompatibleDC(0);
    old_ = SelectObject(mem_, bitmap_);
  }
  void TearDown() override {
    SelectObject(mem_, old_);
    DeleteDC(mem_);
    DeleteObject(bitmap_);
  }

  Form form_;
  PictureBox* box_ = nullptr;
  HBitmap bitmap_ = 0;
  Hdc mem_ = 0;
  HGdiObj old_ = 0;
};

TEST_F(WindowDcTest, DrawingGoesIntoThePersistentImage) {
  const Hdc dc = GetDC(box_);
  ASSERT_NE(dc, 0u);
  ASSERT_TRUE(BitBlt(dc, 2, 1, 3, 2, mem_, 0, 0, kRopSrcCopy));
  const QImage& image = box_->ImageData();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
      const QRgb want = inside ? qRgb(100 + x - 2, 50 + y - 1, 7) : ColorToPixel(kBack);
      EXPECT_EQ(image.pixel(x, y), want) << x << "," << y;
    }
  // What was drawn belongs to the box's image: its own reading and a saved picture show it.
  EXPECT_EQ(box_->Point(2, 1), 100 | (50 << 8) | (7 << 16));
  EXPECT_EQ(box_->Image()->Image().pixel(4, 2), qRgb(102, 51, 7));
  EXPECT_EQ(ReleaseDC(box_, dc), 1);
}

TEST_F(WindowDcTest, CoordinatesStartInsideTheBorder) {
  box_->SetBorderStyle(1);
  box_->ResizePixels(10, 8);
  box_->Cls();
  const Hdc dc = GetDC(box_);
  ASSERT_TRUE(BitBlt(dc, 0, 0, 1, 1, mem_, 0, 0, kRopSrcCopy));
  EXPECT_EQ(box_->ImageData().pixel(0, 0), qRgb(100, 50, 7));
  EXPECT_EQ(GetPixel(dc, 0, 0), 100u | (50u << 8) | (7u << 16));
  EXPECT_EQ(GetPixel(dc, box_->ScaleWidthPixels(), 0), kClrInvalid);
  EXPECT_EQ(ReleaseDC(box_, dc), 1);
}

TEST_F(WindowDcTest, ReadingGivesWhatTheBoxHolds) {
  box_->Line(0, 0, 3, 0, 0x0000FF);  // red along the top row, last point not drawn
  const Hdc dc = GetDC(box_);
  EXPECT_EQ(GetPixel(dc, 0, 0), 0x0000FFu);
  EXPECT_EQ(GetPixel(dc, 3, 0), kBack);
  EXPECT_EQ(GetPixel(dc, 6, 0), kClrInvalid);
  ASSERT_TRUE(BitBlt(mem_, 0, 0, 3, 2, dc, 1, 0, kRopSrcCopy));
  const QImage read = BitmapImage(bitmap_);
  EXPECT_EQ(read.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(read.pixel(1, 0), qRgb(255, 0, 0));
  EXPECT_EQ(read.pixel(2, 0), ColorToPixel(kBack));
  EXPECT_EQ(read.pixel(0, 1), ColorToPixel(kBack));
  EXPECT_EQ(ReleaseDC(box_, dc), 1);
}

TEST_F(WindowDcTest, ReadingShowsChildControlsOverTheImage) {
  auto& image = form_.GetControls().Add<ImageControl>("Piece", box_);
  image.SetPicture(std::make_shared<StdPicture>(Filled(2, 1, qRgb(0, 200, 0))));
  image.Widget()->move(3, 2);
  image.SetVisible(true);
  const Hdc dc = GetDC(box_);
  EXPECT_EQ(GetPixel(dc, 3, 2), 0x00C800u);
  EXPECT_EQ(GetPixel(dc, 4, 2), 0x00C800u);
  EXPECT_EQ(GetPixel(dc, 5, 2), kBack);
  EXPECT_EQ(GetPixel(dc, 3, 1), kBack);
  // The persistent image itself is untouched by the child.
  EXPECT_EQ(box_->ImageData().pixel(3, 2), ColorToPixel(kBack));
  image.SetVisible(false);
  EXPECT_EQ(GetPixel(dc, 3, 2), kBack);
  EXPECT_EQ(ReleaseDC(box_, dc), 1);
}

TEST_F(WindowDcTest, TheBoxsOwnContextHoldsTheImageWithoutTheControlsInside) {
  box_->SetBorderStyle(1);  // the child is measured from inside the border, as the contexts are
  box_->ResizePixels(12, 10);
  box_->Cls();
  auto& image = form_.GetControls().Add<ImageControl>("Piece", box_);
  image.SetPicture(std::make_shared<StdPicture>(Filled(2, 1, qRgb(0, 200, 0))));
  image.Move(3, 2, 2, 1);
  image.SetVisible(true);
  const Hdc window = GetDC(box_);
  EXPECT_EQ(GetPixel(window, 3, 2), 0x00C800u) << "the window shows the child at its Left, Top";
  EXPECT_EQ(GetPixel(box_->hDC(), 3, 2), kBack) << "the box's own context does not";
  // Drawing through the box's context stays in the image; the context lives with the box.
  ASSERT_TRUE(BitBlt(box_->hDC(), 0, 0, 3, 2, mem_, 0, 0, kRopSrcCopy));
  EXPECT_EQ(box_->ImageData().pixel(1, 1), qRgb(101, 51, 7));
  EXPECT_EQ(box_->hDC(), box_->hDC());
  EXPECT_EQ(ReleaseDC(box_, window), 1);
  auto* loose = new PictureBox;
  const Hdc own = loose->hDC();
  EXPECT_NE(GetPixel(own, 0, 0), kClrInvalid);
  delete loose;
  EXPECT_EQ(GetPixel(own, 0, 0), kClrInvalid) << "released with the box";
}

TEST_F(WindowDcTest, CopyWithinTheBoxReadsTheOriginal) {
  box_->Line(0, 0, 2, 0, 0x00FF00);
  const Hdc dc = GetDC(box_);
  ASSERT_TRUE(BitBlt(dc, 1, 0, 3, 1, dc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(GetPixel(dc, 0, 0), 0x00FF00u);
  EXPECT_EQ(GetPixel(dc, 1, 0), 0x00FF00u);
  EXPECT_EQ(GetPixel(dc, 2, 0), 0x00FF00u);
  EXPECT_EQ(GetPixel(dc, 3, 0), kBack);
  EXPECT_EQ(ReleaseDC(box_, dc), 1);
}

TEST_F(WindowDcTest, ReleaseNeedsTheSameWindowAndThenRefusesTheContext) {
  PictureBox& other = form_.GetControls().Add<PictureBox>("Other");
  const Hdc dc = GetDC(box_);
  EXPECT_EQ(ReleaseDC(&other, dc), 0);
  EXPECT_EQ(ReleaseDC(nullptr, dc), 0);
  EXPECT_EQ(ReleaseDC(box_, dc), 1);
  EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, mem_, 0, 0, kRopSrcCopy));
  EXPECT_EQ(ReleaseDC(box_, dc), 0);
  EXPECT_EQ(box_->ImageData().pixel(0, 0), ColorToPixel(kBack));
}

TEST_F(WindowDcTest, ContextOfADestroyedWidgetIsRefused) {
  auto label = std::make_unique<QLabel>();
  label->resize(4, 4);
  QWidget* const window = label.get();
  const Hdc dc = GetDC(window);
  ASSERT_NE(dc, 0u);
  label.reset();
  EXPECT_EQ(GetPixel(dc, 0, 0), kClrInvalid);
  EXPECT_FALSE(BitBlt(mem_, 0, 0, 1, 1, dc, 0, 0, kRopSrcCopy));
  EXPECT_EQ(ReleaseDC(nullptr, dc), 0);
  // Released by the window it was got for, even though that is gone.
  EXPECT_EQ(ReleaseDC(window, dc), 1);
  EXPECT_EQ(ReleaseDC(window, dc), 0);
}

TEST_F(WindowDcTest, OtherWidgetsAreReadFromAGrabAndNotDrawnOn) {
  QWidget plain;
  plain.resize(3, 3);
  plain.setAutoFillBackground(true);
  QPalette pal = plain.palette();
  pal.setColor(QPalette::Window, QColor(40, 80, 120));
  plain.setPalette(pal);
  const Hdc dc = GetDC(&plain);
  EXPECT_EQ(GetPixel(dc, 1, 1), 0x785028u);
  EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, mem_, 0, 0, kRopSrcCopy));
  EXPECT_EQ(ReleaseDC(&plain, dc), 1);
}

TEST_F(WindowDcTest, ScreenContextCannotBeDrawnOn) {
  const Hdc screen = GetDC(nullptr);
  EXPECT_FALSE(BitBlt(screen, 0, 0, 1, 1, mem_, 0, 0, kRopSrcCopy));
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

}  // namespace
}  // namespace platform
