#include <gtest/gtest.h>

#include <cmath>

#include "giflib/overlay/vesk_overlay.h"
#include "giflib/tests/overlay_support.h"
#include "platform/forms/form.h"
#include "platform/tests/address_space.h"

namespace pellory {
namespace {

using testing::BoundsOf;
using testing::ColourAt;
using testing::Rgb;
using testing::Solid;

constexpr int32_t kWhite = Rgb(255, 255, 255);
constexpr int32_t kFore = Rgb(0, 0, 160);
constexpr int32_t kBorder = Rgb(250, 200, 0);
constexpr int32_t kBox = Rgb(30, 160, 30);

platform::Font FontOf(double size, const char* face = "ＭＳ Ｐゴシック") {
  auto f = std::make_shared<platform::StdFont>();
  f->Name = face;
  f->Size = size;
  return f;
}

// A format without background box unless `box`.
int CountColour(const QImage& image, int32_t colour) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const QRgb want = qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  int n = 0;
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x) n += (rgb.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF);
  return n;
}

Vesk_OLWCFType Format(double size, int b, Vesk_OLBorderStyleEnum style = Soft, bool box = false) {
  Vesk_OLWCFType f;
  f.UseFont = FontOf(size);
  f.ForeColor = kFore;
  f.BackColor = kBox;
  f.BorderColor = kBorder;
  f.BorderThickness = static_cast<Vesk_OLBorderThicknessEnum>(b);
  f.BorderStyle = style;
  f.Position = {ByNumber, static_cast<Vesk_GifMarginXEnum>(0), static_cast<Vesk_GifMarginYEnum>(0)};
  f.MultiLineArrangeMent = mxLeft;
  f.Transparent = box ? TransOff : TransOn;
  return f;
}

// Measures strings as the overlay's surface does: a pixel-scaled picture box.
class Ruler {
 public:
  explicit Ruler(const platform::Font& font) {
    box_ = &form_.GetControls().Add<platform::PictureBox>("Ruler");
    box_->SetScaleMode(platform::kScalePixels);
    box_->SetFont(font);
  }
  double Width(const std::string& s) const { return box_->TextWidth(s); }
  double Height(const std::string& s) const { return box_->TextHeight(s); }

 private:
  platform::Form form_;
  platform::PictureBox* box_;
};

class WriteCharacterTest : public testing::OverlayTest {
 protected:
  void SetUp() override {
    OverlayTest::SetUp();
    ol_->Transparent(TransOff);
  }
  Picture Write(const std::string& text, Vesk_OLWCFType f) {
    return ol_->WriteCharacter(text, f, olReturnPicture);
  }
};

TEST_F(WriteCharacterTest, OutlinePatternsHaveTheirCopyCounts) {
  EXPECT_EQ(OutlineOffsets(2, Sharp).size(), 21u);
  EXPECT_EQ(OutlineOffsets(2, Soft).size(), 13u);
  EXPECT_EQ(OutlineOffsets(1, Sharp).size(), 9u);
  EXPECT_EQ(OutlineOffsets(1, Soft).size(), 5u);
  EXPECT_EQ(OutlineOffsets(5, Sharp).size(), 117u);
}

// The outline must be the union of the plain line's glyphs shifted by every offset of the
// pattern, with the text on top: built here from a rendering without outline.
TEST_F(WriteCharacterTest, OutlinesAreTheUnionOfShiftedGlyphCopies) {
  const std::string text = "Kestrin 字幕 g";
  ASSERT_TRUE(ol_->SetBasePicture(Solid(260, 70, kWhite)));
  const Picture plain = Write(text, Format(18, 0));
  ASSERT_NE(plain, nullptr);
  std::vector<QPoint> glyphs;
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 260; ++x)
      if (ColourAt(plain, x, y) == kFore) glyphs.emplace_back(x, y);
  ASSERT_GT(glyphs.size(), 100u);

  for (auto style : {Soft, Sharp}) {
    for (int b : {1, 2, 5}) {
      QImage ref(260, 70, QImage::Format_RGB32);
      ref.fill(qRgb(255, 255, 255));
      for (int dx = -b; dx <= b; ++dx)
        for (int dy = -b; dy <= b; ++dy) {
          const bool corner = std::abs(dx) == b && std::abs(dy) == b;
          const bool in = style == Soft ? dx * dx + dy * dy <= b * b : (b == 1 || !corner);
          if (!in) continue;
          for (QPoint g : glyphs)
            if (QRect(0, 0, 260, 70).contains(g + QPoint(b + dx, b + dy)))
              ref.setPixel(g + QPoint(b + dx, b + dy), qRgb(250, 200, 0));
        }
      for (QPoint g : glyphs) ref.setPixel(g + QPoint(b, b), qRgb(0, 0, 160));

      ol_->ResetOLPicture();
      const Picture out = Write(text, Format(18, b, style));
      ASSERT_NE(out, nullptr);
      EXPECT_EQ(out->Image().convertToFormat(QImage::Format_RGB32), ref)
          << (style == Soft ? "Soft" : "Sharp") << " b=" << b;
    }
  }
}

