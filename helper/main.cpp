// tavlo-helper: the only part of Tavlo that runs as root. Reads one request per line on standard
// input, answers each with one line, and undoes everything it changed when standard input
// closes, on SIGTERM/SIGINT/SIGHUP, on "quit", and at start after a helper that died.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "helper/ap_service.h"
#include "helper/record.h"
#include "helper/request.h"
#include "helper/sharing.h"

namespace {

// Only root's own start can move the record (pkexec clears the environment).
constexpr char kFolderVariable[] = "TAVLO_HELPER_STATE_DIR";
constexpr char kHostapdVariable[] = "TAVLO_HELPER_HOSTAPD";

void Answer(const std::string& line) {
  std::string out = line + "\n";
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::write(STDOUT_FILENO, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return;  // nobody listens; undo still happens at end of input
    done += static_cast<std::size_t>(n);
  }
}

struct Visitor {
  helper::Sharing* sharing;
  helper::ApService* ap;
  bool* quit;
  std::string operator()(const helper::HelloRequest&) const { return "ok 1"; }
  std::string operator()(const helper::ShareRequest& r) const {
    return sharing->Share(r.public_if, r.private_if);
  }
  std::string operator()(const helper::UnshareRequest&) const { return sharing->Unshare(); }
  std::string operator()(const helper::ApRequest& r) const { return ap->Start(r); }
  std::string operator()(const helper::StopApRequest&) const { return ap->Stop(); }
  std::string operator()(const helper::QuitRequest&) const {
    *quit = true;
    const bool ap_undone = ap->UndoAll();
    const bool sharing_undone = sharing->UndoAll();
    return ap_undone && sharing_undone ? "ok" : "error failed could not undo everything";
  }
};

std::string Handle(std::string_view line,
                   helper::Sharing* sharing,
                   helper::ApService* ap,
                   bool* quit) {
  helper::ParseResult parsed = helper::ParseRequest(line);
  if (auto* refusal = std::get_if<helper::Refusal>(&parsed))
    return "error bad-request " + refusal->reason;
  return std::visit(Visitor{sharing, ap, quit}, std::get<helper::Request>(parsed));
}

}  // namespace

int main(int argc, char**) {
  if (argc != 1) {
    Answer("error bad-request tavlo-helper takes no arguments");
    return 2;
  }
  ::signal(SIGPIPE, SIG_IGN);
  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGTERM);
  sigaddset(&mask, SIGINT);
  sigaddset(&mask, SIGHUP);
  ::sigprocmask(SIG_BLOCK, &mask, nullptr);
  const int sfd = ::signalfd(-1, &mask, SFD_CLOEXEC);

  const char* folder = std::getenv(kFolderVariable);
  ::umask(077);
  helper::Record record(folder && *folder ? folder : helper::Record::kDefaultFolder);
  if (!record.Open()) {
    Answer("error failed " + record.error());
    return 1;
  }
  const int lock =
      ::open((record.folder() / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock < 0 || ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
    Answer("error busy another tavlo-helper is running");
    return 1;
  }
  helper::Sharing sharing(&record);
  const char* hostapd = std::getenv(kHostapdVariable);
  helper::ApService ap(&record, hostapd && *hostapd ? hostapd : helper::ApService::kDefaultProgram);
  // Left by a helper that died.
  ap.UndoAll();
  sharing.UndoAll();

  std::string buffer;
  bool discarding = false;  // inside a line already refused as too long
  bool quit = false;
  char chunk[4096];
  while (!quit) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {sfd, POLLIN, 0}};
    if (::poll(fds, sfd >= 0 ? 2 : 1, -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    if (sfd >= 0 && (fds[1].revents & POLLIN))
      break;
    if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
      continue;
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;  // the program that started us is gone
    buffer.append(chunk, static_cast<std::size_t>(n));
    std::size_t nl;
    while (!quit && (nl = buffer.find('\n')) != std::string::npos) {
      const std::string line = buffer.substr(0, nl);
      buffer.erase(0, nl + 1);
      if (discarding) {
        discarding = false;
        continue;
      }
      Answer(Handle(line, &sharing, &ap, &quit));
    }
    if (buffer.size() >= helper::kMaxLineBytes && !discarding) {
      Answer("error bad-request line too long");
      discarding = true;
    }
    if (discarding)
      buffer.clear();
  }
  if (!quit) {
    ap.UndoAll();
    sharing.UndoAll();
  }
  return 0;
}
