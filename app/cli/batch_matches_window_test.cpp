// Each batch command writes, for the same settings, exactly the files its editor window's save
// writes: the windows are driven through the File menu and their buttons, both outputs decoded
// by giflib and compared.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <fstream>
#include <iterator>
#include <map>

#include "app/cli/tests/cli_run.h"
#include "app/editors/colour/colour_window.h"
#include "app/editors/colour/tests/frame_files.h"
#include "app/editors/comment/comment_window.h"
#include "app/editors/mesh/mesh_window.h"
#include "app/editors/rotation/rotation_window.h"
#include "app/editors/transparency/transparency_window.h"
#include "app/main_window.h"
#include "app/windows.h"

namespace kestrin {
namespace {

using testing::ExpectSameFiles;
using testing::RunCli;

class BatchMatchesWindow : public testing::AppTest {
 protected:
  // Opens the input through the File menu item that leads to the editor.
  void OpenThroughMenu(const char* menuItem) {
    Answer(input_);
    windows::MDIF1().MenuItem(menuItem)->trigger();
    testing::Settle();
  }
  std::vector<std::string> Args(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--input", input_});
    return args;
  }

  testing::TempFolder window_;
  testing::TempFolder batch_;
  std::string input_ = temp_.File("in.gif");
};

TEST_F(BatchMatchesWindow, RotateWritesTheRotationEditorsFramesInBothDirections) {
  testing::WriteGif(testing::Stripes(30, 20), input_);
  for (const auto& [option, word, angle, step] :
       {std::tuple{1, "right", "360", "90"}, std::tuple{2, "左回転", "100", "45"}}) {
    SCOPED_TRACE(word);
    testing::TempFolder window, batch;
    OpenThroughMenu("munOpen");
    RotationWindow& w = windows::Dialog();
    w.kakudo().SetText(angle);
    w.Text1().SetText(step);
    (option == 1 ? w.Option1() : w.Option2()).SetValue(true);
    w.Command1().click();
    Answer(window.File("chosen.gif"));
    w.Command3().click();
    ASSERT_TRUE(boxes_->shown.empty());
    windows::Unload(WindowId::Dialog);  // the next build starts afresh
    testing::Settle();

    const auto r = RunCli(Args({"rotate", "--angle", angle, "--increment", step, "--direction",
                                word, "--out", batch.path()}));
    ASSERT_EQ(r.status, 0) << r;
    EXPECT_EQ(r.out + r.err, "");
    ExpectSameFiles(window.path(), batch.path());
  }
}

TEST_F(BatchMatchesWindow, ColourWritesTheColourEditorsFramesForBothModes) {
  testing::WriteGif(testing::ColourSource(30, 20), input_);
  OpenThroughMenu("numOpen2");
  ColourWindow& w = windows::Dialog2();
  w.R().SetValue(40);
  w.G().SetValue(-70);
  w.B().SetValue(128);
  w.Op1().SetValue(true);
  w.T1().SetText("50");
  w.Command4().click();
  Answer(window_.File("chosen.gif"));
  w.Command3().click();
  ASSERT_TRUE(boxes_->shown.empty());

  auto r = RunCli(Args({"colour", "--red", "40", "--green", "-70", "--blue=128", "--mode",
                        "stepwise", "--increment", "50", "--out", batch_.path()}));
  ASSERT_EQ(r.status, 0) << r;
  ExpectSameFiles(window_.path(), batch_.path());

  // The simultaneous mode from the brightest shift down, into fresh folders.
  testing::TempFolder window, batch;
  w.Op2().SetValue(true);
  w.CO1().SetText(kBrightToDark);
  w.T1().SetText("60");
  w.Command4().click();
  Answer(window.File("chosen.gif"));
  w.Command3().click();
  ASSERT_TRUE(boxes_->shown.empty());
  r = RunCli(
      Args({"colour", "--red", "40", "--green", "-70", "--blue", "128", "--mode", "simultaneous",
            "--direction", "bright-to-dark", "--increment", "60", "--out", batch.path()}));
  ASSERT_EQ(r.status, 0) << r;
  ExpectSameFiles(window.path(), batch.path());
}

TEST_F(BatchMatchesWindow, MeshWritesTheMeshEditorsFrames) {
  testing::WriteGif(testing::Stripes(40, 30), input_);
  OpenThroughMenu("OpenMesh");
  MeshWindow& w = windows::Dialog3();
  w.Slider1().SetValue(5);
  w.Op2().SetValue(true);
  Answer(window_.File("chosen.gif"));
  w.Command2().click();
  testing::Settle();
  ASSERT_TRUE(boxes_->shown.empty());
  ASSERT_EQ(testing::Listing(window_.path()).size(), 5u);

  w.DelayText().SetText("7");
  Answer(window_.File("anim.gif"));
  w.AnimationButton().click();
  ASSERT_TRUE(boxes_->shown.empty());

  const auto r =
      RunCli(Args({"mesh", "--size", "5", "--order", "coarse-to-fine", "--out", batch_.path(),
                   "--animated", batch_.File("anim.gif"), "--delay", "7"}));
  ASSERT_EQ(r.status, 0) << r;
  ExpectSameFiles(window_.path(), batch_.path());
  // The animated files frame by frame.
  const testing::DecodedAnimation a = testing::DecodeAnimation(window_.File("anim.gif"));
  const testing::DecodedAnimation b = testing::DecodeAnimation(batch_.File("anim.gif"));
  ASSERT_TRUE(a.ok && b.ok);
  ASSERT_EQ(a.frames.size(), 5u);
  ASSERT_EQ(b.frames.size(), 5u);
  EXPECT_EQ(b.loopCount, a.loopCount);
  for (size_t i = 0; i < a.frames.size(); ++i) {
    EXPECT_EQ(b.frames[i].indices, a.frames[i].indices) << i;
    EXPECT_EQ(b.frames[i].delayCs, 7) << i;
    EXPECT_EQ(b.frames[i].transparentIndex, a.frames[i].transparentIndex) << i;
    ASSERT_EQ(b.frames[i].palette.size(), a.frames[i].palette.size()) << i;
    for (size_t c = 0; c < a.frames[i].palette.size(); ++c)
      EXPECT_EQ(b.frames[i].palette[c].gGreen, a.frames[i].palette[c].gGreen) << i << "," << c;
  }
}

// The files of a folder, byte for byte.
std::map<std::string, std::string> Contents(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : testing::Listing(folder)) {
    std::ifstream in(folder + "/" + name, std::ios::binary);
    files[name] = {std::istreambuf_iterator<char>(in), {}};
  }
  return files;
}

// The LZW minimum code size our writer puts after the image descriptor: 8 for the literal codes,
// the table's bits for LZW.
int MinimumCodeSize(const std::string& file) {
  const auto flags = static_cast<uint8_t>(file.at(10));
  const size_t table = 3 * (size_t{2} << (flags & 7));
  return static_cast<uint8_t>(file.at(13 + table + 8 + 10));
}

// "LZW圧縮" is ticked in every editor that saves GIF files, and the batch commands code alike;
// unticked, and with --no-compress, the files are the library's literal codes: the same pictures.
TEST_F(BatchMatchesWindow, TheLzwBoxAndNoCompressChooseTheSameCoding) {
  testing::WriteGif(testing::Stripes(40, 30), input_);
  OpenThroughMenu("OpenMesh");
  MeshWindow& w = windows::Dialog3();
  ASSERT_EQ(w.CompressionBox().Caption(), "LZW圧縮");
  EXPECT_EQ(w.CompressionBox().Value(), 1);
  w.Slider1().SetValue(3);
  w.Op1().SetValue(true);
  Answer(window_.File("chosen.gif"));
  w.Command2().click();
  testing::TempFolder literalWindow, literalBatch;
  w.CompressionBox().SetValue(0);
  Answer(literalWindow.File("chosen.gif"));
  w.Command2().click();
  ASSERT_TRUE(boxes_->shown.empty());

  auto r =
      RunCli(Args({"mesh", "--size", "3", "--order", "fine-to-coarse", "--out", batch_.path()}));
  ASSERT_EQ(r.status, 0) << r;
  r = RunCli(Args({"mesh", "--size", "3", "--order", "fine-to-coarse", "--out", literalBatch.path(),
                   "--no-compress"}));
  ASSERT_EQ(r.status, 0) << r;

  const auto lzw = Contents(window_.path()), literal = Contents(literalWindow.path());
  ASSERT_EQ(lzw.size(), 3u);
  EXPECT_EQ(Contents(batch_.path()), lzw);
  EXPECT_EQ(Contents(literalBatch.path()), literal);
  for (const auto& [name, bytes] : lzw) {
    SCOPED_TRACE(name);
    EXPECT_EQ(MinimumCodeSize(literal.at(name)), 8);
    EXPECT_LT(MinimumCodeSize(bytes), 8);
    EXPECT_LT(bytes.size() * 2, literal.at(name).size());
    testing::ExpectSameGif(window_.File(name), literalWindow.File(name));
  }
  for (Window* other : std::initializer_list<Window*>{&windows::Dialog(), &windows::Dialog2(),
                                                      &windows::Dialog4(), &windows::Dialog5()})
    EXPECT_EQ(other->CompressionBox().Value(), 1) << other->Name();
}

TEST_F(BatchMatchesWindow, CommentWritesTheCommentEditorsPicture) {
  testing::WriteGif(testing::Stripes(100, 50), input_);
  OpenThroughMenu("OpenCom");
  CommentWindow& w = windows::Dialog4();
  auto choose = [](platform::ComboBox& box, const std::string& text) {
    box.SetText(text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box.lineEdit(), &out);
  };
  w.Op2().click();
  choose(w.Cb2(), "IPAGothic");
  choose(w.Cb1(), "14");
  choose(w.CO1(), kBorderColour);
  w.Op3(2).click();
  w.Op4(2).click();
  w.Os1(1).click();
  w.Ot1(1).click();
  w.R(0).SetValue(30);
  w.R(1).SetValue(200);
  w.R(2).SetValue(0);
  // The save draws the comment typed before it.
  w.Text1().SetText("Kestrin\r\nコメント");
  Answer(window_.File("comment.gif"));
  w.Command1().click();
  ASSERT_TRUE(boxes_->shown.empty());

  const auto r = RunCli(Args({"comment",
                              "--output",
                              batch_.File("comment.gif"),
                              "--text",
                              "Kestrin\nコメント",
                              "--placement",
                              "below",
                              "--vertical",
                              "center",
                              "--horizontal",
                              "right",
                              "--line-align",
                              "center",
                              "--background",
                              "不透明",
                              "--font",
                              "IPAGothic",
                              "--size",
                              "14",
                              "--colour-target",
                              "border",
                              "--red",
                              "30",
                              "--green",
                              "200"}));
  ASSERT_EQ(r.status, 0) << r;
  ExpectSameFiles(window_.path(), batch_.path());
}

}  // namespace
}  // namespace kestrin
