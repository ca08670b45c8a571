#include "giflib/engine/file_utility.h"

#include <sys/stat.h>

#include <cerrno>

namespace pellory::engine {

namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// "C:" for a drive-letter path, else "".
std::string DrivePart(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
    return path.substr(0, 2);
  return {};
}

bool HasForbiddenCharacter(const std::string& s) {
  return s.find_first_of("*?<>|") != std::string::npos;
}

// Whether the file system rejects the name itself; a name that merely does not exist is fine.
bool FileSystemRejects(const std::string& path) {
  if (path.find('\0') != std::string::npos) return true;
  struct stat st {};
  if (::stat(ToNativePath(path).c_str(), &st) == 0) return false;
  return errno == ENAMETOOLONG || errno == EINVAL || errno == ELOOP;
}

}  // namespace

std::string ToNativePath(const std::string& path) {
  std::string out = path;
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

std::string GetParentFolder(const std::string& path) {
  std::string result;
  try {
    const std::string drive = DrivePart(path);
    size_t end = path.size();
    while (end > drive.size() && IsSeparator(path[end - 1])) --end;  // trailing separators
    size_t sep = path.find_last_of("/\\", end == 0 ? 0 : end - 1);
    if (sep == std::string::npos || sep < drive.size()) {
      // No folder part, or only a drive ("C:a.gif").
      return drive;
    }
    // Cut the last component and the separators before it.
    size_t cut = sep;
    while (cut > drive.size() && IsSeparator(path[cut - 1])) --cut;
    result = path.substr(0, cut);
    // A root keeps its separator: "C:\" and "/".
    if (result == drive) result = path.substr(0, cut + 1);
    if (result.size() > 1 && IsSeparator(result.back()) &&
        result.substr(0, result.size() - 1) != drive)
      result.pop_back();
    return result;
  } catch (...) {
    return result;
  }
}

std::string GetFileNamePart(const std::string& path) {
  try {
    const std::string drive = DrivePart(path);
    if (!path.empty() && IsSeparator(path.back())) return {};
    size_t sep = path.find_last_of("/\\");
    if (sep == std::string::npos || sep < drive.size()) return path.substr(drive.size());
    return path.substr(sep + 1);
  } catch (...) {
    return {};
  }
}

bool IsValidFolderName(const std::string& folder) {
  try {
    if (HasForbiddenCharacter(folder)) return false;
    return !FileSystemRejects(folder);
  } catch (...) {
    return false;
  }
}

bool IsValidFileName(const std::string& path) {
  try {
    const std::string name = GetFileNamePart(path);
    const std::string folder = GetParentFolder(path);
    if (!folder.empty() && !IsValidFolderName(folder)) return false;
    if (name.empty() || HasForbiddenCharacter(name)) return false;
    if (FileSystemRejects(name) || FileSystemRejects(path)) return false;
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace pellory::engine
