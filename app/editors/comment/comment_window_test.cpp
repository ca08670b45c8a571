// The comment editor's window, driven headless through the File menu and its own controls.
#include "app/editors/comment/comment_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextCursor>
#include <tuple>

#include "app/editor_files.h"
#include "app/main_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/overlay/vesk_overlay.h"
#include "giflib/tests/pictures.h"

namespace kestrin {
namespace {

using testing::AppTest;
using ::testing::HasSubstr;

// The face every test picks from the font list.
constexpr const char* kFace = "IPAGothic";

class CommentWindowTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ProgramCommentState().CommentPicture = nullptr;
  }
  void TearDown() override {
    AppTest::TearDown();
    ProgramCommentState().CommentPicture = nullptr;
  }

  // Opens a GIF file into the editor through the File menu.
  CommentWindow& Open(const platform::Picture& picture, const char* name = "in.gif") {
    const std::string path = temp_.File(name);
    testing::WriteGif(picture, path);
    Answer(path);
    windows::MDIF1().MenuItem("OpenCom")->trigger();
    testing::Settle();
    return windows::Dialog4();
  }
  // The user leaves a combo box after typing into it.
  static void Leave(platform::ComboBox& box, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(box.lineEdit(), &out);
  }
  static void Choose(platform::ComboBox& box, const std::string& text) {
    box.SetText(text);
    Leave(box);
  }
  // Enter at the end of the comment.
  static void PressEnter(platform::MultiLineTextBox& box) {
    box.moveCursor(QTextCursor::End);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(&box, &press);
  }
  // Types a comment and waits for the pause after typing to redraw the preview.
  static void Type(CommentWindow& w, const std::string& text) {
    w.Text1().SetText(text);
    EXPECT_TRUE(w.PreviewPending());
    while (w.PreviewPending()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  }
  // Every setting chosen through the controls, then the comment typed and Enter pressed.
  void ChooseEverything(CommentWindow& w) {
    w.Op1().click();
    Choose(w.Cb2(), kFace);
    Choose(w.Cb1(), "12");
    Choose(w.CO1(), kLineColour);
    w.Op3(2).click();
    w.Op4(1).click();
    w.Os1(0).click();
    w.Ot1(0).click();
    w.R(1).SetValue(0);
    w.R(2).SetValue(0);
    Type(w, "Kestrin");
    boxes_->shown.clear();
  }
  bool Exists(const std::string& path) { return QFile::exists(QString::fromStdString(path)); }
};

std::vector<std::string> ListOf(const platform::ComboBox& box) {
  std::vector<std::string> items;
  for (int i = 0; i < box.ListCount(); ++i) items.push_back(box.List(i));
  return items;
}

// Whether a GIF file decoded by giflib shows the colours of a picture, pixel for pixel.
void ExpectFileShows(const std::string& path, const platform::Picture& picture) {
  const testing::DecodedGif saved = testing::DecodeGif(path);
  ASSERT_TRUE(saved.ok) << saved.error;
  const QImage& want = picture->Image();
  ASSERT_EQ(saved.imageWidth, want.width());
  ASSERT_EQ(saved.imageHeight, want.height());
  for (int y = 0; y < want.height(); ++y)
    for (int x = 0; x < want.width(); ++x) {
      const auto& c = saved.palette.at(saved.indices[static_cast<size_t>(y) * want.width() + x]);
      ASSERT_EQ(qRgb(c.gRed, c.gGreen, c.gBlue) & 0xFFFFFF, want.pixel(x, y) & 0xFFFFFF)
          << x << "," << y;
    }
  // Transparent where the preview shows its background, the top-left colour.
  ASSERT_GE(saved.transparentIndex, 0);
  EXPECT_EQ(saved.indices[0], saved.transparentIndex);
}

template <class C>
C* Find(CommentWindow& w, const char* name, int index = platform::kNoIndex) {
  return dynamic_cast<C*>(w.GetControls().Find(name, index));
}

TEST_F(CommentWindowTest, LoadsItsControlsWithTheFirstChoicesMade) {
  CommentWindow& w = windows::Dialog4();
  EXPECT_EQ(w.Name(), "Dialog4");
  const std::vector<std::pair<const char*, const char*>> frames = {{"Frame1", "元のイメージ"},
                                                                   {"Frame2", "コメント付イメージ"},
                                                                   {"Frame3", "コメントの色設定"},
                                                                   {"Frame4", "表示方法"},
                                                                   {"Frame5", "縦表示"},
                                                                   {"Frame6", "横表示"},
                                                                   {"Frame7", "フォント"},
                                                                   {"Frame8", "コメントライン揃え"},
                                                                   {"Frame9", "背景"}};
  for (const auto& [name, caption] : frames) {
    auto* frame = Find<platform::Frame>(w, name);
    ASSERT_NE(frame, nullptr) << name;
    EXPECT_EQ(frame->Caption(), caption);
  }
  const std::vector<std::tuple<const char*, const char*, std::vector<const char*>>> options = {
      {"Op3", "Frame5", {"Top", "Bottom", "Center"}},
      {"Op4", "Frame6", {"Left", "Center", "Right"}},
      {"Os1", "Frame8", {"Left", "Center", "Right"}},
      {"Ot1", "Frame9", {"透明", "不透明"}}};
  for (const auto& [name, frame, captions] : options)
    for (int i = 0; i < static_cast<int>(captions.size()); ++i) {
      auto* option = Find<platform::OptionButton>(w, name, i);
      ASSERT_NE(option, nullptr) << name << i;
      EXPECT_EQ(option->Caption(), captions[i]);
      EXPECT_EQ(option->Container(), w.GetControls().Find(frame));
      EXPECT_EQ(option->Value(), i == 0) << name << i;
    }
  for (const auto& [name, caption] : {std::pair{"Op1", "重ねて表示"}, {"Op2", "放れて表示"}}) {
    auto* option = Find<platform::OptionButton>(w, name);
    ASSERT_NE(option, nullptr) << name;
    EXPECT_EQ(option->Caption(), caption);
    EXPECT_EQ(option->Container(), w.GetControls().Find("Frame4"));
  }
  EXPECT_TRUE(w.Op1().Value());
  EXPECT_FALSE(w.Op2().Value());
  for (const auto& [name, caption] :
       {std::pair{"Label1", "コメント"}, {"Label3", "サイズ"}, {"Label4", "フォント"}}) {
    auto* label = Find<platform::Label>(w, name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->Caption(), caption);
  }

  std::vector<std::string> sizes;
  for (int i = 1; i <= 72; ++i) sizes.push_back(std::to_string(i));
  EXPECT_EQ(ListOf(*Find<platform::ComboBox>(w, "Cb1")), sizes);
  std::vector<std::string> faces;
  for (const QString& f : QFontDatabase::families()) faces.push_back(f.toStdString());
  EXPECT_EQ(ListOf(*Find<platform::ComboBox>(w, "Cb2")), faces);
  EXPECT_THAT(faces, ::testing::Contains(kFace));
  EXPECT_EQ(ListOf(*Find<platform::ComboBox>(w, "CO1")),
            (std::vector<std::string>{"ラインカラー", "バッグカラー"}));
  // A face from the list (the one the comment box shows), a size that reads, white text.
  EXPECT_THAT(faces, ::testing::Contains(w.Cb2().Text()));
  EXPECT_EQ(w.Cb1().Text(), "12");
  EXPECT_EQ(w.CO1().Text(), "ラインカラー");
  for (int i = 0; i < 3; ++i) {
    auto* slider = Find<platform::Slider>(w, "R", i);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->Min(), 0);
    EXPECT_EQ(slider->Max(), 255);
    EXPECT_EQ(slider->Value(), 255);
  }
  EXPECT_TRUE(boxes_->shown.empty());
  auto* text = Find<platform::MultiLineTextBox>(w, "Text1");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetFont()->Name, "ＭＳ Ｐゴシック");
  EXPECT_EQ(Find<platform::CheckBox>(w, "Check1")->Caption(), "反転");
  EXPECT_EQ(Find<platform::CommandButton>(w, "Command1")->Caption(), "GIF形式で保存");
  EXPECT_EQ(Find<platform::CommandButton>(w, "Command2")->Caption(), "キャンセル");
}

