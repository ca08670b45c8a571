// What a series save finds in its folder before it writes: files it would write over, and the
// rest of an earlier series of the same name pattern (Mesh5.gif to Mesh10.gif beside a new
// Mesh0.gif to Mesh4.gif), which would otherwise mix with the new series.
#pragma once

#include <string>
#include <vector>

namespace kestrin {

struct EarlierSeries {
  std::vector<std::string> replaced;  // paths the save writes that exist
  std::vector<std::string> rest;      // other files of the pattern, which it would not write
  bool Empty() const { return replaced.empty() && rest.empty(); }
};

// Looks beside `prefix` (a folder and "/", or "" for the current folder) for files named
// <stem><number>.gif for any of `stems`; `names` are the file names the save writes (none:
// nothing is found). Both lists are in the order of their numbers.
EarlierSeries FindEarlierSeries(const std::string& prefix, const std::vector<std::string>& stems,
                                const std::vector<std::string>& names);

enum class ReplaceAnswer {
  Keep,                  // write nothing
  Replace,               // write over the files of the same names, leave the rest
  ReplaceAndRemoveRest,  // also remove the rest once every frame is written
};

// Asks what to do with an earlier series; Replace without asking when there is none. Any
// answer but "はい" / "いいえ" keeps every file.
ReplaceAnswer AskToReplace(const EarlierSeries& found, const std::string& folder);

// Removes the rest of an earlier series; false, with a message naming the file, when one stays.
bool RemoveRest(const EarlierSeries& found);

}  // namespace kestrin
