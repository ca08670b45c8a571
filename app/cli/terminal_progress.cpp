#include "app/cli/terminal_progress.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "app/cli/command_support.h"

namespace kestrin::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr const char* kClearLine = "\r\033[K";

std::string Bar(const std::string& caption, double part) {
  const int filled = static_cast<int>(std::lround(part * kBarWidth));
  const int percent = static_cast<int>(std::lround(part * 100));
  return caption + " [" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] " +
         std::to_string(percent) + "%";
}

}  // namespace

void TerminalProgress::Show() {
  shown_ = true;
}

void TerminalProgress::SetMax(double max) {
  max_ = max;
}

void TerminalProgress::SetMin(double min) {
  min_ = min;
}

void TerminalProgress::SetCaption(const std::string& caption) {
  caption_ = caption;
}

void TerminalProgress::SetValue(double value) {
  value_ = value;
  if (!shown_) return;
  // A series of one frame has a range of 0: it is done as soon as it starts.
  const double span = max_ - min_;
  const double part = span > 0 ? std::clamp((value_ - min_) / span, 0.0, 1.0) : 1.0;
  Draw(Bar(caption_, part), Bar(caption_, 1.0));
}

void TerminalProgress::ShowCount(const std::string& caption, int count) {
  shown_ = true;
  caption_ = caption;
  const std::string line = caption + " " + std::to_string(count) + "枚";
  Draw(line, line);
}

void TerminalProgress::Unload() {
  shown_ = false;
  // The line stays until it is known whether the stage's work was all done.
  if (!drawn_.empty()) unloaded_ = true;
}

void TerminalProgress::Finish(bool completed) {
  shown_ = false;
  EndLine(completed);
}

void TerminalProgress::EndLine(bool completed) {
  if (drawn_.empty()) return;
  if (enabled_) {
    if (completed && done_ != drawn_) out_ << kClearLine << done_;
    out_ << "\n" << std::flush;
  }
  drawn_.clear();
  done_.clear();
  unloaded_ = false;
}

bool TerminalProgress::Yield() {
  return !Interrupted();
}

void TerminalProgress::Draw(const std::string& line, const std::string& done) {
  if (!enabled_) return;
  // A new stage: the one before it got to its end.
  if (unloaded_) EndLine(true);
  if (line == drawn_) return;
  drawn_ = line;
  done_ = done;
  out_ << kClearLine << line << std::flush;
}

}  // namespace kestrin::cli
