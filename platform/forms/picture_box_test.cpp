#include "platform/forms/picture_box.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontInfo>
#include <QMouseEvent>
#include <QPainter>
#include <set>
#include <tuple>

#include "platform/font/qt_font.h"
#include "platform/forms/form.h"
#include "platform/kernel/err.h"

namespace platform {
namespace {

constexpr int32_t Rgb(int r, int g, int b) {
  return r | (g << 8) | (b << 16);
}

Picture Indexed(int w, int h, const std::vector<QRgb>& table, const std::vector<uint8_t>& idx) {
  QImage img(w, h, QImage::Format_Indexed8);
  img.setColorTable(QList<QRgb>(table.begin(), table.end()));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, idx[y * w + x]);
  return std::make_shared<StdPicture>(img);
}

class PictureBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    box_ = &form_.GetControls().Add<PictureBox>("Surface");
    box_->SetScaleMode(kScalePixels);
    box_->SetBorderStyle(0);
    box_->SetBackColor(Rgb(10, 20, 30));
    box_->ResizePixels(8, 6);
    box_->Cls();
  }
  std::vector<int32_t> Row(int y) const {
    std::vector<int32_t> r;
    for (int x = 0; x < box_->ScaleWidthPixels(); ++x) r.push_back(box_->Point(x, y));
    return r;
  }
  Form form_;
  PictureBox* box_ = nullptr;
};

TEST_F(PictureBoxTest, AssignedPictureSizesTheBoxAndShowsTheBackgroundThroughTransparency) {
  // Entry 1 is transparent but keeps its true colour.
  auto pic = Indexed(3, 2, {qRgb(255, 0, 0), qRgba(0, 255, 0, 0)}, {0, 1, 0, 1, 0, 1});
  box_->SetAutoSize(true);
  box_->SetPicture(pic);
  EXPECT_EQ(box_->ScaleWidthPixels(), 3);
  EXPECT_EQ(box_->ScaleHeightPixels(), 2);
  EXPECT_EQ(Row(0), (std::vector<int32_t>{Rgb(255, 0, 0), Rgb(10, 20, 30), Rgb(255, 0, 0)}));
  // The image is a new picture each time; later drawing does not change an earlier one.
  Picture before = box_->Image();
  box_->Box(0, 0, 2, 1, Rgb(1, 2, 3), true);
  EXPECT_EQ(before->Image().pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_NE(before->Handle(), box_->Image()->Handle());
}

// Indexed pictures are drawn without the toolkit's painter; the pixels must be the painter's, at
// every offset, clipped on every side, with transparent, opaque and missing palette entries.
TEST_F(PictureBoxTest, PaintingAnIndexedPictureGivesThePaintersPixels) {
  std::vector<QRgb> table;
  for (int i = 0; i < 5; ++i) table.push_back(qRgb(40 * i, 255 - 30 * i, 7 * i));
  table[2] = qRgba(1, 2, 3, 0);  // transparent, keeping its colour
  QImage image(7, 5, QImage::Format_Indexed8);
  image.setColorTable(QList<QRgb>(table.begin(), table.end()));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) image.scanLine(y)[x] = static_cast<uchar>((x + 7 * y) * 3 % 7);
  const Picture pic = std::make_shared<StdPicture>(image);  // indices 5 and 6 have no entry
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {3, 2}, {-4, -3}, {5, 4}}) {
    box_->Cls();
    box_->Line(0, 0, 7, 5, Rgb(200, 100, 50));
    QImage want = box_->Image()->Image().convertToFormat(QImage::Format_RGB32);
    {
      QPainter p(&want);
      p.drawImage(x, y, pic->Image());
    }
    box_->PaintPicture(pic, x, y);
    const QImage got = box_->Image()->Image();
    for (int yy = 0; yy < 6; ++yy)
      for (int xx = 0; xx < 8; ++xx)
        ASSERT_EQ(got.pixel(xx, yy), want.pixel(xx, yy))
            << x << "," << y << " at " << xx << "," << yy;
  }
  // A box that takes its own snapshot back shows the same.
  const Picture snapshot = box_->Image();
  box_->SetPicture(snapshot);
  EXPECT_EQ(box_->Image()->Image(), snapshot->Image());
}

TEST_F(PictureBoxTest, GrowingKeepsWhatIsDrawnAndFillsNewAreaWithTheBackColour) {
  box_->Box(0, 0, 7, 5, Rgb(200, 0, 0), true);
  box_->SetBackColor(Rgb(0, 0, 99));  // what is drawn stays
  EXPECT_EQ(box_->Point(7, 5), Rgb(200, 0, 0));
  box_->ResizePixels(10, 7);
  EXPECT_EQ(box_->Point(7, 5), Rgb(200, 0, 0));
  EXPECT_EQ(box_->Point(9, 6), Rgb(0, 0, 99));
  EXPECT_EQ(box_->Point(10, 0), -1);
  EXPECT_EQ(box_->Point(-1, 0), -1);
  // A border takes room from the image.
  box_->SetAppearance(0);
  box_->SetBorderStyle(1);
  EXPECT_EQ(box_->ScaleWidthPixels(), 8);
}

