// Writes the frame files of a series two at a time.
#pragma once

#include <string>

#include "app/gif_object.h"
#include "app/gif_options.h"
#include "platform/kernel/second_lane.h"

namespace kestrin {

// A save loop sets each frame and saves it, in order. While this thread codes one frame, a
// second thread sets the frame the loop names as next into an object of its own and saves it
// under a hidden name beside its file; when the loop reaches it, the file takes its name. Files
// appear, are replaced and fail in the same order, with the same messages, as when each frame is
// saved in its turn; a prepared file whose turn never comes is removed.
class SeriesWriter {
 public:
  explicit SeriesWriter(const GifOptions& options) : options_(options) {}
  ~SeriesWriter();
  SeriesWriter(const SeriesWriter&) = delete;
  SeriesWriter& operator=(const SeriesWriter&) = delete;

  // The object of this thread, for what the loop does before its frames.
  GifObject& Main() { return main_; }

  // Sets the loop's current frame: false when the library refuses it.
  bool Set(const platform::Picture& frame);
  // The frame that the loop will set next and the file it will save it to. Started on the second
  // thread when this thread will code the current frame itself.
  void Ahead(const platform::Picture& frame, const std::string& name);
  // Saves the current frame as `name`; false with the library's message in ErrorMessage().
  bool Save(const std::string& name);
  const std::string& ErrorMessage() const { return message_; }

 private:
  struct Prepared {
    platform::Picture frame;
    std::string name, hidden;
    bool set = false, saved = false;
  };
  // Waits for the second thread; its file is removed unless `keep`.
  void Settle(bool keep);

  GifOptions options_;
  GifObject main_, ahead_;
  platform::SecondLane lane_;
  bool started_ = false;  // a job runs or has run on the lane since the last Settle
  Prepared prepared_;
  bool currentIsAhead_ = false;
  std::string message_;
};

}  // namespace kestrin
