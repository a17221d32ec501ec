#include "platform/command_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <optional>
#include <string>
#include <thread>

#include "base/utf.h"

extern char** environ;

namespace platform {

void ShellCommandRunner::RunDetached(const std::u16string& command_line) {
  // A line that is not well-formed is dropped rather than run with something else in it; so
  // is one with a NUL, which would cut it short.
  std::optional<std::string> utf8 = base::Utf16ToUtf8(command_line, base::InvalidText::kRefuse);
  if (!utf8 || utf8->empty() || utf8->find('\0') != std::string::npos)
    return;
  std::string command = std::move(*utf8);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0)
    return;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return;
  }
  // Hidden: no terminal input or output, and no signals meant for our process group.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);

  char shell[] = "/bin/sh";
  char option[] = "-c";
  char* argv[] = {shell, option, command.data(), nullptr};
  pid_t pid = -1;
  int error = posix_spawn(&pid, shell, &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0)
    return;

  // The reaper holds nothing of this object, so it may outlive it.
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace platform