TEST_F(PictureBoxTest, RasterOperationsCombineTrueColoursBitByBit) {
  box_->Box(0, 0, 7, 5, Rgb(0xF0, 0x0F, 0x55), true);
  // The transparent entry takes part in raster operations with its true colour.
  auto pic = Indexed(2, 1, {qRgb(0x3C, 0xFF, 0x00), qRgba(0x0F, 0x00, 0xFF, 0)}, {0, 1});
  box_->PaintPicture(pic, 1, 0, kSrcAnd);
  EXPECT_EQ(box_->Point(1, 0), Rgb(0x30, 0x0F, 0x00));
  EXPECT_EQ(box_->Point(2, 0), Rgb(0x00, 0x00, 0x55));
  box_->PaintPicture(pic, 1, 1, kSrcPaint);
  EXPECT_EQ(box_->Point(1, 1), Rgb(0xFC, 0xFF, 0x55));
  EXPECT_EQ(box_->Point(2, 1), Rgb(0xFF, 0x0F, 0xFF));
  // A copy lets the transparent pixel show what is below; pixels outside are clipped.
  box_->PaintPicture(pic, 6, 2, kSrcCopy);
  box_->PaintPicture(pic, -1, 3, kSrcCopy);
  EXPECT_EQ(box_->Point(6, 2), Rgb(0x3C, 0xFF, 0x00));
  EXPECT_EQ(box_->Point(7, 2), Rgb(0xF0, 0x0F, 0x55));
  EXPECT_EQ(box_->Point(0, 3), Rgb(0xF0, 0x0F, 0x55));
  EXPECT_EQ(box_->Point(0, 4), Rgb(0xF0, 0x0F, 0x55));
}

TEST_F(PictureBoxTest, MouseEventsComeInTheBoxsScaleFromInsideItsBorder) {
  box_->SetBorderStyle(1);
  box_->SetAppearance(1);  // a 2-pixel border
  std::vector<std::tuple<int, int, double, double>> seen;
  box_->onMouseDown = [&](int b, int s, double x, double y) { seen.emplace_back(b, s, x, y); };
  box_->onMouseMove = box_->onMouseDown;
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(7, 5), QPointF(7, 5), Qt::LeftButton,
                    Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(box_, &press);
  box_->SetScaleMode(kScaleTwips);
  QMouseEvent move(QEvent::MouseMove, QPointF(4, 2), QPointF(4, 2), Qt::NoButton,
                   Qt::LeftButton | Qt::RightButton, Qt::ControlModifier);
  QCoreApplication::sendEvent(box_, &move);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], std::make_tuple(1, 1, 5.0, 3.0));
  EXPECT_EQ(seen[1], std::make_tuple(3, 2, 30.0, 0.0));
}

TEST_F(PictureBoxTest, MousePointerTakesTheKnownShapesAndRefusesOthers) {
  box_->SetMousePointer(7);
  EXPECT_EQ(box_->cursor().shape(), Qt::SizeVerCursor);
  box_->SetMousePointer(9);
  EXPECT_EQ(box_->cursor().shape(), Qt::SizeHorCursor);
  EXPECT_THROW(box_->SetMousePointer(42), RuntimeError);
  EXPECT_EQ(box_->MousePointer(), 9);
  box_->SetMousePointer(0);
  EXPECT_EQ(box_->MousePointer(), 0);
  EXPECT_FALSE(box_->testAttribute(Qt::WA_SetCursor));
}

TEST_F(PictureBoxTest, LinesLeaveOutTheirLastPointAndRectanglesIncludeBothCorners) {
  const int32_t bg = Rgb(10, 20, 30), c = Rgb(255, 255, 255);
  box_->Line(0, 0, 3, 0, c);
  EXPECT_EQ(Row(0), (std::vector<int32_t>{c, c, c, bg, bg, bg, bg, bg}));
  box_->Line(7, 5, 7, 2, c);  // upwards: rows 5, 4, 3
  EXPECT_EQ(box_->Point(7, 5), c);
  EXPECT_EQ(box_->Point(7, 3), c);
  EXPECT_EQ(box_->Point(7, 2), bg);
  box_->Cls();
  box_->Box(1, 1, 4, 3, c, false);
  EXPECT_EQ(Row(1), (std::vector<int32_t>{bg, c, c, c, c, bg, bg, bg}));
  EXPECT_EQ(Row(2), (std::vector<int32_t>{bg, c, bg, bg, c, bg, bg, bg}));
  EXPECT_EQ(Row(3), Row(1));
  box_->Cls();
  box_->Box(6, 4, 9, 9, c, true);  // partly outside
  EXPECT_EQ(Row(4), (std::vector<int32_t>{bg, bg, bg, bg, bg, bg, c, c}));
  EXPECT_EQ(Row(3), std::vector<int32_t>(8, bg));
}

