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
  // Drawing text needs the toolkit's application object (fonts). Picture work does not, and a
  // run without one starts sooner and takes less memory (no platform plug-in, no font set-up).
  bool drawsText = false;
};

const Command& RotateCommand();
const Command& ColourCommand();
const Command& MeshCommand();
const Command& CommentCommand();

}  // namespace kestrin::cli
