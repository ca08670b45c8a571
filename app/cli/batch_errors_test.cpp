// Bad input to the batch commands: one clear line on stderr, a non-zero status, and nothing
// written or left behind, not even a hidden folder; files already there stay as they were.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "app/cli/cli.h"
#include "app/cli/tests/cli_run.h"
#include "platform/tests/address_space.h"

namespace kestrin {
namespace {

using ::testing::HasSubstr;
using testing::Listing;
using testing::RunCli;

class BatchErrors : public testing::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    testing::WriteGif(testing::Stripes(24, 16), input_);
  }
  // A failed run: the status, one line naming the command, and the output folder as before.
  void ExpectRefused(const std::vector<std::string>& args, int status, const std::string& says) {
    SCOPED_TRACE(args.front() + " " + says);
    const std::vector<std::string> before = Listing(out_.path());
    const testing::CliResult r = RunCli(args);
    EXPECT_EQ(r.status, status) << r;
    EXPECT_THAT(r.err, HasSubstr(says));
    EXPECT_EQ(r.err.rfind("kestrin " + args.front() + ": ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Listing(out_.path()), before);
    EXPECT_TRUE(boxes_->shown.empty()) << "no message box in a batch run";
  }
  std::vector<std::string> Rotate(std::vector<std::string> extra) {
    std::vector<std::string> args = {"rotate", "--input",     input_,     "--angle",
                                     "90",     "--increment", "30",       "--direction",
                                     "right",  "--out",       out_.path()};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  testing::TempFolder out_;
  std::string input_ = temp_.File("in.gif");
};

TEST_F(BatchErrors, AMissingOrUnreadableInputFileIsNamed) {
  auto args = Rotate({});
  args[2] = temp_.File("missing.gif");
  ExpectRefused(args, 1, "missing.gif: File not found");
  std::ofstream(temp_.File("text.gif")) << "not a picture";
  args[2] = temp_.File("text.gif");
  ExpectRefused(args, 1, "text.gif: Invalid picture");
  args[2] = temp_.path();  // a folder is no file
  ExpectRefused(args, 1, "File not found");
}

TEST_F(BatchErrors, ValuesOutOfRangeGetTheEditorsOwnMessages) {
  const std::string out = out_.path();
  ExpectRefused({"rotate", "--input", input_, "--angle", "400", "--increment", "30", "--direction",
                 "right", "--out", out},
                2, "角度は361以下で入力してください。");
  ExpectRefused({"rotate", "--input", input_, "--angle", "90", "--increment", "0", "--direction",
                 "left", "--out", out},
                2, "増数には0以外の数を入力してください。");
  ExpectRefused({"rotate", "--input", input_, "--angle", "90", "--increment", "10", "--out", out},
                2, "方向を選択してください。");
  ExpectRefused({"colour", "--input", input_, "--mode", "stepwise", "--increment", "0.01", "--red",
                 "128", "--out", out},
                2, "連続イメージが764枚を超えます。");
  ExpectRefused(
      {"mesh", "--input", input_, "--size", "101", "--order", "fine-to-coarse", "--out", out}, 2,
      "メッシュサイズは0から100までにしてください。");
  // The sliders' ranges, which the windows never let out.
  ExpectRefused({"colour", "--input", input_, "--red", "129", "--mode", "stepwise", "--increment",
                 "10", "--out", out},
                2, "--red には-128から128までの整数");
  ExpectRefused({"comment", "--input", input_, "--output", out + "/c.gif", "--blue", "-1"}, 2,
                "--blue には0から255までの整数");
  ExpectRefused({"comment", "--input", input_, "--output", out + "/c.gif", "--size", "3000"}, 2,
                "--size には0より大きく2160以下の数");
  ExpectRefused({"comment", "--input", input_, "--output", out + "/c.gif", "--font", "NoSuchFace"},
                2, "フォントがありません: NoSuchFace");
}

TEST_F(BatchErrors, MissingSettingsAreNamedAsTheEditorsNameThem) {
  const std::string out = out_.path();
  ExpectRefused(
      {"colour", "--input", input_, "--mode", "simultaneous", "--increment", "10", "--out", out}, 2,
      "明と暗の設定をしてください。");
  ExpectRefused({"comment", "--input", input_, "--output", out + "/c.gif", "--placement", "over",
                 "--font", "IPAGothic"},
                1, "フォントサイズを選択してください。");
  // Everything but the comment: the library's own message, on one line.
  ExpectRefused(
      {"comment", "--input",      input_,       "--output",     out + "/c.gif", "--placement",
       "over",    "--font",       "IPAGothic",  "--size",       "12",           "--colour-target",
       "line",    "--vertical",   "top",        "--horizontal", "left",         "--line-align",
       "left",    "--background", "transparent"},
      1, "メソッドで渡されたStringが空です。 Pellory.DLL");
  // A series of no frames is no output.
  ExpectRefused(
      {"mesh", "--input", input_, "--size", "0", "--order", "fine-to-coarse", "--out", out}, 1,
      "連続イメージが1枚もできませんでした。");
}

TEST_F(BatchErrors, AnExistingOutputFileIsNeitherReplacedNorJoinedByTheRest) {
  // R60.gif is the last of the series: every other frame was ready to go.
  testing::WriteGif(testing::Stripes(8, 8, 3), out_.File("R60.gif"));
  const std::string mine = ReadAll(out_.File("R60.gif"));
  ExpectRefused(Rotate({}), 1, "R60.gif: 指定されたファイルはすでに存在しています。");
  EXPECT_EQ(ReadAll(out_.File("R60.gif")), mine);

  testing::WriteGif(testing::Stripes(8, 8, 3), out_.File("c.gif"));
  ExpectRefused({"comment", "--input", input_, "--output", out_.File("c.gif")}, 1,
                "c.gif: 指定されたファイルはすでに存在しています。");
  ExpectRefused(Rotate({"--animated", out_.File("c.gif")}), 1,
                "c.gif: 指定されたファイルはすでに存在しています。");
  EXPECT_EQ(ReadAll(out_.File("c.gif")), mine);
}

TEST_F(BatchErrors, AFailedAnimatedFileTakesTheFramesOfTheSameRunWithIt) {
  // The frames are saved first, then the animated file fails (a folder holds its name, which
  // no file check up front sees): no frame may stay behind.
  std::filesystem::create_directory(out_.File("anim.gif"));
  const testing::CliResult r = RunCli(Rotate({"--animated", out_.File("anim.gif")}));
  EXPECT_EQ(r.status, 1) << r;
  EXPECT_THAT(r.err, HasSubstr("anim.gif: "));
  EXPECT_EQ(Listing(out_.path()), std::vector<std::string>{"anim.gif"});
}

// --force replaces what is there; when a file still cannot go into place, every file replaced so
// far comes back as it was, the animated file too.
TEST_F(BatchErrors, ForceReplacesTheFilesThereAndAFailureBringsThemBack) {
  const std::string animated = out_.File("a.gif");
  ASSERT_EQ(RunCli(Rotate({"--animated", animated})).status, 0);
  const std::vector<std::string> names = Listing(out_.path());
  ASSERT_GE(names.size(), 3u);
  std::map<std::string, std::string> made;
  for (const std::string& name : names) made[name] = ReadAll(out_.File(name));
  const std::string mine = "not the series";
  for (const std::string& name : names) std::ofstream(out_.File(name)) << mine;

  const testing::CliResult replaced = RunCli(Rotate({"--animated", animated, "--force"}));
  EXPECT_EQ(replaced.status, 0) << replaced;
  EXPECT_EQ(Listing(out_.path()), names);
  for (const std::string& name : names) EXPECT_EQ(ReadAll(out_.File(name)), made[name]) << name;

  // The last frame's name is held by a folder: the move fails after the others were replaced.
  for (const std::string& name : names) std::ofstream(out_.File(name)) << mine;
  std::filesystem::remove(out_.File("R60.gif"));
  std::filesystem::create_directory(out_.File("R60.gif"));
  const testing::CliResult refused = RunCli(Rotate({"--animated", animated, "--force"}));
  EXPECT_EQ(refused.status, 1) << refused;
  EXPECT_THAT(refused.err, HasSubstr("R60.gif: "));
  EXPECT_EQ(Listing(out_.path()), names);
  for (const std::string& name : names) {
    if (name == "R60.gif") continue;
    EXPECT_EQ(ReadAll(out_.File(name)), mine) << name;
  }

  // Without --force nothing is replaced.
  std::filesystem::remove(out_.File("R60.gif"));
  ExpectRefused(Rotate({}), 1, "指定されたファイルはすでに存在しています。");
}

TEST_F(BatchErrors, MissingFoldersGetTheLibrarysMessage) {
  ExpectRefused({"mesh", "--input", input_, "--size", "3", "--order", "大→小", "--animated",
                 out_.File("nowhere/a.gif")},
                1, "nowhere: 指定されたフォルダがありません。");
  ExpectRefused({"comment", "--input", input_, "--output", out_.File("nowhere/c.gif")}, 1,
                "nowhere: 指定されたフォルダがありません。");
}

// --out names a folder to write into: a missing one is made with its parents, and taken back
// when the run fails.
TEST_F(BatchErrors, AMissingOutFolderIsMadeAndTakenBackOnFailure) {
  auto args = Rotate({});
  args.back() = out_.File("new/frames/");  // as the README writes it, with a slash
  const testing::CliResult made = RunCli(args);
  EXPECT_EQ(made.status, 0) << made;
  EXPECT_FALSE(Listing(out_.File("new/frames")).empty());
  std::filesystem::remove_all(out_.File("new"));

  args[2] = out_.File("missing.gif");  // the input: nothing to build from
  ExpectRefused(args, 1, "missing.gif");
  EXPECT_FALSE(std::filesystem::exists(out_.File("new"))) << "a made folder stayed behind";
}

TEST_F(BatchErrors, CommandLineMistakesAreRefusedBeforeAnyWork) {
  ExpectRefused(Rotate({"--colour", "3"}), 2, "不明なオプションです: --colour");
  ExpectRefused(Rotate({"extra"}), 2, "余分な引数があります: extra");
  ExpectRefused(Rotate({"--out", out_.path()}), 2, "--out が2回指定されています。");
  ExpectRefused({"rotate", "--input"}, 2, "--input に値(FILE)がありません。");
  ExpectRefused({"rotate", "--angle", "--increment", "3"}, 2, "--angle に値(DEG)がありません。");
  ExpectRefused(Rotate({"--delay", "5"}), 2, "--delay は --animated と一緒に指定してください。");
  ExpectRefused(Rotate({"--animated", out_.File("a.gif"), "--loop", "70000"}), 2,
                "--loop には0から65535までの整数");
  ExpectRefused(
      {"mesh", "--input", input_, "--size", "3", "--order", "sideways", "--out", out_.path()}, 2,
      "--order には fine-to-coarse|coarse-to-fine (小→大|大→小) のどれか");
  ExpectRefused({"mesh", "--input", input_, "--size", "3.5", "--order", "fine-to-coarse", "--out",
                 out_.path()},
                2, "--size には整数を指定してください。");
  ExpectRefused({"mesh", "--input", input_, "--size", "3", "--order", "fine-to-coarse"}, 2,
                "--out か --animated を指定してください。");
  ExpectRefused({"comment", "--input", input_, "--output", out_.File("c.png")}, 2,
                "gif で終わるようにしてください");

  const testing::CliResult r = RunCli({"rotat"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "kestrin: 不明なコマンドです: rotat\n");
}

// A mistyped command or a stray option must reach the parser's error, never open a window that
// a script would wait on for ever.
TEST_F(BatchErrors, AnyArgumentRunsTheCommandLineNotTheWindow) {
  auto batch = [](std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    return cli::IsBatchInvocation(static_cast<int>(argv.size()), argv.data());
  };
  EXPECT_FALSE(batch({"kestrin"}));
  EXPECT_TRUE(batch({"kestrin", "rotat", "--input", "x.gif"}));
  EXPECT_TRUE(batch({"kestrin", "-platform", "xcb"}));
  EXPECT_TRUE(batch({"kestrin", "--input", "x.gif"}));
  const testing::CliResult r = RunCli({"--input", input_});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "kestrin: 不明なコマンドです: --input\n");
}

// A comment line that draws no ink (a tab) once sized its outline from the empty ink rectangle,
// asking for 10 GB; the comment is written in bounded memory.
TEST_F(BatchErrors, ACommentLineWithoutInkIsWrittenInBoundedMemory) {
  const std::string output = out_.File("c.gif");
  testing::CliResult r;
  {
    const platform::testing::AddressSpaceLimit limit(int64_t{1} << 30);
    r = RunCli({"comment",      "--input",         input_,        "--output",     output,
                "--text",       "Kestrin\n\t",     "--placement", "below",        "--vertical",
                "center",       "--horizontal",    "center",      "--line-align", "center",
                "--background", "transparent",     "--font",      "IPAGothic",    "--size",
                "14",           "--colour-target", "line",        "--red",        "255"});
  }
  EXPECT_EQ(r.status, 0) << r;
  const testing::DecodedGif gif = testing::DecodeGif(output);
  ASSERT_TRUE(gif.ok) << gif.error;
  EXPECT_EQ(gif.imageWidth, 24);
  EXPECT_EQ(gif.imageHeight, 32) << "the band below is the picture's own height";
}

// Every numeric option at the ends of and beyond the number types: a refusal with status 2, a
// run, or a clean failure, never an overflow on the way (the sanitiser build turns one into a
// failure of the test).
TEST_F(BatchErrors, NumbersBeyondEveryRangeAreRefusedWithoutOverflow) {
  const std::vector<std::string> extremes = {
      "2147483647", "2147483648", "-2147483648", "-2147483649", "9223372036854775808",
      "1e308",      "-1e308",     "1e-308",      "3.4e38",      "-0",
      "0.5",        "-0.5",       "nan",         "inf",         "0x7fffffff"};
  struct Case {
    std::vector<std::string> args;  // the option under test comes last, without its value
  };
  const std::vector<Case> cases = {
      {{"rotate", "--increment", "30", "--direction", "right", "--angle"}},
      {{"rotate", "--angle", "90", "--direction", "left", "--increment"}},
      {{"colour", "--mode", "stepwise", "--increment", "20", "--red"}},
      {{"colour", "--mode", "simultaneous", "--direction", "dark-to-bright", "--increment", "20",
        "--blue"}},
      {{"colour", "--mode", "stepwise", "--red", "3", "--increment"}},
      {{"colour", "--mode", "simultaneous", "--direction", "bright-to-dark", "--increment"}},
      {{"mesh", "--order", "fine-to-coarse", "--size"}},
      {{"rotate", "--angle", "4", "--increment", "2", "--direction", "right", "--animated", "ANIM",
        "--delay"}},
      {{"mesh", "--order", "coarse-to-fine", "--size", "2", "--animated", "ANIM", "--loop"}},
      {{"comment", "--output",     "OUTFILE", "--text",       "k",         "--placement",
        "over",    "--vertical",   "top",     "--horizontal", "left",      "--line-align",
        "left",    "--background", "opaque",  "--font",       "IPAGothic", "--colour-target",
        "border",  "--size"}},
      {{"comment", "--output",        "OUTFILE", "--text",       "k",         "--placement",
        "over",    "--vertical",      "top",     "--horizontal", "left",      "--line-align",
        "left",    "--background",    "opaque",  "--font",       "IPAGothic", "--size",
        "9",       "--colour-target", "line",    "--green"}},
  };
  int run = 0;
  for (const Case& c : cases) {
    for (const std::string& value : extremes) {
      std::vector<std::string> args = {c.args.front(), "--input", input_};
      const bool series = c.args.front() != "comment";
      const testing::TempFolder out;
      for (size_t i = 1; i < c.args.size(); ++i) {
        std::string a = c.args[i];
        if (a == "ANIM") a = out.File("a.gif");
        if (a == "OUTFILE") a = out.File("c" + std::to_string(run) + ".gif");
        args.push_back(a);
      }
      if (series && std::find(args.begin(), args.end(), "--animated") == args.end()) {
        args.push_back("--out");
        args.push_back(out.path());
      }
      args.push_back(value);
      ++run;
      const testing::CliResult r = RunCli(args);
      // A run may still fail cleanly: a font size of 1e-308 passes the editor's check and the
      // library then reports its overflow.
      EXPECT_TRUE(r.status == 0 || r.status == 2 || (r.status == 1 && !series))
          << args[0] << " " << args[args.size() - 2] << " " << value << ": " << r;
      if (r.status != 0) {
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
      }
    }
  }
}

}  // namespace
}  // namespace kestrin
