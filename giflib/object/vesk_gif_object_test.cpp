#include "giflib/object/vesk_gif_object.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "giflib/engine/temp_bitmap.h"
#include "giflib/tests/gif_decode.h"
#include "giflib/tests/pictures.h"
#include "platform/dialogs/message_box.h"

namespace pellory {
namespace {

using testing::DecodeGif;
using testing::IndicesOf;
using testing::MakeIndexedPicture;
using testing::MakeRgbPicture;
using testing::PaletteOf;
using testing::TempFolder;

// A w x h picture whose pixel (x, y) has index (x + w * y) % colours.
Picture Ramp(int w, int h, int colours = 16) {
  std::vector<uint8_t> idx(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<uint8_t>(i % colours);
  return MakeIndexedPicture(w, h, testing::DistinctPalette(colours), idx);
}

class GifObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::PendingError() = {};
    boxes_ = std::make_shared<platform::ScriptedMessageBoxes>();
    previous_ = platform::SetMessageBoxBackend(boxes_);
    Use(gif_);
  }
  void TearDown() override {
    platform::SetMessageBoxBackend(previous_);
    EXPECT_EQ(temp_.CountEntries(), 0) << "temporary files left behind";
  }
  // Temporary files go to a folder of the test's own, so leftovers can be counted.
  void Use(Vesk_GifObject& g) {
    g.TempPathMode(UserCustom);
    g.TempPath(temp_.path());
  }
  Vesk_GifPictureType Held() const { return gif_.CurrentPictureData(); }

  TempFolder temp_;
  TempFolder out_;
  Vesk_GifObject gif_;
  std::shared_ptr<platform::ScriptedMessageBoxes> boxes_;
  std::shared_ptr<platform::MessageBoxBackend> previous_;
};

// ---- Loading and saving ----------------------------------------------------------------------

TEST_F(GifObjectTest, IndexedPictureRoundTripsThroughSaveAndGiflib) {
  std::vector<uint8_t> idx = {3, 1, 2, 0, 5, 4, 3, 3, 1, 0, 2, 7};
  auto palette = testing::DistinctPalette(8);
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(4, 3, palette, idx)));
  EXPECT_TRUE(gif_.HasPicture());
  EXPECT_EQ(gif_.PaletteSize(), 8);
  ASSERT_TRUE(gif_.SaveGifPicture(out_.File("a.gif")));
  auto d = DecodeGif(out_.File("a.gif"));
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.indices, idx);
  EXPECT_EQ(d.palette, palette);
  // Default options: the top-left pixel's colour is background and transparent colour.
  EXPECT_EQ(d.background, 3);
  EXPECT_EQ(d.transparentIndex, 3);
  EXPECT_EQ(gif_.BackColor(), palette[3].gRed | palette[3].gGreen << 8 | palette[3].gBlue << 16);
}

// Compression: literal codes unless asked; LZW writes the same picture in fewer bytes, and the
// setting travels with the transforms' results.
TEST_F(GifObjectTest, CompressionChoosesTheCodeStreamAndKeepsThePicture) {
  EXPECT_EQ(gif_.Compression(), LiteralCodes);
  ASSERT_TRUE(gif_.SetPicture(Ramp(64, 48)));
  ASSERT_TRUE(gif_.SaveGifPicture(out_.File("literal.gif")));
  gif_.Compression(static_cast<Vesk_GifCompressionEnum>(5));
  EXPECT_EQ(gif_.Compression(), LiteralCodes) << "an unknown value is ignored";
  gif_.Compression(LzwCodes);
  EXPECT_EQ(gif_.Compression(), LzwCodes);
  ASSERT_TRUE(gif_.SaveGifPicture(out_.File("lzw.gif")));
  const auto literal = DecodeGif(out_.File("literal.gif")), lzw = DecodeGif(out_.File("lzw.gif"));
  ASSERT_TRUE(lzw.ok) << lzw.error;
  EXPECT_EQ(lzw.indices, literal.indices);
  EXPECT_EQ(lzw.palette, literal.palette);
  EXPECT_EQ(lzw.transparentIndex, literal.transparentIndex);
  EXPECT_LT(std::filesystem::file_size(out_.File("lzw.gif")) * 3,
            std::filesystem::file_size(out_.File("literal.gif")));
  gif_.GetRotatePictureEX(30.0f, Continue);
  EXPECT_EQ(gif_.Compression(), LzwCodes) << "the transformed picture keeps the setting";
}

