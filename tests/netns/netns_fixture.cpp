#include "netns/netns_fixture.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

extern char** environ;

namespace test {

namespace {

std::string Which(const std::string& tool) {
  for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
    const std::filesystem::path path = std::filesystem::path(dir) / tool;
    if (::access(path.c_str(), X_OK) == 0)
      return path.string();
  }
  return "";
}

pid_t SpawnArgv(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
    return -1;
  return pid;
}

bool Exited(pid_t pid, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (std::chrono::steady_clock::now() < deadline) {
    if (::waitpid(pid, nullptr, WNOHANG) != 0)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace

std::string NetnsPair::MissingTools() {
  if (::geteuid() != 0)
    return "needs root to make network namespaces";
  for (const char* tool : {"ip", "dnsmasq", "busybox"}) {
    if (Which(tool).empty())
      return std::string("needs ") + tool;
  }
  return "";
}

NetnsPair::NetnsPair() {
  static std::atomic<int> counter{0};
  const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(counter++);
  hotspot_ = "tavlo-ap-" + tag;
  phone_ = "tavlo-phone-" + tag;
}

NetnsPair::~NetnsPair() {
  LeaveHotspot();
  for (pid_t pid : children_) {
    ::kill(pid, SIGTERM);
    if (!Exited(pid, std::chrono::seconds(3))) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
  if (made_phone_)
    Run({"ip", "netns", "del", phone_});
  if (made_hotspot_)
    Run({"ip", "netns", "del", hotspot_});
}

bool NetnsPair::Run(const std::vector<std::string>& argv) {
  std::vector<std::string> resolved = argv;
  resolved[0] = Which(argv[0]);
  if (resolved[0].empty())
    return false;
  const pid_t pid = SpawnArgv(resolved);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
    return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

pid_t NetnsPair::Spawn(const std::vector<std::string>& argv) {
  std::vector<std::string> resolved = argv;
  resolved[0] = Which(argv[0]);
  const pid_t pid = resolved[0].empty() ? -1 : SpawnArgv(resolved);
  if (pid > 0)
    children_.push_back(pid);
  return pid;
}

bool NetnsPair::Make() {
  auto step = [this](const std::vector<std::string>& argv) {
    if (Run(argv))
      return true;
    error_ = "failed:";
    for (const std::string& arg : argv)
      error_ += " " + arg;
    return false;
  };
  made_hotspot_ = step({"ip", "netns", "add", hotspot_});
  if (!made_hotspot_)
    return false;
  made_phone_ = step({"ip", "netns", "add", phone_});
  return made_phone_ &&
         step({"ip", "-n", hotspot_, "link", "add", "ap0", "type", "veth", "peer", "name", "ph0",
               "netns", phone_}) &&
         step({"ip", "-n", phone_, "link", "set", "ph0", "address", kPhoneMac}) &&
         step({"ip", "-n", hotspot_, "addr", "add", std::string(kApAddress) + "/24", "dev",
               "ap0"}) &&
         step({"ip", "-n", hotspot_, "link", "set", "lo", "up"}) &&
         step({"ip", "-n", hotspot_, "link", "set", "ap0", "up"}) &&
         step({"ip", "-n", phone_, "link", "set", "lo", "up"}) &&
         step({"ip", "-n", phone_, "link", "set", "ph0", "up"});
}

bool NetnsPair::EnterHotspot() {
  const std::string path = "/run/netns/" + hotspot_;
  const int target = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  home_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  const bool entered = target >= 0 && home_ >= 0 && ::setns(target, CLONE_NEWNET) == 0;
  if (target >= 0)
    ::close(target);
  if (!entered)
    LeaveHotspot();
  return entered;
}

void NetnsPair::LeaveHotspot() {
  if (home_ < 0)
    return;
  ::setns(home_, CLONE_NEWNET);
  ::close(home_);
  home_ = -1;
}

}  // namespace test
