// The comment editor's logic: the checks of a preview, the picture it composes and the save.
#include "app/editors/comment/comment_preview.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QRect>
#include <functional>
#include <set>
#include <utility>

#include "app/tests/app_fixture.h"
#include "giflib/tests/pictures.h"

namespace kestrin {
namespace {

using testing::AppTest;
using ::testing::HasSubstr;

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kRed = 0xFF0000;

// A w x h picture of one grey: in a preview, every pixel that differs from the top-left one
// belongs to the comment.
platform::Picture Plain(int w, int h) {
  const std::vector<uint8_t> indices(static_cast<size_t>(w) * h, 0);
  return pellory::testing::MakeIndexedPicture(w, h, {{200, 200, 200}, {0, 0, 0}}, indices);
}

QRgb At(const platform::Picture& p, int x, int y) {
  return p->Image().pixel(x, y) & 0xFFFFFF;
}

using Pixels = std::set<std::pair<int, int>>;

Pixels PixelsOf(const platform::Picture& p, QRgb colour) {
  Pixels out;
  for (int y = 0; y < p->Image().height(); ++y)
    for (int x = 0; x < p->Image().width(); ++x)
      if (At(p, x, y) == colour) out.insert({x, y});
  return out;
}

// The comment's pixels: those that differ from the background, the top-left pixel.
Pixels Ink(const platform::Picture& p) {
  Pixels out;
  const QRgb background = At(p, 0, 0);
  for (int y = 0; y < p->Image().height(); ++y)
    for (int x = 0; x < p->Image().width(); ++x)
      if (At(p, x, y) != background) out.insert({x, y});
  return out;
}

// The pixels around a set that a square of 3 x 3 pixels reaches, the set itself excluded.
Pixels SquareRing(const Pixels& inner) {
  Pixels out;
  for (const auto& [x, y] : inner)
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        if (!inner.count({x + dx, y + dy})) out.insert({x + dx, y + dy});
  return out;
}

// The ink's bounding box.
QRect Bounds(const Pixels& pixels) {
  QRect r;
  for (const auto& [x, y] : pixels) r |= QRect(x, y, 1, 1);
  return r;
}

class CommentPreviewTest : public AppTest {
 protected:
  // Every setting chosen: red text in the middle of a 160 x 60 picture, transparent background.
  CommentSettings Complete() {
    CommentSettings s;
    s.overPicture = true;
    s.vertical = 2;
    s.horizontal = 1;
    s.lineAlignment = 0;
    s.background = 0;
    s.faceText = "ＭＳ Ｐゴシック";
    s.sizeText = "12";
    s.colourTarget = kLineColour;
    s.red = 255;
    s.comment = "Kestrin";
    s.font = std::make_shared<platform::StdFont>();
    s.original = Plain(160, 60);
    return s;
  }
  platform::Picture Preview(const CommentSettings& s) {
    const std::optional<platform::Picture> shown = preview_.UpdateCommentPreview(s);
    EXPECT_TRUE(shown.has_value());
    return shown.value_or(nullptr);
  }

  CommentState state_;
  CommentPreview preview_{state_};
};

TEST_F(CommentPreviewTest, NamesTheFirstMissingSettingInStepOrderAndLeavesThePreview) {
  CommentSettings s;
  s.comment = "Kestrin";
  s.font = std::make_shared<platform::StdFont>();
  s.original = Plain(160, 60);
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"表示方法を選択してください。", [&] { s.apartFromPicture = true; }},
      {"フォントを選択してください。", [&] { s.faceText = "ＭＳ Ｐゴシック"; }},
      {"フォントサイズを選択してください。", [&] { s.sizeText = "12"; }},
      {"カラーを選択してください。", [&] { s.colourTarget = kBorderColour; }},
      {"縦表示を選択してください。", [&] { s.vertical = 0; }},
      {"横表示を選択してください。", [&] { s.horizontal = 2; }},
      {"コメントライン揃えを選択してください。", [&] { s.lineAlignment = 1; }},
      {"背景を選択してください。", [&] { s.background = 1; }},
  };
  std::vector<std::string> expected;
  for (const auto& [message, choose] : steps) {
    EXPECT_EQ(preview_.UpdateCommentPreview(s), std::nullopt) << message;
    expected.push_back(message);
    EXPECT_EQ(testing::Texts(*boxes_), expected);
    EXPECT_EQ(state_.CommentPicture, nullptr);
    choose();
  }
  const platform::Picture made = Preview(s);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(state_.CommentPicture, made);
  EXPECT_EQ(boxes_->shown.size(), steps.size());
}

