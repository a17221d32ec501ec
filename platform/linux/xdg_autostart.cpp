#include "platform/linux/xdg_autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/write_all.h"
#include "platform/linux/utf.h"
#include "platform/linux/win32_error.h"

namespace platform {

namespace {

constexpr std::streamsize kMaxEntrySize = 64 * 1024;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

XdgAutostart::XdgAutostart(std::string directory) : directory_(std::move(directory)) {}

std::string XdgAutostart::PathFor(std::u16string_view name) const {
  std::string file = posix::ToUtf8(name);
  if (file.empty() || file == "." || file == ".." || file.find('/') != std::string::npos ||
      file.find('\0') != std::string::npos)
    return {};
  return directory_ + "/" + file + ".desktop";
}

bool XdgAutostart::Fail(int err, const std::string& place) {
  failure_.code = posix::Win32ErrorFromErrno(err);
  failure_.place = posix::FromUtf8(place);
  return false;
}

bool XdgAutostart::Open() {
  std::error_code ec;
  std::filesystem::create_directories(directory_, ec);
  if (ec)
    return Fail(ec.value(), directory_);
  if (!std::filesystem::is_directory(directory_, ec))
    return Fail(ec ? ec.value() : ENOTDIR, directory_);
  return true;
}

std::string XdgAutostart::EncodeExec(std::u16string_view command_line) {
  std::string exec;
  bool quoted = false;
  for (char c : posix::ToUtf8(command_line)) {
    if (c == '"') {
      quoted = !quoted;
      exec += c;
    } else if (c == '%') {
      exec += "%%";
    } else if (quoted && (c == '`' || c == '$' || c == '\\')) {
      exec += '\\';
      exec += c;
    } else {
      exec += c;
    }
  }
  // The desktop entry's own string escapes come on top.
  std::string value;
  for (char c : exec) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\t':
        value += "\\t";
        break;
      case '\r':
        value += "\\r";
        break;
      default:
        value += c;
    }
  }
  return value;
}

std::u16string XdgAutostart::DecodeExec(std::string_view value) {
  std::string exec;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      exec += value[i];
      continue;
    }
    switch (value[++i]) {
      case 's':
        exec += ' ';
        break;
      case 'n':
        exec += '\n';
        break;
      case 't':
        exec += '\t';
        break;
      case 'r':
        exec += '\r';
        break;
      case '\\':
        exec += '\\';
        break;
      default:
        exec += '\\';
        exec += value[i];
    }
  }
  std::string line;
  bool quoted = false;
  for (size_t i = 0; i < exec.size(); ++i) {
    char c = exec[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
      ++i;
    } else if (quoted && c == '\\' && i + 1 < exec.size() &&
               std::string_view("`$\\\"").find(exec[i + 1]) != std::string_view::npos) {
      c = exec[++i];
    }
    line += c;
  }
  return posix::FromUtf8(line);
}

XdgAutostart::Entry XdgAutostart::Lookup(std::u16string_view name) const {
  std::string path = PathFor(name);
  if (path.empty())
    return {};
  struct stat info {};
  // What the session cannot see does not count; what it sees but cannot read hides the rest.
  if (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
    return {};
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return {State::kOff, {}};
  std::string content(kMaxEntrySize, '\0');
  in.read(content.data(), kMaxEntrySize);
  content.resize(static_cast<size_t>(in.gcount()));

  std::optional<std::u16string> exec;
  bool in_entry = false;
  bool disabled = false;
  std::istringstream lines(content);
  std::string raw;
  while (std::getline(lines, raw)) {
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#')
      continue;
    if (line.front() == '[') {
      in_entry = line == "[Desktop Entry]";
      continue;
    }
    size_t eq = line.find('=');
    if (!in_entry || eq == std::string_view::npos)
      continue;
    std::string_view key = Trim(line.substr(0, eq));
    std::string_view value = Trim(line.substr(eq + 1));
    if (key == "Exec" && !exec)
      exec = DecodeExec(value);
    else if ((key == "Hidden" && value == "true") ||
             (key == "X-GNOME-Autostart-enabled" && value == "false"))
      disabled = true;
  }
  if (disabled || !exec)
    return {State::kOff, {}};
  return {State::kOn, std::move(*exec)};
}

std::optional<std::u16string> XdgAutostart::Read(std::u16string_view name) {
  Entry entry = Lookup(name);
  if (entry.state != State::kOn)
    return std::nullopt;
  return std::move(entry.command_line);
}

bool XdgAutostart::Write(std::u16string_view name, std::u16string_view command_line) {
  return Replace(name, "[Desktop Entry]\nType=Application\nName=" + posix::ToUtf8(name) +
                           "\nExec=" + EncodeExec(command_line) +
                           "\nIcon=tavlo\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
}

bool XdgAutostart::WriteHidden(std::u16string_view name) {
  return Replace(
      name, "[Desktop Entry]\nType=Application\nName=" + posix::ToUtf8(name) + "\nHidden=true\n");
}

bool XdgAutostart::Replace(std::u16string_view name, std::string_view content) {
  std::string path = PathFor(name);
  if (path.empty())
    return Fail(EINVAL, directory_);
  std::string temp = path + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0)
    return Fail(errno, directory_);
  bool ok = base::WriteAll(fd, content) && fchmod(fd, 0644) == 0 && fsync(fd) == 0;
  int err = ok ? 0 : errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && rename(temp.c_str(), path.c_str()) == 0)
    return true;
  if (ok)
    err = errno;
  unlink(temp.c_str());
  return Fail(err, path);
}

bool XdgAutostart::Remove(std::u16string_view name) {
  std::string path = PathFor(name);
  if (path.empty())
    return Fail(EINVAL, directory_);
  if (unlink(path.c_str()) == 0 || errno == ENOENT)
    return true;
  return Fail(errno, path);
}

}  // namespace platform
