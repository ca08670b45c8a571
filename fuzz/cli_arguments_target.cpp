// The batch commands' argument parsing on argument lists made from the input: every list is
// either parsed or refused with a usage error, every value read back as a number or a choice is
// one the command allows, and the command's own checks of its settings hold up. Nothing runs a
// command, so nothing is written.
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/options.h"
#include "fuzz/targets.h"

namespace kestrin::fuzz {

std::string CliArgumentsTarget(const uint8_t* data, size_t size) {
  if (size == 0) return "";
  const cli::Command* commands[] = {&cli::RotateCommand(), &cli::ColourCommand(),
                                    &cli::MeshCommand(), &cli::CommentCommand()};
  const cli::Command& command = *commands[data[0] % 4];
  // The rest are the arguments, separated by NUL bytes.
  std::vector<std::string> args(1);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += static_cast<char>(data[i]);
  }
  if (args.size() == 1 && args[0].empty()) args.clear();
  try {
    const cli::ParsedOptions options = cli::Parse(command.def, args);
    if (options.HelpAsked() && cli::HelpText(command.def).empty()) return "empty help";
    for (const cli::OptionDef& o : command.def.options) {
      const std::optional<std::string> value = options.Get(o.name);
      if (!value) continue;
      if (o.valueName.empty() && !value->empty()) return "a flag with a value: " + o.name;
      // A number read back is the number written, whatever signs and zeros led it.
      if (const std::optional<int> n = cli::ParseInteger(*value);
          n && cli::ParseInteger(std::to_string(*n)) != n)
        return "a number that does not read back: " + *value;
      try {
        const int n = cli::ReadInteger(options, o.name, -300, 300, 0);
        if (n < -300 || n > 300) return "an integer outside its range: " + o.name;
      } catch (const cli::UsageError&) {
      }
      try {
        const int c = cli::ReadChoice(options, o.name, {{"one", "一"}, {"two", "二"}});
        if (c != 0 && c != 1) return "a choice outside the list: " + o.name;
      } catch (const cli::UsageError&) {
      }
    }
    // The command's own checks of its numbers (the sanitiser build catches an overflow).
    command.check(options);
  } catch (const cli::UsageError&) {
  }
  return "";
}

}  // namespace kestrin::fuzz
