#include "platform/sim/wireless_state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <set>
#include <sstream>
#include <system_error>

#include "base/hex.h"
#include "platform/sim/state_file_reader.h"

namespace platform::sim {

namespace {

constexpr std::string_view kHeader = "# tavlo-sim wireless service state";
constexpr size_t kMaxKeyBytes = 65;  // 64 hexadecimal digits and the terminating zero
// Seven settings take under 300 bytes; the rest leaves room for comments written by hand.
constexpr size_t kMaxFileSize = 16 * 1024;

std::optional<DWORD> ParseNumber(std::string_view text) {
  DWORD value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

WirelessStateFile::WirelessStateFile(std::filesystem::path path, StateFileOpener open)
    : path_(std::move(path)), open_(std::move(open)) {}

std::string WirelessStateFile::Serialize(const WirelessPersistentState& state) {
  std::ostringstream out;
  out << kHeader << "\n";
  out << "enabled=" << (state.enabled ? 1 : 0) << "\n";
  out << "ssid=" << base::ToHex(state.ssid.ucSSID, state.ssid.uSSIDLength) << "\n";
  out << "max_peers=" << state.max_peers << "\n";
  out << "auth=" << static_cast<DWORD>(state.auth) << "\n";
  out << "cipher=" << static_cast<DWORD>(state.cipher) << "\n";
  out << "key=" << base::ToHex(state.key.data(), state.key.size()) << "\n";
  out << "key_is_passphrase=" << (state.key_is_passphrase ? 1 : 0) << "\n";
  out << "adapter=" << (state.adapter_installed ? 1 : 0) << "\n";
  return out.str();
}

std::optional<WirelessPersistentState> WirelessStateFile::Parse(std::string_view text) {
  WirelessPersistentState state;
  std::set<std::string_view> seen;
  while (!text.empty()) {
    size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (line.empty() || line[0] == '#')
      continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
      return std::nullopt;
    std::string_view name = line.substr(0, eq);
    std::string_view value = line.substr(eq + 1);
    if (!seen.insert(name).second)
      return std::nullopt;
    if (name == "ssid" || name == "key") {
      auto bytes = base::FromHex(value);
      if (!bytes)
        return std::nullopt;
      if (name == "ssid") {
        if (bytes->size() > DOT11_SSID_MAX_LENGTH)
          return std::nullopt;
        state.ssid = DOT11_SSID{};
        state.ssid.uSSIDLength = static_cast<ULONG>(bytes->size());
        std::copy(bytes->begin(), bytes->end(), state.ssid.ucSSID);
      } else {
        if (bytes->size() > kMaxKeyBytes)
          return std::nullopt;
        state.key = std::move(*bytes);
      }
      continue;
    }
    auto number = ParseNumber(value);
    if (!number)
      return std::nullopt;
    if (name == "enabled" && *number <= 1)
      state.enabled = *number == 1;
    else if (name == "key_is_passphrase" && *number <= 1)
      state.key_is_passphrase = *number == 1;
    else if (name == "adapter" && *number <= 1)
      state.adapter_installed = *number == 1;
    else if (name == "max_peers" && *number >= 1 && *number <= 100)
      state.max_peers = *number;
    else if (name == "auth" && *number >= 1 && *number <= DOT11_AUTH_ALGO_RSNA_PSK)
      state.auth = static_cast<DOT11_AUTH_ALGORITHM>(*number);
    else if (name == "cipher" && *number <= 0xFF)
      state.cipher = static_cast<DOT11_CIPHER_ALGORITHM>(*number);
    else
      return std::nullopt;
  }
  return state;
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
  bool ok = WriteAll(fd, Serialize(state)) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok)
    ok = ::rename(temp.c_str(), path_.c_str()) == 0;
  if (!ok)
    ::unlink(temp.c_str());
  return ok;
}

}  // namespace platform::sim
