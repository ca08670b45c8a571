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

#include "app/main_window.h"
#include "app/module1.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/overlay/vesk_overlay.h"

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
    w.R(0).SetValue(255);
    w.Text1().SetText("Kestrin");
    PressEnter(w.Text1());
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

TEST_F(CommentWindowTest, LoadsItsControlsWithNothingChosen) {
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
      EXPECT_FALSE(option->Value());
    }
  for (const auto& [name, caption] : {std::pair{"Op1", "重ねて表示"}, {"Op2", "放れて表示"}}) {
    auto* option = Find<platform::OptionButton>(w, name);
    ASSERT_NE(option, nullptr) << name;
    EXPECT_EQ(option->Caption(), caption);
    EXPECT_EQ(option->Container(), w.GetControls().Find("Frame4"));
    EXPECT_FALSE(option->Value());
  }
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
  for (const char* name : {"Cb1", "Cb2", "CO1"})
    EXPECT_EQ(Find<platform::ComboBox>(w, name)->Text(), "") << name;
  for (int i = 0; i < 3; ++i) {
    auto* slider = Find<platform::Slider>(w, "R", i);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->Min(), 0);
    EXPECT_EQ(slider->Max(), 255);
  }
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

  w.Op2().click();
  Choose(w.Cb2(), kFace);
  Choose(w.Cb1(), "14");
  Choose(w.CO1(), kLineColour);
  w.Op3(1).click();
  w.Os1(1).click();  // before Op4: the message still names the horizontal position first
  w.Op4(1).click();
  EXPECT_EQ(
      testing::Texts(*boxes_),
      (std::vector<std::string>{"フォントを選択してください。",
                                "フォントサイズを選択してください。", "カラーを選択してください。",
                                "縦表示を選択してください。", "横表示を選択してください。",
                                "横表示を選択してください。", "背景を選択してください。"}));
  // Everything chosen but the comment: the library's message and the unchanged picture.
  w.Ot1(0).click();
  ASSERT_EQ(boxes_->shown.size(), 8u);
  EXPECT_THAT(boxes_->shown.back().text, HasSubstr("メソッドで渡されたStringが空です。"));
  EXPECT_EQ(w.IM2().GetPicture(), w.IM1().GetPicture());

  w.Text1().SetText("Kestrin\r\nコメント");
  w.R(0).SetValue(255);
  w.R(2).SetValue(40);
  PressEnter(w.Text1());
  EXPECT_EQ(boxes_->shown.size(), 8u);
  // Enter is typed into the comment as well, after the preview.
  EXPECT_EQ(w.Text1().Text(), "Kestrin\r\nコメント\r\n");
  // The text box shows the chosen face and size.
  EXPECT_EQ(w.Text1().font().family().toStdString(), kFace);
  EXPECT_EQ(w.Text1().font().pixelSize(), platform::PointsToPixels(14));

  // The same composition made with the library directly.
  pellory::Vesk_GifObject gif;
  ASSERT_TRUE(gif.SetPicture(w.IM1().GetPicture(), pellory::Default));
  const platform::Picture base =
      gif.GetMarginPictureEX(1.0f, 2.0f, pellory::mxLeft, pellory::myTop, pellory::ReturnPicture);
  pellory::Vesk_OverLay overlay;
  ASSERT_TRUE(overlay.SetBasePicture(base));
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
  const platform::Picture expected =
      overlay.WriteCharacter("Kestrin\r\nコメント", format, pellory::olReturnPicture);
  ASSERT_EQ(overlay.ErrorNumber(), 0);
  ASSERT_EQ(expected->Image().height(), 100);
  EXPECT_TRUE(testing::SamePixels(w.IM2().GetPicture(), expected));
  EXPECT_EQ(ProgramCommentState().CommentPicture, w.IM2().GetPicture());
  testing::SaveScreenshot(w, "comment_editor");

  const std::string out = temp_.File("comment.gif");
  Answer(out);
  w.Command1().click();
  EXPECT_EQ(boxes_->shown.size(), 8u);
  ASSERT_TRUE(files_->requests.back().save);
  EXPECT_EQ(files_->requests.back().filter, "GIFファイル|*.gif");
  ExpectFileShows(out, expected);
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
  CommentWindow& w = windows::Dialog4();
  Leave(w.Cb2(), Qt::PopupFocusReason);
  Leave(w.Cb1(), Qt::ActiveWindowFocusReason);
  EXPECT_TRUE(boxes_->shown.empty());
  Leave(w.CO1(), Qt::MouseFocusReason);
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>{"表示方法を選択してください。"});
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

TEST_F(CommentWindowTest, SavingBeforeAnyPreviewOrToAnUpperCaseNameWritesNothing) {
  CommentWindow& w = windows::Dialog4();
  const std::string upper = temp_.File("comment.GIF");
  Answer(upper);
  w.Command1().click();
  EXPECT_FALSE(Exists(upper));
  EXPECT_TRUE(boxes_->shown.empty());
  Cancel();
  w.Command1().click();
  EXPECT_TRUE(boxes_->shown.empty());

  const std::string lower = temp_.File("comment.gif");
  Answer(lower);
  w.Command1().click();
  EXPECT_FALSE(Exists(lower));
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_THAT(boxes_->shown[0].text,
              HasSubstr("Set(Base)Pictureメソッドによって有効なPictureが設定されていません。"));
}

}  // namespace
}  // namespace kestrin
