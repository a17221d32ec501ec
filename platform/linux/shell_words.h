// Splitting a parameters text into an argument vector, and quoting arguments so that the split
// gives them back. Used where a Windows-style single command-line text meets exec's argv.
//
// The split follows a POSIX shell reading a simple command, without any expansion:
//   - blanks (space, tab, newline) outside quotes separate words; runs of them count as one;
//   - '...' takes everything up to the next ' literally;
//   - "..." takes everything literally except that a backslash before " \ $ or ` yields that
//     character;
//   - outside quotes a backslash yields the next character literally;
//   - $, `, ~, * and the like have no special meaning; an unterminated quote runs to the end.
// Thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

std::vector<std::u16string> SplitShellWords(std::u16string_view text);

// `word` unchanged when the split reads it back as one word as it is, else in double quotes with
// " \ $ ` escaped.
std::u16string QuoteShellWord(std::u16string_view word);

}  // namespace platform::posix
