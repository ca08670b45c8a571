// The program's and each command's --help.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/cli/commands.h"
#include "app/cli/tests/cli_run.h"

namespace kestrin {
namespace {

using ::testing::HasSubstr;
using testing::RunCli;

TEST(BatchHelp, TheProgramsHelpNamesEveryCommand) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, std::vector<std::string>{}}) {
    const testing::CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const char* command : {"rotate", "colour", "mesh", "comment"})
      EXPECT_THAT(r.out, HasSubstr("\n  " + std::string(command) + " ")) << command;
    EXPECT_THAT(r.out, HasSubstr("kestrin <コマンド> --help"));
  }
}

TEST(BatchHelp, EachCommandsHelpShowsAnExampleThatParses) {
  for (const cli::Command* c : {&cli::RotateCommand(), &cli::ColourCommand(), &cli::MeshCommand(),
                                &cli::CommentCommand()}) {
    SCOPED_TRACE(c->def.name);
    // --help wins over whatever else is on the line.
    const testing::CliResult r = RunCli({c->def.name, "--bogus", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("使い方: kestrin " + c->def.name, 0), 0u);
    EXPECT_THAT(r.out, HasSubstr("\n  --input FILE "));
    EXPECT_THAT(r.out, HasSubstr("\n  " + c->def.example + "\n"));

    // The example names only options of its command, each with its value.
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (char ch : c->def.example.substr(c->def.example.find(c->def.name) + c->def.name.size()))
      if (ch == '\'')
        quoted = !quoted;
      else if (ch == ' ' && !quoted) {
        if (!word.empty()) words.push_back(word);
        word.clear();
      } else
        word += ch;
    if (!word.empty()) words.push_back(word);
    EXPECT_NO_THROW(cli::Parse(c->def, words));
  }
}

}  // namespace
}  // namespace kestrin