TEST_F(CommentPreviewTest, AMissingBackgroundKeepsTheLastGoodPreview) {
  CommentSettings s = Complete();
  const platform::Picture good = Preview(s);
  ASSERT_NE(good, nullptr);
  s.background.reset();
  s.comment = "other";
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(preview_.UpdateCommentPreview(s), std::nullopt);
    EXPECT_EQ(boxes_->shown.back().text, "背景を選択してください。");
  }
  EXPECT_EQ(state_.CommentPicture, good);
}

TEST_F(CommentPreviewTest, TheChosenFaceAndSizeStayInTheTextBoxFontEvenWhenALaterSettingIsMissing) {
  CommentSettings s = Complete();
  s.faceText = "IPAMincho";
  s.sizeText = "24";
  s.colourTarget.clear();
  EXPECT_EQ(preview_.UpdateCommentPreview(s), std::nullopt);
  EXPECT_EQ(s.font->Name, "IPAMincho");
  EXPECT_EQ(s.font->Size, 24.0);
}

TEST_F(CommentPreviewTest, ASizeTheFontRefusesKeepsTheSizeWithoutAMessage) {
  CommentSettings s = Complete();
  const platform::Picture at12 = Preview(s);
  for (const char* refused : {"abc", "0", "-5", "5000"}) {
    s.sizeText = refused;
    const platform::Picture again = Preview(s);
    EXPECT_EQ(s.font->Size, 12.0) << refused;
    EXPECT_TRUE(testing::SamePixels(again, at12)) << refused;
  }
  EXPECT_TRUE(boxes_->shown.empty());
  s.sizeText = "20.5";
  Preview(s);
  EXPECT_EQ(s.font->Size, 20.5);
}

TEST_F(CommentPreviewTest, AnEmptyCommentShowsTheLibraryMessageAndTheUnchangedPicture) {
  CommentSettings s = Complete();
  const platform::Picture good = Preview(s);
  s.comment.clear();
  const std::optional<platform::Picture> shown = preview_.UpdateCommentPreview(s);
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(*shown, s.original);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_THAT(boxes_->shown[0].text, HasSubstr("メソッドで渡されたStringが空です。"));
  EXPECT_EQ(state_.CommentPicture, good);
}

TEST_F(CommentPreviewTest, ApartFromThePictureTheCommentGoesIntoABandOfThePicturesHeight) {
  CommentSettings s = Complete();
  s.original = Plain(100, 50);
  s.vertical = 1;  // Bottom
  const Pixels over = Ink(Preview(s));
  s.overPicture = false;
  s.apartFromPicture = true;
  const platform::Picture apart = Preview(s);
  ASSERT_NE(apart, nullptr);
  EXPECT_EQ(apart->Image().width(), 100);
  EXPECT_EQ(apart->Image().height(), 100);
  ASSERT_FALSE(over.empty());
  // The same comment, at the bottom of the band instead of the bottom of the picture.
  Pixels shifted;
  for (const auto& [x, y] : over) shifted.insert({x, y + 50});
  EXPECT_EQ(Ink(apart), shifted);
  EXPECT_GT(Bounds(shifted).bottom(), 90);
}

TEST_F(CommentPreviewTest, AnOpaqueBackgroundIsABlackBoxWhateverTheColours) {
  CommentSettings s = Complete();
  s.red = 0;
  s.blue = 255;
  for (const char* target : {kLineColour, kBorderColour}) {
    s.colourTarget = target;
    s.background = 0;
    const platform::Picture clear = Preview(s);
    s.background = 1;
    const platform::Picture boxed = Preview(s);
    // The box covers the block the comment and its outline take: none of the background is left
    // inside it.
    const Pixels ink = Ink(clear);
    ASSERT_FALSE(ink.empty());
    const QRect box = Bounds(Ink(boxed));
    EXPECT_TRUE(box.contains(Bounds(ink))) << target;
    EXPECT_LT(box.width(), 160);
    for (const auto& [x, y] : ink) EXPECT_EQ(At(boxed, x, y), At(clear, x, y)) << target;
    for (int y = box.top(); y <= box.bottom(); ++y)
      for (int x = box.left(); x <= box.right(); ++x) {
        const QRgb c = At(boxed, x, y);
        EXPECT_TRUE(c == kBlack || c == 0x0000FF) << target << " " << x << "," << y;
      }
  }
}

