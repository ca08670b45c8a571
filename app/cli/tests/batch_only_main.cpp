// The batch commands as a program of their own, linked without the windows' library: it only
// builds while the commands and the editors' logic stay clear of every window.
#include "app/cli/cli.h"

int main(int argc, char** argv) {
  return kestrin::cli::RunFromMain(argc, argv);
}
