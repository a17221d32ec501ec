#include "helper/ap/access_point.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace helper::ap {
namespace {

constexpr size_t kKeptLines = 12;
constexpr size_t kLongestLine = 400;

void CloseFd(int& fd) {
  if (fd >= 0)
    ::close(fd);
  fd = -1;
}

std::string DescribeStatus(int status) {
  if (WIFEXITED(status))
    return "ended with status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status))
    return std::string("ended by signal ") + ::strsignal(WTERMSIG(status));
  return "ended";
}

// "wlan0: AP-ENABLED", or the bare event.
bool SaysEnabled(const std::string& line) {
  static const std::string kEvent = "AP-ENABLED";
  size_t at = line.find(kEvent);
  if (at == std::string::npos || at + kEvent.size() != line.size())
    return false;
  return at == 0 || line[at - 1] == ' ';
}

// Whether `pid` has ended, leaving it to be reaped.
bool HasEnded(pid_t pid) {
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid;
}

}  // namespace

AccessPoint::AccessPoint(Options options) : options_(std::move(options)) {}

AccessPoint::~AccessPoint() {
  Stop();
}

bool AccessPoint::Start(const std::string& config_path, std::string* why) {
  auto fail = [why](const std::string& text) {
    if (why)
      *why = text;
    return false;
  };
  if (pid_ > 0)
    return fail("an access point is already running");
  if (options_.program.empty() || options_.program[0] != '/')
    return fail("the access point program needs an absolute path");

  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0)
    return fail(std::string("pipe: ") + std::strerror(errno));
  wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 2);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // A group of its own: stopping reaches anything it started, and a signal meant for the
  // helper's own group does not reach it.
  posix_spawnattr_setpgroup(&attr, 0);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGHUP);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::string program = options_.program;
  std::string config = config_path;
  char* argv[] = {program.data(), config.data(), nullptr};
  char path_env[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
  char* envp[] = {path_env, nullptr};
  pid_t pid = -1;
  int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv, envp);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(pipe_fds[1]);
  if (rc != 0) {
    ::close(pipe_fds[0]);
    CloseFd(wake_fd_);
    return fail("cannot start " + options_.program + ": " + std::strerror(rc));
  }
  pid_ = pid;
  out_fd_ = pipe_fds[0];
  pid_fd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  {
    std::lock_guard lock(mutex_);
    enabled_ = false;
    exited_ = false;
    exit_status_ = 0;
    last_lines_.clear();
  }
  partial_.clear();
  reader_ = std::thread([this] { ReadLoop(); });
  if (options_.on_spawn)
    options_.on_spawn(pid);

  std::unique_lock lock(mutex_);
  bool settled =
      changed_.wait_for(lock, options_.start_bound, [this] { return enabled_ || exited_; });
  if (enabled_ && !exited_)
    return true;
  std::string reason;
  if (exited_)
    reason = options_.program + " " + DescribeStatus(exit_status_);
  else if (!settled)
    reason = options_.program + " did not bring the access point up within " +
             std::to_string(options_.start_bound.count()) + " ms";
  lock.unlock();
  Stop();
  std::string output = LastOutput();
  return fail(output.empty() ? reason : reason + ":\n" + output);
}

void AccessPoint::Stop() {
  if (pid_ <= 0)
    return;
  bool ended;
  {
    std::lock_guard lock(mutex_);
    ended = exited_;
  }
  if (!ended) {
    ::kill(-pid_, SIGTERM);
    if (!WaitForExit(options_.stop_bound)) {
      ::kill(-pid_, SIGKILL);
      WaitForExit(options_.stop_bound);
    }
  }
  JoinReader();
  pid_ = -1;
}

bool AccessPoint::Running() const {
  std::lock_guard lock(mutex_);
  return pid_ > 0 && !exited_;
}

std::string AccessPoint::LastOutput() const {
  std::lock_guard lock(mutex_);
  std::string out;
  for (const std::string& line : last_lines_) {
    if (!out.empty())
      out += '\n';
    out += line;
  }
  return out;
}

bool AccessPoint::WaitForExit(std::chrono::milliseconds bound) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, bound, [this] { return exited_; });
}

void AccessPoint::JoinReader() {
  if (wake_fd_ >= 0) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_fd_, &one, sizeof one);
  }
  if (reader_.joinable())
    reader_.join();
  CloseFd(out_fd_);
  CloseFd(pid_fd_);
  CloseFd(wake_fd_);
}

void AccessPoint::ReadLoop() {
  char buffer[4096];
  bool output_open = true;
  bool reaped = false;
  auto drain = [&] {
    // Whatever it wrote before ending is still in the pipe: read it before saying it ended.
    int flags = ::fcntl(out_fd_, F_GETFL);
    ::fcntl(out_fd_, F_SETFL, flags | O_NONBLOCK);
    ssize_t got;
    while ((got = ::read(out_fd_, buffer, sizeof buffer)) > 0)
      HandleBytes(buffer, static_cast<size_t>(got));
    if (got == 0)
      output_open = false;
  };
  for (;;) {
    pollfd fds[3] = {{wake_fd_, POLLIN, 0},
                     {reaped ? -1 : pid_fd_, POLLIN, 0},
                     {output_open ? out_fd_ : -1, POLLIN, 0}};
    // Without a pidfd (an old kernel), look for the end every so often.
    int timeout = (!reaped && pid_fd_ < 0) ? 100 : -1;
    int n = ::poll(fds, 3, timeout);
    if (n < 0 && errno != EINTR)
      break;
    if (n < 0)
      continue;
    if (fds[0].revents & POLLIN)
      break;
    if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) {
      ssize_t got = ::read(out_fd_, buffer, sizeof buffer);
      if (got > 0)
        HandleBytes(buffer, static_cast<size_t>(got));
      else if (got == 0 || (errno != EINTR && errno != EAGAIN))
        output_open = false;
    }
    if (!reaped) {
      bool ended = pid_fd_ >= 0 ? (fds[1].revents & POLLIN) != 0 : HasEnded(pid_);
      if (ended) {
        if (output_open)
          drain();
        Reap();
        reaped = true;
      }
    }
    if (reaped && !output_open)
      return;
  }
  // Stop gave up waiting: the program still has to be reaped, whatever it takes.
  if (!reaped)
    Reap();
}

void AccessPoint::Reap() {
  int status = 0;
  pid_t got;
  do {
    got = ::waitpid(pid_, &status, 0);
  } while (got < 0 && errno == EINTR);
  if (!partial_.empty())
    HandleBytes("\n", 1);
  std::lock_guard lock(mutex_);
  if (!exited_) {
    exit_status_ = got == pid_ ? status : 0;
    exited_ = true;
  }
  changed_.notify_all();
}

void AccessPoint::HandleBytes(const char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    char c = data[i];
    if (c != '\n') {
      if (partial_.size() < kLongestLine)
        partial_ += c;
      continue;
    }
    std::string line;
    line.swap(partial_);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (options_.on_line)
      options_.on_line(line);
    std::lock_guard lock(mutex_);
    if (SaysEnabled(line))
      enabled_ = true;
    last_lines_.push_back(std::move(line));
    if (last_lines_.size() > kKeptLines)
      last_lines_.pop_front();
    changed_.notify_all();
  }
}

}  // namespace helper::ap
