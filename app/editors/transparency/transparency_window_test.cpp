// Dialog5 driven as a user would: opened through the File menu, two pictures opened, the
// selection dragged over the source, a piece floated and dragged over the target, laid down with
// a key colour chosen in the colour dialog, and the target saved as BMP, JPEG and GIF, each file
// read back by an independent decoder.
#include "app/editors/transparency/transparency_window.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>

#include "app/editors/transparency/result_capture.h"
#include "app/main_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"
#include "platform/dialogs/colour_dialog.h"

namespace kestrin {
namespace {

namespace fs = std::filesystem;

constexpr QRgb kKey = 0xFF00FF00;  // green, keyed out
constexpr int kLeft = 1;

// The source: a few flat colours with green squares, so that the piece has key pixels.
QImage SourceImage() {
  QImage s(90, 70, QImage::Format_RGB32);
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 90; ++x) {
      const bool key = (x / 6 + y / 6) % 3 == 0;
      s.setPixel(x, y, key ? kKey : (x < 45 ? qRgb(200, 40, 40) : qRgb(40, 40, 200)));
    }
  return s;
}

// The target: four flat bands, few enough colours for an exact GIF.
QImage TargetImage() {
  QImage t(120, 100, QImage::Format_RGB32);
  const QRgb bands[] = {qRgb(250, 250, 250), qRgb(255, 200, 0), qRgb(20, 20, 20),
                        qRgb(90, 160, 255)};
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 120; ++x) t.setPixel(x, y, bands[(x / 30 + y / 25) % 4]);
  return t;
}

class TransparencyWindowTest : public testing::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    colours_ = std::make_shared<platform::ScriptedColourDialogs>();
    previousColours_ = platform::SetColourDialogBackend(colours_);
    source_ = in_.File("source.bmp");
    target_ = in_.File("target.bmp");
    ASSERT_TRUE(SourceImage().save(QString::fromStdString(source_), "BMP"));
    ASSERT_TRUE(TargetImage().save(QString::fromStdString(target_), "BMP"));
  }
  void TearDown() override {
    platform::SetColourDialogBackend(previousColours_);
    AppTest::TearDown();
  }
  TransparencyWindow& OpenThroughMenu() {
    windows::MDIF1().MenuItem("OpenT")->trigger();
    testing::Settle();
    EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog5));
    return windows::Dialog5();
  }
  // Opens both pictures through the window's buttons.
  TransparencyWindow& OpenWithPictures() {
    TransparencyWindow& w = OpenThroughMenu();
    Answer(source_);
    w.Command5(0).click();
    Answer(target_);
    w.Command5(1).click();
    return w;
  }
  // A left-button drag of an image by (dx, dy) pixels, as the mouse events come.
  static void DragImage(platform::ImageControl& image, int dx, int dy) {
    image.onMouseDown(kLeft, 0, 2, 2);
    image.onMouseMove(kLeft, 0, 2 + dx, 2 + dy);
    image.onMouseUp(kLeft, 0, 2 + dx, 2 + dy);
  }
  static QImage Read(const std::string& path) {
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
  }

  testing::TempFolder in_, out_;
  testing::ScopedCaptureFolder capture_{temp_.path()};
  std::string source_, target_;
  std::shared_ptr<platform::ScriptedColourDialogs> colours_;
  std::shared_ptr<platform::ColourDialogBackend> previousColours_;
};

