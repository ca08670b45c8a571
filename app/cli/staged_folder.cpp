#include "app/cli/staged_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/cli/command_support.h"

namespace kestrin::cli {

namespace fs = std::filesystem;

namespace {

// Moves `from` to `to` unless `to` exists, in one step. File systems without that kind of
// rename get a hard link and an unlink, which refuse an existing name just as well.
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (link(from.c_str(), to.c_str()) != 0) return errno;
  unlink(from.c_str());
  return 0;
}

}  // namespace

StagedFolder::StagedFolder(const std::string& destination) : destination_(destination) {
  std::string pattern = (fs::path(destination) / ".kestrin-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw Failure(destination + ": 一時フォルダを作れません (" + std::strerror(errno) + ")");
  path_ = pattern;
}

StagedFolder::~StagedFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::vector<std::string> StagedFolder::Names() const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(path_, ec)) {
    std::string name = e.path().filename().string();
    // Hidden names are this folder's own: files moved aside, a save's part files.
    if (name.front() != '.') names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string StagedFolder::FirstConflict() const {
  for (const std::string& name : Names()) {
    std::error_code ec;
    if (fs::symlink_status(fs::path(destination_) / name, ec).type() != fs::file_type::not_found)
      return name;
  }
  return {};
}

bool StagedFolder::Publish(std::string* error, bool replace) {
  for (const std::string& name : Names()) {
    const std::string to = (fs::path(destination_) / name).string();
    std::error_code ec;
    const fs::file_type there = fs::symlink_status(to, ec).type();
    if (replace && there != fs::file_type::not_found && there != fs::file_type::directory) {
      const std::string aside = (fs::path(path_) / (".replaced-" + name)).string();
      if (std::rename(to.c_str(), aside.c_str()) != 0) {
        if (error) *error = to + ": " + std::strerror(errno);
        Withdraw();
        return false;
      }
      replaced_.emplace_back(to, aside);
    }
    if (const int e = MoveWithoutReplacing((fs::path(path_) / name).string(), to); e != 0) {
      if (error)
        *error = to + ": " +
                 (e == EEXIST ? LibraryMessage(pellory::engine::kErrFileExists)
                              : std::string(std::strerror(e)));
      Withdraw();
      return false;
    }
    published_.push_back(to);
  }
  return true;
}

void StagedFolder::Withdraw() {
  for (const std::string& path : published_) unlink(path.c_str());
  published_.clear();
  for (const auto& [from, aside] : replaced_) std::rename(aside.c_str(), from.c_str());
  replaced_.clear();
}

}  // namespace kestrin::cli
