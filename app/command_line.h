// The part of the process's command line after the program name: what an elevated copy is
// given so that it sees the same arguments. Thread-safe.
#pragma once

#include <string_view>

namespace app {

// Rules, on the whole command line:
//   - it begins with a double quote: the tail begins after the closing quote, skipping one
//     blank right after it;
//   - it begins with a blank: the tail is everything after that blank;
//   - otherwise the tail is everything after the first blank;
//   - when the line ends before the closing quote or the blank, the tail is empty.
// A blank is a space. The result views `command_line`.
std::u16string_view CommandLineTail(std::u16string_view command_line);

}  // namespace app
