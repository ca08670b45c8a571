// The main window's File menu, the shared routines and the window set.
#include <gtest/gtest.h>

#include "app/editors/comment/comment_window.h"
#include "app/editors/rotation/rotation_window.h"
#include "app/main_window.h"
#include "app/module1.h"
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

TEST_F(ShellTest, CancelledOpensNothingButStillUnloadsTheOthersAndUpperCaseNamesOpen) {
  windows::Dialog();
  Cancel();
  Trigger("numOpen2");
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog));
  EXPECT_FALSE(windows::IsLoaded(WindowId::Dialog2));
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
  EXPECT_EQ(ChooseGifToSave(), temp_.File("new.gif"));
  EXPECT_TRUE(files_->requests.back().save);
  EXPECT_EQ(files_->requests.back().flags & 4096, 0);
  Cancel();
  EXPECT_EQ(ChooseGifToSave(), "");
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