// One object saving a series: frames that share their indices share their codes, and a frame
// with other indices, or the same indices under a table of another code size, is coded anew.
TEST_F(GifObjectTest, SeriesSavedThroughOneObjectKeepsEveryFramesPixels) {
  std::vector<uint8_t> a(90 * 70), b(90 * 70);
  for (size_t i = 0; i < a.size(); ++i) {
    a[i] = static_cast<uint8_t>((i * 7 / 13) % 60);
    b[i] = static_cast<uint8_t>((i / 3) % 60);
  }
  struct Frame {
    std::vector<uint8_t> indices;
    int colours;
    uint8_t shift;
  };
  const std::vector<Frame> series = {
      {a, 60, 0}, {a, 60, 40}, {b, 60, 80}, {b, 200, 80}, {a, 60, 9}};
  for (size_t n = 0; n < series.size(); ++n) {
    auto palette = testing::DistinctPalette(series[n].colours);
    for (auto& e : palette) e.gBlue = static_cast<uint8_t>(e.gBlue + series[n].shift);
    ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(90, 70, palette, series[n].indices)));
    gif_.Compression(LzwCodes);
    const std::string name = out_.File("f" + std::to_string(n) + ".gif");
    ASSERT_TRUE(gif_.SaveGifPicture(name));
    const auto d = DecodeGif(name);
    ASSERT_TRUE(d.ok) << n << ": " << d.error;
    EXPECT_TRUE(d.indices == series[n].indices) << "frame " << n;
    EXPECT_EQ(d.palette[5], palette[5]) << "frame " << n;
  }
}

// Palette transforms that return their picture at once lend the source's pixels to the working
// picture: whatever happens, the source keeps them.
TEST_F(GifObjectTest, PaletteTransformsLeaveTheSourcePixelsInPlace) {
  std::vector<uint8_t> idx(40 * 30);
  for (size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<uint8_t>(i * 5 % 7);
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(40, 30, testing::DistinctPalette(7), idx)));
  for (int16_t shift : {30, -30}) {
    const Picture shifted = gif_.GetRGBPicture(shift, 0, 0, ReturnPicture);
    ASSERT_TRUE(shifted);
    EXPECT_EQ(shifted->Image().pixelIndex(3, 2), idx[2 * 40 + 3]);
    EXPECT_EQ(gif_.SourcePictureData().BitmapData, idx);
  }
  // A failing transform (a 16-bit overflow) gives them back too.
  EXPECT_FALSE(gif_.GetRGBPicture(32767, 0, 0, ReturnPicture));
  gif_.ResetError();
  EXPECT_EQ(gif_.SourcePictureData().BitmapData, idx);
  ASSERT_TRUE(gif_.GetGrayPicutre(ReturnPicture));
  ASSERT_TRUE(gif_.GetTransPicture(ReturnPicture));
  // A chain still starts from a copy of them.
  gif_.GetRGBPicture(10, 10, 10, Continue);
  const Picture turned = gif_.GetReversePicture(LeftRight, ReturnPicture);
  ASSERT_TRUE(turned);
  EXPECT_EQ(turned->Image().pixelIndex(39, 0), idx[0]);
  EXPECT_EQ(gif_.SourcePictureData().BitmapData, idx);
}

TEST_F(GifObjectTest, SavedGifLoadsBackWithTheSamePaletteIndicesAndTransparency) {
  std::vector<uint8_t> idx = {2, 0, 1, 2, 3, 3};
  auto palette = testing::DistinctPalette(4);
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(3, 2, palette, idx)));
  gif_.SetTransColorIndex(3);
  ASSERT_TRUE(gif_.SaveGifPicture(out_.File("t.gif")));
  Picture loaded = platform::LoadPicture(out_.File("t.gif"));
  EXPECT_EQ(IndicesOf(loaded), idx);
  EXPECT_EQ(PaletteOf(loaded), palette);
  EXPECT_EQ(qAlpha(loaded->Image().color(3)), 0);
  Vesk_GifObject again;
  Use(again);
  ASSERT_TRUE(again.SetPicture(loaded));
  EXPECT_EQ(again.CurrentPictureData().BitmapData, idx);
  EXPECT_EQ(again.CurrentPictureData().ColorTable, palette);
}

