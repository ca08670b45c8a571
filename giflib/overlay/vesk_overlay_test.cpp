#include "giflib/overlay/vesk_overlay.h"

#include <gtest/gtest.h>

#include "giflib/engine/conversions.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/overlay/ol_module.h"
#include "giflib/tests/overlay_support.h"

namespace pellory {
namespace {

using testing::BoundsOf;
using testing::ColourAt;
using testing::Framed;
using testing::Rgb;
using testing::Solid;

constexpr int32_t kBase = Rgb(20, 40, 60);
constexpr int32_t kInk = Rgb(200, 10, 10);
constexpr int32_t kEdge = Rgb(0, 200, 0);  // the overlaid picture's own background

class OverlayBaseTest : public testing::OverlayTest {
 protected:
  void SetUp() override {
    OverlayTest::SetUp();
    ol_->Transparent(TransOff);
  }
  Picture Overlay(int w, int h, Vesk_OLPositionType pos, Vesk_OLOrderEnum order = olReturnPicture) {
    return ol_->OverLayPicture(Framed(w, h, kEdge, kInk), pos, order);
  }
};

TEST_F(OverlayBaseTest, EachObjectDrawsOnItsOwnNamedSurfaceOfTheHostForm) {
  auto second = NewOverlay();
  platform::Form& host = engine::HostForm();
  EXPECT_EQ(host.Name(), "Vesk_DummyForm");
  ASSERT_NE(host.GetControls().Find(ol_->SurfaceName()), nullptr);
  ASSERT_NE(host.GetControls().Find(second->SurfaceName()), nullptr);
  EXPECT_NE(ol_->SurfaceName(), second->SurfaceName());
  EXPECT_EQ(ol_->SurfaceName().rfind("OLPic", 0), 0u);
  const std::string name = second->SurfaceName();
  second.reset();
  EXPECT_EQ(host.GetControls().Find(name), nullptr);
  // The freed name is the lowest free one again.
  auto third = NewOverlay();
  EXPECT_EQ(third->SurfaceName(), name);
}

TEST_F(OverlayBaseTest, InitialValuesAndPropertiesThatIgnoreWrongValues) {
  auto ol = NewOverlay();
  EXPECT_FALSE(ol->HasPicture());
  EXPECT_EQ(ol->ExecuteMode(), Nontest);
  EXPECT_TRUE(ol->PictureAutoSize());
  EXPECT_FALSE(ol->TextAutoSize());
  EXPECT_EQ(ol->Transparent(), TransOn);
  ol->HasPicture(true);
  ol->Transparent(static_cast<Vesk_TransparentEnum>(4));
  ol->ExecuteMode(static_cast<Vesk_ExecuteModeEnum>(2));
  ol->TempPathMode(static_cast<Vesk_GifTempPathModeEnum>(3));
  ol->IncLeft(5.0f);
  EXPECT_FALSE(ol->HasPicture());
  EXPECT_EQ(ol->Transparent(), TransOn);
  EXPECT_EQ(ol->ExecuteMode(), Nontest);
  EXPECT_EQ(ol->TempPathMode(), UserCustom);
  EXPECT_EQ(ol->IncLeft(), 0.0f);
  EXPECT_EQ(ol->ErrorNumber(), 0);
  auto created = platform::CreateComObjectAs<Vesk_OverLay>("Pellory.Vesk_OverLay");
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(platform::ClsidOfProgId("Pellory.Vesk_OverLay"), Vesk_OverLay::kClassId);
}

TEST_F(OverlayBaseTest, SetBasePictureTakesSizeAndBackgroundAndANullPictureEmpties) {
  ASSERT_TRUE(ol_->SetBasePicture(Framed(30, 20, kBase, kInk)));
  EXPECT_TRUE(ol_->HasPicture());
  EXPECT_EQ(ol_->BaseWidth(), 30);
  EXPECT_EQ(ol_->BaseHeight(), 20);
  EXPECT_EQ(ol_->BaseBackColor(), kBase);
  // Too large for GIF: refused, and the base stays.
  EXPECT_FALSE(ol_->SetBasePicture(Solid(1, 32768, kInk)));
  EXPECT_EQ(ol_->ErrorNumber(), 3025);
  EXPECT_TRUE(ol_->HasPicture());
  EXPECT_EQ(ol_->SurfaceWidth(), 30);
  ASSERT_TRUE(ol_->SetBasePicture(nullptr));
  EXPECT_EQ(ol_->ErrorNumber(), 0);
  EXPECT_FALSE(ol_->HasPicture());
  EXPECT_EQ(ol_->BaseWidth(), 0);
}

TEST_F(OverlayBaseTest, PresetsRoundHalvesToEvenAndTheOverlaysBackgroundLetsTheBaseShow) {
  ASSERT_TRUE(ol_->SetBasePicture(Solid(101, 101, kBase)));
  Picture out = Overlay(40, 30, {ByPreset, mxCenter, myCenter});
  ASSERT_NE(out, nullptr);
  // (101 - 40) / 2 = 30.5 -> 30 and (101 - 30) / 2 = 35.5 -> 36; the frame is background.
  EXPECT_EQ(BoundsOf(out, kInk), QRect(31, 37, 38, 28));
  EXPECT_TRUE(BoundsOf(out, kEdge).isEmpty());
  out = Overlay(40, 30, {ByPreset, mxRight, myBottom});
  EXPECT_EQ(BoundsOf(out, kInk).bottomRight(), QPoint(99, 99));
}

TEST_F(OverlayBaseTest, GrowthMovesTheBaseAndLaterPresetsFollowIt) {
  ASSERT_TRUE(ol_->SetBasePicture(Framed(100, 100, kBase, Rgb(1, 2, 3))));
  Picture out = Overlay(
      20, 20,
      {ByNumber, static_cast<Vesk_GifMarginXEnum>(-10), static_cast<Vesk_GifMarginYEnum>(-5)});
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Image().size(), QSize(110, 105));
  EXPECT_EQ(ColourAt(out, 10 + 1, 5 + 20), Rgb(1, 2, 3));  // old content moved by (10, 5)
  EXPECT_EQ(ColourAt(out, 10, 5 + 20), kBase);
  EXPECT_EQ(ColourAt(out, 1, 1), kInk);     // overlay at (0, 0)
  EXPECT_EQ(ColourAt(out, 109, 0), kBase);  // new area: base background
  EXPECT_EQ(ol_->IncLeft(), -10.0f);
  EXPECT_EQ(ol_->IncTop(), -5.0f);
  Vesk_OLPositionType corner{ByPreset, mxLeft, myTop};
  out = ol_->OverLayPicture(Framed(4, 4, kEdge, Rgb(7, 7, 7)), corner);
  EXPECT_EQ(BoundsOf(out, Rgb(7, 7, 7)), QRect(11, 6, 2, 2));  // inner of a 4 x 4 at (10, 5)
  EXPECT_EQ(ol_->BaseWidth(), 100);
}

TEST_F(OverlayBaseTest, WithoutAutoSizeTheOverlayIsClippedAndNothingGrows) {
  ol_->PictureAutoSize(false);
  ASSERT_TRUE(ol_->SetBasePicture(Solid(100, 100, kBase)));
  Picture out = Overlay(
      20, 20,
      {ByNumber, static_cast<Vesk_GifMarginXEnum>(-10), static_cast<Vesk_GifMarginYEnum>(-5)});
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Image().size(), QSize(100, 100));
  EXPECT_EQ(BoundsOf(out, kInk), QRect(0, 0, 9, 14));
  EXPECT_EQ(ol_->IncLeft(), 0.0f);
  EXPECT_EQ(ol_->IncTop(), 0.0f);
}

