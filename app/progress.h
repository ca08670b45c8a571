// What a long operation reports while it works: the progress window's protocol.
#pragma once

#include <string>

namespace kestrin {

class Progress {
 public:
  virtual ~Progress() = default;
  virtual void Show() = 0;  // modeless
  virtual void SetMax(double max) = 0;
  virtual void SetMin(double min) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetValue(double value) = 0;
  virtual void Unload() = 0;
  // Lets the message loop run, so the window shows the progress and stays responsive. False
  // when the work should stop: its window was unloaded meanwhile.
  virtual bool Yield() = 0;
};

// Reports nowhere; for work done without a window.
class NoProgress : public Progress {
 public:
  void Show() override {}
  void SetMax(double) override {}
  void SetMin(double) override {}
  void SetCaption(const std::string&) override {}
  void SetValue(double) override {}
  void Unload() override {}
  bool Yield() override { return true; }
};

}  // namespace kestrin
