#include "helper/request.h"

#include "base/hex.h"

namespace helper {

namespace {

Refusal Refuse(std::string reason) {
  return Refusal{std::move(reason)};
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra;
    std::uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size())
      return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80)
        return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t space = line.find(' ', start);
    fields.push_back(
        line.substr(start, space == std::string_view::npos ? line.npos : space - start));
    if (space == std::string_view::npos)
      break;
    start = space + 1;
  }
  return fields;
}

ParseResult ParseAp(const std::vector<std::string_view>& f) {
  if (f.size() != 4)
    return Refuse("ap takes IFNAME SSID_HEX KEY");
  ApRequest ap;
  if (!IsValidInterfaceName(f[1]))
    return Refuse("bad interface name");
  ap.ifname = std::string(f[1]);
  if (f[2].size() < 2 || f[2].size() > 64 || !DecodeHex(f[2], &ap.ssid))
    return Refuse("SSID_HEX must be 2-64 hex digits, an even number");
  constexpr std::string_view kPass = "pass:", kPsk = "psk:";
  const std::string_view key = f[3];
  if (key.substr(0, kPass.size()) == kPass) {
    std::vector<std::uint8_t> bytes;
    if (!DecodeHex(key.substr(kPass.size()), &bytes) || bytes.size() < 8 || bytes.size() > 63)
      return Refuse("pass: needs the hex of an 8-63 byte passphrase");
    for (std::uint8_t b : bytes) {
      if (b < 0x20 || b > 0x7E)
        return Refuse("the passphrase must be printable ASCII");
    }
    ap.passphrase.assign(bytes.begin(), bytes.end());
  } else if (key.substr(0, kPsk.size()) == kPsk) {
    const std::string_view hex = key.substr(kPsk.size());
    if (hex.size() != 64 || !DecodeHex(hex, &ap.psk))
      return Refuse("psk: needs 64 hex digits");
  } else {
    return Refuse("KEY must start with pass: or psk:");
  }
  return Request{std::move(ap)};
}

}  // namespace

bool IsValidInterfaceName(std::string_view name) {
  if (name.empty() || name.size() > 15 || name == "." || name == "..")
    return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '.' || c == '-';
    if (!ok)
      return false;
  }
  return true;
}

bool DecodeHex(std::string_view hex, std::vector<std::uint8_t>* out) {
  if (hex.size() % 2 != 0)
    return false;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int hi = base::HexDigitValue(hex[i]), lo = base::HexDigitValue(hex[i + 1]);
    if (hi < 0 || lo < 0)
      return false;
    bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  *out = std::move(bytes);
  return true;
}

ParseResult ParseRequest(std::string_view line) {
  // The newline is not part of `line` but counts against the limit.
  if (line.size() + 1 > kMaxLineBytes)
    return Refuse("line too long");
  if (line.empty())
    return Refuse("empty line");
  for (char c : line) {
    const auto u = static_cast<unsigned char>(c);
    if (u == 0)
      return Refuse("NUL byte");
    if (u < 0x20 || u == 0x7F)
      return Refuse("control character");
  }
  if (!IsUtf8(line))
    return Refuse("not UTF-8");
  const std::vector<std::string_view> f = SplitFields(line);
  for (std::string_view field : f) {
    if (field.empty())
      return Refuse("fields are separated by exactly one space");
  }
  const std::string_view verb = f[0];
  if (verb == "hello") {
    if (f.size() != 2 || f[1] != "1")
      return Refuse("unsupported protocol version");
    return Request{HelloRequest{1}};
  }
  if (verb == "share") {
    if (f.size() != 3)
      return Refuse("share takes PUBLIC PRIVATE");
    if (!IsValidInterfaceName(f[1]) || !IsValidInterfaceName(f[2]))
      return Refuse("bad interface name");
    if (f[1] == f[2])
      return Refuse("PUBLIC and PRIVATE must differ");
    return Request{ShareRequest{std::string(f[1]), std::string(f[2])}};
  }
  if (verb == "ap")
    return ParseAp(f);
  if (f.size() != 1)
    return Refuse("unexpected arguments");
  if (verb == "unshare")
    return Request{UnshareRequest{}};
  if (verb == "stop-ap")
    return Request{StopApRequest{}};
  if (verb == "quit")
    return Request{QuitRequest{}};
  return Refuse("unknown request");
}

}  // namespace helper
