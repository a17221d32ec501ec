// Hexadecimal digits and byte strings.
//
// Thread affinity: none. Failure: FromHex returns nullopt for bad input; the rest cannot fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// The value of one hexadecimal digit (either case), or -1. Works for char and char16_t text.
constexpr int HexDigitValue(char32_t c) {
  if (c >= U'0' && c <= U'9')
    return static_cast<int>(c - U'0');
  if (c >= U'a' && c <= U'f')
    return static_cast<int>(c - U'a') + 10;
  if (c >= U'A' && c <= U'F')
    return static_cast<int>(c - U'A') + 10;
  return -1;
}

// Two lower-case digits a byte.
std::string ToHex(const std::uint8_t* data, std::size_t size);

// Pairs of digits, either case. nullopt on an odd length or a non-digit.
std::optional<std::vector<std::uint8_t>> FromHex(std::string_view text);

}  // namespace base
