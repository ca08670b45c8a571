// The progress window's protocol drawn as one line on a terminal: the editor's caption, a bar
// and the percentage, redrawn in place and cleared when the work ends. Quiet when disabled
// (stderr is not a terminal). Yield answers whether the work may go on: false after Ctrl-C.
#pragma once

#include <iosfwd>
#include <string>

#include "app/progress.h"

namespace kestrin::cli {

class TerminalProgress : public Progress {
 public:
  TerminalProgress(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}
  ~TerminalProgress() override { Unload(); }

  void Show() override;
  void SetMax(double max) override;
  void SetMin(double min) override;
  void SetCaption(const std::string& caption) override;
  void SetValue(double value) override;
  void Unload() override;
  bool Yield() override;

  // For work whose length is not known beforehand: the caption and a count.
  void ShowCount(const std::string& caption, int count);

 private:
  void Draw(const std::string& line);

  std::ostream& out_;
  bool enabled_;
  bool shown_ = false;
  double min_ = 0, max_ = 100, value_ = 0;  // the progress bar's defaults
  std::string caption_;
  std::string drawn_;  // the line on the terminal now; redrawn only when it changes
};

}  // namespace kestrin::cli
