// A file written under a hidden temporary name beside its destination and moved there only once
// it is complete, so a failure leaves neither a partial file nor a damaged earlier one. The file
// gets the permissions any new file gets under the umask: mkstemp's owner-only ones would stay
// once it is in place and hide it from other users.
#pragma once

#include <string>

namespace platform {

class StagedFile {
 public:
  // Makes "<folder of destination>/.<prefix>-XXXXXX", open for writing; Valid() is false, with
  // the reason in Error(), when it cannot be made.
  StagedFile(const std::string& destination, const std::string& prefix);
  // Closes the descriptor if still held, and removes the temporary file unless it was moved.
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  bool Valid() const { return !temp_.empty(); }
  int Error() const { return error_; }
  const std::string& TempPath() const { return temp_; }
  int Descriptor() const { return fd_; }
  // Hands the descriptor over to the caller, who closes it (through fclose, for instance).
  int Release();
  // Closes the descriptor if still held: 0, or the errno of a failed close.
  int Close();
  // Moves the finished file into place: over a file already there when `replace`, else only
  // where there is none, so nothing that appeared meanwhile is lost. 0, or an errno.
  int Commit(bool replace);

 private:
  std::string destination_;
  std::string temp_;
  int fd_ = -1;
  int error_ = 0;
  bool committed_ = false;
};

}  // namespace platform
