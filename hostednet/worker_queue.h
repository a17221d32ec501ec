// CWorkerQueue: the long-lived worker thread and its first-in-first-out queue of integer
// commands. The worker runs its delegate's initialisation first, then takes one command at a
// time in queue order: CMD_START and CMD_STOP go to the delegate, CMD_QUIT ends the loop, any
// other id is consumed without effect. Every pass of the loop, empty or not, except the one
// that took CMD_QUIT, ends with a pause of kPollMs on the clock. After the loop the delegate's
// shutdown runs and the thread ends. A long command delays every later one, CMD_QUIT included.
//
// Locking: `queue_lock_` guards `queue_` and nothing else, and is never held while a delegate
// call runs, so commands can be posted while one executes. `join_lock_` guards `thread_` and
// `joined_` once Start has returned; the worker never takes it.
//
// Thread affinity: Post and Take from any thread. Start once, from the owner's thread. Quit
// from any thread but the worker's; several threads may call it, each returns once the worker
// has ended. The delegate's calls all run on the worker thread.
// Ownership: owns the thread and the queue; the clock and the delegate are borrowed and must
// outlive the worker thread. The destructor quits and joins a worker that is still running,
// so the delegate must still be whole then: an owner that is the delegate calls Quit itself
// before its own members go.
// Failure: Start answers false when the thread cannot be created; there is then no worker,
// commands stay queued unread, and Quit returns at once.
#pragma once

#include <atomic>
#include <deque>
#include <thread>

#include "base/lock.h"
#include "base/win_types.h"
#include "platform/clock.h"

inline constexpr int CMD_STOP = 1;
inline constexpr int CMD_START = 2;
inline constexpr int CMD_QUIT = 4;

class CWorkerQueue {
 public:
  static constexpr DWORD kPollMs = 10;

  // What the worker runs. Every call is on the worker thread.
  class Delegate {
   public:
    virtual void OnWorkerInit() = 0;
    virtual void OnStartCommand() = 0;
    virtual void OnStopCommand() = 0;
    virtual void OnWorkerShutdown() = 0;

   protected:
    ~Delegate() = default;
  };

  CWorkerQueue(platform::Clock* clock, Delegate* delegate);
  ~CWorkerQueue();
  CWorkerQueue(const CWorkerQueue&) = delete;
  CWorkerQueue& operator=(const CWorkerQueue&) = delete;

  // Starts the worker thread; false when it could not be created (or was started before).
  bool Start();
  bool started() const { return started_.load(std::memory_order_acquire); }

  // Appends `command` at the back; never blocks beyond the queue lock.
  void Post(int command);
  // Removes the front command into `*command`; false (and `*command` untouched) when empty.
  bool Take(int* command);

  // Appends CMD_QUIT and waits until the worker has run its shutdown and ended. The shutdown
  // runs once however many callers ask; without a worker it returns at once. Called on the
  // worker thread itself it only appends CMD_QUIT.
  void Quit();

  // The worker's body; a null `self` ends at once.
  static void ThreadProc(CWorkerQueue* self);

 private:
  platform::Clock* const clock_;
  Delegate* const delegate_;

  base::ThreadLock queue_lock_;
  std::deque<int> queue_ GUARDED_BY(queue_lock_);

  base::ThreadLock join_lock_;
  std::thread thread_ GUARDED_BY(join_lock_);
  bool joined_ GUARDED_BY(join_lock_) = false;
  std::atomic<bool> started_{false};
  std::atomic<std::thread::id> worker_id_{};
};