TEST_F(CommentPreviewTest, TheSliderColourGoesToTheTextOrToItsOneSquarePixelOutline) {
  CommentSettings s = Complete();
  const platform::Picture line = Preview(s);
  const Pixels text = PixelsOf(line, kRed);
  const Pixels outline = PixelsOf(line, kBlack);
  ASSERT_GT(text.size(), 20u);
  EXPECT_EQ(outline, SquareRing(text));
  EXPECT_EQ(Ink(line).size(), text.size() + outline.size());

  s.colourTarget = kBorderColour;
  const platform::Picture border = Preview(s);
  EXPECT_EQ(PixelsOf(border, kBlack), text);
  EXPECT_EQ(PixelsOf(border, kRed), outline);

  // Any other text in CO1 leaves both colours black.
  s.colourTarget = "その他";
  EXPECT_EQ(PixelsOf(Preview(s), kBlack), Ink(line));
}

TEST_F(CommentPreviewTest, OptionIndicesPickThePresetsTheirCaptionsName) {
  CommentSettings s = Complete();
  // Op3: 0 Top, 1 Bottom, 2 Center.
  auto down = [&](int index) {
    s.vertical = index;
    return Bounds(Ink(Preview(s))).top();
  };
  const int top = down(0), bottom = down(1), centre = down(2);
  EXPECT_LE(top, 3);
  EXPECT_GT(bottom, 30);
  EXPECT_NEAR(2 * (centre - top), bottom - top, 1);
  // Op4: 0 Left, 1 Center, 2 Right.
  auto across = [&](int index) {
    s.horizontal = index;
    return Bounds(Ink(Preview(s))).left();
  };
  const int left = across(0), middle = across(1), right = across(2);
  EXPECT_LE(left, 3);
  EXPECT_GT(right, 80);
  EXPECT_NEAR(2 * (middle - left), right - left, 1);
  // Os1 moves the short second line inside the block: 0 Left, 1 Center, 2 Right.
  s.comment = "Kestrin\r\nK";
  auto meanX = [&](int index) {
    s.lineAlignment = index;
    const Pixels ink = Ink(Preview(s));
    double sum = 0;
    for (const auto& p : ink) sum += p.first;
    return sum / static_cast<double>(ink.size());
  };
  const double lines0 = meanX(0), lines1 = meanX(1), lines2 = meanX(2);
  EXPECT_LT(lines0, lines1);
  EXPECT_LT(lines1, lines2);
  EXPECT_TRUE(boxes_->shown.empty());
}

class CommentSaveTest : public CommentPreviewTest {
 protected:
  bool Exists(const std::string& path) { return QFile::exists(QString::fromStdString(path)); }
};

TEST_F(CommentSaveTest, SavingBeforeAnyGoodPreviewShowsTheNoPictureMessage) {
  const std::string path = temp_.File("early.gif");
  preview_.Save(path);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_THAT(boxes_->shown[0].text,
              HasSubstr("Set(Base)Pictureメソッドによって有効なPictureが設定されていません。"));
  EXPECT_FALSE(Exists(path));
}

TEST_F(CommentSaveTest, WritesTheLastGoodPreviewOnlyToGifPathsInAnyCase) {
  CommentSettings s = Complete();
  const platform::Picture made = Preview(s);
  s.comment.clear();
  preview_.UpdateCommentPreview(s);  // fails: the picture to save stays
  boxes_->shown.clear();

  for (const char* ignored : {"", "picture.png", "nodotgif"}) {
    const std::string path = *ignored ? temp_.File(ignored) : "";
    preview_.Save(path);
    if (*ignored) {
      EXPECT_FALSE(Exists(path)) << ignored;
    }
  }
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_EQ(temp_.CountEntries(), 0);

  const std::string path = temp_.File("comment.gif");
  preview_.Save(path);
  EXPECT_TRUE(boxes_->shown.empty());
  const testing::DecodedGif gif = testing::DecodeGif(path);
  ASSERT_TRUE(gif.ok) << gif.error;
  ASSERT_EQ(gif.imageWidth, 160);
  ASSERT_EQ(gif.imageHeight, 60);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 160; ++x) {
      const auto& c = gif.palette.at(gif.indices[static_cast<size_t>(y) * 160 + x]);
      ASSERT_EQ(qRgb(c.gRed, c.gGreen, c.gBlue) & 0xFFFFFF, At(made, x, y)) << x << "," << y;
    }
  // Transparent where the picture shows its background.
  ASSERT_GE(gif.transparentIndex, 0);
  EXPECT_EQ(gif.indices[0], gif.transparentIndex);
}