TEST_F(GifObjectTest, TrueColourPictureGetsExactPaletteOrReducedOrRefused) {
  std::vector<uint32_t> rgb(300);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint32_t>(i * 0x010203 % 0xFFFFFF);
  std::vector<uint32_t> few(rgb.begin(), rgb.begin() + 256);
  ASSERT_TRUE(gif_.SetPicture(MakeRgbPicture(16, 16, few)));
  EXPECT_EQ(gif_.PaletteSize(), 256);
  EXPECT_EQ(Held().ColorTable[1], (Vesk_GIFRGBTRIPLE{1, 2, 3}));

  ASSERT_TRUE(gif_.SetPicture(MakeRgbPicture(20, 15, rgb)));
  EXPECT_EQ(gif_.PaletteSize(), 256) << "reduced to the halftone palette";

  gif_.HandleOver256Color(false);
  EXPECT_FALSE(gif_.SetPicture(MakeRgbPicture(20, 15, rgb)));
  Vesk_ErrorInfoType info;
  EXPECT_EQ(gif_.ErrorInfo(info), 3028);
  EXPECT_EQ(info.MsgMode, 48);
  EXPECT_EQ(info.MethodName, "SetPicture(MakePalette)");
  EXPECT_FALSE(gif_.HasPicture());
}

TEST_F(GifObjectTest, NullOrEmptyPictureEmptiesTheObject) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(3, 3)));
  EXPECT_TRUE(gif_.SetPicture(nullptr));
  EXPECT_FALSE(gif_.HasPicture());
  ASSERT_TRUE(gif_.SetPicture(Ramp(3, 3)));
  EXPECT_TRUE(gif_.SetPicture(std::make_shared<platform::StdPicture>()));
  EXPECT_FALSE(gif_.HasPicture());
  EXPECT_EQ(gif_.ErrorNumber(), 0);
}

TEST_F(GifObjectTest, TooWidePictureIsRefusedAndThePreviousOneKept) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(3, 2)));
  EXPECT_FALSE(gif_.SetPicture(Ramp(32768, 1)));
  EXPECT_EQ(gif_.ErrorNumber(), 3025);
  EXPECT_TRUE(gif_.HasPicture());
  EXPECT_EQ(Held().GifSetting.biWidth, 3);
}

TEST_F(GifObjectTest, ColourOptionsKeepClientColoursThePaletteHolds) {
  auto palette = testing::DistinctPalette(4);
  std::vector<uint8_t> idx = {0, 1, 2, 3};
  const int32_t colour2 = palette[2].gRed | palette[2].gGreen << 8 | palette[2].gBlue << 16;
  gif_.BackColor(colour2);
  gif_.TransColor(0x123456);  // not in the palette: chosen automatically
  Vesk_GifSetPictureOptionEnum option = UnAutomatic;
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(2, 2, palette, idx), option));
  EXPECT_EQ(gif_.GetBackColorIndex(), 2);
  EXPECT_EQ(gif_.GetTransColorIndex(), 0);

  option = static_cast<Vesk_GifSetPictureOptionEnum>(7);
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(2, 2, palette, idx), option));
  EXPECT_EQ(option, Default);
  EXPECT_EQ(gif_.GetBackColorIndex(), 0);
}

TEST_F(GifObjectTest, SaveChecksComeInOrderAndNeverOverwrite) {
  EXPECT_FALSE(gif_.SaveGifPicture(out_.File("x.gif")));
  EXPECT_EQ(gif_.ErrorNumber(), 3002);
  gif_.ResetError();
  ASSERT_TRUE(gif_.SetPicture(Ramp(5, 5)));
  EXPECT_FALSE(gif_.SaveGifPicture(""));
  EXPECT_EQ(gif_.ErrorNumber(), 3011);
  gif_.ResetError();
  EXPECT_FALSE(gif_.SaveGifPicture(out_.File("a?.gif")));
  EXPECT_EQ(gif_.ErrorNumber(), 3012);
  gif_.ResetError();
  EXPECT_FALSE(gif_.SaveGifPicture(out_.File("missing/a.gif")));
  EXPECT_EQ(gif_.ErrorNumber(), 3009);
  gif_.ResetError();
  std::ofstream(out_.File("old.gif")) << "keep me";
  EXPECT_FALSE(gif_.SaveGifPicture(out_.File("old.gif")));
  EXPECT_EQ(gif_.ErrorNumber(), 3010);
  EXPECT_EQ(std::filesystem::file_size(out_.File("old.gif")), 7u);
  gif_.ResetError();
  // Backslashes separate folders too.
  std::filesystem::create_directory(out_.File("sub"));
  EXPECT_TRUE(gif_.SaveGifPicture(out_.path() + "\\sub\\b.gif"));
  EXPECT_TRUE(DecodeGif(out_.File("sub/b.gif")).ok);
}

