// SPDX-License-Identifier: GPL-3.0-or-later
// The "GIF" choices of the windows and the batch commands: photographs come in reduced to one
// palette of their own, shared by every frame of a series, and the transparent colour is the
// one the user chose, or none.
#include "app/gif_options.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <set>

#include "app/cli/tests/cli_run.h"
#include "app/editor_files.h"
#include "app/editors/rotation/rotation_window.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/main_window.h"
#include "app/windows.h"
#include "giflib/tests/pictures.h"

namespace kestrin {
namespace {

using testing::DecodeGif;
using testing::RunCli;

constexpr int kW = 64, kH = 48;

QRgb PhotoPixel(int x, int y) {
  return qRgb(30 + x * 200 / kW, 20 + y * 220 / kH,
              static_cast<int>(128 + 100 * std::sin((x + 2 * y) / 9.0)));
}

// A photograph-like PNG: thousands of colours in smooth gradients.
void WritePhoto(const std::string& path) {
  QImage image(kW, kH, QImage::Format_RGB32);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) image.setPixel(x, y, PhotoPixel(x, y));
  ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

// Colours a decoded GIF shows, as 0xRRGGBB.
std::set<uint32_t> ShownColours(const testing::DecodedGif& d) {
  std::set<uint32_t> colours;
  for (uint8_t i : d.indices) {
    const auto& e = d.palette.at(i);
    colours.insert(uint32_t{e.gRed} << 16 | e.gGreen << 8 | e.gBlue);
  }
  return colours;
}

class GifOptionsTest : public testing::AppTest {
 protected:
  void OpenThroughMenu(const char* item, const std::string& path) {
    Answer(path);
    windows::MDIF1().MenuItem(item)->trigger();
    testing::Settle();
  }
  testing::TempFolder window_, batch_;
};

TEST_F(GifOptionsTest, WindowsOfferTheChoicesWithTheBetterOnesChosen) {
  RotationWindow& w = windows::Dialog();
  EXPECT_EQ(w.ReductionBox().Text(), "最適パレット＋ディザ");
  ASSERT_NE(w.TransparencyBox(), nullptr);
  EXPECT_EQ(w.TransparencyBox()->Text(), "左上の色");
  GifOptions o = w.Options();
  EXPECT_EQ(o.compression, pellory::LzwCodes);
  EXPECT_EQ(o.reduction, pellory::rcAdaptiveDither);
  EXPECT_EQ(o.transparency, TransparencyChoice::TopLeft);

  w.ReductionBox().setCurrentIndex(0);
  EXPECT_EQ(w.Options().reduction, pellory::rcHalftone) << "the way back";
  w.TransparencyBox()->setCurrentIndex(1);
  EXPECT_EQ(w.Options().transparency, TransparencyChoice::None);

  // "指定色" takes the colour clicked in the unedited picture; until then the top-left one.
  const std::string input = temp_.File("stripes.gif");
  testing::WriteGif(testing::Stripes(20, 20), input);
  w.IM1().SetPicture(platform::LoadPicture(input));
  w.TransparencyBox()->setCurrentIndex(2);
  EXPECT_EQ(w.Options().transparency, TransparencyChoice::TopLeft);
  w.IM1().onMouseDown(1, 0, 5, 7);
  o = w.Options();
  ASSERT_EQ(o.transparency, TransparencyChoice::Picked);
  const QRgb c = w.IM1().GetPicture()->Image().pixel(5, 7);
  EXPECT_EQ(o.transparentColour, qRed(c) | qGreen(c) << 8 | qBlue(c) << 16);
  EXPECT_EQ(w.TransparencyBox()->Text(), "指定色 " + HexColour(o.transparentColour));

  // The transparency editor's composites are opaque: it has no such choice.
  EXPECT_EQ(windows::Dialog5().TransparencyBox(), nullptr);
}

// A PNG photograph through the rotation editor: one palette built from it, close to it, for every
// frame; the batch command writes the same files.
TEST_F(GifOptionsTest, PhotographsOpenAndEveryFrameSharesOnePaletteMadeFromThem) {
  const std::string photo = temp_.File("photo.png");
  WritePhoto(photo);
  OpenThroughMenu("munOpen", photo);
  EXPECT_EQ(files_->requests.back().filter, kOpenPictureFilter);
  RotationWindow& w = windows::Dialog();
  ASSERT_NE(w.IM1().GetPicture(), nullptr);
  w.kakudo().SetText("360");
  w.Text1().SetText("90");
  w.Option1().SetValue(true);
  w.Command1().click();
  Answer(window_.File("chosen.gif"));
  w.Command3().click();
  ASSERT_TRUE(boxes_->shown.empty()) << boxes_->shown.front().text;

  std::set<uint32_t> all;
  for (const char* name : {"R0.gif", "R90.gif", "R180.gif", "R270.gif"}) {
    const auto d = DecodeGif(window_.File(name));
    ASSERT_TRUE(d.ok) << name << ": " << d.error;
    const auto shown = ShownColours(d);
    all.insert(shown.begin(), shown.end());
  }
  EXPECT_LE(all.size(), 256u) << "the frames do not share one palette";

  const auto first = DecodeGif(window_.File("R0.gif"));
  double error = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const auto& e = first.palette.at(first.indices.at(y * first.imageWidth + x));
      const QRgb p = PhotoPixel(x, y);
      error += std::abs(e.gRed - qRed(p)) + std::abs(e.gGreen - qGreen(p)) +
               std::abs(e.gBlue - qBlue(p));
    }
  EXPECT_LT(error / (3.0 * kW * kH), 6.0) << "not a palette made from the picture";

