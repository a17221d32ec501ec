// The one UTF-8 <-> UTF-16 codec of the program.
//
// Well-formed input converts exactly, U+0000 included (it is a character like any other, not
// an end). What happens to ill-formed input is the caller's choice, made at every call:
// - kRefuse: the conversion answers nullopt, with no partial result.
// - kReplace: each ill-formed part becomes U+FFFD and the rest converts; never nullopt.
//   In UTF-16 an ill-formed part is one unpaired surrogate. In UTF-8 it is the longest start of
//   a sequence that could still have become a character (the "maximal subpart" of Unicode,
//   chapter 3): a lone continuation byte, a byte that never occurs (C0, C1, F5 to FF), an
//   overlong form, an encoded surrogate or a value above U+10FFFF gives one U+FFFD per byte;
//   a truncated sequence such as E4 B8 gives one U+FFFD for the whole.
// So a replaced result is always well-formed and converts back under kRefuse.
//
// Thread affinity: none; no state. Failure: only as the policy says; allocation failure
// throws std::bad_alloc like any string.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace base {

enum class InvalidText { kRefuse, kReplace };

std::optional<std::string> Utf16ToUtf8(std::u16string_view text, InvalidText policy);
std::optional<std::u16string> Utf8ToUtf16(std::string_view text, InvalidText policy);

// Whether the text is well-formed, without converting it.
bool IsValidUtf8(std::string_view text);
bool IsValidUtf16(std::u16string_view text);

}  // namespace base