// From the File menu to a saved file, through every control on the way: each change redraws
// the preview, which names what is still missing until everything is chosen.
TEST_F(CommentWindowTest, OpensPreviewsAndSavesTheCommentThroughTheControls) {
  const platform::Picture picture = testing::Stripes(100, 50);
  CommentWindow& w = Open(picture);
  ASSERT_NE(w.IM1().GetPicture(), nullptr);

  // Choosing before any comment is typed says nothing and leaves the picture as it is.
  w.Op2().click();
  Choose(w.Cb2(), kFace);
  Choose(w.Cb1(), "14");
  Choose(w.CO1(), kLineColour);
  w.Op3(1).click();
  w.Os1(1).click();
  w.Op4(1).click();
  w.Ot1(0).click();
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_EQ(w.IM2().GetPicture(), w.IM1().GetPicture());

  w.Text1().SetText("Kestrin\r\nコメント");
  w.R(1).SetValue(0);
  w.R(2).SetValue(40);
  PressEnter(w.Text1());
  EXPECT_TRUE(boxes_->shown.empty());
  // Enter is typed into the comment as well, after the preview.
  EXPECT_EQ(w.Text1().Text(), "Kestrin\r\nコメント\r\n");
  // The text box shows the chosen face and size.
  EXPECT_EQ(w.Text1().font().family().toStdString(), kFace);
  EXPECT_EQ(w.Text1().font().pixelSize(), platform::PointsToPixels(14));

  // The same composition made with the library directly.
  auto compose = [&](const std::string& text) {
    pellory::Vesk_GifObject gif;
    EXPECT_TRUE(gif.SetPicture(w.IM1().GetPicture(), pellory::Default));
    const platform::Picture base =
        gif.GetMarginPictureEX(1.0f, 2.0f, pellory::mxLeft, pellory::myTop, pellory::ReturnPicture);
    pellory::Vesk_OverLay overlay;
    EXPECT_TRUE(overlay.SetBasePicture(base));
    pellory::Vesk_OLWCFType format;
    format.UseFont = std::make_shared<platform::StdFont>();
    format.UseFont->Name = kFace;
    format.UseFont->Size = 14;
    format.ForeColor = 255 | (40 << 16);
    format.BorderThickness = pellory::Bordering1p;
    format.BorderStyle = pellory::Sharp;
    format.Position = {pellory::ByPreset, pellory::mxCenter, pellory::myBottom};
    format.MultiLineArrangeMent = pellory::mxCenter;
    format.Transparent = pellory::TransOn;
    const platform::Picture made = overlay.WriteCharacter(text, format, pellory::olReturnPicture);
    EXPECT_EQ(overlay.ErrorNumber(), 0);
    return made;
  };
  const platform::Picture expected = compose("Kestrin\r\nコメント");
  ASSERT_EQ(expected->Image().height(), 100);
  EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(), expected));
  EXPECT_EQ(ProgramCommentState().CommentPicture, w.IM2().GetPicture());
  testing::SaveScreenshot(w, "comment_editor");

  const std::string out = temp_.File("comment.gif");
  Answer(out);
  // Enter also typed a line break: the save catches up with the box.
  w.Command1().click();
  EXPECT_TRUE(boxes_->shown.empty());
  ASSERT_TRUE(files_->requests.back().save);
  EXPECT_EQ(files_->requests.back().filter, "GIFファイル|*.gif");
  const platform::Picture saved = compose("Kestrin\r\nコメント\r\n");
  EXPECT_FALSE(testing::SamePixels(saved, expected));
  ExpectFileShows(out, saved);
}

