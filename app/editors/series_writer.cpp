#include "app/editors/series_writer.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>

#include "platform/kernel/files.h"

namespace kestrin {

namespace {

// Pixels of the smallest frame worth preparing on the second thread.
constexpr int64_t kSmallestAhead = 64 * 1024;

// A name beside `name` that nothing has; dot-led, so that file managers hide it meanwhile.
std::string HiddenNameBeside(const std::string& name) {
  const std::filesystem::path path(name);
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char tag[32];
    std::snprintf(tag, sizeof tag, ".%08x.part", random());
    const std::filesystem::path hidden =
        path.parent_path() / ("." + path.filename().string() + tag);
    std::error_code ec;
    if (std::filesystem::symlink_status(hidden, ec).type() == std::filesystem::file_type::not_found)
      return hidden.string();
  }
  return {};
}

}  // namespace

SeriesWriter::~SeriesWriter() {
  try {
    Settle(false);
  } catch (...) {
  }
}

void SeriesWriter::Settle(bool keep) {
  if (!started_) return;
  started_ = false;
  lane_.Wait();
  if (!keep && prepared_.saved) platform::RemoveFileIfExists(prepared_.hidden);
  if (!keep) prepared_ = Prepared{};
}

bool SeriesWriter::Set(const platform::Picture& frame) {
  if (started_ && prepared_.frame == frame) {
    Settle(true);
    currentIsAhead_ = true;
    return prepared_.set;
  }
  Settle(false);
  currentIsAhead_ = false;
  return SetPictureWith(main_, frame, options_);
}

void SeriesWriter::Ahead(const platform::Picture& frame, const std::string& name) {
  // Frames go to the two threads in turn: the one after a prepared frame is this thread's own.
  if (currentIsAhead_ || started_ || !frame) return;
  // A small frame is coded sooner than it is handed over and linked into place.
  const QImage& image = frame->Image();
  if (static_cast<int64_t>(image.width()) * image.height() < kSmallestAhead) return;
  prepared_ = Prepared{frame, name, HiddenNameBeside(name)};
  if (prepared_.hidden.empty()) return;
  started_ = true;
  lane_.Start([this] {
    prepared_.set = SetPictureWith(ahead_, prepared_.frame, options_);
    prepared_.saved =
        prepared_.set && ahead_.SaveGifPicture(prepared_.hidden) && ahead_.ErrorNumber() <= 0;
  });
}

bool SeriesWriter::Save(const std::string& name) {
  message_.clear();
  GifObject& gif = currentIsAhead_ ? ahead_ : main_;
  if (currentIsAhead_) {
    currentIsAhead_ = false;
    const Prepared done = prepared_;
    prepared_ = Prepared{};
    // A link fails where a file already is, as the library's save does.
    if (done.saved && done.name == name && ::link(done.hidden.c_str(), name.c_str()) == 0) {
      platform::RemoveFileIfExists(done.hidden);
      return true;
    }
    if (done.saved) platform::RemoveFileIfExists(done.hidden);
    // Whatever kept the prepared file from its place: the library saves it there itself and
    // says what is wrong.
  }
  gif.SaveGifPicture(name);
  if (gif.ErrorNumber() > 0) {
    message_ = gif.GetErrorMsg(gif.ErrorNumber());
    return false;
  }
  return true;
}

}  // namespace kestrin
