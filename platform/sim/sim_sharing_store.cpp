#include "platform/sim/sim_sharing_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>

namespace platform::sim {

namespace {

constexpr std::string_view kHeader = "tavlo-sim sharing 1";
// Anything larger is not a file this service wrote.
constexpr std::uintmax_t kMaxFileSize = 64 * 1024;

std::string_view RoleName(SHARINGCONNECTIONTYPE role) {
  return role == ICSSHARINGTYPE_PUBLIC ? "public" : "private";
}

int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return errno;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

}  // namespace

SharingStore::SharingStore(std::filesystem::path dir) : dir_(std::move(dir)) {}

std::string SharingStore::Format(const SharingRoles& roles) {
  std::string text(kHeader);
  text += '\n';
  for (const auto& [guid, role] : roles) {
    text += base::GuidToString(guid);
    text += ' ';
    text += RoleName(role);
    text += '\n';
  }
  return text;
}

std::optional<SharingRoles> SharingStore::Parse(std::string_view text) {
  if (!text.empty() && text.back() == '\n')
    text.remove_suffix(1);
  SharingRoles roles;
  bool header = true;
  bool has_public = false;
  bool has_private = false;
  while (true) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    if (header) {
      if (line != kHeader)
        return std::nullopt;
      header = false;
    } else {
      size_t space = line.find(' ');
      if (space == std::string_view::npos)
        return std::nullopt;
      std::optional<GUID> guid = base::GuidFromString(line.substr(0, space));
      std::string_view role = line.substr(space + 1);
      bool is_public = role == "public";
      if (!guid || (!is_public && role != "private"))
        return std::nullopt;
      bool& taken = is_public ? has_public : has_private;
      if (taken || roles.count(*guid))
        return std::nullopt;
      taken = true;
      roles[*guid] = is_public ? ICSSHARINGTYPE_PUBLIC : ICSSHARINGTYPE_PRIVATE;
    }
    if (end == std::string_view::npos)
      break;
    text.remove_prefix(end + 1);
  }
  return roles;
}

SharingRoles SharingStore::Load() {
  damaged_ = false;
  std::error_code ec;
  std::filesystem::path file = path();
  if (!std::filesystem::exists(file, ec))
    return {};
  std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec || size > kMaxFileSize) {
    damaged_ = true;
    return {};
  }
  std::ifstream in(file, std::ios::binary);
  std::string text(static_cast<size_t>(size), '\0');
  if (!in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
    damaged_ = true;
    return {};
  }
  std::optional<SharingRoles> roles = Parse(text);
  if (!roles) {
    damaged_ = true;
    return {};
  }
  return *roles;
}

int SharingStore::Save(const SharingRoles& roles) {
  std::error_code ec;
  std::filesystem::create_directories(dir_, ec);
  if (ec)
    return ec.value();
  if (damaged_) {
    std::filesystem::copy_file(path(), dir_ / "sharing.state.damaged",
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
      return ec.value();
  }

  // A name of its own per writer, so two services saving at once never share a temporary file.
  static std::atomic<unsigned> serial{0};
  std::filesystem::path temp = dir_ / (std::string(kFileName) + ".tmp-" +
                                       std::to_string(::getpid()) + "-" + std::to_string(serial++));
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0)
    return errno;
  int error = WriteAll(fd, Format(roles));
  if (!error && ::fsync(fd) != 0)
    error = errno;
  if (::close(fd) != 0 && !error)
    error = errno;
  if (!error && ::rename(temp.c_str(), path().c_str()) != 0)
    error = errno;
  if (error) {
    ::unlink(temp.c_str());
    return error;
  }
  damaged_ = false;
  return 0;
}

}  // namespace platform::sim
