// The main window's File menu, the shared routines and the window set.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/editor_files.h"
#include "app/editors/comment/comment_window.h"
#include "app/editors/mesh/mesh_window.h"
#include "app/editors/rotation/rotation_window.h"
#include "app/main_window.h"
#include "app/tests/app_fixture.h"
#include "app/windows.h"
#include "giflib/tests/pictures.h"

namespace kestrin {
namespace {

using testing::AppTest;

class ShellTest : public AppTest {
 protected:
  void Trigger(const char* item) {
    QAction* a = windows::MDIF1().MenuItem(item);
    ASSERT_NE(a, nullptr) << item;
    a->trigger();
    testing::Settle();
  }
  std::string Gif(const char* name) {
    const std::string path = temp_.File(name);
    testing::WriteGif(testing::Stripes(20, 12), path);
    return path;
  }
};

TEST_F(ShellTest, TheMenuHasItsItemsInOrderWithTheirCaptions) {
  MainWindow& main = windows::MDIF1();
  EXPECT_EQ(main.windowTitle().toStdString(), "Kestrin");
  const std::vector<std::pair<const char*, const char*>> items = {{"munOpen", "角度編集開く"},
                                                                  {"numOpen2", "カラー編集開く"},
                                                                  {"OpenMesh", "メッシュ編集開く"},
                                                                  {"OpenCom", "コメント編集開く"},
                                                                  {"OpenT", "透過編集開く"},
                                                                  {"munClose", "閉じる"},
                                                                  {"munQuit", "終了"}};
  for (const auto& [name, caption] : items)
    EXPECT_EQ(main.MenuItem(name)->text().toStdString(), caption);
}

TEST_F(ShellTest, OpeningLoadsTwoPictureObjectsAndUnloadsTheOtherEditors) {
  windows::Dialog2();
  windows::Dialog4();
  Answer(Gif("in.gif"));
  Trigger("munOpen");
  ASSERT_TRUE(windows::IsLoaded(WindowId::Dialog));
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog2));
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog4));
  RotationWindow& d = windows::Dialog();
  ASSERT_NE(d.IM1().GetPicture(), nullptr);
  ASSERT_NE(d.IM2().GetPicture(), nullptr);
  EXPECT_NE(d.IM1().GetPicture(), d.IM2().GetPicture());
  EXPECT_TRUE(testing::SamePixels(d.IM1().GetPicture(), d.IM2().GetPicture()));
  ASSERT_EQ(files_->requests.size(), 1u);
  EXPECT_EQ(files_->requests[0].filter, kOpenPictureFilter);
  EXPECT_EQ(files_->requests[0].flags, 4096);
  EXPECT_FALSE(files_->requests[0].save);
}

TEST_F(ShellTest, ACancelledOpenKeepsTheEditorsAndUpperCaseNamesOpen) {
  windows::Dialog();
  Cancel();
  Trigger("numOpen2");
  EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog));
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog2));
  EXPECT_TRUE(boxes_->shown.empty());
  windows::Dialog3();
  const std::string upper = temp_.File("UP.GIF");
  testing::WriteGif(testing::Stripes(8, 8), upper);
  Answer(upper);
  Trigger("OpenCom");
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog3));
  ASSERT_TRUE(windows::IsLoaded(WindowId::Dialog4));
  EXPECT_NE(windows::Dialog4().IM1().GetPicture()->Handle(), 0u);
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(ShellTest, AFileThatCannotBeReadIsNamedAndEveryWindowStaysAsItWas) {
  windows::Dialog2();
  const std::string empty = temp_.File("empty.gif");
  std::ofstream(empty).close();
  const std::string text = temp_.File("notes.gif");
  std::ofstream(text) << "not a picture";
  const std::string cut = temp_.File("cut.gif");
  testing::WriteGif(testing::Stripes(40, 30), cut);
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
  const std::string other = temp_.File("picture.txt");
  testing::WriteGif(testing::Stripes(8, 8), other);
  const std::string missing = temp_.File("gone.gif");
  for (const std::string& path : {empty, text, cut, other, missing}) {
    Answer(path);
    Trigger("munOpen");
  }
  EXPECT_EQ(testing::Texts(*boxes_),
            (std::vector<std::string>{
                AboutFile("ファイルが空です。", empty),
                AboutFile("イメージのファイルではないか、壊れていて読み込めません。", text),
                AboutFile("GIFファイルが壊れていて読み込めません。", cut),
                AboutFile("GIF・PNG・JPEG・BMPのファイルを選んでください。", other),
                AboutFile("ファイルが見つかりません。", missing)}));
  EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog2));
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog));
}

TEST_F(ShellTest, TheFileDialogsNameTheirFilters) {
  Cancel();
  Trigger("munOpen");
  Cancel();
  ChooseGifToSave(windows::MDIF1().CD());
  Cancel();
  ChooseBmpOrJpgToOpen(windows::MDIF1().CD());
  ASSERT_EQ(files_->requests.size(), 3u);
  EXPECT_NE(files_->requests[0].filter.find("|GIFファイル|*.gif|"), std::string::npos);
  EXPECT_NE(files_->requests[0].filter.find("|すべてのファイル|*"), std::string::npos);
  EXPECT_EQ(files_->requests[1].filter, "GIFファイル|*.gif");
  EXPECT_EQ(files_->requests[2].filter, "BMP・JPEGファイル|*.bmp;*.jpg");
}