TEST_F(GifObjectTest, UnwritableTargetNamesTheEngineProcedure) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(5, 5)));
  std::filesystem::create_directory(out_.File("ro"));
  std::filesystem::permissions(
      out_.File("ro"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  const bool rootCanWrite = ::access(out_.File("ro").c_str(), W_OK) == 0;
  if (!rootCanWrite) {
    EXPECT_FALSE(gif_.SaveGifPicture(out_.File("ro/a.gif")));
    Vesk_ErrorInfoType info;
    EXPECT_EQ(gif_.ErrorInfo(info), 2104);
    EXPECT_EQ(info.MethodName, "SaveGifPicture(MakeGifFile)");
  }
  std::filesystem::permissions(out_.File("ro"), std::filesystem::perms::owner_all);
}

// ---- The error latch -------------------------------------------------------------------------

TEST_F(GifObjectTest, LatchedErrorRefusesAndCountsUntilCleared) {
  EXPECT_EQ(gif_.GetStretchPicture(2.0f), nullptr);
  EXPECT_EQ(gif_.ErrorNumber(), 3002);
  ASSERT_TRUE(gif_.SetPicture(Ramp(4, 4)));  // clears the latch
  gif_.GetStretchPicture(-1.0f);
  EXPECT_EQ(gif_.ErrorNumber(), 3020);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(gif_.GetRotatePicture(Angle90), nullptr);
  EXPECT_FALSE(gif_.SaveGifPicture(out_.File("r.gif")));
  EXPECT_FALSE(std::filesystem::exists(out_.File("r.gif")));
  Vesk_ErrorInfoType info;
  gif_.ErrorInfo(info);
  EXPECT_EQ(info.ErrorCallCount, 11);
  EXPECT_EQ(info.MethodName, "GetStretchPicture");
  for (int i = 0; i < 2000; ++i) gif_.GetPalette();
  gif_.ErrorInfo(info);
  EXPECT_EQ(info.ErrorCallCount, 1000);
  // Reads still work while latched.
  EXPECT_EQ(gif_.GetPointColorIndex(1, 0), 1);
  gif_.ResetError();
  EXPECT_EQ(gif_.ErrorInfo(info), 0);
  EXPECT_EQ(info.MethodName, "GetStretchPicture") << "refused calls do not take the name";
  EXPECT_NE(gif_.GetRotatePicture(Angle90), nullptr);

  gif_.GetStretchPicture(0.0f);
  gif_.ClearTempPicture();
  EXPECT_EQ(gif_.ErrorNumber(), 0);
  gif_.GetStretchPicture(0.0f);
  gif_.ClearPicture();
  EXPECT_EQ(gif_.ErrorNumber(), 0);
  EXPECT_FALSE(gif_.HasPicture());
  EXPECT_EQ(gif_.TempPathMode(), AppPath) << "ClearPicture restores every property";
}

TEST_F(GifObjectTest, TestModeShowsMessagesOnlyFromTheSourceSetting) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(4, 4)));
  gif_.GetStretchPicture(2.0f, Continue);
  gif_.ExecuteMode(pellory::Test);  // set on the working copy only
  gif_.GetStretchPicture(0.0f);
  EXPECT_TRUE(boxes_->shown.empty());
  gif_.ClearTempPicture();
  EXPECT_EQ(gif_.ExecuteMode(), Nontest);
  gif_.ExecuteMode(pellory::Test);
  gif_.GetStretchPicture(0.0f);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].style, 48);
  EXPECT_EQ(boxes_->shown[0].title, "Pellory.DLL\u3000エラーメッセージ");
  EXPECT_NE(boxes_->shown[0].text.find("<Method Name : GetStretchPicture>"), std::string::npos);
}

TEST_F(GifObjectTest, PixelRoutineOverflowBecomesError2000WithRuntimeDetail) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(4, 4)));
  EXPECT_EQ(gif_.GetRGBPicture(32767, 0, 0), nullptr);
  Vesk_ErrorInfoType info;
  EXPECT_EQ(gif_.ErrorInfo(info), 2000);
  EXPECT_EQ(info.MsgMode, 16);
  EXPECT_EQ(info.SysErrNumber, 6);
  EXPECT_EQ(info.MethodName, "GetRGBPicture(Actual_GetRGBPicture)");
}

// ---- Chains ----------------------------------------------------------------------------------

