#include "app/cli/cli.h"

#include <unistd.h>

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "app/cli/commands.h"
#include "platform/forms/application.h"

namespace kestrin::cli {

namespace {

const std::vector<const Command*>& AllCommands() {
  static const std::vector<const Command*> commands = {&RotateCommand(), &ColourCommand(),
                                                       &MeshCommand(), &CommentCommand()};
  return commands;
}

const Command* Find(const std::string& name) {
  for (const Command* c : AllCommands())
    if (c->def.name == name) return c;
  return nullptr;
}

int RunCommand(const Command& command, const std::vector<std::string>& args, Console& console) {
  InterruptGuard interruptible;
  ScopedCaughtMessages messages;
  TerminalProgress progress(console.err, console.progress);
  Context context{progress, *messages};
  try {
    const ParsedOptions options = Parse(command.def, args);
    if (options.HelpAsked()) {
      console.out << HelpText(command.def);
      return 0;
    }
    // Fonts need the toolkit's application object, never a display.
    if (command.drawsText && !platform::EnsureApplication())
      throw Failure("Qtのアプリケーションを作れません。");
    command.run(options, context);
    progress.Finish(true);
    return 0;
  } catch (const Failure& f) {
    progress.Finish(false);
    console.err << "kestrin " << command.def.name << ": " << f.what() << "\n";
    return f.Status();
  } catch (const std::exception& e) {
    progress.Finish(false);
    console.err << "kestrin " << command.def.name << ": " << OneLine(e.what()) << "\n";
    return kExitFailed;
  }
}

// The toolkit's warnings about a headless session (no runtime folder, no display features) say
// nothing a script can act on, and would break the one-line errors; only its failures go out.
void QuietToolkit(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "kestrin: %s\n", message.toLocal8Bit().constData());
}

}  // namespace

bool IsBatchInvocation(int argc, char** /*argv*/) {
  // Only a bare "kestrin" opens the window: a mistyped command must not start a window that a
  // script then waits on for ever.
  return argc >= 2;
}

int RunFromMain(int argc, char** argv) {
  // Before any application object exists: batch work never needs a display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  qInstallMessageHandler(QuietToolkit);
  Console console{std::cout, std::cerr, isatty(STDERR_FILENO) != 0};
  return Run(std::vector<std::string>(argv + 1, argv + argc), console);
}

int Run(const std::vector<std::string>& args, Console& console) {
  if (args.empty() || args[0] == "--help") {
    console.out << ProgramHelp();
    return 0;
  }
  const Command* command = Find(args[0]);
  if (!command) {
    console.err << "kestrin: 不明なコマンドです: " << args[0] << "\n";
    return kExitUsage;
  }
  return RunCommand(*command, std::vector<std::string>(args.begin() + 1, args.end()), console);
}

std::string ProgramHelp() {
  std::ostringstream text;
  text << "使い方: kestrin                       ウィンドウを開く\n"
          "        kestrin <コマンド> [オプション]  ウィンドウなしで編集して保存する\n\n"
          "コマンド:\n";
  for (const Command* c : AllCommands()) {
    const std::string& summary = c->def.summary;
    // The first sentence is enough here.
    const size_t end = summary.find("。");
    text << "  " << c->def.name << std::string(10 - c->def.name.size(), ' ')
         << (end == std::string::npos ? summary : summary.substr(0, end + 3)) << "\n";
  }
  text << "\n各コマンドのオプションは kestrin <コマンド> --help で表示します。\n"
          "終了コード: 0 成功, 1 失敗, 2 コマンドラインの誤り, 130 中断。\n"
          "失敗したときは、その実行で書いたファイルを残しません。既にあるファイルは上書きしません。"
          "\n";
  return text.str();
}

}  // namespace kestrin::cli
