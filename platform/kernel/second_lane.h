// SPDX-License-Identifier: GPL-3.0-or-later
// A second thread for work that splits into two independent halves: the caller starts one half
// on it, does the other itself, then waits.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class SecondLane {
 public:
  // No thread on a one-processor machine: Start then runs the job at once.
  SecondLane();
  ~SecondLane();
  SecondLane(const SecondLane&) = delete;
  SecondLane& operator=(const SecondLane&) = delete;

  // Runs `job` on the second thread; at most one job at a time, each followed by Wait.
  void Start(std::function<void()> job);
  // Waits for the job started last; rethrows what it threw.
  void Wait();

 private:
  void Loop();
  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;
  std::exception_ptr failure_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

// Runs `first` on `lane` and `second` on the calling thread, and returns when both are done.
inline void RunBoth(SecondLane& lane, std::function<void()> first,
                    const std::function<void()>& second) {
  lane.Start(std::move(first));
  try {
    second();
  } catch (...) {
    lane.Wait();
    throw;
  }
  lane.Wait();
}

// Runs work(begin, end) over [0, count) in two halves, the upper one on a thread of its own, when
// `split`; all on the calling thread otherwise, or when no thread can be had. What either half
// throws reaches the caller once both are done.
void RunInHalves(int64_t count, bool split, const std::function<void(int64_t, int64_t)>& work);

}  // namespace platform