TEST_F(GifObjectTest, ChainedTransformsSeeEachOthersResultAndLeaveTheSourceAlone) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(3, 2)));
  const auto source = gif_.SourcePictureData();
  EXPECT_EQ(gif_.GetStretchPicture(2.0f, Continue), nullptr);
  EXPECT_TRUE(gif_.ChainOpen());
  EXPECT_EQ(Held().GifSetting.biWidth, 6) << "properties read the working picture";
  Picture p = gif_.GetRotatePicture(Angle90, ReturnPicture);
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(gif_.ChainOpen());
  EXPECT_EQ(p->Image().width(), 4);
  EXPECT_EQ(p->Image().height(), 6);
  EXPECT_EQ(gif_.SourcePictureData().BitmapData, source.BitmapData);
  EXPECT_FLOAT_EQ(gif_.IncLeft(), -0.5f);
  EXPECT_FLOAT_EQ(gif_.IncTop(), -2.0f);
}

TEST_F(GifObjectTest, SetPictureAndClearTempPictureEndAChain) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(3, 2)));
  gif_.GetStretchPicture(3.0f, Continue);
  ASSERT_TRUE(gif_.SetPicture(Ramp(5, 4)));
  EXPECT_FALSE(gif_.ChainOpen());
  Picture p = gif_.GetRotatePicture(Angle0);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Image().width(), 5);
  gif_.GetStretchPicture(3.0f, Continue);
  gif_.ClearTempPicture();
  EXPECT_EQ(gif_.GetRotatePicture(Angle0)->Image().width(), 5);
}

TEST_F(GifObjectTest, SaveDuringChainWritesTheWorkingPictureAndKeepsTheChain) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(3, 2)));
  gif_.GetStretchPicture(2.0f, Continue);
  ASSERT_TRUE(gif_.SaveGifPicture(out_.File("w.gif")));
  EXPECT_TRUE(gif_.ChainOpen());
  auto d = DecodeGif(out_.File("w.gif"));
  EXPECT_EQ(d.imageWidth, 6);
  EXPECT_EQ(d.imageHeight, 4);
}

TEST_F(GifObjectTest, TransformedChainSavesWhatGiflibDecodesPixelForPixel) {
  // 3 x 2: a b c / d e f. A quarter turn clockwise then a left-right mirror is the transpose.
  std::vector<uint8_t> idx = {0, 1, 2, 3, 4, 5};
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(3, 2, testing::DistinctPalette(6), idx)));
  gif_.GetRotatePicture(Angle90, Continue);
  gif_.GetReversePicture(LeftRight, Continue);
  gif_.GetGrayPicutre(Continue);
  ASSERT_TRUE(gif_.SaveGifPicture(out_.File("chain.gif")));
  auto d = DecodeGif(out_.File("chain.gif"));
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.imageWidth, 2);
  EXPECT_EQ(d.indices, (std::vector<uint8_t>{0, 3, 1, 4, 2, 5}));
  for (const auto& e : d.palette) {
    EXPECT_EQ(e.gRed, e.gGreen);
    EXPECT_EQ(e.gGreen, e.gBlue);
  }
  EXPECT_EQ(gif_.SourcePictureData().BitmapData, idx) << "the source never changes";
  gif_.ClearTempPicture();
}

TEST_F(GifObjectTest, ReturnedPictureKeepsPaletteIndicesAndTransparency) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(4, 3, 5)));
  Picture p = gif_.GetTransPicture();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(IndicesOf(p), Held().BitmapData);
  auto palette = PaletteOf(p);
  palette.resize(5);
  EXPECT_EQ(palette, testing::DistinctPalette(5));
  EXPECT_EQ(qAlpha(p->Image().color(0)), 0) << "top-left index is transparent";
  EXPECT_EQ(qAlpha(p->Image().color(1)), 255);
}

TEST_F(GifObjectTest, FailedCheckLeavesAnOpenChainAsItWas) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(4, 4)));
  gif_.GetStretchPicture(2.0f, Continue);
  EXPECT_EQ(gif_.GetStretchPicture(0.001f), nullptr);
  Vesk_ErrorInfoType info;
  EXPECT_EQ(gif_.ErrorInfo(info), 2000) << "a side that rounds to nothing";
  EXPECT_EQ(info.MsgMode, 16);
  EXPECT_TRUE(gif_.ChainOpen());
  EXPECT_EQ(Held().GifSetting.biWidth, 8);
  gif_.ResetError();
  gif_.GetMarginPictureEX(0.5f, 1.0f, mxCenter, myCenter);
  EXPECT_EQ(gif_.ErrorNumber(), 3022);
  EXPECT_EQ(Held().GifSetting.biWidth, 8);
  gif_.ResetError();
  EXPECT_EQ(gif_.GetStretchPicture(1e6f), nullptr);
  EXPECT_EQ(gif_.ErrorNumber(), 3020);
  EXPECT_TRUE(gif_.ChainOpen());
}

