// System on Linux: the kernel's version, rights from the effective user id, elevation through
// pkexec.
//
// Threading: every method may be called from any thread. Processes it returns are used from one
// thread at a time.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

namespace platform {

class LinuxSystem : public System {
 public:
  struct Options {
    // Set by the program when the backend it selected needs privileges (the simulated one does
    // not); without it elevation is never enforced.
    bool backend_needs_privileges = false;
    // The elevation helper; empty means "pkexec" found on PATH.
    std::string pkexec_path;
    // Replaces the kernel's version (tests use 5.1).
    std::optional<OsVersion> version;
  };

  LinuxSystem() = default;
  explicit LinuxSystem(Options options);

  // Major and minor from the kernel's release text ("6.1.0-18-amd64" gives 6.1).
  bool Version(OsVersion* version) override;
  // Effective user id 0.
  bool IsUserAnAdmin() override;
  // backend_needs_privileges and an executable pkexec.
  bool IsElevationEnforced() override;
  // /proc/self/exe.
  std::u16string ExecutablePath() override;
  // Rebuilt from /proc/self/cmdline as Windows shows a command line: the program as started,
  // in double quotes when it holds a blank, then each argument after one blank, quoted by
  // posix::QuoteShellWord so that ShellExecuteRunAs's split gives the arguments back.
  std::u16string CommandLine() override;
  // Runs `pkexec FILE ARGS...`, ARGS being `parameters` split by posix::SplitShellWords. pkexec
  // asks for consent and then becomes the program, so the process is the elevated copy itself.
  // Fails at once only when pkexec cannot be started.
  std::unique_ptr<Process> ShellExecuteRunAs(std::u16string_view file,
                                             std::u16string_view parameters,
                                             DWORD* error) override;
  // pkexec's 126 (consent dismissed or not obtained) and 127 (not authorised).
  bool IsDeclinedExit(int exit_status) const override;
  DWORD WaitForAny(std::span<Waitable* const> objects, DWORD timeout_ms) override;

  // Parses a kernel release text; false when it does not begin with "major.minor".
  static bool ParseKernelRelease(std::string_view release, OsVersion* version);
  // Joins argv as CommandLine() does.
  static std::u16string JoinCommandLine(const std::vector<std::string>& argv);

 private:
  std::string PkexecPath() const;

  Options options_;
};

}  // namespace platform
