// helper::ap::AccessPoint: one hostapd process, started with the configuration file's path as its
// only argument (never through a shell), watched until it says its access point is up, and
// stopped with SIGTERM, then SIGKILL after a bound.
//
// Thread affinity: Start, Stop and the destructor on one thread. A reader thread of its own
// drains the program's output for as long as it runs (so a full pipe never blocks it) and calls
// the line callback there. The reader thread is the only one that reaps the process: nothing
// else in the program may wait for any child (waitpid(-1)).
// Ownership: owns the process (and its process group), the pipe and the thread; the destructor
// stops the process.
// Failure: Start says why it failed — the program could not start, it ended, or it did not come
// up in time — with its last output lines; a failed start leaves nothing running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace helper::ap {

class AccessPoint {
 public:
  struct Options {
    std::string program = "/usr/sbin/hostapd";  // an absolute path
    std::chrono::milliseconds start_bound{8000};
    std::chrono::milliseconds stop_bound{3000};
    // Each output line without its newline, on the reader thread.
    std::function<void(const std::string&)> on_line;
    // The new process's pid, on Start's thread as soon as it runs, before Start waits for it
    // (so the caller can record it while it comes up).
    std::function<void(pid_t)> on_spawn = nullptr;
  };

  explicit AccessPoint(Options options);
  ~AccessPoint();
  AccessPoint(const AccessPoint&) = delete;
  AccessPoint& operator=(const AccessPoint&) = delete;

  // Starts the program on `config_path` and waits until it prints "AP-ENABLED". False with
  // `*why` otherwise; also false when one is already running.
  bool Start(const std::string& config_path, std::string* why);
  // Ends the program, if any: SIGTERM to its process group, SIGKILL after the stop bound.
  void Stop();
  // Whether the program runs (it may have ended by itself since Start).
  bool Running() const;
  // The last output lines, oldest first, joined with newlines.
  std::string LastOutput() const;

 private:
  void ReadLoop();
  void HandleBytes(const char* data, size_t size);
  void Reap();
  bool WaitForExit(std::chrono::milliseconds bound);
  void JoinReader();

  Options options_;
  pid_t pid_ = -1;
  int out_fd_ = -1;   // read end of the program's stdout and stderr
  int pid_fd_ = -1;   // readable when the program ends
  int wake_fd_ = -1;  // eventfd that ends the reader thread
  std::thread reader_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool enabled_ = false;                // guarded by mutex_
  bool exited_ = true;                  // guarded by mutex_
  int exit_status_ = 0;                 // guarded by mutex_ (as from waitpid)
  std::deque<std::string> last_lines_;  // guarded by mutex_
  std::string partial_;                 // reader thread only
};

}  // namespace helper::ap
