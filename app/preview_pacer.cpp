#include "app/preview_pacer.h"

#include <QEventLoop>
#include <QTimer>

#include "app/animated_export.h"
#include "app/message.h"
#include "app/vb_text.h"
#include "platform/forms/application.h"

namespace kestrin {

namespace {

std::function<void(int)>& TestWait() {
  static std::function<void(int)> wait;
  return wait;
}

}  // namespace

std::optional<int> PreviewIntervalMs(const std::string& delayText) {
  // Read as the animated export reads it.
  const std::optional<int32_t> delay = ToLong(delayText);
  if (!delay || *delay < 0 || *delay > 0xFFFF) return std::nullopt;
  return *delay * 10;
}

PreviewPacer::~PreviewPacer() {
  Stop();
}

bool PreviewPacer::Start(const std::string& delayText) {
  const std::optional<int> ms = PreviewIntervalMs(delayText);
  if (!ms) {
    ShowMessage(kDelayMessage);
    return false;
  }
  intervalMs_ = *ms;
  playing_ = true;
  return true;
}

bool PreviewPacer::Pause() {
  if (!playing_) return false;
  if (TestWait()) {
    TestWait()(intervalMs_);
  } else if (intervalMs_ == 0) {
    platform::DoEvents();
  } else {
    // A loop of its own, so that Stop() can end the wait before its time.
    QEventLoop loop;
    waiting_ = &loop;
    QTimer::singleShot(intervalMs_, &loop, &QEventLoop::quit);
    loop.exec();
    waiting_ = nullptr;
  }
  return playing_;
}

void PreviewPacer::Stop() {
  playing_ = false;
  if (waiting_) waiting_->quit();
}

void SetPreviewWaitForTesting(std::function<void(int ms)> wait) {
  TestWait() = std::move(wait);
}

}  // namespace kestrin
