#include "platform/linux/linux_system.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "base/result.h"
#include "platform/linux/shell_words.h"
#include "platform/linux/utf.h"
#include "platform/linux/wait.h"
#include "platform/linux/win32_error.h"

extern char** environ;

namespace platform {

namespace {

// A child of this process, watched through a pidfd when the kernel has them.
class LinuxProcess : public Process {
 public:
  explicit LinuxProcess(pid_t pid)
      : pid_(pid), pidfd_(static_cast<int>(syscall(SYS_pidfd_open, pid, 0))) {}
  ~LinuxProcess() override {
    IsSignalled();  // reaps it if it has ended, so no zombie stays behind
    if (pidfd_ >= 0)
      close(pidfd_);
  }

  bool IsSignalled() override {
    if (status_)
      return true;
    int raw = 0;
    pid_t rc;
    do {
      rc = waitpid(pid_, &raw, WNOHANG);
    } while (rc < 0 && errno == EINTR);
    if (rc == 0)
      return false;
    if (rc < 0) {
      // Someone else reaped it: it has ended, with an unknown status.
      status_ = -1;
    } else {
      status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    return true;
  }
  int PollFd() const override { return pidfd_; }
  int Id() const override { return pid_; }
  std::optional<int> ExitStatus() override {
    IsSignalled();
    return status_;
  }

 private:
  const pid_t pid_;
  const int pidfd_;
  std::optional<int> status_;
};

bool IsExecutable(const std::string& path) {
  return !path.empty() && access(path.c_str(), X_OK) == 0;
}

std::string FindOnPath(std::string_view name) {
  const char* env = std::getenv("PATH");
  std::string_view path = env && *env ? env : "/usr/local/bin:/usr/bin:/bin";
  while (!path.empty()) {
    size_t colon = path.find(':');
    std::string_view dir = path.substr(0, colon);
    path = colon == std::string_view::npos ? std::string_view() : path.substr(colon + 1);
    if (dir.empty())
      continue;
    std::string candidate = std::string(dir) + "/" + std::string(name);
    if (IsExecutable(candidate))
      return candidate;
  }
  return {};
}

bool HasBlank(std::string_view text) {
  return text.find_first_of(" \t") != std::string_view::npos;
}

}  // namespace

LinuxSystem::LinuxSystem(Options options) : options_(std::move(options)) {}

bool LinuxSystem::ParseKernelRelease(std::string_view release, OsVersion* version) {
  const char* p = release.data();
  const char* end = p + release.size();
  DWORD major = 0, minor = 0;
  auto r = std::from_chars(p, end, major);
  if (r.ec != std::errc() || r.ptr == end || *r.ptr != '.')
    return false;
  r = std::from_chars(r.ptr + 1, end, minor);
  if (r.ec != std::errc())
    return false;
  *version = {major, minor};
  return true;
}

bool LinuxSystem::Version(OsVersion* version) {
  if (options_.version) {
    *version = *options_.version;
    return true;
  }
  utsname name;
  if (uname(&name) != 0)
    return false;
  return ParseKernelRelease(name.release, version);
}

bool LinuxSystem::IsUserAnAdmin() {
  return geteuid() == 0;
}

bool LinuxSystem::IsElevationEnforced() {
  return options_.backend_needs_privileges && !PkexecPath().empty();
}

std::string LinuxSystem::PkexecPath() const {
  if (!options_.pkexec_path.empty())
    return IsExecutable(options_.pkexec_path) ? options_.pkexec_path : std::string();
  return FindOnPath("pkexec");
}

std::u16string LinuxSystem::ExecutablePath() {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0)
      return {};
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(n);
      return posix::FromUtf8(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::u16string LinuxSystem::JoinCommandLine(const std::vector<std::string>& argv) {
  std::u16string line;
  for (size_t i = 0; i < argv.size(); ++i) {
    std::u16string word = posix::FromUtf8(argv[i]);
    if (i == 0) {
      line = HasBlank(argv[i]) ? u"\"" + word + u"\"" : word;
    } else {
      line += u' ';
      line += posix::QuoteShellWord(word);
    }
  }
  return line;
}

std::u16string LinuxSystem::CommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> argv;
  size_t start = 0;
  while (start < raw.size()) {
    size_t nul = raw.find('\0', start);
    if (nul == std::string::npos)
      nul = raw.size();
    argv.push_back(raw.substr(start, nul - start));
    start = nul + 1;
  }
  return JoinCommandLine(argv);
}

std::unique_ptr<Process> LinuxSystem::ShellExecuteRunAs(std::u16string_view file,
                                                        std::u16string_view parameters,
                                                        DWORD* error) {
  std::string pkexec = PkexecPath();
  if (pkexec.empty()) {
    *error = ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  std::vector<std::string> args{pkexec, posix::ToUtf8(file)};
  for (const std::u16string& word : posix::SplitShellWords(parameters))
    args.push_back(posix::ToUtf8(word));
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = -1;
  int rc = posix_spawn(&pid, pkexec.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    *error = posix::Win32ErrorFromErrno(rc);
    return nullptr;
  }
  *error = ERROR_SUCCESS;
  return std::make_unique<LinuxProcess>(pid);
}

bool LinuxSystem::IsDeclinedExit(int exit_status) const {
  return exit_status == 126 || exit_status == 127;
}

DWORD LinuxSystem::WaitForAny(std::span<Waitable* const> objects, DWORD timeout_ms) {
  return posix::WaitForAnyObject(objects, timeout_ms);
}

}  // namespace platform
