#include "base/guid.h"

#include <cstdio>
#include <cstring>
#include <random>

#include "base/hex.h"

bool operator==(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

bool operator<(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) < 0;
}

namespace base {

std::string GuidToString(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

std::optional<GUID> GuidFromString(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}')
    text = text.substr(1, 36);
  if (text.size() != 36)
    return std::nullopt;
  BYTE bytes[16];
  size_t out = 0;
  for (size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-')
        return std::nullopt;
      ++i;
      continue;
    }
    int hi = HexDigitValue(text[i]);
    int lo = HexDigitValue(text[i + 1]);
    if (hi < 0 || lo < 0)
      return std::nullopt;
    bytes[out++] = static_cast<BYTE>(hi << 4 | lo);
    i += 2;
  }
  GUID g;
  g.Data1 = static_cast<DWORD>(bytes[0]) << 24 | static_cast<DWORD>(bytes[1]) << 16 |
            static_cast<DWORD>(bytes[2]) << 8 | bytes[3];
  g.Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
  g.Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
  std::memcpy(g.Data4, bytes + 8, 8);
  return g;
}

GUID NewGuid() {
  std::random_device source;
  GUID g;
  auto* raw = reinterpret_cast<BYTE*>(&g);
  for (size_t i = 0; i < sizeof g; ++i)
    raw[i] = static_cast<BYTE>(source());
  g.Data3 = static_cast<WORD>((g.Data3 & 0x0FFF) | 0x4000);  // version 4
  g.Data4[0] = static_cast<BYTE>((g.Data4[0] & 0x3F) | 0x80);
  return g;
}

}  // namespace base
