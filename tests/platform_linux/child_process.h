// A child process for tests where processes meet: started with posix_spawn, its stdin and
// stdout connected to pipes. Use from one thread.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace testing_support {

class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
      return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    for (std::string& a : args)
      raw.push_back(a.data());
    raw.push_back(nullptr);
    if (posix_spawn(&pid_, raw[0], &actions, nullptr, raw.data(), environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() {
    if (pid_ > 0 && !waited_) {
      kill(pid_, SIGKILL);
      Wait();
    }
    CloseStdin();
    if (stdout_ >= 0)
      close(stdout_);
  }

  bool started() const { return pid_ > 0; }

  // One line of the child's output without its newline; empty on time-out or end of output.
  std::string ReadLine(int timeout_ms = 10000) {
    std::string line;
    char c;
    while (true) {
      pollfd p = {stdout_, POLLIN, 0};
      if (poll(&p, 1, timeout_ms) != 1 || read(stdout_, &c, 1) != 1 || c == '\n')
        return line;
      line.push_back(c);
    }
  }

  void CloseStdin() {
    if (stdin_ >= 0)
      close(stdin_);
    stdin_ = -1;
  }
  void Kill() { kill(pid_, SIGKILL); }

  // Exit status, 128 + signal when a signal ended it.
  int Wait() {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    waited_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  bool waited_ = false;
};

}  // namespace testing_support