TEST_F(OverlayBaseTest, AnOverlayWiderOnBothSidesMakesTheWidthExactlyItsOwn) {
  ASSERT_TRUE(ol_->SetBasePicture(Solid(10, 10, kBase)));
  Picture out = Overlay(30, 4, {ByNumber, static_cast<Vesk_GifMarginXEnum>(-5), myCenter});
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Image().size(), QSize(30, 10));
}

TEST_F(OverlayBaseTest, NormalisedArgumentsAreWrittenBackAndContinueReturnsNothing) {
  ASSERT_TRUE(ol_->SetBasePicture(Solid(50, 50, kBase)));
  Vesk_OLPositionType pos{static_cast<Vesk_OLPositionModeEnum>(9),
                          static_cast<Vesk_GifMarginXEnum>(7), myTop};
  auto order = static_cast<Vesk_OLOrderEnum>(5);
  EXPECT_NE(ol_->OverLayPicture(Framed(10, 10, kEdge, kInk), pos, order), nullptr);
  EXPECT_EQ(pos.Mode, ByPreset);
  EXPECT_EQ(pos.pLeft, mxCenter);
  EXPECT_EQ(order, olReturnPicture);
  // Continue composes but returns nothing and leaves IncLeft/IncTop alone.
  order = olContinue;
  pos = {ByNumber, static_cast<Vesk_GifMarginXEnum>(-3), myCenter};
  EXPECT_EQ(ol_->OverLayPicture(Framed(10, 10, kEdge, Rgb(9, 9, 9)), pos, order), nullptr);
  EXPECT_EQ(ol_->IncLeft(), 0.0f);
  Picture out = ol_->GetOLPicture();
  EXPECT_EQ(ol_->IncLeft(), -3.0f);
  EXPECT_EQ(BoundsOf(out, Rgb(9, 9, 9)).topLeft(), QPoint(1, 1));
}

