// test::PrivateBus: a private D-Bus daemon in a temporary folder, with python3-dbusmock stand-ins
// started on it. Tests point the code under test at address() (as DBUS_SYSTEM_BUS_ADDRESS or
// directly), never at the machine's buses. Use from one thread.
//
// Everything it started is killed and reaped in the destructor, so a failing test leaves no
// process behind. Failures are reported as text, never thrown.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sdbus-c++/IConnection.h>

#include "support/scoped_temp_dir.h"

namespace test {

class PrivateBus {
 public:
  // Empty when dbus-daemon and python3-dbusmock are there; otherwise what is missing, for
  // GTEST_SKIP.
  static std::string MissingTools();

  // Starts the daemon and waits (bounded) until it listens; see error() when it did not.
  PrivateBus();
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  // A D-Bus address such as "unix:path=/tmp/tavlo-test-XXXXXX/bus".
  const std::string& address() const { return address_; }

  // Runs `python3 -m dbusmock --system --template <template_file> [-p <json>]` on this bus and
  // waits until it owns bus_name. False (with error()) when it exited or timed out; its stderr
  // is quoted in the error.
  bool StartStandIn(const std::filesystem::path& template_file,
                    const std::string& bus_name,
                    const std::string& parameters_json = "",
                    std::chrono::milliseconds timeout = std::chrono::seconds(30));

  // Process ids of the daemon and every stand-in still running.
  std::vector<pid_t> pids() const;

  // The folder of stand-in templates (tests/nm in the source tree).
  static std::filesystem::path TemplateDir();

 private:
  struct Child {
    pid_t pid = -1;
    std::filesystem::path log;
  };
  bool Fail(std::string text);
  static std::string Python();
  static void KillAndReap(Child& child);
  static std::string Tail(const std::filesystem::path& file);

  ScopedTempDir dir_;
  Child daemon_;
  std::vector<Child> stand_ins_;
  std::string address_;
  std::string error_;
};

// Dispatches connection's messages on the calling thread until done() holds or timeout passes;
// returns done(). The connection must not run an event loop of its own.
bool PumpUntil(sdbus::IConnection& connection,
               const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Polls done() from the calling thread, sleeping briefly between checks, until it holds or the
// bound passes; returns done(). For conditions that another thread makes true.
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds bound = std::chrono::seconds(10));

}  // namespace test
