// Files that a batch command saves go into a hidden folder inside their destination first, and
// are moved into place only when every one of them can go there without replacing a file. So
// the editors' saves run unchanged (with the names and contents the windows write), a file that
// is already there is never touched, and a failure leaves nothing of this run behind. When asked
// to replace, the files replaced are moved aside and put back if the move fails part way.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kestrin::cli {

class StagedFolder {
 public:
  // Makes the hidden folder inside `destination`, an existing folder; throws a Failure when it
  // cannot be made.
  explicit StagedFolder(const std::string& destination);
  // Removes the hidden folder with whatever is still in it.
  ~StagedFolder();
  StagedFolder(const StagedFolder&) = delete;
  StagedFolder& operator=(const StagedFolder&) = delete;

  const std::string& Path() const { return path_; }
  // The names of the files saved into the hidden folder, sorted.
  std::vector<std::string> Names() const;
  // The first of those names that the destination already has, or "".
  std::string FirstConflict() const;
  // Moves every file into the destination, over an existing file only when `replace` (never
  // over a folder). When one cannot be moved, the ones already moved are removed again, the
  // replaced ones are put back and the reason is in `error`.
  bool Publish(std::string* error, bool replace = false);

 private:
  void Withdraw();

  std::string destination_;
  std::string path_;
  std::vector<std::string> published_;
  // Files of the destination moved aside into the hidden folder: (where from, where now).
  std::vector<std::pair<std::string, std::string>> replaced_;
};

}  // namespace kestrin::cli
