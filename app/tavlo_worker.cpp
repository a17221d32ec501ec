// CTavlo: the command queue, the worker thread and the exit sequence.
#include "app/tavlo.h"

namespace app {

void CTavlo::PostCommand(int command) {
  base::AutoLock<base::ThreadLock> lock(queue_lock_);
  queue_.push_back(command);
}

bool CTavlo::TakeCommand(int* command) {
  base::AutoLock<base::ThreadLock> lock(queue_lock_);
  if (queue_.empty())
    return false;
  *command = queue_.front();
  queue_.pop_front();
  return true;
}

void CTavlo::StartWorker() {
  try {
    worker_ = std::make_unique<std::thread>(&CTavlo::WorkerThreadProc, this);
  } catch (const std::system_error&) {
    // As a failed CreateThread: no worker, readiness never comes, exit skips the wait.
    worker_.reset();
  }
}

void CTavlo::WorkerThreadProc(CTavlo* self) {
  if (!self)
    return;
  self->InitSharing();
  for (;;) {
    int command = 0;
    if (self->TakeCommand(&command)) {
      if (command == CMD_START)
        self->OnStartCommand();
      else if (command == CMD_STOP)
        self->OnStopCommand();
      else if (command == CMD_QUIT)
        break;
    }
    self->services_.clock->Sleep(kWorkerPollMs);
  }
  self->hotspot_.Shutdown();
}

void CTavlo::JoinWorkerOnce() {
  // A second exit request waits here until the first has joined the worker, and joins nothing.
  std::call_once(worker_joined_, [this] {
    if (worker_ && worker_->joinable())
      worker_->join();
  });
}

void CTavlo::ExitThreadProc(CTavlo* self) {
  if (!self)
    return;
  const HWND hwnd = self->GetHWND();
  if (self->worker_) {
    DuiLib::RunOnUiThread([self] { self->ShowWindow(false, false); });
    self->PostCommand(CMD_QUIT);
    self->JoinWorkerOnce();
  }
  // After the worker's last closures, so its final state lands before the icon goes.
  DuiLib::RunOnUiThread([self, hwnd] {
    if (!DuiLib::IsWindow(hwnd))
      return;
    self->tray_icon_.Remove();
    self->Close(1);
  });
}

void CTavlo::OnUi(std::function<void()> change) {
  DuiLib::RunOnUiThread(std::move(change));
}

}  // namespace app
