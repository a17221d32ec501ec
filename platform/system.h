// The operating-system services that start-up needs: version, rights, the process's own path and
// command line, the elevated re-launch, and waiting on several objects at once.
//
// Threading: a System may be called from any thread; implementations keep no mutable state.
// Waitable objects (processes, events) are used from one thread at a time.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/win_types.h"

namespace platform {

// Results of System::WaitForAny, with the numbers WaitForMultipleObjects uses.
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD INFINITE = 0xFFFFFFFF;

// Something a wait can end on.
class Waitable {
 public:
  virtual ~Waitable() = default;

  // True once the object is signalled (an event is set, a process has ended). Must be cheap and
  // must not block. Implementations that have a PollFd() drain it here before looking at the
  // state, so that a change after this call always wakes the next poll.
  virtual bool IsSignalled() = 0;

  // A descriptor that turns readable when the state may have changed, or -1 when the object
  // cannot be polled (waits then re-check it every few milliseconds). Owned by the object.
  virtual int PollFd() const = 0;
};

// A process started by System::ShellExecuteRunAs. Destroying it neither waits for nor ends the
// process.
class Process : public Waitable {
 public:
  virtual int Id() const = 0;
  // The exit status once the process has ended (128 + signal number when a signal ended it);
  // nullopt while it runs.
  virtual std::optional<int> ExitStatus() = 0;
};

struct OsVersion {
  DWORD major = 0;
  DWORD minor = 0;
};

class System {
 public:
  virtual ~System() = default;

  // GetVersionExW counterpart. False when the version cannot be read.
  virtual bool Version(OsVersion* version) = 0;

  // True when the process runs with administrator rights.
  virtual bool IsUserAnAdmin() = 0;

  // True when the system will not let this program do its work without elevated rights and
  // offers a way to get them (the counterpart of user account control being on).
  virtual bool IsElevationEnforced() = 0;

  // Full path of the running executable; empty when it cannot be found.
  virtual std::u16string ExecutablePath() = 0;

  // The process's own command line as one text (GetCommandLineW counterpart).
  virtual std::u16string CommandLine() = 0;

  // Starts `file` with `parameters` with elevated rights, asking the user if needed. Null on
  // failure, with a Win32 error code in *error. A process that was started but whose consent
  // prompt the user then declines ends with an exit status that IsDeclinedExit recognises.
  virtual std::unique_ptr<Process> ShellExecuteRunAs(std::u16string_view file,
                                                     std::u16string_view parameters,
                                                     DWORD* error) = 0;

  // True when a process started by ShellExecuteRunAs ended because elevation was refused.
  virtual bool IsDeclinedExit(int exit_status) const = 0;

  // WaitForMultipleObjects(count, objects, FALSE, timeout_ms) counterpart: WAIT_OBJECT_0 + i
  // for the first signalled object, WAIT_TIMEOUT, or WAIT_FAILED. INFINITE waits for ever.
  virtual DWORD WaitForAny(std::span<Waitable* const> objects, DWORD timeout_ms) = 0;
};

}  // namespace platform