TEST_F(TransparencyWindowTest, ThePieceIsLaidDownWithTheKeyColourLeftOutAndSavedInEachFormat) {
  TransparencyWindow& w = OpenWithPictures();
  ASSERT_TRUE(testing::SamePixels(w.IM1().GetPicture(),
                                  std::make_shared<platform::StdPicture>(SourceImage())));
  ASSERT_EQ(w.IM2().ImageData().size(), QSize(120, 100));

  // The selection frame dragged over the source, then given its size by a Shift-drag.
  DragImage(w.IML(), 10, 6);
  EXPECT_EQ(w.IML().Left(), 30.0) << "back in pixels after the release";
  EXPECT_EQ(w.IML().Top(), 26.0);
  w.IML().Move(30, 26, 24, 18);

  colours_->answers.push_back(0x00FF00);
  w.Command3().click();
  EXPECT_EQ(w.Label2().BackColor(), 0x00FF00);

  w.Command4().click();
  ASSERT_TRUE(w.Floating());
  EXPECT_EQ(w.Command4().Caption(), "確定");
  const QImage piece = SourceImage().copy(30, 26, 24, 18);
  ASSERT_TRUE(
      testing::SamePixels(w.IMR().GetPicture(), std::make_shared<platform::StdPicture>(piece)));
  const QImage captured = Read(TempBmpPath());
  ASSERT_EQ(captured.size(), QSize(26, 20));

  // The piece dragged over the target; it shows its see-through while moving.
  const platform::Picture own = w.IMR().GetPicture();
  w.IMR().onMouseDown(kLeft, 0, 2, 2);
  EXPECT_NE(w.IMR().GetPicture(), own);
  w.IMR().onMouseMove(kLeft, 0, 42, 32);
  w.IMR().onMouseUp(kLeft, 0, 42, 32);
  EXPECT_EQ(w.IMR().GetPicture(), own);
  const int left = static_cast<int>(w.IMR().Left()), top = static_cast<int>(w.IMR().Top());
  EXPECT_EQ(left, 60);
  EXPECT_EQ(top, 50);

  const QImage before = w.IM2().ImageData().copy();
  w.Command4().click();
  EXPECT_FALSE(w.Floating());
  EXPECT_EQ(w.Command4().Caption(), "透過");
  EXPECT_FALSE(w.IMR().GetPicture() && w.IMR().GetPicture()->Type() != 0);

  // Pixels from (1, 1) of the captured piece, 5 fewer than IM4's size each way, at IMR's place;
  // key-green ones leave the target as it was.
  QImage want = before;
  int keyed = 0, drawn = 0;
  for (int y = 0; y < 20 - 5; ++y)
    for (int x = 0; x < 26 - 5; ++x) {
      const QRgb s = captured.pixel(1 + x, 1 + y);
      if (s == kKey)
        ++keyed;
      else
        want.setPixel(left + x, top + y, s), ++drawn;
    }
  ASSERT_GT(keyed, 20);
  ASSERT_GT(drawn, 20);
  const QImage after = w.IM2().ImageData().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(after, want);
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x) ASSERT_NE(after.pixel(x, y), kKey) << x << "," << y;

  w.BMP1().SetValue(true);
  Answer(out_.File("result"));
  w.Command2().click();
  EXPECT_EQ(Read(out_.File("result.bmp")), after);

  w.GIF1().SetValue(true);
  Answer(out_.File("result"));
  w.Command2().click();
  const testing::DecodedGif gif = testing::DecodeGif(out_.File("result.gif"));
  ASSERT_TRUE(gif.ok) << gif.error;
  ASSERT_EQ(gif.imageWidth, 120);
  ASSERT_EQ(gif.imageHeight, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 120; ++x) {
      const auto& c = gif.palette[gif.indices[y * 120 + x]];
      ASSERT_EQ(qRgb(c.gRed, c.gGreen, c.gBlue), after.pixel(x, y)) << x << "," << y;
    }

  w.JPG1().SetValue(true);
  EXPECT_TRUE(w.AS1().Visible());
  w.AS1().SetValue(95);
  Answer(out_.File("result.jpg"));
  w.Command2().click();
  const QImage jpeg = Read(out_.File("result.jpg.jpg"));
  ASSERT_EQ(jpeg.size(), after.size());
  double error = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 120; ++x)
      error += std::abs(qGreen(jpeg.pixel(x, y)) - qGreen(after.pixel(x, y)));
  EXPECT_LT(error / (120 * 100), 6.0) << "a JPEG of the same pixels";
  EXPECT_TRUE(boxes_->shown.empty()) << testing::Texts(*boxes_)[0];
  testing::SaveScreenshot(w, "transparency_editor");
}

