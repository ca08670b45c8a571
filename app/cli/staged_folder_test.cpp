// Files saved aside and moved into place: never over a file that is there, all or nothing, and
// the hidden folder always goes. The terminal's progress line.
#include "app/cli/staged_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli/command_support.h"
#include "giflib/tests/gif_decode.h"

namespace kestrin {
namespace {

using pellory::testing::TempFolder;
using ::testing::HasSubstr;
using Names = std::vector<std::string>;

// Every entry, hidden ones included, sorted.
Names Listing(const std::string& folder) {
  Names names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
}

std::string Read(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(StagedFolder, MovesEverythingIntoPlaceAndLeavesNoHiddenFolder) {
  TempFolder destination;
  {
    cli::StagedFolder staged(destination.path());
    EXPECT_EQ(Listing(destination.path()).size(), 1u);  // the hidden folder
    Write(staged.Path() + "/b.gif", "b");
    Write(staged.Path() + "/a.gif", "a");
    EXPECT_EQ(staged.Names(), (Names{"a.gif", "b.gif"}));
    EXPECT_EQ(staged.FirstConflict(), "");
    std::string error;
    ASSERT_TRUE(staged.Publish(&error)) << error;
  }
  EXPECT_EQ(Listing(destination.path()), (Names{"a.gif", "b.gif"}));
  EXPECT_EQ(Read(destination.File("b.gif")), "b");
}

TEST(StagedFolder, AFileThatAppearsBeforeTheMoveIsKeptAndTheRunsOwnFilesGoAgain) {
  TempFolder destination;
  {
    cli::StagedFolder staged(destination.path());
    for (const char* name : {"a.gif", "b.gif", "c.gif"}) Write(staged.Path() + "/" + name, "new");
    // Someone else writes c.gif after the check: the move refuses it and undoes a and b.
    Write(destination.File("c.gif"), "theirs");
    std::string error;
    EXPECT_FALSE(staged.Publish(&error));
    EXPECT_THAT(error, HasSubstr("c.gif: 指定されたファイルはすでに存在しています。"));
    EXPECT_EQ(staged.FirstConflict(), "c.gif");
  }
  EXPECT_EQ(Listing(destination.path()), Names{"c.gif"});
  EXPECT_EQ(Read(destination.File("c.gif")), "theirs");
}

TEST(TerminalProgress, DrawsEachStageInPlaceAndEndsItsLineAtTheFullBarWhenItsWorkIsDone) {
  const std::string clear = "\r\033[K";
  auto bar = [](const std::string& caption, int filled, int percent) {
    return caption + " [" + std::string(filled, '#') + std::string(30 - filled, ' ') + "] " +
           std::to_string(percent) + "%";
  };
  std::ostringstream out;
  cli::TerminalProgress progress(out, true);
  progress.Show();
  progress.SetMax(4);
  progress.SetMin(0);
  progress.SetCaption("ただいまイメージ作成中です。");
  progress.SetValue(2);
  progress.SetValue(2);  // unchanged: not drawn again
  progress.SetValue(3);
  progress.Unload();
  // The next stage starts: the first got to its end.
  progress.Show();
  progress.SetCaption("ただいま保存中です。");
  progress.SetValue(9);  // beyond the end: full
  progress.Unload();
  progress.Finish(true);
  EXPECT_EQ(out.str(), clear + bar("ただいまイメージ作成中です。", 15, 50) + clear +
                           bar("ただいまイメージ作成中です。", 23, 75) + clear +
                           bar("ただいまイメージ作成中です。", 30, 100) + "\n" + clear +
                           bar("ただいま保存中です。", 30, 100) + "\n");

  // A command that fails leaves the bar where the work stopped, on a line of its own.
  std::ostringstream failed;
  cli::TerminalProgress stopped(failed, true);
  stopped.Show();
  stopped.SetMax(4);
  stopped.SetCaption("ただいま保存中です。");
  stopped.SetValue(1);
  stopped.Unload();
  stopped.Finish(false);
  stopped.Finish(true);  // nothing more to end
  EXPECT_EQ(failed.str(), clear + bar("ただいま保存中です。", 8, 25) + "\n");

  std::ostringstream quiet;
  cli::TerminalProgress off(quiet, false);
  off.Show();
  off.SetValue(50);
  off.ShowCount("連続イメージ作成中", 3);
  off.Unload();
  off.Finish(true);
  EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace kestrin
