#include "app/editors/series_files.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include "app/message.h"
#include "platform/kernel/files.h"

namespace kestrin {

namespace {

namespace fs = std::filesystem;

// The number of a name <stem><number>.gif, as the saves write it: digits, perhaps with a
// fraction (the rotation editor's angles); nothing for any other name.
std::optional<double> NumberIn(const std::string& name, const std::string& stem) {
  constexpr std::string_view kGif = ".gif";
  if (name.size() <= stem.size() + kGif.size() || name.compare(0, stem.size(), stem) != 0 ||
      name.compare(name.size() - kGif.size(), kGif.size(), kGif) != 0)
    return std::nullopt;
  const std::string number = name.substr(stem.size(), name.size() - stem.size() - kGif.size());
  if (!std::isdigit(static_cast<unsigned char>(number.front())) ||
      !std::isdigit(static_cast<unsigned char>(number.back())) ||
      number.find_first_not_of("0123456789.") != std::string::npos ||
      std::count(number.begin(), number.end(), '.') > 1)
    return std::nullopt;
  return std::strtod(number.c_str(), nullptr);
}

struct Found {
  std::string stem;
  double number = 0;
  std::string path;
  bool operator<(const Found& o) const {
    return stem != o.stem ? stem < o.stem : number != o.number ? number < o.number : path < o.path;
  }
};

std::string NameOf(const std::string& path) {
  return fs::path(path).filename().string();
}

// "Mesh0.gif", or "Mesh0.gif～Mesh10.gif", and how many.
std::string Span(const std::vector<std::string>& paths) {
  std::string text = NameOf(paths.front());
  if (paths.size() > 1) text += "～" + NameOf(paths.back());
  return text + " の" + std::to_string(paths.size()) + "個";
}

}  // namespace

EarlierSeries FindEarlierSeries(const std::string& prefix, const std::vector<std::string>& stems,
                                const std::vector<std::string>& names) {
  EarlierSeries found;
  // A save that writes nothing replaces nothing.
  if (names.empty()) return found;
  const std::set<std::string> writes(names.begin(), names.end());
  std::set<Found> replaced, rest;
  std::error_code ec;
  for (fs::directory_iterator it(prefix.empty() ? fs::path(".") : fs::path(prefix), ec), end;
       !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec)) continue;
    const std::string name = it->path().filename().string();
    for (const std::string& stem : stems) {
      const std::optional<double> number = NumberIn(name, stem);
      if (!number) continue;
      (writes.count(name) ? replaced : rest).insert({stem, *number, prefix + name});
      break;
    }
  }
  for (const Found& f : replaced) found.replaced.push_back(f.path);
  for (const Found& f : rest) found.rest.push_back(f.path);
  return found;
}

ReplaceAnswer AskToReplace(const EarlierSeries& found, const std::string& folder) {
  if (found.Empty()) return ReplaceAnswer::Replace;
  const std::string where = folder.empty() ? "" : "\n\n" + folder;
  if (found.rest.empty()) {
    return AskYesNo("保存先に同じ名前のファイルがあります（" + Span(found.replaced) +
                    "）。\n置き換えてよろしいですか？" + where)
               ? ReplaceAnswer::Replace
               : ReplaceAnswer::Keep;
  }
  const std::string text = "保存先に以前の連続イメージがあります（今回の連続イメージにない " +
                           Span(found.rest) +
                           "を含みます）。\n"
                           "はい: 以前の連続イメージを削除して保存します。\n"
                           "いいえ: 同じ名前のファイルだけ置き換えて保存します。\n"
                           "キャンセル: 保存しません。" +
                           where;
  switch (platform::MsgBox(text, platform::kMbYesNoCancel | platform::kMbIconQuestion, kAppTitle)) {
    case platform::kIdYes:
      return ReplaceAnswer::ReplaceAndRemoveRest;
    case platform::kIdNo:
      return ReplaceAnswer::Replace;
    default:
      return ReplaceAnswer::Keep;
  }
}

bool RemoveRest(const EarlierSeries& found) {
  for (const std::string& path : found.rest) {
    if (!platform::RemoveFileIfExists(path)) {
      ShowMessageAbout("以前の連続イメージのファイルを削除できませんでした。", path);
      return false;
    }
  }
  return true;
}

}  // namespace kestrin
