#include "app/cli/terminal_progress.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "app/cli/command_support.h"

namespace kestrin::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr const char* kClearLine = "\r\033[K";

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
  const int filled = static_cast<int>(std::lround(part * kBarWidth));
  const int percent = static_cast<int>(std::lround(part * 100));
  Draw(caption_ + " [" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] " +
       std::to_string(percent) + "%");
}

void TerminalProgress::ShowCount(const std::string& caption, int count) {
  shown_ = true;
  caption_ = caption;
  Draw(caption + " " + std::to_string(count) + "枚");
}

void TerminalProgress::Unload() {
  shown_ = false;
  if (drawn_.empty()) return;
  drawn_.clear();
  if (enabled_) out_ << kClearLine << std::flush;
}

bool TerminalProgress::Yield() {
  return !Interrupted();
}

void TerminalProgress::Draw(const std::string& line) {
  if (!enabled_ || line == drawn_) return;
  drawn_ = line;
  out_ << kClearLine << line << std::flush;
}

}  // namespace kestrin::cli
