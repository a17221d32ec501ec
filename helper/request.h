// The request line of tavlo-helper: one line of standard input becomes a typed request or a
// refusal that says why. Parsing never touches the system; whether an interface exists is asked
// later, before anything runs.
//
// Thread affinity: none (pure functions). Failure: a refusal with its reason, never an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace helper {

// Longest accepted line, the newline included.
inline constexpr std::size_t kMaxLineBytes = 512;

struct HelloRequest {
  int version = 0;
};
struct ShareRequest {
  std::string public_if;
  std::string private_if;
};
struct UnshareRequest {};
struct ApRequest {
  std::string ifname;
  std::vector<std::uint8_t> ssid;  // 1-32 bytes
  // Exactly one of the two is set: a printable passphrase of 8-63 bytes, or a 32-byte PSK.
  std::string passphrase;
  std::vector<std::uint8_t> psk;
};
struct StopApRequest {};
struct QuitRequest {};

using Request =
    std::variant<HelloRequest, ShareRequest, UnshareRequest, ApRequest, StopApRequest, QuitRequest>;

struct Refusal {
  std::string reason;  // plain ASCII, safe to echo in an answer
};

using ParseResult = std::variant<Request, Refusal>;

// `line` is without its newline; it may hold any bytes (NUL included), which are refused.
ParseResult ParseRequest(std::string_view line);

// 1-15 bytes of [A-Za-z0-9_.-], not "." or "..". Says nothing about whether it exists.
bool IsValidInterfaceName(std::string_view name);

// Even number of hex digits into bytes; false on anything else.
bool DecodeHex(std::string_view hex, std::vector<std::uint8_t>* out);

}  // namespace helper
