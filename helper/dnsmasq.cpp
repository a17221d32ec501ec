#include "helper/dnsmasq.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "helper/net_config.h"

namespace helper {

namespace {

using Clock = std::chrono::steady_clock;

std::string FindDnsmasq() {
  for (const char* path : {"/usr/sbin/dnsmasq", "/usr/bin/dnsmasq", "/sbin/dnsmasq"}) {
    if (::access(path, X_OK) == 0)
      return path;
  }
  return "";
}

std::filesystem::path PidFile(const std::filesystem::path& folder) {
  return folder / "dnsmasq.pid";
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool ProcessGone(pid_t pid) {
  // Reaps it when it is our child; otherwise only asks whether it still exists.
  const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
  if (r == pid)
    return true;
  if (r < 0 && errno == ECHILD) {
    // Not our child (an earlier helper's): gone, or a zombie that only its new parent reaps.
    const std::string stat = ReadAll("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t paren = stat.rfind(')');
    return stat.empty() ||
           (paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z');
  }
  return false;
}

bool WaitGone(pid_t pid, std::chrono::milliseconds bound) {
  const auto deadline = Clock::now() + bound;
  while (!ProcessGone(pid)) {
    if (Clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

std::vector<std::string> DnsmasqArguments(const std::string& program,
                                          const std::string& private_if,
                                          const std::filesystem::path& folder) {
  const std::string addr = kPrivateAddress;
  return {program, "--interface=" + private_if, "--bind-interfaces", "--except-interface=lo",
          "--listen-address=" + addr, "--dhcp-range=192.168.137.2,192.168.137.254,60m",
          "--dhcp-option=option:router," + addr, "--dhcp-option=option:dns-server," + addr,
          "--dhcp-authoritative",
          // The private net is ours alone: no probe of each address before offering it (it
          // costs seconds per lease).
          "--no-ping", "--keep-in-foreground", "--conf-file=/dev/null", "--no-hosts",
          "--host-record=" + std::string(kHostName) + "," + addr,
          "--dhcp-leasefile=" + (folder / "dnsmasq.leases").string(),
          "--pid-file=" + PidFile(folder).string(),
          // Without its own account dnsmasq cannot drop root; nobody is the safe fallback.
          ::getpwnam("dnsmasq") ? "--user=dnsmasq" : "--user=nobody"};
}

pid_t StartDnsmasq(const std::string& private_if,
                   const std::filesystem::path& folder,
                   std::string* error) {
  const std::string program = FindDnsmasq();
  if (program.empty()) {
    *error = "dnsmasq is not installed";
    return -1;
  }
  ::unlink(PidFile(folder).c_str());
  const std::vector<std::string> args = DnsmasqArguments(program, private_if, folder);
  std::vector<char*> argv;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  char* envp[] = {const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);  // ours blocks SIGTERM for its signalfd
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    *error = std::string("start dnsmasq: ") + std::strerror(rc);
    return -1;
  }
  // dnsmasq writes its pid file once its sockets are bound.
  const auto deadline = Clock::now() + std::chrono::seconds(3);
  while (Clock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      *error = "dnsmasq ended at start (exit " +
               std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) +
               ")";
      return -1;
    }
    if (!ReadAll(PidFile(folder)).empty())
      return pid;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  *error = "dnsmasq did not come up";
  return -1;
}

bool StopDnsmasq(pid_t pid, const std::filesystem::path& folder) {
  if (pid <= 1)
    return true;
  std::string cmdline = ReadAll("/proc/" + std::to_string(pid) + "/cmdline");
  if (cmdline.empty()) {
    ProcessGone(pid);  // gone, or a zombie child to reap
    return true;
  }
  // Another process may have our old pid after a restart: only ours is ended.
  const std::string mark = "--pid-file=" + PidFile(folder).string();
  if (cmdline.find(mark) == std::string::npos) {
    ProcessGone(pid);
    return true;
  }
  ::kill(pid, SIGTERM);
  if (WaitGone(pid, std::chrono::milliseconds(1000)))
    return true;
  ::kill(pid, SIGKILL);
  return WaitGone(pid, std::chrono::milliseconds(1000));
}

}  // namespace helper
