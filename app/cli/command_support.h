// What the batch commands share: their failures and exit statuses, the terminal they report to,
// the editors' messages caught instead of shown, the input picture, and the values read from
// the options with the range each editor's controls allow.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/cli/options.h"
#include "app/cli/terminal_progress.h"
#include "app/gif_options.h"
#include "giflib/engine/error_numbers.h"
#include "giflib/object/pellory_types.h"
#include "platform/dialogs/message_box.h"
#include "platform/picture/picture.h"

namespace kestrin::cli {

inline constexpr int kExitFailed = 1;  // the work could not be done
inline constexpr int kExitUsage = 2;   // the command line is wrong
inline constexpr int kExitInterrupted = 130;

// Ends a command with a one-line message on stderr and a non-zero status.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& message, int status = kExitFailed)
      : std::runtime_error(message), status_(status) {}
  int Status() const { return status_; }

 private:
  int status_;
};

class UsageError : public Failure {
 public:
  explicit UsageError(const std::string& message) : Failure(message, kExitUsage) {}
};

struct Console {
  std::ostream& out;
  std::ostream& err;
  bool progress = false;  // draw a progress bar on err
};

// A message on one line: the library's messages break into paragraphs with CR LF.
std::string OneLine(const std::string& text);
// The GIF library's own text for one of its error numbers, on one line.
std::string LibraryMessage(int32_t number);

// While it lives, the editors' message boxes are recorded instead of shown: in a batch run each
// one is a reason to stop.
class CaughtMessages : public platform::MessageBoxBackend {
 public:
  int Show(const std::string& text, int style, const std::string& title) override;
  // Throws a Failure with the first message caught, if any.
  void ThrowIfAny() const;

 private:
  std::vector<std::string> texts_;
};

class ScopedCaughtMessages {
 public:
  ScopedCaughtMessages();
  ~ScopedCaughtMessages();
  ScopedCaughtMessages(const ScopedCaughtMessages&) = delete;
  ScopedCaughtMessages& operator=(const ScopedCaughtMessages&) = delete;
  CaughtMessages& operator*() const { return *caught_; }
  CaughtMessages* operator->() const { return caught_.get(); }

 private:
  std::shared_ptr<CaughtMessages> caught_;
  std::shared_ptr<platform::MessageBoxBackend> previous_;
};

// Ctrl-C (or SIGTERM) asks the work to stop at its next yield; the command then cleans up.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
};
bool Interrupted();
// Throws the interruption as a Failure once one was asked for.
void ThrowIfInterrupted();

// Everything a command works with.
struct Context {
  TerminalProgress& progress;
  CaughtMessages& messages;
};

// --input: the picture the editor would open, accepted by the GIF library.
OptionDef InputOption();
// --force: files already there may be replaced; without it a command never replaces a file.
OptionDef ForceOption();
// The windows' "GIF" choices: --no-compress (the library's literal codes, as with "LZW圧縮"
// unticked), --palette (減色, default dither) and, where the output can be transparent,
// --transparent (透過色, default top-left).
std::vector<OptionDef> GifOptionDefs(bool transparency = true);
GifOptions ReadGifOptions(const ParsedOptions& options);
// The picture of --input, checked by taking it into the library with the GIF choices.
platform::Picture LoadInput(const ParsedOptions& options);

// A whole decimal number, optionally signed; nothing for other text or one beyond int.
std::optional<int> ParseInteger(const std::string& text);
// An integer option within [min, max]; `fallback` when it is left out.
int ReadInteger(const ParsedOptions& options, const std::string& name, int min, int max,
                int fallback);

// An option naming one of a few choices, each by its English word or the window's caption.
// The index of the choice, or -1 when the option is left out.
struct Choice {
  const char* word;
  const char* caption;
};
int ReadChoice(const ParsedOptions& options, const std::string& name,
               const std::vector<Choice>& choices);
// "right|left (右回転|左回転)" for the help.
std::string ChoiceList(const std::vector<Choice>& choices);

// Fails when the option is left out.
std::string Required(const ParsedOptions& options, const std::string& name);

}  // namespace kestrin::cli
