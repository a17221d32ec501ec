// UTF-8 <-> UTF-16 for file names, command lines and files the system shares with us: the
// codec of base/utf.h with replacement, because such text must always be shown or passed on.
//
// Malformed input never fails: each ill-formed part becomes U+FFFD. Thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace platform::posix {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace platform::posix
