// The batch command line: "kestrin rotate|colour|mesh|comment [options]" runs one editor's work
// without a window and without a display, for scripts and headless machines.
#pragma once

#include <string>
#include <vector>

#include "app/cli/command_support.h"

namespace kestrin::cli {

// Whether main runs RunFromMain instead of the windows: any argument at all. A word that names
// no command gets the batch parser's "unknown command" error rather than a window.
bool IsBatchInvocation(int argc, char** argv);

// Runs the batch command of the program's arguments on the process's streams, with a headless
// toolkit (QT_QPA_PLATFORM=offscreen unless it is set) and a progress bar when stderr is a
// terminal. Returns the exit status.
int RunFromMain(int argc, char** argv);

// Runs a batch command in this process; `args` leaves out the program name. Errors are one line
// on console.err; returns the exit status: 0 done, 1 failed, 2 bad command line, 130 interrupted.
int Run(const std::vector<std::string>& args, Console& console);

std::string ProgramHelp();

}  // namespace kestrin::cli
