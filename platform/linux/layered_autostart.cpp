#include "platform/linux/layered_autostart.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/linux/utf.h"
#include "platform/linux/win32_error.h"

namespace platform {

namespace {

constexpr char kAutostart[] = "/autostart";

bool IsAbsolute(const std::string& path) {
  return !path.empty() && path.front() == '/';
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return path;
}

// The autostart folders under $XDG_CONFIG_DIRS, most important first.
std::vector<std::string> SystemFolders(const LayeredAutostart::Environment& env) {
  std::vector<std::string> folders;
  std::string dirs = env("XDG_CONFIG_DIRS").value_or("");
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t colon = std::min(dirs.find(':', start), dirs.size());
    std::string dir = dirs.substr(start, colon - start);
    start = colon + 1;
    if (!IsAbsolute(dir))
      continue;
    std::string folder = WithoutTrailingSlashes(dir) + kAutostart;
    if (std::find(folders.begin(), folders.end(), folder) == folders.end())
      folders.push_back(std::move(folder));
  }
  if (folders.empty())
    folders.push_back(std::string("/etc/xdg") + kAutostart);
  return folders;
}

// The user's autostart folder; empty when there is no absolute base to put it under.
std::string UserFolder(const LayeredAutostart::Environment& env) {
  std::string config_home = env("XDG_CONFIG_HOME").value_or("");
  if (IsAbsolute(config_home))
    return WithoutTrailingSlashes(config_home) + kAutostart;
  std::string home = env("HOME").value_or("");
  if (!IsAbsolute(home))
    return {};
  home = WithoutTrailingSlashes(home);
  return (home == "/" ? "" : home) + "/.config" + kAutostart;
}

}  // namespace

LayeredAutostart::Folders LayeredAutostart::FoldersFor(bool as_root, const Environment& env) {
  std::vector<std::string> system = SystemFolders(env);
  Folders folders;
  if (as_root) {
    folders.writable = system.front();
    folders.below.assign(system.begin() + 1, system.end());
    return folders;
  }
  folders.writable = UserFolder(env);
  for (std::string& folder : system) {
    if (folder != folders.writable)
      folders.below.push_back(std::move(folder));
  }
  return folders;
}

LayeredAutostart::Folders LayeredAutostart::ProcessFolders() {
  const uid_t euid = geteuid();
  return FoldersFor(euid == 0, [euid](const char* name) -> std::optional<std::string> {
    if (const char* value = std::getenv(name); value && *value)
      return value;
    if (std::string_view(name) == "HOME") {
      if (const passwd* entry = getpwuid(euid); entry && entry->pw_dir)
        return entry->pw_dir;
    }
    return std::nullopt;
  });
}

LayeredAutostart::LayeredAutostart(Folders folders)
    : folders_(std::move(folders)), top_(folders_.writable) {
  for (const std::string& folder : folders_.below)
    below_.emplace_back(folder);
}

bool LayeredAutostart::HasTop() {
  if (!folders_.writable.empty())
    return true;
  failure_ = {posix::Win32ErrorFromErrno(ENOENT), u"~/.config/autostart"};
  return false;
}

bool LayeredAutostart::Failed() {
  failure_ = top_.LastFailure();
  return false;
}

bool LayeredAutostart::Open() {
  if (!HasTop())
    return false;
  return top_.Open() || Failed();
}

XdgAutostart::Entry LayeredAutostart::LookupBelow(std::u16string_view name) const {
  for (const XdgAutostart& folder : below_) {
    XdgAutostart::Entry entry = folder.Lookup(name);
    if (entry.state != XdgAutostart::State::kMissing)
      return entry;
  }
  return {};
}

std::optional<std::u16string> LayeredAutostart::Read(std::u16string_view name) {
  XdgAutostart::Entry entry = folders_.writable.empty() ? XdgAutostart::Entry{} : top_.Lookup(name);
  if (entry.state == XdgAutostart::State::kMissing)
    entry = LookupBelow(name);
  if (entry.state != XdgAutostart::State::kOn)
    return std::nullopt;
  return std::move(entry.command_line);
}

bool LayeredAutostart::Write(std::u16string_view name, std::u16string_view command_line) {
  if (!HasTop())
    return false;
  const XdgAutostart::Entry below = LookupBelow(name);
  // The same entry further down starts once the file on top is gone; nothing of ours stays.
  if (below.state == XdgAutostart::State::kOn && below.command_line == command_line)
    return top_.Remove(name) || Failed();
  return top_.Write(name, command_line) || Failed();
}

bool LayeredAutostart::Remove(std::u16string_view name) {
  if (!HasTop())
    return false;
  if (LookupBelow(name).state != XdgAutostart::State::kOn)
    return top_.Remove(name) || Failed();
  // Something further down would start; a file on top that starts nothing already hides it.
  if (top_.Lookup(name).state == XdgAutostart::State::kOff)
    return true;
  return top_.WriteHidden(name) || Failed();
}

}  // namespace platform
