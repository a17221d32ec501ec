// The in-process lock's implementation: a plain, non-recursive mutex.
#pragma once

#include <mutex>

namespace base::platform {

class ThreadLockImpl {
 public:
  ThreadLockImpl() = default;
  ThreadLockImpl(const ThreadLockImpl&) = delete;
  ThreadLockImpl& operator=(const ThreadLockImpl&) = delete;
  virtual ~ThreadLockImpl() = default;

  void Acquire() { mutex_.lock(); }
  void Release() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

}  // namespace base::platform
