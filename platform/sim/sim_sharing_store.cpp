#include "platform/sim/sim_sharing_store.h"

#include "platform/sim/state_file_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace platform::sim {

namespace {

constexpr std::string_view kHeader = "tavlo-sim sharing 1";
// A valid file holds a header and at most two roles: well under this.
constexpr std::size_t kMaxFileSize = 4096;

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

SharingStore::SharingStore(std::filesystem::path dir, StateFileOpener open)
    : dir_(std::move(dir)), open_(std::move(open)) {}

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
  unreadable_ = 0;
  StateFileRead read = ReadStateFile(path(), kMaxFileSize, open_);
  std::optional<SharingRoles> roles;
  if (read.outcome == StateFileRead::Outcome::kRead) {
    roles = Parse(read.text);
    if (!roles)
      read = DamagedStateFile("not a state file this version can read");
  }
  ReportStateFile(path(), read);
  switch (read.outcome) {
    case StateFileRead::Outcome::kMissing:
      return {};
    case StateFileRead::Outcome::kDamaged:
      damaged_ = true;
      return {};
    case StateFileRead::Outcome::kUnreadable:
      unreadable_ = read.error;
      return {};
    case StateFileRead::Outcome::kRead:
      break;
  }
  return *roles;
}

int SharingStore::Save(const SharingRoles& roles) {
  if (unreadable_)
    return unreadable_;  // it may hold the user's roles: never replace what could not be read
  std::error_code ec;
  std::filesystem::create_directories(dir_, ec);
  if (ec)
    return ec.value();
  if (damaged_ && !SetAsideDamaged(path()))
    return errno ? errno : EIO;

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
