#include "nm/private_bus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <thread>

#include <sdbus-c++/sdbus-c++.h>

extern char** environ;

namespace test {
namespace {

using Clock = std::chrono::steady_clock;

// Spawns argv with stdin from /dev/null, stderr (and stdout unless stdout_fd >= 0) into log,
// and env_extra added to this process's environment. -1 when it could not start.
pid_t Spawn(const std::vector<std::string>& argv,
            const std::vector<std::string>& env_extra,
            const std::filesystem::path& log,
            int stdout_fd) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  if (stdout_fd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdout_fd, 1);
  else
    posix_spawn_file_actions_adddup2(&actions, 2, 1);

  std::vector<std::string> args = argv;
  std::vector<char*> raw_args;
  for (std::string& a : args)
    raw_args.push_back(a.data());
  raw_args.push_back(nullptr);

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    bool replaced = false;
    for (const std::string& extra : env_extra)
      replaced |= entry.compare(0, extra.find('=') + 1, extra, 0, extra.find('=') + 1) == 0;
    if (!replaced)
      env.push_back(entry);
  }
  env.insert(env.end(), env_extra.begin(), env_extra.end());
  std::vector<char*> raw_env;
  for (std::string& e : env)
    raw_env.push_back(e.data());
  raw_env.push_back(nullptr);

  pid_t pid = -1;
  if (posix_spawnp(&pid, raw_args[0], &actions, nullptr, raw_args.data(), raw_env.data()) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int RunQuietly(const std::vector<std::string>& argv) {
  pid_t pid = Spawn(argv, {}, "/dev/null", -1);
  if (pid < 0)
    return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool OnPath(const std::string& program) {
  const char* path = ::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':'))
    if (!dir.empty() && ::access((std::filesystem::path(dir) / program).c_str(), X_OK) == 0)
      return true;
  return false;
}

// Reads one line from fd within timeout; empty on time-out or end of output.
std::string ReadLine(int fd, std::chrono::milliseconds timeout) {
  std::string line;
  const auto deadline = Clock::now() + timeout;
  while (true) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd p = {fd, POLLIN, 0};
    char c;
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) != 1 ||
        read(fd, &c, 1) != 1 || c == '\n')
      return line;
    line.push_back(c);
  }
}

bool Exited(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

bool PumpUntil(sdbus::IConnection& connection,
               const std::function<bool()>& done,
               std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (true) {
    while (connection.processPendingRequest()) {
    }
    if (done())
      return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0)
      return false;
    sdbus::IConnection::PollData data = connection.getEventLoopPollData();
    if (auto relative = data.getRelativeTimeout())
      left = std::min(left, std::chrono::duration_cast<std::chrono::milliseconds>(*relative) +
                                std::chrono::milliseconds(1));
    pollfd p = {data.fd, data.events, 0};
    poll(&p, 1, static_cast<int>(left.count()));
  }
}

std::string PrivateBus::Python() {
  // The stand-ins need the python that has the Debian package, which a python3 earlier on
  // PATH (a virtualenv, pyenv) may not have.
  static const std::string found = [] {
    for (const char* candidate : {"/usr/bin/python3", "python3"})
      if (RunQuietly({candidate, "-c", "import dbusmock"}) == 0)
        return std::string(candidate);
    return std::string();
  }();
  return found;
}

std::string PrivateBus::MissingTools() {
  std::string missing;
  if (!OnPath("dbus-daemon"))
    missing += "dbus-daemon (package dbus) is not installed; ";
  if (Python().empty())
    missing += "python3-dbusmock is not installed; ";
  return missing;
}

std::filesystem::path PrivateBus::TemplateDir() {
  return TAVLO_NM_TEMPLATE_DIR;
}