TEST_F(TransparencyWindowTest, HasEveryControlWithItsCaptionAndContainer) {
  TransparencyWindow& w = OpenThroughMenu();
  auto container = [&](const char* name) {
    platform::Control* c = w.GetControls().Find(name);
    return c && c->Container() ? c->Container()->Name() : std::string("-");
  };
  auto caption = [&](const char* name) -> std::string {
    platform::Control* c = w.GetControls().Find(name);
    if (auto* f = dynamic_cast<platform::Frame*>(c)) return f->Caption();
    if (auto* l = dynamic_cast<platform::Label*>(c)) return l->Caption();
    if (auto* o = dynamic_cast<platform::OptionButton*>(c)) return o->Caption();
    if (auto* b = dynamic_cast<platform::CommandButton*>(c)) return b->Caption();
    return "?";
  };
  EXPECT_EQ(caption("Frame1"), "元のイメージ");
  EXPECT_EQ(caption("Frame2"), "透過イメージ");
  EXPECT_EQ(caption("Frame3"), "保存形式の選択");
  EXPECT_EQ(caption("Label2"), "透過色");
  EXPECT_EQ(w.Command5(0).Caption(), "元のイメージ開く(BMP)");
  EXPECT_EQ(w.Command5(1).Caption(), "透過のイメージ開く(JPG,BMP)");
  EXPECT_EQ(caption("Command3"), "透過色パレット");
  EXPECT_EQ(caption("Command4"), "透過");
  EXPECT_EQ(caption("Command1"), "キャンセル");
  EXPECT_EQ(caption("Command2"), "保存");
  EXPECT_EQ(caption("GIF1"), "GIF");
  EXPECT_EQ(caption("BMP1"), "BMP");
  EXPECT_EQ(caption("JPG1"), "JPG");
  EXPECT_EQ(container("IM1"), "Frame1");
  EXPECT_EQ(container("IM2"), "Frame2");
  EXPECT_EQ(container("IML"), "IM1");
  EXPECT_EQ(container("IMR"), "IM2");
  EXPECT_EQ(container("GIF1"), "Frame3");
  EXPECT_NE(dynamic_cast<platform::PictureBox*>(w.GetControls().Find("IM3")), nullptr);
  EXPECT_NE(dynamic_cast<platform::PictureBox*>(w.GetControls().Find("IM4")), nullptr);
  EXPECT_NE(dynamic_cast<platform::ImageControl*>(w.GetControls().Find("IMC")), nullptr);
  EXPECT_FALSE(w.GIF1().Value() || w.BMP1().Value() || w.JPG1().Value());
}

TEST_F(TransparencyWindowTest, TheColourButtonSetsTheKeyAndCancelMakesItWhite) {
  TransparencyWindow& w = OpenThroughMenu();
  colours_->answers.push_back(0x102030);
  w.Command3().click();
  EXPECT_EQ(w.Label2().BackColor(), 0x102030);
  colours_->answers.push_back(std::nullopt);
  w.Command3().click();
  EXPECT_EQ(w.Label2().BackColor(), 0xFFFFFF);
  ASSERT_EQ(colours_->requests.size(), 2u);
  EXPECT_EQ(colours_->requests[1].title, "カラーパレット");
}

TEST_F(TransparencyWindowTest, TheToleranceSliderKeysOutNearColoursToo) {
  // The source's key squares in a green just off the chosen one (distance 5).
  QImage source = SourceImage();
  for (int y = 0; y < source.height(); ++y)
    for (int x = 0; x < source.width(); ++x)
      if (source.pixel(x, y) == kKey) source.setPixel(x, y, qRgb(0, 250, 0));
  ASSERT_TRUE(source.save(QString::fromStdString(source_), "BMP"));
  TransparencyWindow& w = OpenWithPictures();
  EXPECT_EQ(w.TL1().Value(), 0);
  EXPECT_EQ(w.TL1().Max(), 100);
  EXPECT_EQ(dynamic_cast<platform::Label*>(w.GetControls().Find("Label3"))->Caption(), "許容差");
  colours_->answers.push_back(0x00FF00);
  w.Command3().click();
  w.TL1().SetValue(2);
  EXPECT_EQ(w.TL1().NumberBox().value(), 2);
  w.Command4().click();
  w.Command4().click();  // laid down where it floats
  const QImage after = w.IM2().ImageData().convertToFormat(QImage::Format_RGB32);
  int nearGreen = 0;
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x) nearGreen += after.pixel(x, y) == qRgb(0, 250, 0);
  EXPECT_EQ(nearGreen, 0);
  EXPECT_NE(after, TargetImage()) << "the other colours of the piece are drawn";
}

