// The batch commands: each one drives its editor's logic class the way the editor's window
// does, with the settings taken from the command line.
#pragma once

#include <functional>
#include <vector>

#include "app/cli/command_support.h"

namespace kestrin::cli {

struct Command {
  CommandDef def;
  std::function<void(const ParsedOptions&, Context&)> run;
  // Reads and checks the settings alone, as run does first: throws UsageError, touches no file
  // and needs no toolkit.
  std::function<void(const ParsedOptions&)> check;
};

const Command& RotateCommand();
const Command& ColourCommand();
const Command& MeshCommand();
const Command& CommentCommand();

}  // namespace kestrin::cli
