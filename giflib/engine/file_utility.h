// Splitting of paths and checks of names that a client passes for saving. Both "/" and "\"
// separate folders, so drive-letter paths and POSIX paths give answers in their own form.
// Nothing here records an error.
#pragma once

#include <string>

namespace pellory::engine {

// "C:\work\a.gif" -> "C:\work"; "C:\a.gif" -> "C:\"; "/home/a/x.gif" -> "/home/a";
// "/x.gif" -> "/"; "a.gif" -> "".
std::string GetParentFolder(const std::string& path);
// The last component ("" for a path ending in a separator).
std::string GetFileNamePart(const std::string& path);
// No forbidden character (* ? < > |) and a name the file system accepts; need not exist.
bool IsValidFolderName(const std::string& folder);
bool IsValidFileName(const std::string& path);
// The path as this platform's file functions take it: backslashes become "/".
std::string ToNativePath(const std::string& path);

}  // namespace pellory::engine
