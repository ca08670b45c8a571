// The progress window's protocol drawn as one line on a terminal: the editor's caption, a bar
// and the percentage, redrawn in place. Each stage keeps its own line: once the next stage starts
// or the command succeeds it is shown at 100 % and ended; a failed command ends it where the work
// stopped, so the error follows on a line of its own. Quiet when disabled (stderr is not a
// terminal). Yield answers whether the work may go on: false after Ctrl-C.
#pragma once

#include <iosfwd>
#include <string>

#include "app/progress.h"

namespace kestrin::cli {

class TerminalProgress : public Progress {
 public:
  TerminalProgress(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}
  ~TerminalProgress() override { Finish(false); }

  void Show() override;
  void SetMax(double max) override;
  void SetMin(double min) override;
  void SetCaption(const std::string& caption) override;
  void SetValue(double value) override;
  void Unload() override;
  bool Yield() override;

  // For work whose length is not known beforehand: the caption and a count.
  void ShowCount(const std::string& caption, int count);
  // The command is over: `completed` when it succeeded.
  void Finish(bool completed);

 private:
  // `done` is what the line says once its stage has completed.
  void Draw(const std::string& line, const std::string& done);
  void EndLine(bool completed);

  std::ostream& out_;
  bool enabled_;
  bool shown_ = false;
  double min_ = 0, max_ = 100, value_ = 0;  // the progress bar's defaults
  std::string caption_;
  std::string drawn_;  // the line on the terminal now; redrawn only when it changes
  std::string done_;
  bool unloaded_ = false;  // drawn_ belongs to a stage that has ended
};

}  // namespace kestrin::cli
