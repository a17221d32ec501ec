#include "platform/sim/wireless_state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "base/write_all.h"
#include "platform/sim/state_file_reader.h"

namespace platform::sim {

namespace {

constexpr std::string_view kHeader = "# tavlo-sim wireless service state\n";
// Seven settings take under 300 bytes; the rest leaves room for comments written by hand.
constexpr size_t kMaxFileSize = 16 * 1024;

}  // namespace

WirelessStateFile::WirelessStateFile(std::filesystem::path path, StateFileOpener open)
    : path_(std::move(path)), open_(std::move(open)) {}

std::string WirelessStateFile::Serialize(const WirelessPersistentState& state) {
  return std::string(kHeader) + services::SettingsToText(state);
}

std::optional<WirelessPersistentState> WirelessStateFile::Parse(std::string_view text) {
  return services::SettingsFromText(text);
}

WirelessStateFile::LoadResult WirelessStateFile::Load(WirelessPersistentState* state) {
  *state = WirelessPersistentState();
  damaged_ = false;
  unreadable_ = false;
  StateFileRead read = ReadStateFile(path_, kMaxFileSize, open_);
  std::optional<WirelessPersistentState> parsed;
  if (read.outcome == StateFileRead::Outcome::kRead) {
    parsed = Parse(read.text);
    if (!parsed)
      read = DamagedStateFile("not a state file this version can read");
  }
  ReportStateFile(path_, read);
  switch (read.outcome) {
    case StateFileRead::Outcome::kMissing:
      return LoadResult::kMissing;
    case StateFileRead::Outcome::kDamaged:
      damaged_ = true;
      return LoadResult::kDamaged;
    case StateFileRead::Outcome::kUnreadable:
      unreadable_ = true;
      return LoadResult::kUnreadable;
    case StateFileRead::Outcome::kRead:
      break;
  }
  *state = std::move(*parsed);
  return LoadResult::kLoaded;
}

bool WirelessStateFile::Save(const WirelessPersistentState& state) {
  if (unreadable_)
    return false;  // it may hold the user's settings: never replace what could not be read
  std::error_code ec;
  std::filesystem::create_directories(path_.parent_path(), ec);
  if (damaged_) {
    if (!SetAsideDamaged(path_))
      return false;
    damaged_ = false;
  }
  std::string temp = path_.string() + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0)
    return false;
  bool ok = base::WriteAll(fd, Serialize(state)) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok)
    ok = ::rename(temp.c_str(), path_.c_str()) == 0;
  if (!ok)
    ::unlink(temp.c_str());
  return ok;
}

}  // namespace platform::sim