TEST_F(GifObjectTest, OrderOutsideItsRangeIsReturnPictureAndWrittenBack) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(4, 4)));
  auto order = static_cast<Vesk_GifOrderEnum>(5);
  EXPECT_NE(gif_.GetTransPicture(order), nullptr);
  EXPECT_EQ(order, ReturnPicture);
  // Grey does not normalise: 5 still returns the picture.
  EXPECT_NE(gif_.GetGrayPicutre(static_cast<Vesk_GifOrderEnum>(5)), nullptr);
}

// ---- Geometry through the object ------------------------------------------------------------

TEST_F(GifObjectTest, RightAngleArgumentsAreNormalisedIntoTheCallersVariable) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(3, 2)));
  auto angle = static_cast<Vesk_GifRotateAngleEnum>(180);
  Picture half = gif_.GetRotatePicture(angle);
  EXPECT_EQ(angle, Angle180);
  EXPECT_EQ(half->Image().width(), 3);
  angle = static_cast<Vesk_GifRotateAngleEnum>(450);
  EXPECT_EQ(gif_.GetRotatePicture(angle)->Image().width(), 2);
  EXPECT_EQ(angle, Angle90);
  angle = static_cast<Vesk_GifRotateAngleEnum>(-1);
  gif_.GetRotatePicture(angle);
  EXPECT_EQ(angle, Angle270);
  auto reverse = static_cast<Vesk_GifReverseEnum>(9);
  gif_.GetReversePicture(reverse);
  EXPECT_EQ(reverse, TopBottom);
}

TEST_F(GifObjectTest, SecondFreeTurnIsCutBackToTheSourceDiagonal) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(40, 10)));
  const int16_t limit = gif_.SourcePictureData().GifSetting.LimitWidth;
  EXPECT_EQ(limit, 41);  // Round(sqrt(1700))
  gif_.GetRotatePictureEX(45.0f, Continue);
  gif_.GetRotatePictureEX(45.0f, Continue);
  EXPECT_LE(Held().GifSetting.biWidth, limit);
  EXPECT_LE(Held().GifSetting.biHeight, limit);
  const int32_t w = Held().GifSetting.biWidth;
  Picture p = gif_.GetRotatePictureEX(0.0f);
  EXPECT_EQ(p->Image().width(), w);
}

TEST_F(GifObjectTest, QuarterFreeTurnSwapsTheSides) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(7, 4)));
  Picture p = gif_.GetRotatePictureEX(90.0f);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Image().width(), 4);
  EXPECT_EQ(p->Image().height(), 7);
  p = gif_.GetRotatePictureEX(-90.0f);
  EXPECT_EQ(p->Image().width(), 4);
}

TEST_F(GifObjectTest, StretchLimitAndRatiosFollowTheChain) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(30, 40)));
  gif_.GetStretchPicture(3.0f, Continue);
  EXPECT_EQ(Held().GifSetting.LimitWidth, 150) << "diagonal of the 90 x 120 working picture";
  gif_.GetStretchPicture(1.0f / 3.0f, Continue);
  EXPECT_EQ(Held().GifSetting.biWidth, 30);
  EXPECT_EQ(Held().GifSetting.LimitWidth, 50) << "back to the source's limit";
  gif_.ClearTempPicture();
}

TEST_F(GifObjectTest, TrimAndMarginsThroughTheObject) {
  std::vector<uint8_t> idx(25, 0);
  idx[12] = 1;  // one pixel in a 5 x 5 field of background
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(5, 5, testing::DistinctPalette(2), idx)));
  Picture p = gif_.GetTrimPicture();
  ASSERT_NE(p, nullptr) << gif_.ErrorNumber();
  EXPECT_EQ(p->Image().width(), 1);

  Vesk_MarginType trim{2, 0, 0, 0};
  p = gif_.GetTrimPictureEX(trim);
  ASSERT_NE(p, nullptr) << gif_.ErrorNumber();
  EXPECT_EQ(p->Image().width(), 5) << "any zero amount cuts nothing";
  trim = {1, 1, 1, 1};
  p = gif_.GetTrimPictureEX(trim);
  ASSERT_NE(p, nullptr) << gif_.ErrorNumber();
  EXPECT_EQ(p->Image().width(), 3);
  trim = {3, 0, 2, 0};
  EXPECT_EQ(gif_.GetTrimPictureEX(trim), nullptr);
  EXPECT_EQ(gif_.ErrorNumber(), 3021);
  gif_.ResetError();

  Vesk_MarginType margin{1, 2, 3, 4};
  p = gif_.GetMarginPicture(margin);
  ASSERT_NE(p, nullptr) << gif_.ErrorNumber();
  EXPECT_EQ(p->Image().width(), 9);
  EXPECT_EQ(p->Image().height(), 11);
  margin.trLeft = -1;
  EXPECT_EQ(gif_.GetMarginPicture(margin), nullptr);
  EXPECT_EQ(gif_.ErrorNumber(), 3022);
}

