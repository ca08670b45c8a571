#include "app/cli/options.h"

#include <algorithm>
#include <sstream>

#include "app/cli/command_support.h"

namespace kestrin::cli {

namespace {

const OptionDef* Find(const CommandDef& def, const std::string& name) {
  for (const OptionDef& o : def.options)
    if (o.name == name) return &o;
  return nullptr;
}

}  // namespace

std::optional<std::string> ParsedOptions::Get(const std::string& name) const {
  const auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

ParsedOptions Parse(const CommandDef& def, const std::vector<std::string>& args) {
  ParsedOptions parsed;
  if (std::find(args.begin(), args.end(), "--help") != args.end()) {
    parsed.help_ = true;
    return parsed;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0 || arg.size() == 2)
      throw UsageError("余分な引数があります: " + arg);
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
    const OptionDef* option = Find(def, name);
    if (!option) throw UsageError("不明なオプションです: --" + name);
    if (parsed.Has(name)) throw UsageError("--" + name + " が2回指定されています。");
    std::string value;
    if (option->valueName.empty()) {
      if (equals != std::string::npos) throw UsageError("--" + name + " には値を付けません。");
    } else if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else {
      // "--red -40" takes a negative number; a value that itself starts with "--" is given
      // as "--name=value".
      if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0)
        throw UsageError("--" + name + " に値(" + option->valueName + ")がありません。");
      value = args[++i];
    }
    parsed.values_[name] = value;
  }
  return parsed;
}

std::string HelpText(const CommandDef& def) {
  std::ostringstream text;
  text << "使い方: kestrin " << def.name << " [オプション]\n" << def.summary << "\n\nオプション:\n";
  size_t width = 0;
  std::vector<std::string> heads;
  for (const OptionDef& o : def.options) {
    heads.push_back("--" + o.name + (o.valueName.empty() ? "" : " " + o.valueName));
    width = std::max(width, heads.back().size());
  }
  for (size_t i = 0; i < def.options.size(); ++i)
    text << "  " << heads[i] << std::string(width - heads[i].size() + 2, ' ') << def.options[i].help
         << "\n";
  text << "  --help" << std::string(width > 6 ? width - 6 + 2 : 2, ' ') << "この説明を表示する\n";
  if (!def.example.empty()) text << "\n例:\n  " << def.example << "\n";
  return text.str();
}

}  // namespace kestrin::cli
