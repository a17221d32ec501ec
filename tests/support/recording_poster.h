// test::RecordingPoster: a platform::MessagePoster that records posted messages and can wake
// a waiting "window" thread.
//
// Thread affinity: any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/message_poster.h"

namespace test {

class RecordingPoster final : public platform::MessagePoster {
 public:
  struct Message {
    UINT message;
    UINT_PTR wparam;
    INT_PTR lparam;
  };

  BOOL Post(UINT message, UINT_PTR wparam, INT_PTR lparam) override {
    std::lock_guard<std::mutex> guard(mutex_);
    messages_.push_back(Message{message, wparam, lparam});
    posted_.notify_all();
    return TRUE;
  }

  std::vector<Message> messages() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return messages_;
  }
  size_t count() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return messages_.size();
  }
  // Waits until more than `seen` messages were posted; false on timeout.
  bool WaitForMoreThan(size_t seen, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return posted_.wait_for(lock, timeout, [this, seen] { return messages_.size() > seen; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::vector<Message> messages_;
};

}  // namespace test
