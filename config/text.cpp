#include "config/text.h"

#include <locale.h>
#include <wctype.h>

#include <charconv>

#include "base/hex.h"

namespace config {
namespace {

// The C.UTF-8 locale carries the full Unicode case tables whatever locale the process runs in.
// Without it (a stripped system) only ASCII folds, which still covers every key the program uses.
locale_t CaseLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return locale;
}

bool IsSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

char16_t FoldCase(char16_t unit) {
  if (unit < 0x80)
    return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - 0x20) : unit;
  if (unit >= 0xD800 && unit <= 0xDFFF)
    return unit;
  const locale_t locale = CaseLocale();
  if (locale == locale_t{})
    return unit;
  const wint_t upper = towupper_l(static_cast<wint_t>(unit), locale);
  // A mapping out of the BMP would change the key's length; keep the unit instead.
  return upper <= 0xFFFF ? static_cast<char16_t>(upper) : unit;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i]))
      return false;
  }
  return true;
}

std::optional<std::int32_t> ParseInt(std::u16string_view text) {
  std::size_t i = 0;
  auto at = [&text](std::size_t pos) -> char16_t { return pos < text.size() ? text[pos] : u'\0'; };
  while (IsSpace(at(i)))
    ++i;
  bool negative = false;
  if (at(i) == u'-' || at(i) == u'+') {
    negative = at(i) == u'-';
    ++i;
  }
  std::uint32_t value = 0;
  if (at(i) == u'0' && (at(i + 1) == u'x' || at(i + 1) == u'X')) {
    i += 2;
    if (base::HexDigitValue(at(i)) < 0)
      return std::nullopt;
    for (int digit; (digit = base::HexDigitValue(at(i))) >= 0; ++i)
      value = value * 16 + static_cast<std::uint32_t>(digit);
  } else {
    if (at(i) < u'0' || at(i) > u'9')
      return std::nullopt;
    for (; at(i) >= u'0' && at(i) <= u'9'; ++i)
      value = value * 10 + static_cast<std::uint32_t>(at(i) - u'0');
  }
  if (negative)
    value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::u16string FormatDecimal(std::int64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof(digits), value);
  return std::u16string(digits, result.ptr);
}

}  // namespace config
