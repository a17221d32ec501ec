// Text for the command line: UTF-8 <-> UTF-16 (base/utf.h); hexadecimal bytes are in
// base/hex.h.
//
// Thread affinity: none. Failure: conversions of input report it; output never fails.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavlo_config {

// nullopt when |text| is not valid UTF-8: a value typed on the command line is stored exactly
// or not at all.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// Unpaired surrogates become U+FFFD, so any stored text can be shown.
std::string Utf16ToUtf8(std::u16string_view text);

// Control characters as \xNN, so that one record stays on one line.
std::string EscapeControls(std::string_view text);

}  // namespace tavlo_config