TEST_F(GifObjectTest, RelativeMarginPlacesThePictureOnTheRight) {
  std::vector<uint8_t> idx(100, 1);
  idx[0] = 0;  // background index 0 from the top-left pixel
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(10, 10, testing::DistinctPalette(2), idx)));
  auto x = static_cast<Vesk_GifMarginXEnum>(mxRight);
  auto y = static_cast<Vesk_GifMarginYEnum>(7);
  Picture p = gif_.GetMarginPictureEX(2.0f, 1.0f, x, y);
  EXPECT_EQ(y, myCenter);
  ASSERT_EQ(p->Image().width(), 20);
  ASSERT_EQ(p->Image().height(), 10);
  auto out = IndicesOf(p);
  for (int row = 0; row < 10; ++row)
    for (int col = 0; col < 20; ++col)
      EXPECT_EQ(out[row * 20 + col], col < 10 ? 0 : idx[row * 10 + col - 10]) << col << "," << row;
}

// ---- Colour indices and palette --------------------------------------------------------------

TEST_F(GifObjectTest, EasyColoursTakeTheTopLeftPixel) {
  std::vector<uint8_t> idx = {5, 1, 2, 3};
  auto palette = testing::DistinctPalette(8);
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(2, 2, palette, idx)));
  gif_.SetBackColorIndex(1);
  const int32_t before = gif_.BackColor();
  EXPECT_EQ(gif_.SetEasyBackColor(), before);
  EXPECT_EQ(gif_.GetBackColorIndex(), 5);
  EXPECT_EQ(gif_.BackColor(), palette[5].gRed | palette[5].gGreen << 8 | palette[5].gBlue << 16);
}

TEST_F(GifObjectTest, IndexSettersCheckThePaletteBounds) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(4, 4, 16)));
  EXPECT_EQ(gif_.SetBackColorIndex(255), 0) << "returns the old index";
  EXPECT_EQ(gif_.ErrorNumber(), 3013);
  gif_.ResetError();
  EXPECT_EQ(gif_.SetBackColorIndex(15), 0);
  EXPECT_EQ(gif_.GetBackColorIndex(), 15);
  gif_.SetTransColorIndex(16);
  EXPECT_EQ(gif_.ErrorNumber(), 3014);
}

TEST_F(GifObjectTest, AssigningAColourRecoloursItsEntry) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(4, 4, 16)));  // back and trans index both 0
  gif_.BackColor(0x00FF00);
  EXPECT_EQ(gif_.TransColor(), 0x00FF00);
  EXPECT_EQ(Held().ColorTable[0], (Vesk_GIFRGBTRIPLE{0, 255, 0}));
  gif_.BackColor(static_cast<int32_t>(0x80000005u));
  EXPECT_EQ(gif_.BackColor(), 0xFFFFFF) << "system window colour";
}

TEST_F(GifObjectTest, ColourAndPointLookups) {
  auto palette = testing::DistinctPalette(4);
  palette[3] = palette[1];
  std::vector<uint8_t> idx = {0, 1, 2, 3};
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(2, 2, palette, idx)));
  const int32_t c1 = palette[1].gRed | palette[1].gGreen << 8 | palette[1].gBlue << 16;
  EXPECT_EQ(gif_.GetColorIndex(c1), 1);
  EXPECT_EQ(gif_.GetColorIndex(0x010203), -1);
  EXPECT_EQ(gif_.GetPointColorIndex(1, 1), 3);
  EXPECT_EQ(gif_.GetPointColorIndex(2, 0), -1);
  EXPECT_EQ(gif_.GetPointColorIndex(-1, 0), -1);
  EXPECT_EQ(gif_.ErrorNumber(), 0);
}

