#include "platform/kernel/files.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace platform {

std::string GetTempFolder() {
  std::string folder;
  if (const char* env = std::getenv("TMPDIR"); env && *env && DirectoryExists(env)) {
    folder = env;
  } else if (DirectoryExists("/tmp")) {
    folder = "/tmp";
  } else {
    return {};
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string MakeUniqueTempFile(const std::string& folder, const std::string& prefix) {
  // A folder that is not there, or not a folder, fails the first open.
  if (folder.empty()) return {};
  std::string dir = folder;
  if (dir.back() != '/') dir += '/';
  const std::string pre = prefix.substr(0, 3);
  // Start from a moving point so that many objects do not probe the same names in turn.
  static std::atomic<unsigned> counter{static_cast<unsigned>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid())};
  for (int attempt = 0; attempt < 0x10000; ++attempt) {
    unsigned number = (counter.fetch_add(1) & 0xFFFF);
    if (number == 0) continue;
    char name[16];
    std::snprintf(name, sizeof name, "%X.tmp", number);
    std::string path = dir + pre + name;
    int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ModuleFolderOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  char resolved[4096];
  std::string file = ::realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
  auto slash = file.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : file.substr(0, slash);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool RemoveFileIfExists(const std::string& path) {
  if (path.empty()) return true;
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  // A folder is not a file, and is left alone.
  return !FileExists(path);
}

}  // namespace platform
