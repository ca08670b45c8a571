#include "giflib/engine/file_utility.h"

#include <gtest/gtest.h>

namespace pellory::engine {
namespace {

TEST(FileUtility, ParentFolderOfDriveLetterPaths) {
  EXPECT_EQ(GetParentFolder("C:\\work\\a.gif"), "C:\\work");
  EXPECT_EQ(GetParentFolder("C:\\a.gif"), "C:\\");
  EXPECT_EQ(GetParentFolder("a.gif"), "");
  EXPECT_EQ(GetParentFolder(""), "");
  EXPECT_EQ(GetParentFolder("C:\\work\\sub\\x.gif"), "C:\\work\\sub");
}

TEST(FileUtility, ParentFolderOfPosixPaths) {
  EXPECT_EQ(GetParentFolder("/home/a/x.gif"), "/home/a");
  EXPECT_EQ(GetParentFolder("/x.gif"), "/");
  EXPECT_EQ(GetParentFolder("rel/x.gif"), "rel");
  EXPECT_EQ(GetParentFolder("/home//a.gif"), "/home");
}

TEST(FileUtility, FileNamePart) {
  EXPECT_EQ(GetFileNamePart("C:\\work\\a.gif"), "a.gif");
  EXPECT_EQ(GetFileNamePart("/home/a/x.gif"), "x.gif");
  EXPECT_EQ(GetFileNamePart("a.gif"), "a.gif");
  EXPECT_EQ(GetFileNamePart("C:\\work\\"), "");
}

TEST(FileUtility, ForbiddenCharactersAndEmptyNamesAreInvalid) {
  EXPECT_FALSE(IsValidFileName("C:\\work\\a?.gif"));
  EXPECT_FALSE(IsValidFileName("C:\\wo|rk\\a.gif"));
  EXPECT_FALSE(IsValidFileName("C:\\work\\"));
  EXPECT_FALSE(IsValidFileName("/tmp/a*.gif"));
  EXPECT_FALSE(IsValidFileName("/tmp/<a>.gif"));
  EXPECT_FALSE(IsValidFolderName("/tm?p"));
}

TEST(FileUtility, WellFormedNamesPassEvenWhenTheFolderIsMissing) {
  EXPECT_TRUE(IsValidFileName("C:\\work\\a.gif"));
  EXPECT_TRUE(IsValidFileName("/no/such/folder/a.gif"));
  EXPECT_TRUE(IsValidFolderName("/no/such/folder"));
  // Colons and quotes are not on the list; this file system takes them.
  EXPECT_TRUE(IsValidFileName("/tmp/a:b\".gif"));
  // A component longer than the file system allows is rejected by the query.
  EXPECT_FALSE(IsValidFileName("/tmp/" + std::string(300, 'a') + ".gif"));
}

TEST(FileUtility, NativePathUsesSlashes) {
  EXPECT_EQ(ToNativePath("dir\\sub\\a.gif"), "dir/sub/a.gif");
}

}  // namespace
}  // namespace pellory::engine