TEST_F(OverlayBaseTest, ErrorsLatchAndLeaveTheBaseAsItWas) {
  EXPECT_EQ(Overlay(5, 5, {}), nullptr);
  EXPECT_EQ(ol_->ErrorNumber(), 3002);
  ol_->ResetError();
  ASSERT_TRUE(ol_->SetBasePicture(Solid(100, 100, kBase)));
  const Picture before = ol_->GetOLPicture();
  EXPECT_EQ(ol_->OverLayPicture(nullptr, {}), nullptr);
  EXPECT_EQ(ol_->ErrorNumber(), 3001);
  // Latched: refused and counted, nothing drawn.
  EXPECT_EQ(Overlay(5, 5, {}), nullptr);
  Vesk_ErrorInfoType info;
  EXPECT_EQ(ol_->ErrorInfo(info), 3001);
  EXPECT_EQ(info.ErrorCallCount, 1);
  EXPECT_EQ(info.MethodName, "OverLayPicture");
  ol_->ResetError();
  // Growth past what GIF allows is refused after placing; the surface stays as it was.
  EXPECT_EQ(Overlay(100, 10, {ByNumber, static_cast<Vesk_GifMarginXEnum>(32700), myCenter}),
            nullptr);
  EXPECT_EQ(ol_->ErrorNumber(), 3020);
  ol_->ResetError();
  EXPECT_EQ(ol_->SurfaceWidth(), 100);
  EXPECT_EQ(ol_->GetOLPicture()->Image(), before->Image());
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(OverlayBaseTest, SetBaseClearAndResetReleaseTheLatch) {
  auto latch = [&] {
    ol_->OverLayPicture(nullptr, {});
    return ol_->ErrorNumber() != 0;
  };
  ASSERT_TRUE(ol_->SetBasePicture(Solid(10, 10, kBase)));
  ASSERT_TRUE(latch());
  ASSERT_TRUE(ol_->SetBasePicture(Solid(10, 10, kBase)));
  EXPECT_EQ(ol_->ErrorNumber(), 0);
  ASSERT_TRUE(latch());
  ol_->ResetOLPicture();
  EXPECT_EQ(ol_->ErrorNumber(), 0);
  EXPECT_NE(Overlay(4, 4, {}), nullptr);
  ASSERT_TRUE(latch());
  ol_->ClearOLPicture();
  EXPECT_EQ(ol_->ErrorNumber(), 0);
}

TEST_F(OverlayBaseTest, TestModeShowsEachRecordedErrorInAMessageBox) {
  ol_->ExecuteMode(pellory::Test);
  EXPECT_EQ(ol_->GetOLPicture(), nullptr);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].title, "Pellory.DLL\u3000エラーメッセージ");
  EXPECT_EQ(boxes_->shown[0].style, 48);
  EXPECT_NE(boxes_->shown[0].text.find("GetOLPicture"), std::string::npos);
}

TEST_F(OverlayBaseTest, AFailingAuxiliaryObjectLeavesNoGrowthBehind) {
  ASSERT_TRUE(ol_->SetBasePicture(Solid(40, 40, kBase)));
  ol_->TempPath("/nonexistent/folder");  // the auxiliary object cannot capture the picture
  EXPECT_EQ(Overlay(10, 10, {ByNumber, static_cast<Vesk_GifMarginXEnum>(-6), myCenter}), nullptr);
  EXPECT_EQ(ol_->ErrorNumber(), 0);
  EXPECT_EQ(ol_->SurfaceWidth(), 40);
  EXPECT_EQ(ol_->OriginX(), 0);
  ol_->TempPath(temp_.path());
  Picture out = Overlay(4, 4, {ByPreset, mxLeft, myTop});
  EXPECT_EQ(BoundsOf(out, kInk).topLeft(), QPoint(1, 1));
}

