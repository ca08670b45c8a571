#include "platform/kernel/message_sink.h"

#include <atomic>

namespace platform {

namespace {

constexpr int kIdOk = 1;

std::atomic<MessageSink>& Sink() {
  static std::atomic<MessageSink> sink{nullptr};
  return sink;
}

}  // namespace

void SetMessageSink(MessageSink sink) {
  Sink().store(sink);
}

int ShowMessageBox(const std::string& text, int style, const std::string& title) {
  const MessageSink sink = Sink().load();
  return sink ? sink(text, style, title) : kIdOk;
}

}  // namespace platform