  windows::Unload(WindowId::Dialog);
  testing::Settle();
  const auto r = RunCli({"rotate", "--input", photo, "--angle", "360", "--increment", "90",
                         "--direction", "right", "--out", batch_.path()});
  ASSERT_EQ(r.status, 0) << r;
  testing::ExpectSameFiles(window_.path(), batch_.path());
}

// Stripes whose border (index 0) is the top-left colour; colour 3 is elsewhere.
TEST_F(GifOptionsTest, TheTransparentColourIsTheOneChosenOrNone) {
  const auto stripes = testing::Stripes(24, 16);
  const auto palette = pellory::testing::DistinctPalette(6);
  const int32_t third = palette[3].gRed | palette[3].gGreen << 8 | palette[3].gBlue << 16;
  auto saved = [&](const GifOptions& o, const std::string& name) {
    GifObject gif;
    EXPECT_TRUE(SetPictureWith(gif, stripes, o));
    EXPECT_TRUE(gif.SaveGifPicture(temp_.File(name))) << gif.ErrorNumber();
    const auto d = DecodeGif(temp_.File(name));
    EXPECT_TRUE(d.ok) << d.error;
    return d;
  };
  GifOptions o;
  auto d = saved(o, "top-left.gif");
  ASSERT_GE(d.transparentIndex, 0);
  EXPECT_EQ(d.palette[d.transparentIndex], palette[0]);

  o.transparency = TransparencyChoice::None;
  EXPECT_EQ(saved(o, "none.gif").transparentIndex, -1);

  o.transparency = TransparencyChoice::Picked;
  o.transparentColour = third;
  d = saved(o, "picked.gif");
  ASSERT_GE(d.transparentIndex, 0);
  EXPECT_EQ(d.palette[d.transparentIndex], palette[3]);

  // A colour the picture does not have: no pixel becomes a hole, not even the top-left ones.
  o.transparentColour = 0x010203;
  EXPECT_EQ(saved(o, "absent.gif").transparentIndex, -1);
}

TEST_F(GifOptionsTest, BatchCommandsTakeTheSameChoices) {
  const std::string input = temp_.File("in.gif");
  testing::WriteGif(testing::Stripes(24, 16), input);
  auto mesh = [&](std::vector<std::string> extra, const std::string& out) {
    std::vector<std::string> args = {"mesh",    "--input",        input,   "--size", "2",
                                     "--order", "fine-to-coarse", "--out", out};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunCli(args);
  };
  for (const auto& bad : std::vector<std::vector<std::string>>{
           {"--palette", "best"}, {"--transparent", "#12345"}, {"--transparent", "corner"}}) {
    const auto r = mesh(bad, batch_.path());
    EXPECT_EQ(r.status, 2) << bad[1];
    EXPECT_NE(r.err.find("--" + bad[0].substr(2)), std::string::npos) << r.err;
  }
  EXPECT_TRUE(testing::Listing(batch_.path()).empty());

  auto r = mesh({"--transparent", "none", "--palette", "halftone"}, batch_.path());
  ASSERT_EQ(r.status, 0) << r;
  for (const std::string& name : testing::Listing(batch_.path()))
    EXPECT_EQ(DecodeGif(batch_.File(name)).transparentIndex, -1) << name;

  const auto palette = pellory::testing::DistinctPalette(6);
  char hex[8];
  std::snprintf(hex, sizeof hex, "#%02X%02X%02X", palette[2].gRed, palette[2].gGreen,
                palette[2].gBlue);
  r = mesh({"--transparent", hex}, window_.path());
  ASSERT_EQ(r.status, 0) << r;
  const auto d = DecodeGif(window_.File("Mesh0.gif"));
  ASSERT_GE(d.transparentIndex, 0);
  EXPECT_EQ(d.palette[d.transparentIndex], palette[2]);
}

}  // namespace
}  // namespace kestrin
