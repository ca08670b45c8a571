// Replays the batch commands' argument seeds and kept reproducers.
#include "fuzz/replay.h"
#include "fuzz/targets.h"

namespace kestrin::fuzz {
namespace {

TEST(FuzzReplay, CliArguments) {
  Replay("cli_arguments", CliArgumentsTarget);
}

}  // namespace
}  // namespace kestrin::fuzz
