// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kernel/second_lane.h"

#include <system_error>

namespace platform {

SecondLane::SecondLane() {
  if (std::thread::hardware_concurrency() > 1) thread_ = std::thread([this] { Loop(); });
}

SecondLane::~SecondLane() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void SecondLane::Start(std::function<void()> job) {
  if (!thread_.joinable()) {
    try {
      job();
    } catch (...) {
      failure_ = std::current_exception();
    }
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    job_ = std::move(job);
    busy_ = true;
  }
  changed_.notify_all();
}

void SecondLane::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  if (failure_) {
    std::exception_ptr failure = failure_;
    failure_ = nullptr;
    std::rethrow_exception(failure);
  }
}

void SecondLane::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || stopping_; });
    if (!busy_) return;
    std::function<void()> job = std::move(job_);
    lock.unlock();
    std::exception_ptr failure;
    try {
      job();
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    failure_ = failure;
    busy_ = false;
    changed_.notify_all();
  }
}

void RunInHalves(int64_t count, bool split, const std::function<void(int64_t, int64_t)>& work) {
  if (!split || count < 2) {
    work(0, count);
    return;
  }
  const int64_t mid = count / 2;
  std::exception_ptr upperFailure;
  std::thread upper;
  try {
    upper = std::thread([&] {
      try {
        work(mid, count);
      } catch (...) {
        upperFailure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    work(0, count);  // no thread to be had: all of it here
    return;
  }
  try {
    work(0, mid);
  } catch (...) {
    upper.join();
    throw;
  }
  upper.join();
  if (upperFailure) std::rethrow_exception(upperFailure);
}

}  // namespace platform
