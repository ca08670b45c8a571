// The option forms the batch parser takes and the numbers it reads.
#include "app/cli/options.h"

#include <gtest/gtest.h>

#include "app/cli/command_support.h"

namespace kestrin {
namespace {

TEST(BatchOptions, ValuesComeSeparateOrAfterAnEqualsSignAndMayBeNegative) {
  const cli::CommandDef def{"t", "", {{"red", "N", ""}, {"text", "TEXT", ""}}, ""};
  const cli::ParsedOptions p = cli::Parse(def, {"--red", "-40", "--text=--a=b"});
  EXPECT_EQ(p.Get("red"), "-40");
  EXPECT_EQ(p.Get("text"), "--a=b");
  EXPECT_FALSE(p.Get("other"));
  EXPECT_FALSE(p.HelpAsked());
  EXPECT_THROW(cli::Parse(def, {"--red"}), cli::UsageError);
  EXPECT_THROW(cli::Parse(def, {"--red", "1", "--red=2"}), cli::UsageError);
  EXPECT_THROW(cli::Parse(def, {"--"}), cli::UsageError);
  EXPECT_THROW(cli::Parse(def, {"-r", "1"}), cli::UsageError);
}

TEST(BatchOptions, IntegersAreWholeNumbersOnly) {
  EXPECT_EQ(cli::ParseInteger("+12"), 12);
  EXPECT_EQ(cli::ParseInteger("-128"), -128);
  for (const char* bad : {"", "+", "1.5", "1e2", " 3", "3 ", "0x10", "99999999999"})
    EXPECT_FALSE(cli::ParseInteger(bad)) << bad;
}

TEST(BatchOptions, AChoiceIsItsEnglishWordInAnyCaseOrTheWindowsCaption) {
  const std::vector<cli::Choice> choices = {{"right", "右回転"}, {"left", "左回転"}};
  const cli::CommandDef def{"t", "", {{"direction", "DIR", ""}}, ""};
  EXPECT_EQ(cli::ReadChoice(cli::Parse(def, {}), "direction", choices), -1);
  EXPECT_EQ(cli::ReadChoice(cli::Parse(def, {"--direction", "Left"}), "direction", choices), 1);
  EXPECT_EQ(cli::ReadChoice(cli::Parse(def, {"--direction=右回転"}), "direction", choices), 0);
  try {
    cli::ReadChoice(cli::Parse(def, {"--direction", "up"}), "direction", choices);
    ADD_FAILURE() << "up was taken";
  } catch (const cli::UsageError& e) {
    EXPECT_STREQ(e.what(),
                 "--direction には right|left (右回転|左回転) のどれかを指定してください。");
  }
}

}  // namespace
}  // namespace kestrin
