// GUIDs identify network connections and interfaces.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/win_types.h"

// Same memory layout as the system's GUID (16 bytes); equality is byte for byte.
struct GUID {
  DWORD Data1 = 0;
  WORD Data2 = 0;
  WORD Data3 = 0;
  BYTE Data4[8] = {};
};
static_assert(sizeof(GUID) == 16);

bool operator==(const GUID& a, const GUID& b);
inline bool operator!=(const GUID& a, const GUID& b) {
  return !(a == b);
}
// Byte order, so GUIDs can key ordered maps.
bool operator<(const GUID& a, const GUID& b);

constexpr GUID GUID_NULL{};

namespace base {

// "{6B29FC40-CA47-1067-B31D-00DD010662DA}"
std::string GuidToString(const GUID& guid);
// Accepts the form above, with or without braces, in either case; nullopt for anything else.
std::optional<GUID> GuidFromString(std::string_view text);
// Sixteen bytes from the system's random source.
GUID NewGuid();

}  // namespace base
