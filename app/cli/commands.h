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
};

const Command& RotateCommand();
const Command& ColourCommand();
const Command& MeshCommand();
const Command& CommentCommand();

}  // namespace kestrin::cli
