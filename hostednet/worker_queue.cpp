#include "hostednet/worker_queue.h"

#include <system_error>

CWorkerQueue::CWorkerQueue(platform::Clock* clock, Delegate* delegate)
    : clock_(clock), delegate_(delegate) {}

CWorkerQueue::~CWorkerQueue() {
  Quit();
}

bool CWorkerQueue::Start() {
  base::AutoLock guard(join_lock_);
  if (started() || joined_)
    return false;
  try {
    thread_ = std::thread(&CWorkerQueue::ThreadProc, this);
  } catch (const std::system_error&) {
    return false;
  }
  started_.store(true, std::memory_order_release);
  return true;
}

void CWorkerQueue::Post(int command) {
  base::AutoLock<base::ThreadLock> lock(queue_lock_);
  queue_.push_back(command);
}

bool CWorkerQueue::Take(int* command) {
  base::AutoLock<base::ThreadLock> lock(queue_lock_);
  if (queue_.empty())
    return false;
  *command = queue_.front();
  queue_.pop_front();
  return true;
}

void CWorkerQueue::Quit() {
  if (worker_id_.load() == std::this_thread::get_id()) {
    Post(CMD_QUIT);
    return;
  }
  // Held across the join: a second caller waits here for the first one's join to finish.
  base::AutoLock guard(join_lock_);
  if (joined_ || !thread_.joinable())
    return;
  Post(CMD_QUIT);
  thread_.join();
  joined_ = true;
}

void CWorkerQueue::ThreadProc(CWorkerQueue* self) {
  if (!self)
    return;
  self->worker_id_.store(std::this_thread::get_id());
  self->delegate_->OnWorkerInit();
  for (;;) {
    int command = 0;
    if (self->Take(&command)) {
      if (command == CMD_QUIT)
        break;
      if (command == CMD_START)
        self->delegate_->OnStartCommand();
      else if (command == CMD_STOP)
        self->delegate_->OnStopCommand();
    }
    self->clock_->Sleep(kPollMs);
  }
  self->delegate_->OnWorkerShutdown();
}
