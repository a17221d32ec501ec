// The few text services the store needs: case-insensitive key comparison, integer parsing and
// decimal formatting, all on UTF-16.
//
// Thread affinity: none. Every function is safe to call from any thread.
// Failure: ParseInt reports failure through its result; the others cannot fail.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace config {

// Folds one UTF-16 unit to upper case with the Unicode simple case mapping. Surrogates and
// units without a mapping fold to themselves, so keys compare unit by unit and keep their length.
char16_t FoldCase(char16_t unit);

// Keys compare equal when every unit folds to the same unit.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// Reads an integer the way the settings have always been read: optional leading white space,
// an optional sign, then decimal digits, or "0x"/"0X" and hexadecimal digits. Parsing ends at the
// first other unit (or a NUL). The value wraps modulo 2^32, as a 32-bit accumulator does.
// Empty when no digit follows the optional sign and prefix.
std::optional<std::int32_t> ParseInt(std::u16string_view text);

// "%d" / "%I64d": the decimal text of |value|.
std::u16string FormatDecimal(std::int64_t value);

}  // namespace config