TEST_F(TransparencyWindowTest, SavingWithoutAFormatShowsTheMessageAndWritesNothing) {
  TransparencyWindow& w = OpenWithPictures();
  Answer(out_.File("result"));
  w.Command2().click();
  EXPECT_EQ(testing::Texts(*boxes_), std::vector<std::string>{"保存形式を選択してください。"});
  EXPECT_EQ(out_.CountEntries(), 0);
}

TEST_F(TransparencyWindowTest, TheQualitySliderShowsOnlyForJpeg) {
  TransparencyWindow& w = OpenThroughMenu();
  EXPECT_FALSE(w.AS1().Visible());
  w.JPG1().SetValue(true);
  EXPECT_TRUE(w.AS1().Visible());
  EXPECT_EQ(w.AS1().toolTip().toStdString(), "圧縮率");
  EXPECT_TRUE(w.AS1Label().Visible());
  EXPECT_EQ(w.AS1Label().Caption(), "圧縮率");
  EXPECT_EQ(w.AS1().NumberBox().value(), 80);
  w.GIF1().SetValue(true);
  EXPECT_FALSE(w.AS1().Visible());
  EXPECT_FALSE(w.AS1Label().Visible());
  w.JPG1().SetValue(true);
  w.BMP1().SetValue(true);
  EXPECT_FALSE(w.AS1().Visible());
}

TEST_F(TransparencyWindowTest, OpenButtonsTakeTheirKindsInAnyCaseAndNameAFileOfAnotherKind) {
  TransparencyWindow& w = OpenThroughMenu();
  const std::string upper = in_.File("SOURCE.BMP");
  fs::copy_file(source_, upper);
  Answer(upper);
  w.Command5(0).click();
  ASSERT_TRUE(w.IM1().GetPicture());
  EXPECT_EQ(w.IM1().GetPicture()->Image().size(), platform::LoadPicture(source_)->Image().size());
  EXPECT_TRUE(boxes_->shown.empty());
  const std::string jpeg = in_.File("target.jpg");
  ASSERT_TRUE(TargetImage().save(QString::fromStdString(jpeg), "JPG"));
  Answer(jpeg);
  w.Command5(0).click();  // the source takes bitmaps only
  EXPECT_EQ(testing::Texts(*boxes_),
            std::vector<std::string>{AboutFile("BMPファイルを選んでください。", jpeg)});
  Answer(jpeg);
  w.Command5(1).click();
  ASSERT_TRUE(w.IM2().GetPicture());
  EXPECT_EQ(w.IM2().GetPicture()->Image().size(), QSize(120, 100));
  EXPECT_EQ(boxes_->shown.size(), 1u);
}

TEST_F(TransparencyWindowTest, AnUnreadablePictureIsNamedInAMessageAndChangesNothing) {
  TransparencyWindow& w = OpenThroughMenu();
  const std::string broken = in_.File("broken.bmp");
  std::ofstream(broken) << "BM not really";
  Answer(broken);
  w.Command5(0).click();
  EXPECT_EQ(testing::Texts(*boxes_),
            std::vector<std::string>{
                AboutFile("イメージのファイルではないか、壊れていて読み込めません。", broken)});
  EXPECT_FALSE(w.IM1().GetPicture() && w.IM1().GetPicture()->Handle() != 0);
}

