// Locks: base::Lock<Impl> over a platform implementation, and the scoped guard AutoLock.
//
//   base::Lock<base::platform::ThreadLockImpl>   mutual exclusion between threads of the
//       process. Not recursive: a thread must not acquire it while holding it. Release is
//       called only by the owning thread. Destroy it only when no thread holds it.
//   base::Lock<base::platform::ProcessLockImpl>  a named lock shared by every process of the
//       user's session (the single-instance lock). TryAcquire never blocks; ownership lasts
//       until the lock object is destroyed or the process ends, so a crash frees it.
#pragma once

#include <string_view>

#include "base/process_lock_impl.h"
#include "base/thread_annotations.h"
#include "base/thread_lock_impl.h"

namespace base {

template <class Impl>
class Lock;

// A capability for clang's analysis: members say GUARDED_BY(lock_) and the compiler checks
// that every access holds it.
template <>
class LOCKABLE Lock<platform::ThreadLockImpl> {
 public:
  Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  virtual ~Lock() = default;

  // Blocks until the calling thread owns the lock.
  void Acquire() EXCLUSIVE_LOCK_FUNCTION() { impl_.Acquire(); }
  void Release() UNLOCK_FUNCTION() { impl_.Release(); }

 private:
  platform::ThreadLockImpl impl_;
};

template <>
class Lock<platform::ProcessLockImpl> {
 public:
  // Creates or opens the named lock. A failure leaves it unusable: TryAcquire answers false.
  explicit Lock(std::u16string_view name) { impl_.Create(name); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  virtual ~Lock() = default;

  // True when this object now owns the lock (or already did); false when another lock object,
  // in this process or another, owns it, or when the lock could not be created.
  bool TryAcquire() { return impl_.TryAcquire(); }
  // Tells the two false answers of TryAcquire apart: ok() unless the lock could not be created.
  const FolderProblem& CreateProblem() const { return impl_.problem(); }

 private:
  platform::ProcessLockImpl impl_;
};

using ThreadLock = Lock<platform::ThreadLockImpl>;
using ProcessLock = Lock<platform::ProcessLockImpl>;

// Holds the guarded lock for its scope, also when an exception leaves the scope.
template <class L = ThreadLock>
class SCOPED_LOCKABLE AutoLock {
 public:
  explicit AutoLock(L& lock) EXCLUSIVE_LOCK_FUNCTION(lock) : lock_(&lock) { lock_->Acquire(); }
  AutoLock(const AutoLock&) = delete;
  AutoLock& operator=(const AutoLock&) = delete;
  virtual ~AutoLock() UNLOCK_FUNCTION() { lock_->Release(); }

 private:
  L* lock_;  // not owned
};

}  // namespace base