TEST_F(OverlayBaseTest, TransparentResultsAreTransparentInTheBaseBackgroundThroughGiflib) {
  ol_->Transparent(TransOn);
  ASSERT_TRUE(ol_->SetBasePicture(Framed(20, 10, kBase, Rgb(90, 90, 90))));
  Picture out = Overlay(6, 6, {ByPreset, mxCenter, myCenter});
  ASSERT_NE(out, nullptr);
  Vesk_GifObject gif;
  gif.TempPathMode(UserCustom);
  gif.TempPath(temp_.path());
  ASSERT_TRUE(gif.SetPicture(out));
  testing::TempFolder dir;
  ASSERT_TRUE(gif.SaveGifPicture(dir.File("ol.gif")));
  auto d = testing::DecodeGif(dir.File("ol.gif"));
  ASSERT_TRUE(d.ok) << d.error;
  ASSERT_GE(d.transparentIndex, 0);
  EXPECT_EQ(engine::EntryToColor(d.palette[d.transparentIndex]), kBase);
  EXPECT_EQ(d.indices[0], d.transparentIndex);
  EXPECT_EQ(engine::EntryToColor(d.palette[d.indices[5 * 20 + 10]]), kInk);
}

// ---- Output and reset ------------------------------------------------------------------------

// The frame's final pixels, from the outside in.
void ExpectFrame(const Picture& p, const std::array<int32_t, 4>& c) {
  const int W = p->Image().width(), H = p->Image().height();
  for (int x = 0; x < W; ++x) {
    EXPECT_EQ(ColourAt(p, x, H - 1), c[2]) << x;
    if (x <= W - 2) {
      EXPECT_EQ(ColourAt(p, x, 0), c[0]) << x;
    }
    if (x >= 1 && x <= W - 3) {
      EXPECT_EQ(ColourAt(p, x, 1), c[1]) << x;
    }
    if (x >= 1 && x <= W - 2) {
      EXPECT_EQ(ColourAt(p, x, H - 2), c[3]) << x;
    }
  }
  for (int y = 0; y < H; ++y) {
    EXPECT_EQ(ColourAt(p, W - 1, y), c[2]) << y;
    if (y <= H - 2) {
      EXPECT_EQ(ColourAt(p, 0, y), c[0]) << y;
    }
    if (y >= 1 && y <= H - 3) {
      EXPECT_EQ(ColourAt(p, 1, y), c[1]) << y;
    }
    if (y >= 1 && y <= H - 2) {
      EXPECT_EQ(ColourAt(p, W - 2, y), c[3]) << y;
    }
  }
}

TEST_F(OverlayBaseTest, ButtonFramesSurroundOnlyTheReturnedPicture) {
  ASSERT_TRUE(ol_->SetBasePicture(Framed(100, 50, kBase, kInk)));
  Vesk_OLFrameModeEnum mode = OffButton;
  Picture raised = ol_->GetOLPicture(mode);
  ASSERT_NE(raised, nullptr);
  EXPECT_EQ(raised->Image().size(), QSize(106, 56));
  EXPECT_EQ(BoundsOf(raised, kInk), QRect(3 + 1, 3 + 1, 98, 48));
  ExpectFrame(raised,
              {Rgb(255, 255, 255), Rgb(241, 239, 226), Rgb(113, 111, 100), Rgb(172, 168, 153)});
  EXPECT_EQ(ColourAt(raised, 2, 2), kBase);  // one-pixel ring on every side
  EXPECT_EQ(ColourAt(raised, 103, 53), kBase);
  EXPECT_EQ(ol_->SurfaceWidth(), 100);  // the base keeps no frame

  mode = OnButton;
  Picture pressed = ol_->GetOLPicture(mode);
  EXPECT_EQ(BoundsOf(pressed, kInk), QRect(4 + 1, 4 + 1, 98, 48));
  ExpectFrame(pressed,
              {Rgb(113, 111, 100), Rgb(172, 168, 153), Rgb(255, 255, 255), Rgb(241, 239, 226)});
  EXPECT_EQ(ColourAt(pressed, 3, 3), kBase);     // two pixels on the top and left ...
  EXPECT_EQ(ColourAt(pressed, 103, 53), kBase);  // ... the picture's own edge on the right

  mode = static_cast<Vesk_OLFrameModeEnum>(3);
  EXPECT_EQ(ol_->GetOLPicture(mode)->Image().size(), QSize(100, 50));
  EXPECT_EQ(mode, NonButton);
}

