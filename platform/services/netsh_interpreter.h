// platform::services::NetshInterpreter: what the system's netsh tool does, carried out in this
// process on the wireless service of whichever backend runs (never in a child process: a
// hotspot may be bound to the bus connection that started it). It carries out exactly three command
// lines, each some milliseconds after RunDetached returned, in the order they were given, on a
// thread of its own:
//   "cmd.exe /c netsh wlan set hostednetwork mode=allow"  -> WirelessService::Allow(true)
//   "cmd.exe /c netsh wlan start hostednetwork"           -> WirelessService::Start()
//   "cmd.exe /c netsh wlan stop hostednetwork"            -> WirelessService::Stop()
// Any other line is recorded and otherwise ignored. Results are dropped, as the tool's are.
//
// Thread affinity: every method may be called from any thread.
// Ownership: the service is not owned and must outlive the interpreter. The destructor drops
// the lines not yet carried out and waits for one that is being carried out.
// Failure: none is reported.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/win_types.h"
#include "platform/command_runner.h"

namespace platform::services {

class WirelessService;

class NetshInterpreter final : public CommandRunner {
 public:
  static constexpr DWORD kDefaultDelayMs = 30;

  explicit NetshInterpreter(WirelessService& service);
  ~NetshInterpreter() override;
  NetshInterpreter(const NetshInterpreter&) = delete;
  NetshInterpreter& operator=(const NetshInterpreter&) = delete;

  // platform::CommandRunner
  void RunDetached(const std::u16string& command_line) override;

  // How long after RunDetached a line is carried out; applies to lines given afterwards. A
  // delay longer than the caller's pauses makes a start slower than the pauses.
  void SetDelay(DWORD milliseconds);
  DWORD delay() const;

  // Every line given so far, in order.
  std::vector<std::u16string> ReceivedLines() const;
  // Blocks until every line given before the call has been carried out (or dropped).
  void WaitUntilIdle();

 private:
  struct Pending {
    std::u16string line;
    std::chrono::steady_clock::time_point due;
  };

  void Run();
  void Carry(const std::u16string& line);

  WirelessService& service_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;  // the thread: work, an earlier due time, or stop
  std::condition_variable idle_;  // WaitUntilIdle
  std::deque<Pending> pending_;
  std::vector<std::u16string> received_;
  unsigned long long given_ = 0;
  unsigned long long done_ = 0;
  DWORD delay_ms_ = kDefaultDelayMs;
  bool stopping_ = false;
  std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace platform::services
