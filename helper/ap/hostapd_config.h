// helper::ap::BuildHostapdConfig and WriteHostapdConfig: the access point's configuration file,
// built only from checked values so that no byte a user typed can start a line of its own.
//
// Thread affinity: none. Ownership: plain values in and out.
// Failure: Build refuses any value out of range with a reason and builds nothing; Write refuses a
// folder that is not ours alone (a symbolic link, not 0700, another owner) and leaves no partial
// file behind.
#pragma once

#include <optional>
#include <string>

namespace helper::ap {

struct HostapdSettings {
  std::string interface;  // 1-15 bytes of [A-Za-z0-9_.-], not "." or ".."
  std::string ssid;       // 1-32 bytes, any bytes; written as hex
  // Exactly one of the two: a passphrase of 8-63 printable ASCII bytes, or 64 hex digits.
  std::string passphrase;
  std::string psk_hex;
  int channel = 6;          // 1-14 (2.4 GHz) or 32-177 (5 GHz)
  std::string ctrl_folder;  // absolute path of hostapd's control socket folder
};

bool IsValidInterfaceName(const std::string& name);
bool IsValidPassphrase(const std::string& passphrase);
bool IsValidPskHex(const std::string& psk);

// The file's text, or nullopt with `*why` (when given) saying which value was refused.
std::optional<std::string> BuildHostapdConfig(const HostapdSettings& settings, std::string* why);

// Writes `text` as `folder`/`name` with mode 0600: created exclusively under a temporary name
// beside it, then renamed over any older file. `folder` must be a real folder of this user's
// with mode 0700. False with `*why` on any failure.
bool WriteHostapdConfig(const std::string& folder,
                        const std::string& name,
                        const std::string& text,
                        std::string* why);

}  // namespace helper::ap