TEST_F(CommentWindowTest, SlidersAndOptionsRedrawAtOnce) {
  CommentWindow& w = Open(testing::Stripes(120, 60));
  ChooseEverything(w);
  const platform::Picture red = w.IM2().GetPicture();
  w.R(1).SetValue(200);
  const platform::Picture yellow = w.IM2().GetPicture();
  EXPECT_NE(yellow, red);
  EXPECT_FALSE(testing::SamePixels(yellow, red));
  w.Op2().click();
  EXPECT_EQ(w.IM2().GetPicture()->Image().height(), 120);
  w.Op3(0).click();
  Choose(w.CO1(), kBorderColour);
  EXPECT_EQ(ProgramCommentState().CommentPicture, w.IM2().GetPicture());
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(CommentWindowTest, ACombosOwnListOrAnotherWindowTakingTheFocusIsNotLeavingIt) {
  CommentWindow& w = Open(testing::Stripes(120, 60));
  Type(w, "Kestrin");
  const platform::Picture shown = w.IM2().GetPicture();
  ASSERT_NE(shown, w.IM1().GetPicture());
  w.Cb1().SetText("30");
  Leave(w.Cb2(), Qt::PopupFocusReason);
  Leave(w.Cb1(), Qt::ActiveWindowFocusReason);
  EXPECT_EQ(w.IM2().GetPicture(), shown);
  Leave(w.Cb1(), Qt::MouseFocusReason);
  EXPECT_NE(w.IM2().GetPicture(), shown);
  EXPECT_TRUE(boxes_->shown.empty());
}

// Typing redraws the preview once typing pauses; a save made before that writes what the box
// holds; clearing the comment says nothing until a save is asked for.
TEST_F(CommentWindowTest, TheSaveWritesWhatTheCommentBoxHolds) {
  CommentWindow& w = Open(testing::Stripes(120, 60));
  Type(w, "Kestrin");
  const platform::Picture first = w.IM2().GetPicture();
  w.Text1().SetText("Kestrin!!");
  ASSERT_TRUE(w.PreviewPending());
  const std::string out = temp_.File("typed.gif");
  Answer(out);
  w.Command1().click();
  EXPECT_FALSE(w.PreviewPending());
  const platform::Picture latest = w.IM2().GetPicture();
  EXPECT_FALSE(testing::SamePixels(latest, first));
  EXPECT_EQ(ProgramCommentState().CommentPicture, latest);
  ExpectFileShows(out, latest);

  Type(w, "");
  EXPECT_EQ(w.IM2().GetPicture(), w.IM1().GetPicture());
  w.Op3(1).click();
  EXPECT_TRUE(boxes_->shown.empty());
  const std::string empty = temp_.File("empty.gif");
  Answer(empty);
  w.Command1().click();
  EXPECT_FALSE(Exists(empty));
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_THAT(boxes_->shown[0].text, HasSubstr("メソッドで渡されたStringが空です。"));
}

// A picture whose palette is full: the comment still shows and is saved.
TEST_F(CommentWindowTest, CommentsAPictureOfAFullPalette) {
  std::vector<uint8_t> indices(320 * 240);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i * 7 % 256);
  CommentWindow& w = Open(pellory::testing::MakeIndexedPicture(
                              320, 240, pellory::testing::DistinctPalette(256), indices),
                          "full.gif");
  Type(w, "Kestrin");
  const platform::Picture shown = w.IM2().GetPicture();
  ASSERT_NE(shown, nullptr);
  ASSERT_NE(shown->Handle(), 0u);
  EXPECT_FALSE(testing::SamePixels(shown, w.IM1().GetPicture()));
  const std::string out = temp_.File("full-out.gif");
  Answer(out);
  w.Command1().click();
  EXPECT_TRUE(boxes_->shown.empty());
  ExpectFileShows(out, shown);
}

