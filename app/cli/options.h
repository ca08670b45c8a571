// The batch commands' options: "--name value" or "--name=value", flags without a value, and
// "--help". Each command lists its options once; the same list parses the arguments and prints
// the help, so the two cannot drift apart.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestrin::cli {

struct OptionDef {
  std::string name;       // without the leading dashes
  std::string valueName;  // empty for a flag
  std::string help;       // one line
};

struct CommandDef {
  std::string name;
  std::string summary;  // one line
  std::vector<OptionDef> options;
  std::string example;  // one command line
};

class ParsedOptions {
 public:
  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  // The value given, or nothing when the option was left out.
  std::optional<std::string> Get(const std::string& name) const;
  bool HelpAsked() const { return help_; }

 private:
  friend ParsedOptions Parse(const CommandDef&, const std::vector<std::string>&);
  std::map<std::string, std::string> values_;
  bool help_ = false;
};

// Throws UsageError (see command_support.h) for an unknown option, a missing value, a value given
// to a flag, an option given twice or a stray argument. "--help" anywhere wins over the rest.
ParsedOptions Parse(const CommandDef& def, const std::vector<std::string>& args);

std::string HelpText(const CommandDef& def);

}  // namespace kestrin::cli
