// platform::CommandRunner: starts a command line and returns at once, as WinExec with SW_HIDE
// does: nothing waits for the command, and nothing reports whether it ran or what it did.
//
// Thread affinity: RunDetached may be called from any thread, also while the caller holds a
// lock of its own (it never waits for the command).
// Failure: none is reported. A command that cannot be started is dropped.
#pragma once

#include <string>

namespace platform {

class CommandRunner {
 public:
  virtual ~CommandRunner() = default;

  // `command_line` is UTF-16 text, run as it stands.
  virtual void RunDetached(const std::u16string& command_line) = 0;
};

// Runs the line with /bin/sh -c in a process group of its own, with its standard streams on
// /dev/null. A line that is not well-formed UTF-16, or holds a NUL, is dropped. A thread of its own
// reaps each child, so no zombie is left; the object may go away while children still run.
class ShellCommandRunner final : public CommandRunner {
 public:
  void RunDetached(const std::u16string& command_line) override;
};

}  // namespace platform
