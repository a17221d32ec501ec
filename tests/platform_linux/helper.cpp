// The other process in the platform tests. Modes:
//   hold-event DIR NAME [set]   open the event (and set it), print "new"/"existed", hold it
//                               until stdin closes
//   set-event DIR NAME          open the event, set it, exit
//   hold-guard DIR NAME         lock the event file's guard byte as an opener would, print
//                               "holding", keep it until stdin closes
//   cmdline [ARGS...]           print LinuxSystem::CommandLine() as UTF-8
//   broadcast MESSAGE           exit 0 when a listener took the message, else 1
//   listen MESSAGE              print "ready", then "activated" per message, until stdin closes
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/result.h"
#include "platform/linux/linux_instance_channel.h"
#include "platform/linux/linux_named_event.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/utf.h"

namespace {

void WaitForStdinToClose() {
  char c;
  while (read(0, &c, 1) > 0) {
  }
}

void Say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  using platform::posix::FromUtf8;
  std::string mode = argc > 1 ? argv[1] : "";
  if ((mode == "hold-event" || mode == "set-event") && argc >= 4) {
    DWORD error = 0;
    auto event = platform::LinuxNamedEvent::Create(FromUtf8(argv[3]), &error, argv[2]);
    if (!event)
      return 2;
    if (mode == "set-event" || (argc > 4 && std::strcmp(argv[4], "set") == 0))
      event->Set();
    if (mode == "set-event")
      return 0;
    Say(error == ERROR_ALREADY_EXISTS ? "existed" : "new");
    WaitForStdinToClose();
    return 0;
  }
  if (mode == "hold-guard" && argc >= 4) {
    std::string path = platform::LinuxNamedEvent::PathFor(FromUtf8(argv[3]), argv[2]);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    struct flock guard = {};
    guard.l_type = F_WRLCK;
    guard.l_whence = SEEK_SET;
    guard.l_start = 0;
    guard.l_len = 1;
    if (fd < 0 || fcntl(fd, F_OFD_SETLK, &guard) != 0)
      return 2;
    Say("holding");
    WaitForStdinToClose();
    return 0;
  }
  if (mode == "cmdline") {
    Say(platform::posix::ToUtf8(platform::LinuxSystem().CommandLine()).c_str());
    return 0;
  }
  if (mode == "broadcast" && argc >= 3)
    return platform::LinuxInstanceChannel(FromUtf8(argv[2])).Broadcast() ? 0 : 1;
  if (mode == "listen" && argc >= 3) {
    platform::LinuxInstanceChannel channel(FromUtf8(argv[2]));
    if (!channel.Listen([] { Say("activated"); }))
      return 2;
    Say("ready");
    WaitForStdinToClose();
    return 0;
  }
  return 64;
}
