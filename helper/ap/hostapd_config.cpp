#include "helper/ap/hostapd_config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/write_all.h"

namespace helper::ap {
namespace {

void Fail(std::string* why, const std::string& text) {
  if (why)
    *why = text;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 0xf];
  }
  return out;
}

bool IsValidCtrlFolder(const std::string& path) {
  if (path.size() < 2 || path.size() > 100 || path[0] != '/')
    return false;
  for (unsigned char c : path) {
    if (c < 0x21 || c > 0x7e)
      return false;
  }
  return true;
}

std::string ErrnoText(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

}  // namespace

bool IsValidInterfaceName(const std::string& name) {
  if (name.empty() || name.size() > 15 || name == "." || name == "..")
    return false;
  for (char c : name) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '.' || c == '-';
    if (!ok)
      return false;
  }
  return true;
}

bool IsValidPassphrase(const std::string& passphrase) {
  if (passphrase.size() < 8 || passphrase.size() > 63)
    return false;
  for (unsigned char c : passphrase) {
    if (c < 0x20 || c > 0x7e)
      return false;
  }
  return true;
}

bool IsValidPskHex(const std::string& psk) {
  if (psk.size() != 64)
    return false;
  for (char c : psk) {
    if (!IsHexDigit(c))
      return false;
  }
  return true;
}

std::optional<std::string> BuildHostapdConfig(const HostapdSettings& s, std::string* why) {
  if (!IsValidInterfaceName(s.interface)) {
    Fail(why, "bad interface name");
    return std::nullopt;
  }
  if (s.ssid.empty() || s.ssid.size() > 32) {
    Fail(why, "the network name must have 1 to 32 bytes");
    return std::nullopt;
  }
  const bool has_pass = !s.passphrase.empty();
  const bool has_psk = !s.psk_hex.empty();
  if (has_pass == has_psk) {
    Fail(why, "give either a passphrase or a PSK");
    return std::nullopt;
  }
  if (has_pass && !IsValidPassphrase(s.passphrase)) {
    Fail(why, "the passphrase must have 8 to 63 printable ASCII characters");
    return std::nullopt;
  }
  if (has_psk && !IsValidPskHex(s.psk_hex)) {
    Fail(why, "the PSK must have 64 hex digits");
    return std::nullopt;
  }
  const bool band_2g = s.channel >= 1 && s.channel <= 14;
  const bool band_5g = s.channel >= 32 && s.channel <= 177;
  if (!band_2g && !band_5g) {
    Fail(why, "unsupported channel " + std::to_string(s.channel));
    return std::nullopt;
  }
  if (!IsValidCtrlFolder(s.ctrl_folder)) {
    Fail(why, "bad control folder");
    return std::nullopt;
  }

  std::string text;
  auto line = [&text](const std::string& key, const std::string& value) {
    text += key;
    text += '=';
    text += value;
    text += '\n';
  };
  line("interface", s.interface);
  line("driver", "nl80211");
  line("ctrl_interface", s.ctrl_folder);
  line("ssid2", Hex(s.ssid));
  // Channel 14 allows only 802.11b: neither OFDM nor HT may be asked for there.
  const bool only_b = s.channel == 14;
  line("hw_mode", band_5g ? "a" : (only_b ? "b" : "g"));
  line("channel", std::to_string(s.channel));
  line("ignore_broadcast_ssid", "0");
  line("auth_algs", "1");
  line("wmm_enabled", "1");
  // HT20 only (no ht_capab): every HT card can do it, where HT40 fails on many channels and
  // drivers. HT needs WMM, which is on above.
  if (!only_b)
    line("ieee80211n", "1");
  line("wpa", "2");
  line("wpa_key_mgmt", "WPA-PSK");
  line("rsn_pairwise", "CCMP");
  if (has_pass)
    line("wpa_passphrase", s.passphrase);
  else
    line("wpa_psk", s.psk_hex);
  return text;
}

bool WriteHostapdConfig(const std::string& folder,
                        const std::string& name,
                        const std::string& text,
                        std::string* why) {
  if (name.empty() || name.find('/') != std::string::npos || name[0] == '.') {
    Fail(why, "bad file name");
    return false;
  }
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir < 0) {
    Fail(why, ErrnoText("open " + folder));
    return false;
  }
  struct stat st {};
  if (::fstat(dir, &st) != 0 || (st.st_mode & 07777) != 0700 || st.st_uid != ::geteuid()) {
    ::close(dir);
    Fail(why, folder + " is not a folder of ours alone (mode 0700)");
    return false;
  }
  const std::string temp = "." + name + ".new";
  // A leftover from an interrupted write; in our own folder nobody else can have put it there.
  ::unlinkat(dir, temp.c_str(), 0);
  int fd = ::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    Fail(why, ErrnoText("create " + folder + "/" + temp));
    ::close(dir);
    return false;
  }
  bool ok = ::fchmod(fd, 0600) == 0 && base::WriteAll(fd, text) && ::fsync(fd) == 0;
  if (!ok)
    Fail(why, ErrnoText("write " + folder + "/" + temp));
  if (::close(fd) != 0 && ok) {
    ok = false;
    Fail(why, ErrnoText("close " + folder + "/" + temp));
  }
  if (ok && ::renameat(dir, temp.c_str(), dir, name.c_str()) != 0) {
    ok = false;
    Fail(why, ErrnoText("rename to " + folder + "/" + name));
  }
  if (!ok)
    ::unlinkat(dir, temp.c_str(), 0);
  ::close(dir);
  return ok;
}

}  // namespace helper::ap