PrivateBus::PrivateBus() {
  const std::filesystem::path config = dir_ / "bus.conf";
  const std::filesystem::path socket = dir_ / "bus";
  {
    std::ofstream out(config);
    out << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:path="
        << socket.string()
        << "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n"
           "    <allow own=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
    if (!out) {
      Fail("cannot write " + config.string());
      return;
    }
  }
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    Fail("pipe failed");
    return;
  }
  daemon_.log = dir_ / "dbus-daemon.log";
  daemon_.pid = Spawn({"dbus-daemon", "--config-file=" + config.string(), "--nofork", "--nopidfile",
                       "--print-address"},
                      {}, daemon_.log, pipe_fds[1]);
  close(pipe_fds[1]);
  if (daemon_.pid < 0) {
    close(pipe_fds[0]);
    Fail("cannot start dbus-daemon");
    return;
  }
  std::string line = ReadLine(pipe_fds[0], std::chrono::seconds(20));
  close(pipe_fds[0]);
  if (line.rfind("unix:", 0) != 0) {
    Fail("dbus-daemon printed no address: " + Tail(daemon_.log));
    return;
  }
  address_ = line;
}

PrivateBus::~PrivateBus() {
  for (Child& child : stand_ins_)
    KillAndReap(child);
  KillAndReap(daemon_);
}

bool PrivateBus::StartStandIn(const std::filesystem::path& template_file,
                              const std::string& bus_name,
                              const std::string& parameters_json,
                              std::chrono::milliseconds timeout) {
  if (!ok())
    return false;
  if (Python().empty())
    return Fail("python3-dbusmock is not installed");
  std::unique_ptr<sdbus::IConnection> watcher;
  try {
    watcher = sdbus::createSessionBusConnectionWithAddress(address_);
  } catch (const sdbus::Error& e) {
    return Fail("cannot connect to the private bus: " + e.getMessage());
  }
  // Subscribe before asking, so an owner that arrives in between is not missed.
  bool owned = false;
  auto slot = watcher->addMatch(
      "type='signal',sender='org.freedesktop.DBus',member='NameOwnerChanged',arg0='" + bus_name +
          "'",
      [&owned](sdbus::Message& message) {
        std::string name, old_owner, new_owner;
        message >> name >> old_owner >> new_owner;
        owned = !new_owner.empty();
      });

  Child child;
  child.log = dir_ / (bus_name + ".log");
  std::vector<std::string> argv = {Python(),   "-m",         "dbusmock",
                                   "--system", "--template", template_file.string()};
  if (!parameters_json.empty()) {
    argv.push_back("-p");
    argv.push_back(parameters_json);
  }
  child.pid = Spawn(argv, {"DBUS_SYSTEM_BUS_ADDRESS=" + address_}, child.log, -1);
  if (child.pid < 0)
    return Fail("cannot start " + Python());
  stand_ins_.push_back(child);

  auto proxy = sdbus::createProxy(*watcher, "org.freedesktop.DBus", "/org/freedesktop/DBus");
  proxy->callMethod("NameHasOwner")
      .onInterface("org.freedesktop.DBus")
      .withArguments(bus_name)
      .storeResultsTo(owned);
  // In slices: a stand-in that dies says nothing on the bus, so its exit is checked in between.
  bool gone = false;
  const auto deadline = Clock::now() + timeout;
  while (!owned && !gone && Clock::now() < deadline) {
    PumpUntil(
        *watcher, [&] { return owned; }, std::chrono::milliseconds(100));
    gone = !owned && Exited(child.pid);
  }
  if (owned)
    return true;
  if (gone)
    stand_ins_.back().pid = -1;
  return Fail("stand-in " + template_file.filename().string() + " did not take " + bus_name +
              (gone ? " (it exited): " : " in time: ") + Tail(child.log));
}

std::vector<pid_t> PrivateBus::pids() const {
  std::vector<pid_t> all;
  if (daemon_.pid > 0)
    all.push_back(daemon_.pid);
  for (const Child& child : stand_ins_)
    if (child.pid > 0)
      all.push_back(child.pid);
  return all;
}

bool PrivateBus::Fail(std::string text) {
  if (error_.empty())
    error_ = std::move(text);
  return false;
}

void PrivateBus::KillAndReap(Child& child) {
  if (child.pid <= 0)
    return;
  kill(child.pid, SIGKILL);
  int status = 0;
  while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  child.pid = -1;
}

std::string PrivateBus::Tail(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace test