TEST_F(WriteCharacterTest, TheBackgroundBoxCoversExactlyTheBlock) {
  ASSERT_TRUE(ol_->SetBasePicture(Solid(200, 100, kWhite)));
  Vesk_OLWCFType f = Format(12, 2, Soft, true);
  f.Position = {ByPreset, mxCenter, myCenter};
  const Ruler ruler(f.UseFont);
  const std::string text = "Box\r\ntwo lines";
  const int w = static_cast<int>(std::nearbyint(ruler.Width("two lines"))) + 4;
  const int h = static_cast<int>(std::nearbyint(2 * ruler.Height("Box") + 4));
  const Picture out = Write(text, f);
  ASSERT_NE(out, nullptr);
  QRect inked;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      if (ColourAt(out, x, y) != kWhite) inked = inked.united(QRect(x, y, 1, 1));
  const int left = static_cast<int>(std::nearbyint((200 - w) / 2.0));
  const int top = static_cast<int>(std::nearbyint((100 - h) / 2.0));
  EXPECT_EQ(inked, QRect(left, top, w, h));
  EXPECT_EQ(ColourAt(out, left, top), kBox);
}

TEST_F(WriteCharacterTest, LinesSplitOnlyAtCarriageReturnLineFeed) {
  ASSERT_TRUE(ol_->SetBasePicture(Solid(200, 200, kWhite)));
  const Vesk_OLWCFType f = Format(12, 0, Soft, true);
  const Ruler ruler(f.UseFont);
  const int line = static_cast<int>(ruler.Height("A"));
  auto boxHeight = [&](const std::string& text) {
    ol_->ResetOLPicture();
    return BoundsOf(Write(text, f), kBox).height();
  };
  EXPECT_EQ(boxHeight("A\r\nB"), 2 * line);
  EXPECT_EQ(boxHeight("A\nB"), line);
  EXPECT_EQ(boxHeight("A\r\n"), 2 * line);  // a trailing pair gives a last, empty line
}

TEST_F(WriteCharacterTest, LinesAlignInsideTheBlock) {
  // Right alignment: each line ends at the block's right edge, as if written on its own there.
  ASSERT_TRUE(ol_->SetBasePicture(Solid(240, 80, kWhite)));
  Vesk_OLWCFType f = Format(14, 2, Sharp);
  f.MultiLineArrangeMent = mxRight;
  const Ruler ruler(f.UseFont);
  const Picture both = Write("a long first line\r\nshort", f);
  ASSERT_NE(both, nullptr);

  ol_->ResetOLPicture();
  const int blockW = static_cast<int>(std::nearbyint(ruler.Width("a long first line"))) + 4;
  const int x = static_cast<int>(std::nearbyint(blockW - (ruler.Width("short") + 4)));
  Vesk_OLWCFType single = Format(14, 2, Sharp);
  Vesk_OLOrderEnum cont = olContinue;
  ol_->WriteCharacter("a long first line", single, cont);
  single.Position = {ByNumber, static_cast<Vesk_GifMarginXEnum>(x),
                     static_cast<Vesk_GifMarginYEnum>(static_cast<int>(ruler.Height("a")))};
  const Picture separate = Write("short", single);
  EXPECT_EQ(both->Image(), separate->Image());
}

TEST_F(WriteCharacterTest, FormatValuesAreNormalisedAndWrittenBack) {
  ASSERT_TRUE(ol_->SetBasePicture(Solid(300, 200, kWhite)));
  Vesk_OLWCFType f = Format(12, -3);
  f.UseFont = nullptr;
  f.Transparent = static_cast<Vesk_TransparentEnum>(6);
  f.BorderStyle = static_cast<Vesk_OLBorderStyleEnum>(3);
  f.MultiLineArrangeMent = static_cast<Vesk_GifMarginXEnum>(7);
  f.Position = {static_cast<Vesk_OLPositionModeEnum>(4), static_cast<Vesk_GifMarginXEnum>(-1),
                static_cast<Vesk_GifMarginYEnum>(9)};
  f.ForeColor = static_cast<int32_t>(0x80000012);
  auto order = static_cast<Vesk_OLOrderEnum>(9);
  ASSERT_NE(ol_->WriteCharacter("x", f, order), nullptr);
  ASSERT_NE(f.UseFont, nullptr);  // a new default font
  EXPECT_EQ(f.BorderThickness, 3);
  EXPECT_EQ(f.Transparent, TransOn);
  EXPECT_EQ(f.BorderStyle, Soft);
  EXPECT_EQ(f.MultiLineArrangeMent, mxLeft);
  EXPECT_EQ(f.Position.Mode, ByPreset);
  EXPECT_EQ(f.Position.pLeft, mxCenter);
  EXPECT_EQ(f.Position.pTop, myCenter);
  EXPECT_EQ(order, olReturnPicture);
  EXPECT_EQ(f.ForeColor, static_cast<int32_t>(0x80000012));  // kept as passed

  // The outline is at most half the font size (and 2500 / size for very large fonts).
  auto limited = [&](double size, int b) {
    Vesk_OLWCFType g = Format(size, b);
    ol_->ResetOLPicture();
    ol_->WriteCharacter("x", g);
    return static_cast<int>(g.BorderThickness);
  };
  EXPECT_EQ(limited(12, 9), 6);
  EXPECT_EQ(limited(9, 5), 4);
  EXPECT_EQ(limited(100, 40), 25);
  EXPECT_EQ(ol_->ErrorNumber(), 0);
}