TEST_F(GifObjectTest, PaletteReadAndReplacedWholeOnly) {
  ASSERT_TRUE(gif_.SetPicture(Ramp(2, 2, 4)));
  std::vector<uint8_t> bytes = gif_.GetPalette();
  ASSERT_EQ(bytes.size(), 12u);
  bytes.pop_back();
  EXPECT_FALSE(gif_.SetPalette(bytes));
  EXPECT_EQ(gif_.ErrorNumber(), 3015);
  EXPECT_EQ(gif_.GetPalette().size(), 0u) << "refused while latched";
  gif_.ResetError();
  std::vector<uint8_t> mine(12, 9);
  mine[0] = 200;
  ASSERT_TRUE(gif_.SetPalette(mine));
  EXPECT_EQ(gif_.GetPalette(), mine);
  EXPECT_EQ(gif_.BackColor(), 200 | 9 << 8 | 9 << 16);
}

// ---- Colour transforms through the object ----------------------------------------------------

TEST_F(GifObjectTest, MaskAndSpriteFormARasterPair) {
  std::vector<uint8_t> idx = {0, 1, 2, 0};
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(2, 2, testing::DistinctPalette(3), idx)));
  Picture mask = gif_.GetMaskPicture();
  EXPECT_EQ(IndicesOf(mask), (std::vector<uint8_t>{0, 1, 1, 0}));
  auto palette = PaletteOf(mask);
  EXPECT_EQ(palette[0], (Vesk_GIFRGBTRIPLE{255, 255, 255}));
  EXPECT_EQ(palette[1], (Vesk_GIFRGBTRIPLE{0, 0, 0}));
  gif_.SetBackColorIndex(1);
  Picture sprite = gif_.GetSpritePicture();
  EXPECT_EQ(PaletteOf(sprite)[1], (Vesk_GIFRGBTRIPLE{0, 0, 0}));
  EXPECT_EQ(gif_.BackColor(), 1 | 254 << 8 | 37 << 16) << "source colour unchanged";
}

TEST_F(GifObjectTest, MeshFillsCellsWithTheTransparentIndex) {
  std::vector<uint8_t> idx(16, 1);
  idx[0] = 0;
  ASSERT_TRUE(gif_.SetPicture(MakeIndexedPicture(4, 4, testing::DistinctPalette(2), idx)));
  gif_.SetTransColorIndex(0);
  std::vector<uint8_t> want = {0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 1, 1, 0, 0};
  EXPECT_EQ(IndicesOf(gif_.GetMeshPicture(Mesh2p)), want);
  EXPECT_EQ(IndicesOf(gif_.GetMeshPicture(NoMesh)), idx);
}

// ---- Temporary files and registration --------------------------------------------------------

TEST_F(GifObjectTest, NoTemporaryFileSurvivesAFailedReturn) {
  TempFolder doomed;
  Vesk_GifObject g;
  g.TempPathMode(UserCustom);
  g.TempPath(doomed.path());
  ASSERT_TRUE(g.SetPicture(Ramp(4, 4)));
  EXPECT_EQ(doomed.CountEntries(), 0);
  g.GetStretchPicture(2.0f, Continue);
  g.TempPath("/no/such/folder/at/all");
  EXPECT_EQ(g.GetStretchPicture(0.5f), nullptr);
  Vesk_ErrorInfoType info;
  EXPECT_EQ(g.ErrorInfo(info), 3004);
  EXPECT_EQ(info.MethodName, "GetStretchPicture(GetTempFilePathClass)");
  EXPECT_FALSE(g.ChainOpen()) << "the chain ends even when the return fails";
  EXPECT_EQ(doomed.CountEntries(), 0);
}

TEST_F(GifObjectTest, DefaultTempFolderIsLeftClean) {
  auto count = [] {
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(engine::LibraryFolder()))
      n += e.path().extension() == ".tmp";
    return n;
  };
  const int before = count();
  Vesk_GifObject g;  // AppPath: beside the library
  ASSERT_TRUE(g.SetPicture(Ramp(6, 6)));
  ASSERT_NE(g.GetRotatePictureEX(30.0f), nullptr);
  EXPECT_EQ(count(), before);
}

TEST(GifObjectRegistry, CreatedByProgIdAndClassId) {
  auto a = platform::CreateComObjectAs<Vesk_GifObject>("Pellory.Vesk_GifObject");
  ASSERT_NE(a, nullptr);
  auto b = platform::CreateComObjectAs<Vesk_GifObject>("{ee6c4a14-6309-429c-b389-bcb04f8e2977}");
  EXPECT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(platform::ClsidOfProgId("Pellory.Vesk_GifObject"), Vesk_GifObject::kClassId);
}

}  // namespace
}  // namespace pellory
