// CTavlo: the command queue, the worker thread and the exit sequence.
#include <system_error>

#include "app/tavlo.h"

namespace app {

void CTavlo::PostCommand(int command) {
  worker_.Post(command);
}

void CTavlo::StartWorker() {
  // A thread that cannot be created is as a failed CreateThread: no worker, readiness never
  // comes, exit skips the wait.
  worker_.Start();
}

void CTavlo::RequestExit() {
  // A second request while one runs is absorbed here, so the shutdown runs once.
  if (exit_started_)
    return;
  exit_started_ = true;
  // Before anything goes: a box's loop must not be running under a window being destroyed.
  DuiLib::CloseMessageBoxes(GetHWND());
  try {
    exit_thread_ = std::thread(&CTavlo::ExitThreadProc, this);
  } catch (const std::system_error&) {
    // Without a thread of its own the exit waits for the worker here; it still completes.
    ExitThreadProc(this);
  }
}

void CTavlo::ExitThreadProc(CTavlo* self) {
  if (!self)
    return;
  const HWND hwnd = self->window_;
  if (self->worker_.started()) {
    DuiLib::RunForWindow(hwnd, [self] { self->ShowWindow(false, false); });
    self->worker_.Quit();
  }
  // After the worker's last closures, so its final state lands before the icon goes. If the
  // window went meanwhile, so did the object's reason to touch it.
  DuiLib::RunForWindow(hwnd, [self] {
    self->tray_icon_.Remove();
    self->Close(1);
  });
}

void CTavlo::OnUi(std::function<void()> change) {
  DuiLib::RunForWindow(window_, std::move(change));
}

}  // namespace app