TEST_F(WriteCharacterTest, BlocksOutsideTheBaseAreClippedOrGrowIt) {
  ASSERT_TRUE(ol_->SetBasePicture(Solid(100, 40, kWhite)));
  Vesk_OLWCFType f = Format(12, 0, Soft, true);
  f.Position = {ByNumber, static_cast<Vesk_GifMarginXEnum>(-5),
                static_cast<Vesk_GifMarginYEnum>(0)};
  const Picture clipped = Write("Text", f);
  EXPECT_EQ(clipped->Image().width(), 100);
  EXPECT_EQ(BoundsOf(clipped, kBox).left(), 0);
  ol_->ResetOLPicture();
  ol_->TextAutoSize(true);
  const Picture grown = Write("Text", f);
  EXPECT_EQ(grown->Image().width(), 105);
  EXPECT_EQ(ol_->IncLeft(), -5.0f);
}

TEST_F(WriteCharacterTest, ErrorsLeaveTheBaseUnchanged) {
  EXPECT_EQ(Write("x", Format(12, 0)), nullptr);
  EXPECT_EQ(ol_->ErrorNumber(), 3002);
  ASSERT_TRUE(ol_->SetBasePicture(Solid(50, 30, kWhite)));
  const QImage before = ol_->GetOLPicture()->Image();
  EXPECT_EQ(Write("", Format(12, 0)), nullptr);
  EXPECT_EQ(ol_->ErrorNumber(), 3026);
  ol_->ResetError();
  std::string many;
  for (int i = 0; i < 32767; ++i) many += "\r\n";
  EXPECT_EQ(Write(many, Format(12, 0)), nullptr);
  EXPECT_EQ(ol_->ErrorNumber(), 3027);
  ol_->ResetError();
  ol_->TextAutoSize(true);
  Vesk_OLWCFType far = Format(12, 1);
  far.Position = {ByNumber, static_cast<Vesk_GifMarginXEnum>(32760),
                  static_cast<Vesk_GifMarginYEnum>(0)};
  EXPECT_EQ(Write("wide enough", far), nullptr);
  EXPECT_EQ(ol_->ErrorNumber(), 3020);
  ol_->ResetError();
  EXPECT_EQ(ol_->SurfaceWidth(), 50);
  EXPECT_EQ(ol_->GetOLPicture()->Image(), before);
  // A font of negative size is refused as the font object refuses one.
  EXPECT_EQ(Write("x", Format(-12, 2)), nullptr);
  Vesk_ErrorInfoType info;
  EXPECT_EQ(ol_->ErrorInfo(info), 2000);
  EXPECT_EQ(info.SysErrNumber, 380);
  ol_->ResetError();
  ASSERT_NE(ol_->GetOLPicture(), nullptr);
  EXPECT_EQ(ol_->GetOLPicture()->Image(), before);
}

// Lines without ink (a tab, spaces, a zero-width space) draw no outline, whatever its width:
// their empty ink rectangle lies far away and once sized a mask of 10^10 bytes. The child
// process runs under a 1 GB address-space limit.
TEST_F(WriteCharacterTest, LinesWithoutInkDrawNothingInBoundedMemory) {
  ASSERT_TRUE(ol_->SetBasePicture(Solid(120, 90, kWhite)));
  {
    const platform::testing::AddressSpaceLimit limit(int64_t{1} << 30);
    for (const char* text : {"\t", "   ", "\xE2\x80\x8B", "\t\r\n \r\n\xE2\x80\x8B"}) {
      for (int b : {0, 3, 12}) {
        SCOPED_TRACE(std::string(text) + " outline " + std::to_string(b));
        const Picture p = Write(text, Format(24, b, b == 12 ? Sharp : Soft));
        ASSERT_NE(p, nullptr) << ol_->ErrorNumber();
        EXPECT_EQ(CountColour(p->Image(), kBorder), 0);
        EXPECT_EQ(CountColour(p->Image(), kFore), 0);
      }
    }
  }
  // Ink beside ink-less lines still gets its outline.
  const Picture p = Write("\t\r\nKestrin\r\n ", Format(24, 3));
  ASSERT_NE(p, nullptr);
  EXPECT_GT(CountColour(p->Image(), kBorder), 0);
}

}  // namespace
}  // namespace pellory
