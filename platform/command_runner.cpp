#include "platform/command_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>
#include <thread>

#include "platform/code_page.h"

extern char** environ;

namespace platform {

namespace {

// Empty when the text is not valid UTF-16.
std::string ToUtf8(const std::u16string& text) {
  static const IconvCodePage utf8("UTF-8");
  if (text.empty())
    return {};
  const int wide = static_cast<int>(text.size());
  int size = utf8.WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    return {};
  std::string bytes(static_cast<size_t>(size), '\0');
  size =
      utf8.WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, bytes.data(), size, nullptr, nullptr);
  if (size <= 0)
    return {};
  bytes.resize(static_cast<size_t>(size));
  return bytes;
}

}  // namespace

void ShellCommandRunner::RunDetached(const std::u16string& command_line) {
  std::string command = ToUtf8(command_line);
  if (command.empty())
    return;

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