TEST_F(CommentWindowTest, InversionIsShownButTheSaveWritesThePreviewAsMade) {
  CommentWindow& w = Open(testing::Stripes(120, 60));
  ChooseEverything(w);
  const platform::Picture made = w.IM2().GetPicture();
  w.Check1().click();
  const platform::Picture inverted = w.IM2().GetPicture();
  EXPECT_TRUE(testing::SamePixels(inverted, InvertPictureColours(made)));
  EXPECT_FALSE(testing::SamePixels(inverted, made));
  const std::string out = temp_.File("shown-inverted.gif");
  Answer(out);
  w.Command1().click();
  ExpectFileShows(out, made);
  w.Check1().click();
  EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(), made));
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(CommentWindowTest, TheLastPreviewOutlivesClearingAndClosingTheEditor) {
  CommentWindow& w = Open(testing::Stripes(120, 60));
  ChooseEverything(w);
  const platform::Picture made = w.IM2().GetPicture();
  w.Command2().click();
  EXPECT_EQ(w.IM1().GetPicture()->Handle(), 0u);
  EXPECT_EQ(w.IM2().GetPicture()->Handle(), 0u);

  windows::Unload(WindowId::Dialog4);
  testing::Settle();
  CommentWindow& again = Open(testing::Stripes(30, 30), "other.gif");
  const std::string out = temp_.File("kept.gif");
  Answer(out);
  again.Command1().click();
  ExpectFileShows(out, made);
  EXPECT_EQ(ProgramCommentState().CommentPicture, made);
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(CommentWindowTest, SavingBeforeAnyPreviewOrToAnotherKindOfNameWritesNothing) {
  CommentWindow& w = windows::Dialog4();
  const std::string png = temp_.File("comment.png");
  Answer(png);
  w.Command1().click();
  EXPECT_FALSE(Exists(png));
  EXPECT_TRUE(boxes_->shown.empty());
  Cancel();
  w.Command1().click();
  EXPECT_TRUE(boxes_->shown.empty());

  const std::string upper = temp_.File("comment.GIF");
  Answer(upper);
  w.Command1().click();
  EXPECT_FALSE(Exists(upper));
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_THAT(boxes_->shown[0].text,
              HasSubstr("Set(Base)Pictureメソッドによって有効なPictureが設定されていません。"));
}

}  // namespace
}  // namespace kestrin
