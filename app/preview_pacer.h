// How the editors play a series in their window: one frame per delay typed in
// "表示時間(1/100秒)", the same delay an animated GIF of the series gets, and a second click on
// the play button stops it.
#pragma once

#include <QPointer>
#include <functional>
#include <optional>
#include <string>

class QEventLoop;

namespace kestrin {

// The delay typed, in milliseconds: nothing for a text that is not a whole number of hundredths
// of a second from 0 to 65535.
std::optional<int> PreviewIntervalMs(const std::string& delayText);

// Waits after each frame shown, letting the message loop run meanwhile, so that the window
// stays live and a second click can stop the preview.
class PreviewPacer {
 public:
  PreviewPacer() = default;
  PreviewPacer(const PreviewPacer&) = delete;
  PreviewPacer& operator=(const PreviewPacer&) = delete;
  ~PreviewPacer();

  // Starts playing at the delay typed; false, with a message, for a delay that cannot be one.
  bool Start(const std::string& delayText);
  // After a frame: waits the delay (no wait at all once stopped, and only a look at the
  // message loop for a delay of 0). False once the preview has been stopped.
  bool Pause();
  // Ends the preview; a wait under way ends at once.
  void Stop();
  bool Playing() const { return playing_; }
  // The wait after each frame while playing, in milliseconds.
  int IntervalMs() const { return intervalMs_; }

 private:
  int intervalMs_ = 0;
  bool playing_ = false;
  QPointer<QEventLoop> waiting_;
};

// Replaces the wait of every pacer (nullptr restores the real one): tests answer at once and note
// the milliseconds asked for.
void SetPreviewWaitForTesting(std::function<void(int ms)> wait);

}  // namespace kestrin