TEST_F(OverlayBaseTest, ResetReturnsToTheBaseAndClearEmpties) {
  ASSERT_TRUE(ol_->SetBasePicture(Solid(30, 30, kBase)));
  Overlay(10, 10,
          {ByNumber, static_cast<Vesk_GifMarginXEnum>(-4), static_cast<Vesk_GifMarginYEnum>(-4)});
  EXPECT_EQ(ol_->SurfaceWidth(), 34);
  ol_->ResetOLPicture();
  EXPECT_EQ(ol_->SurfaceWidth(), 30);
  EXPECT_EQ(ol_->IncLeft(), 0.0f);
  Picture out = ol_->GetOLPicture();
  EXPECT_TRUE(BoundsOf(out, kInk).isEmpty());
  EXPECT_EQ(ol_->IncLeft(), 0.0f);

  ol_->ClearOLPicture();
  EXPECT_FALSE(ol_->HasPicture());
  EXPECT_EQ(ol_->GetOLPicture(), nullptr);
  EXPECT_EQ(ol_->ErrorNumber(), 3002);
  ol_->ResetError();
  Vesk_ErrorInfoType info;
  EXPECT_EQ(ol_->ErrorInfo(info), 0);
  EXPECT_EQ(info.ErrorCallCount, 0);
}

// An indexed base is kept as it is rather than as a copy of the drawn surface: where it is
// transparent the surface's own colour must still show (that of a fresh surface, or the last
// base's background on a reused one), and drawing, a failed call and a reset must come back to
// exactly the pixels the base was first shown with.
TEST_F(OverlayBaseTest, AnIndexedBaseComesBackExactlyAfterDrawingFailureAndReset) {
  const std::vector<Vesk_GIFRGBTRIPLE> palette = {{20, 40, 60}, {1, 2, 3}, {250, 240, 230}};
  std::vector<uint8_t> indices(40 * 30);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i % 7 % 3);
  const Picture base = testing::MakeIndexedPicture(40, 30, palette, indices, 1);
  auto shown = [&](Vesk_OverLay& ol) {
    Picture p = ol.GetOLPicture();
    EXPECT_NE(p, nullptr);
    return p ? p->Image().convertToFormat(QImage::Format_RGB32) : QImage();
  };
  for (bool reused : {false, true}) {
    SCOPED_TRACE(reused ? "reused surface" : "fresh surface");
    std::unique_ptr<Vesk_OverLay> ol = NewOverlay();
    ol->Transparent(TransOff);
    if (reused) {
      ASSERT_TRUE(ol->SetBasePicture(Solid(70, 50, kEdge)));
    }
    const int32_t under = reused ? kEdge : -1;
    ASSERT_TRUE(ol->SetBasePicture(base));
    const QImage first = shown(*ol);
    ASSERT_EQ(first.size(), QSize(40, 30));
    const int32_t behind = ColourAt(std::make_shared<platform::StdPicture>(first), 1, 0);
    if (under >= 0) {
      EXPECT_EQ(behind, under);
    }
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        const uint8_t index = indices[static_cast<size_t>(y) * 40 + x];
        const Vesk_GIFRGBTRIPLE& e = palette[index];
        const int32_t want = index == 1 ? behind : Rgb(e.gRed, e.gGreen, e.gBlue);
        ASSERT_EQ(ColourAt(std::make_shared<platform::StdPicture>(first), x, y), want) << x << y;
      }

    Vesk_OLWCFType format;
    format.ForeColor = kInk;
    ASSERT_NE(ol->WriteCharacter("Kk", format), nullptr);
    EXPECT_NE(shown(*ol), first);
    ol->ResetOLPicture();
    EXPECT_EQ(shown(*ol), first);
    // Growth beyond the largest side fails after the block is placed: the base comes back.
    ol->TextAutoSize(true);
    format.Position = {ByNumber, static_cast<Vesk_GifMarginXEnum>(32760), myTop};
    EXPECT_EQ(ol->WriteCharacter("Kk", format), nullptr);
    EXPECT_NE(ol->ErrorNumber(), 0);
    ol->ResetError();
    EXPECT_EQ(shown(*ol), first);
  }
}

TEST_F(OverlayBaseTest, ResetWithoutEverABaseStaysEmpty) {
  ol_->ResetOLPicture();
  EXPECT_FALSE(ol_->HasPicture());
  EXPECT_EQ(ol_->BaseWidth(), 0);
  EXPECT_EQ(ol_->BaseHeight(), 0);
  EXPECT_EQ(ol_->ErrorNumber(), 0);
  EXPECT_EQ(ol_->GetOLPicture(), nullptr);
  EXPECT_EQ(ol_->ErrorNumber(), 3002);
}

}  // namespace
}  // namespace pellory