TEST_F(TransparencyWindowTest, AnUnsavedCompositeIsKeptUnlessTheUserAgreesToDiscardIt) {
  TransparencyWindow& w = OpenWithPictures();
  w.Command4().click();
  w.Command4().click();  // the piece is laid down where it was cut
  ASSERT_TRUE(w.CompositeUnsaved());
  const QImage composite = w.IM2().ImageData();
  // Each File-menu item that would empty or unload the editor asks first; "いいえ" keeps it.
  for (const char* item : {"munClose", "OpenT", "munQuit"}) {
    Reply(platform::kIdNo);
    windows::MDIF1().MenuItem(item)->trigger();
    testing::Settle();
    ASSERT_TRUE(windows::IsLoaded(WindowId::Dialog5)) << item;
    EXPECT_EQ(w.IM2().ImageData(), composite) << item;
  }
  const std::string gif = in_.File("other.gif");
  testing::WriteGif(testing::Stripes(8, 8), gif);
  Answer(gif);
  Reply(platform::kIdNo);
  windows::MDIF1().MenuItem("munOpen")->trigger();
  testing::Settle();
  EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog5));
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog));
  // So do a new transparency picture and "キャンセル".
  Answer(target_);
  Reply(platform::kIdNo);
  w.Command5(1).click();
  EXPECT_EQ(w.IM2().ImageData(), composite);
  Reply(platform::kIdNo);
  w.Command1().click();
  EXPECT_EQ(w.IM2().ImageData(), composite);
  EXPECT_EQ(testing::Texts(*boxes_),
            std::vector<std::string>(
                6, "保存していない透過イメージがあります。\n破棄してよろしいですか？"));

  // Saved, it is asked about no more.
  w.BMP1().SetValue(true);
  Answer(out_.File("saved"));
  w.Command2().click();
  EXPECT_FALSE(w.CompositeUnsaved());
  windows::MDIF1().MenuItem("munClose")->trigger();
  EXPECT_EQ(boxes_->shown.size(), 6u);
  EXPECT_EQ(w.IM2().GetPicture()->Handle(), 0u);
}

TEST_F(TransparencyWindowTest, YesDiscardsTheCompositeAndASaveErrorNamesTheFile) {
  TransparencyWindow& w = OpenWithPictures();
  w.Command4().click();
  w.Command4().click();
  Reply(platform::kIdYes);
  windows::MDIF1().MenuItem("OpenT")->trigger();
  EXPECT_FALSE(w.CompositeUnsaved());
  EXPECT_EQ(w.IM2().GetPicture()->Handle(), 0u);

  OpenWithPictures();
  w.GIF1().SetValue(true);
  const std::string missing = out_.File("missing/picture");
  Answer(missing);
  w.Command2().click();
  ASSERT_EQ(boxes_->shown.size(), 2u);
  EXPECT_NE(boxes_->shown[1].text.find("指定されたフォルダがありません。"), std::string::npos);
  EXPECT_NE(boxes_->shown[1].text.find("\n\n" + missing + ".gif"), std::string::npos);
}

TEST_F(TransparencyWindowTest, CancelClearsBothPicturesAndTheFormStays) {
  TransparencyWindow& w = OpenWithPictures();
  w.Command1().click();
  EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog5));
  EXPECT_FALSE(w.IM1().GetPicture() && w.IM1().GetPicture()->Type() != 0);
  EXPECT_FALSE(w.IM2().GetPicture() && w.IM2().GetPicture()->Type() != 0);
}

TEST_F(TransparencyWindowTest, AFailedCaptureKeepsTheEditorIdle) {
  TransparencyWindow& w = OpenWithPictures();
  std::ofstream(temp_.File("plain")) << "x";
  SetAppFolderForTesting(temp_.File("plain"));
  const testing::ScopedEnv cache("XDG_CACHE_HOME", temp_.File("plain"));
  w.Command4().click();
  EXPECT_FALSE(w.Floating());
  EXPECT_EQ(testing::Texts(*boxes_).size(), 1u);
}

TEST_F(TransparencyWindowTest, AnExistingGifIsNotOverwritten) {
  TransparencyWindow& w = OpenWithPictures();
  std::ofstream(out_.File("result.gif")) << "mine";
  w.GIF1().SetValue(true);
  Answer(out_.File("result"));
  w.Command2().click();
  ASSERT_EQ(testing::Texts(*boxes_).size(), 1u);
  std::ifstream in(out_.File("result.gif"));
  std::string content;
  in >> content;
  EXPECT_EQ(content, "mine");
}

}  // namespace
}  // namespace kestrin