TEST_F(CommentSaveTest, AnExistingFileIsNotOverwrittenAndTheLibrarySaysSo) {
  Preview(Complete());
  const std::string path = temp_.File("twice.gif");
  preview_.Save(path);
  ASSERT_TRUE(Exists(path));
  const testing::DecodedGif first = testing::DecodeGif(path);
  CommentSettings s = Complete();
  s.comment = "another";
  Preview(s);
  preview_.Save(path);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_THAT(boxes_->shown[0].text, HasSubstr("指定されたファイルはすでに存在しています。"));
  EXPECT_EQ(testing::DecodeGif(path).indices, first.indices);
}

// 256 colours, none of them red or black, in blocks: a palette with no room for the comment's.
platform::Picture FullPalette(int w, int h) {
  std::vector<pellory::Vesk_GIFRGBTRIPLE> palette;
  for (int i = 0; i < 256; ++i)
    palette.push_back({static_cast<uint8_t>(64 + i / 2), static_cast<uint8_t>(255 - i / 4),
                       static_cast<uint8_t>(i)});
  std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) indices[static_cast<size_t>(y) * w + x] = (x / 4 + y * 7) % 256;
  return pellory::testing::MakeIndexedPicture(w, h, palette, indices);
}

bool Reddish(QRgb c) {
  return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}

class CommentFullPaletteTest : public CommentSaveTest {};

TEST_F(CommentFullPaletteTest, TheCommentIsWrittenAndSavedOverAndBelowAFullPalette) {
  for (const bool below : {false, true})
    for (const int background : {0, 1}) {
      CommentSettings s = Complete();
      s.overPicture = !below;
      s.apartFromPicture = below;
      s.background = background;
      s.original = FullPalette(160, 60);
      const platform::Picture made = Preview(s);
      ASSERT_NE(made, nullptr) << below << background;
      EXPECT_EQ(state_.CommentPicture, made);
      EXPECT_EQ(made->Image().height(), below ? 120 : 60);
      const QRect ink = Bounds(PixelsOf(made, kRed));
      // The text is there, red, in the middle of the picture (or of picture and band).
      EXPECT_GT(PixelsOf(made, kRed).size(), 20u) << below << background;
      EXPECT_NEAR(ink.center().y(), made->Image().height() / 2, 4);

      const std::string path = temp_.File(std::string("full-") + (below ? "below" : "over") +
                                          std::to_string(background) + ".gif");
      preview_.Save(path);
      EXPECT_TRUE(boxes_->shown.empty()) << testing::Texts(*boxes_).front();
      const testing::DecodedGif gif = testing::DecodeGif(path);
      ASSERT_TRUE(gif.ok) << gif.error;
      ASSERT_LE(gif.palette.size(), 256u);
      int red = 0;
      for (int y = ink.top(); y <= ink.bottom(); ++y)
        for (int x = ink.left(); x <= ink.right(); ++x) {
          const auto& c = gif.palette.at(gif.indices[static_cast<size_t>(y) * 160 + x]);
          red += Reddish(qRgb(c.gRed, c.gGreen, c.gBlue));
        }
      EXPECT_GT(red, 20) << below << background;
      // Keyed on the top-left colour, as every picture the editor saves.
      ASSERT_GE(gif.transparentIndex, 0);
      EXPECT_EQ(gif.indices[0], gif.transparentIndex);
    }
}

TEST_F(CommentPreviewTest, AQuietRefreshShowsNoMessageAndTheSamePictures) {
  CommentSettings s = Complete();
  const platform::Picture made = Preview(s);
  s.comment.clear();
  EXPECT_EQ(preview_.UpdateCommentPreview(s, false), s.original);
  s.background.reset();
  EXPECT_FALSE(preview_.UpdateCommentPreview(s, false).has_value());
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_EQ(state_.CommentPicture, made);
}

}  // namespace
}  // namespace kestrin