// ---- Text ------------------------------------------------------------------------------------

class PictureBoxTextTest : public PictureBoxTest {
 protected:
  void SetUp() override {
    PictureBoxTest::SetUp();
    box_->ResizePixels(160, 60);
    box_->Cls();
  }
  std::set<QRgb> Colours() const {
    std::set<QRgb> s;
    const QImage& img = box_->ImageData();
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) s.insert(img.pixel(x, y));
    return s;
  }
};

TEST(Fonts, JapaneseSystemFacesDrawWithTheInstalledIpaFonts) {
  EXPECT_EQ(InstalledFamily("ＭＳ Ｐゴシック"), "IPAPGothic");
  EXPECT_EQ(InstalledFamily("ＭＳ ゴシック"), "IPAGothic");
  EXPECT_EQ(InstalledFamily("ＭＳ Ｐ明朝"), "IPAPMincho");
  EXPECT_EQ(InstalledFamily("ＭＳ 明朝"), "IPAMincho");
  EXPECT_EQ(InstalledFamily("DejaVu Sans"), "DejaVu Sans");
  for (const char* face : {"ＭＳ Ｐゴシック", "ＭＳ 明朝"}) {
    StdFont f;
    f.Name = face;
    f.Size = 24;
    const QFont q = ToQFont(f);
    EXPECT_EQ(QFontInfo(q).family().toStdString(), InstalledFamily(face)) << "font not installed";
    EXPECT_EQ(q.pixelSize(), 32);
  }
  EXPECT_EQ(PointsToPixels(9), 12);
  EXPECT_EQ(PointsToPixels(10.5), 14);
}

TEST_F(PictureBoxTextTest, PrintDrawsOnlyGlyphPixelsInTheExactForeColour) {
  auto font = std::make_shared<StdFont>();
  font->Size = 18;
  font->Bold = true;
  box_->SetFont(font);
  box_->SetForeColor(Rgb(250, 5, 7));
  box_->SetCurrentX(4);
  box_->SetCurrentY(3);
  box_->Print("Kestrin 漢字");
  EXPECT_EQ(Colours(), (std::set<QRgb>{qRgb(10, 20, 30), qRgb(250, 5, 7)}));
  EXPECT_DOUBLE_EQ(box_->CurrentX(), 0);
  EXPECT_DOUBLE_EQ(box_->CurrentY(), 3 + box_->TextHeight("A"));
  EXPECT_DOUBLE_EQ(box_->TextHeight("A\r\nB"), 2 * box_->TextHeight("A"));
  EXPECT_GT(box_->TextWidth("AAAA"), box_->TextWidth("AA"));
}

// Printing at many offsets at once must give exactly the pixels of printing each copy.
TEST_F(PictureBoxTextTest, PrintAtOffsetsEqualsPrintingEveryCopy) {
  std::vector<QPoint> disc, square;
  for (int dx = -3; dx <= 3; ++dx)
    for (int dy = -3; dy <= 3; ++dy) {
      if (dx * dx + dy * dy <= 9) disc.emplace_back(dx, dy);
      square.emplace_back(dx, dy);
    }
  std::vector<QPoint> scattered = {{-4, 0}, {4, 0}, {0, 5}, {2, -1}};
  int fontNo = 0;
  for (const char* face : {"ＭＳ Ｐゴシック", "ＭＳ 明朝"}) {
    for (const auto* offsets : {&disc, &square, &scattered}) {
      auto font = std::make_shared<StdFont>();
      font->Name = face;
      font->Size = 12 + 3 * fontNo;
      font->Italic = fontNo % 2 == 1;
      font->Underline = fontNo == 3;
      ++fontNo;
      box_->SetFont(font);
      box_->SetForeColor(Rgb(0, 0, 255));
      // Close to the edges, so that clipping is compared too.
      const double x = -3, y = 40;
      box_->Cls();
      for (const QPoint& o : *offsets) {
        box_->SetCurrentX(x + o.x());
        box_->SetCurrentY(y + o.y());
        box_->Print("Wg 字j");
      }
      const QImage slow = box_->ImageData().copy();
      box_->Cls();
      box_->PrintAtOffsets("Wg 字j", x, y, *offsets);
      EXPECT_EQ(box_->ImageData(), slow) << face << " font " << fontNo;
    }
  }
}

}  // namespace
}  // namespace platform
