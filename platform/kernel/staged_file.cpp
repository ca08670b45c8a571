#include "platform/kernel/staged_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/kernel/files.h"

namespace platform {

namespace {

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

StagedFile::StagedFile(const std::string& destination, const std::string& prefix)
    : destination_(destination) {
  const std::string folder = FolderOf(destination);
  std::string pattern = (folder.empty() ? "." : folder) + "/." + prefix + "-XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    error_ = errno;
    return;
  }
  ::fchmod(fd, NewFileMode());
  fd_ = fd;
  temp_ = pattern;
}

StagedFile::~StagedFile() {
  Close();
  if (Valid() && !committed_) ::unlink(temp_.c_str());
}

int StagedFile::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

int StagedFile::Close() {
  if (fd_ < 0) return 0;
  const int result = ::close(fd_) == 0 ? 0 : errno;
  fd_ = -1;
  return result;
}

int StagedFile::Commit(bool replace) {
  if (!Valid()) return error_ != 0 ? error_ : EINVAL;
  if (const int closed = Close(); closed != 0) return closed;
  if (replace) {
    if (std::rename(temp_.c_str(), destination_.c_str()) != 0) return errno;
  } else {
    // A link fails where a file already is.
    if (::link(temp_.c_str(), destination_.c_str()) != 0) return errno;
    ::unlink(temp_.c_str());
  }
  committed_ = true;
  return 0;
}

}  // namespace platform
