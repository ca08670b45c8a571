// What a series save finds of an earlier series in its folder, and what it asks.
#include "app/editors/series_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/tests/app_fixture.h"

namespace kestrin {
namespace {

using testing::AppTest;

class SeriesFilesTest : public AppTest {
 protected:
  std::string Make(const std::string& name) {
    std::ofstream(temp_.File(name)) << "x";
    return temp_.File(name);
  }
  std::string Prefix() const { return temp_.path() + "/"; }
};

TEST_F(SeriesFilesTest, FindsTheFilesWrittenOverAndTheRestOfTheSameStemsInNumberOrder) {
  for (const char* name : {"Mesh10.gif", "Mesh2.gif", "Mesh0.gif", "Mesh1.gif", "R0.gif"})
    Make(name);
  // Not of the pattern: other case, other endings, no number, a folder.
  for (const char* name : {"mesh3.gif", "Mesh3.GIF", "Mesh3.gif.bak", "MeshA.gif", "Mesh.gif",
                           "Mesh-1.gif", "Mesh1.5.5.gif", "XMesh4.gif"})
    Make(name);
  std::filesystem::create_directory(temp_.File("Mesh7.gif"));
  const EarlierSeries found = FindEarlierSeries(Prefix(), {"Mesh"}, {"Mesh0.gif", "Mesh1.gif"});
  EXPECT_EQ(found.replaced,
            (std::vector<std::string>{temp_.File("Mesh0.gif"), temp_.File("Mesh1.gif")}));
  EXPECT_EQ(found.rest,
            (std::vector<std::string>{temp_.File("Mesh2.gif"), temp_.File("Mesh10.gif")}));
}

TEST_F(SeriesFilesTest, RotationStemsTakeFractionalAnglesAndStayApart) {
  for (const char* name : {"R0.gif", "R2.5.gif", "L0.gif", "Color0.gif"}) Make(name);
  const EarlierSeries r = FindEarlierSeries(Prefix(), {"R"}, {"R0.gif"});
  EXPECT_EQ(r.replaced, std::vector<std::string>{temp_.File("R0.gif")});
  EXPECT_EQ(r.rest, std::vector<std::string>{temp_.File("R2.5.gif")});
  const EarlierSeries both = FindEarlierSeries(Prefix(), {"R", "L"}, {"L0.gif"});
  EXPECT_EQ(both.replaced, std::vector<std::string>{temp_.File("L0.gif")});
  EXPECT_EQ(both.rest.size(), 2u);
}

TEST_F(SeriesFilesTest, ASaveThatWritesNothingOrAFreshFolderFindsNothingAndAsksNothing) {
  Make("Color0.gif");
  EXPECT_TRUE(FindEarlierSeries(Prefix(), {"Color"}, {}).Empty());
  const EarlierSeries none = FindEarlierSeries(Prefix(), {"Mesh"}, {"Mesh0.gif"});
  EXPECT_TRUE(none.Empty());
  EXPECT_TRUE(FindEarlierSeries(temp_.File("missing") + "/", {"Mesh"}, {"Mesh0.gif"}).Empty());
  EXPECT_EQ(AskToReplace(none, temp_.path()), ReplaceAnswer::Replace);
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(SeriesFilesTest, TheAnswersMapOntoKeepReplaceAndRemoveTheRest) {
  Make("Mesh0.gif");
  const EarlierSeries same = FindEarlierSeries(Prefix(), {"Mesh"}, {"Mesh0.gif"});
  Reply(platform::kIdYes);
  EXPECT_EQ(AskToReplace(same, temp_.path()), ReplaceAnswer::Replace);
  Reply(platform::kIdNo);
  EXPECT_EQ(AskToReplace(same, temp_.path()), ReplaceAnswer::Keep);
  EXPECT_EQ(AskToReplace(same, temp_.path()), ReplaceAnswer::Keep);  // closed: OK
  ASSERT_EQ(boxes_->shown.size(), 3u);
  EXPECT_EQ(boxes_->shown[0].text,
            "保存先に同じ名前のファイルがあります（Mesh0.gif の1個）。\n"
            "置き換えてよろしいですか？\n\n" +
                temp_.path());

  Make("Mesh1.gif");
  const EarlierSeries longer = FindEarlierSeries(Prefix(), {"Mesh"}, {"Mesh0.gif"});
  Reply(platform::kIdYes);
  EXPECT_EQ(AskToReplace(longer, temp_.path()), ReplaceAnswer::ReplaceAndRemoveRest);
  Reply(platform::kIdNo);
  EXPECT_EQ(AskToReplace(longer, temp_.path()), ReplaceAnswer::Replace);
  Reply(platform::kIdCancel);
  EXPECT_EQ(AskToReplace(longer, temp_.path()), ReplaceAnswer::Keep);
  EXPECT_EQ(AskToReplace(longer, temp_.path()), ReplaceAnswer::Keep);
  EXPECT_EQ(boxes_->shown[3].style, platform::kMbYesNoCancel | platform::kMbIconQuestion);

  EXPECT_TRUE(RemoveRest(longer));
  EXPECT_FALSE(std::filesystem::exists(temp_.File("Mesh1.gif")));
  EXPECT_TRUE(std::filesystem::exists(temp_.File("Mesh0.gif")));
}

}  // namespace
}  // namespace kestrin