TEST_F(ShellTest, OpeningElsewhereAsksBeforeABuiltSeriesIsDiscarded) {
  Answer(Gif("in.gif"));
  Trigger("munOpen");
  RotationWindow& w = windows::Dialog();
  w.kakudo().SetText("90");
  w.Text1().SetText("45");
  w.Option1().SetValue(true);
  w.Command1().click();
  ASSERT_EQ(ProgramRotationState().seriesBuilt, 1);
  const std::vector<std::string> question = {
      "保存していない回転の連続イメージがあります。\n破棄してよろしいですか？"};
  EXPECT_EQ(UnsavedWork({WindowId::Dialog}),
            std::vector<std::string>{question[0].substr(0, question[0].find("\n"))});

  // Unanswered (the box closed), nothing changes; neither for "閉じる" and "終了".
  for (const char* item : {"numOpen2", "munClose", "munQuit"}) {
    if (std::string(item) == "numOpen2") Answer(Gif("first.gif"));
    Trigger(item);
    ASSERT_TRUE(windows::IsLoaded(WindowId::Dialog)) << item;
    EXPECT_EQ(ProgramRotationState().seriesBuilt, 1) << item;
    EXPECT_NE(windows::Dialog().IM2().GetPicture()->Handle(), 0u) << item;
  }
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog2));
  EXPECT_EQ(boxes_->shown.size(), 3u);
  EXPECT_EQ(boxes_->shown[0].text, question[0]);
  EXPECT_EQ(boxes_->shown[0].style & platform::kMbButtons, platform::kMbYesNo);

  // "はい" lets the open go ahead; the series is not asked about again.
  Answer(Gif("other.gif"));
  Reply(platform::kIdYes);
  Trigger("numOpen2");
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog));
  EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog2));
  EXPECT_TRUE(UnsavedWork({WindowId::Dialog, WindowId::Dialog2}).empty());
}

TEST_F(ShellTest, ASavedSeriesIsNotAskedAbout) {
  Answer(Gif("in.gif"));
  Trigger("OpenMesh");
  windows::Dialog3().Slider1().SetValue(2);
  EXPECT_EQ(UnsavedWork({WindowId::Dialog3}).size(), 1u);
  windows::Dialog3().Op1().SetValue(true);
  testing::TempFolder out;
  Answer(out.File("x.gif"));
  windows::Dialog3().Command2().click();
  EXPECT_EQ(out.CountEntries(), 2);
  Answer(Gif("other.gif"));
  Trigger("munOpen");
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog3));
}

TEST_F(ShellTest, OpenPictureFileReadsAnyCaseOfGif) {
  const std::string upper = Gif("ROSE.GIF");
  const OpenedPicture opened = OpenPictureFile(upper);
  EXPECT_EQ(opened.error, "");
  ASSERT_NE(opened.picture, nullptr);
  EXPECT_TRUE(testing::SamePixels(opened.picture, testing::Stripes(20, 12)));
  EXPECT_EQ(OpenPictureFile(temp_.path()).error,
            AboutFile("フォルダは開けません。ファイルを選んでください。", temp_.path()));
}

TEST_F(ShellTest, CloseOpensEveryEditorEmptyAndQuitUnloadsEverything) {
  Trigger("munClose");
  for (WindowId id : {WindowId::Dialog, WindowId::Dialog2, WindowId::Dialog3, WindowId::Dialog4,
                      WindowId::Dialog5, WindowId::Dialog6, WindowId::Dialog7})
    EXPECT_TRUE(windows::IsLoaded(id));
  EXPECT_EQ(windows::Dialog().IM1().GetPicture()->Handle(), 0u);
  EXPECT_EQ(windows::Dialog4().IM2().GetPicture()->Handle(), 0u);
  Trigger("munQuit");
  for (WindowId id : {WindowId::MDIF1, WindowId::Dialog, WindowId::Dialog5, WindowId::Dialog7})
    EXPECT_FALSE(windows::IsLoaded(id));
}

TEST_F(ShellTest, TransparencyItemShowsItsEditorWithAnEmptySecondPicture) {
  windows::Dialog();
  Trigger("OpenT");
  EXPECT_TRUE(windows::IsLoaded(WindowId::Dialog5));
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog));
  EXPECT_TRUE(files_->requests.empty());
}

TEST_F(ShellTest, SaveDialogAcceptsNewNamesAndCancelGivesAnEmptyPath) {
  Answer(temp_.File("new.gif"));
  EXPECT_EQ(ChooseGifToSave(windows::MDIF1().CD()), temp_.File("new.gif"));
  EXPECT_TRUE(files_->requests.back().save);
  EXPECT_EQ(files_->requests.back().flags & 4096, 0);
  Cancel();
  EXPECT_EQ(ChooseGifToSave(windows::MDIF1().CD()), "");
}

TEST_F(ShellTest, InversionChangesEveryEntryButTheLast) {
  auto palette = pellory::testing::DistinctPalette(4);
  auto pic = pellory::testing::MakeIndexedPicture(2, 2, palette, {0, 1, 2, 3});
  platform::Picture once = InvertPictureColours(pic);
  ASSERT_NE(once, nullptr);
  auto inverted = pellory::testing::PaletteOf(once);
  ASSERT_EQ(inverted.size(), 4u);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(inverted[i],
              (pellory::Vesk_GIFRGBTRIPLE{static_cast<uint8_t>(255 - palette[i].gRed),
                                          static_cast<uint8_t>(255 - palette[i].gGreen),
                                          static_cast<uint8_t>(255 - palette[i].gBlue)}));
  EXPECT_EQ(inverted[3], palette[3]);
  auto twice = pellory::testing::PaletteOf(InvertPictureColours(once));
  EXPECT_EQ(twice, palette);
  EXPECT_EQ(InvertPictureColours(nullptr), nullptr);
}

}  // namespace
}  // namespace kestrin
