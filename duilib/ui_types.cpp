#include "duilib/ui_types.h"

#include <charconv>
#include <string>

namespace DuiLib {
namespace {

std::u16string_view Trim(std::u16string_view t) {
  while (!t.empty() && (t.front() == u' ' || t.front() == u'\t'))
    t.remove_prefix(1);
  while (!t.empty() && (t.back() == u' ' || t.back() == u'\t'))
    t.remove_suffix(1);
  return t;
}

// Reads comma-separated integers; fails unless exactly n are present.
bool ParseInts(std::u16string_view text, int n, int* out) {
  for (int i = 0; i < n; ++i) {
    size_t comma = text.find(u',');
    std::u16string_view part = text.substr(0, comma);
    if (!ParseInt(part, &out[i]))
      return false;
    if (i + 1 < n) {
      if (comma == std::u16string_view::npos)
        return false;
      text.remove_prefix(comma + 1);
    } else if (comma != std::u16string_view::npos) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseInt(std::u16string_view text, int* out) {
  text = Trim(text);
  if (text.empty() || text.size() > 12)
    return false;
  std::string narrow;
  for (char16_t c : text) {
    if (c > 0x7F)
      return false;
    narrow += static_cast<char>(c);
  }
  int v = 0;
  auto [ptr, ec] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), v);
  if (ec != std::errc() || ptr != narrow.data() + narrow.size())
    return false;
  *out = v;
  return true;
}

bool ParseRect(std::u16string_view text, RECT* out) {
  int v[4];
  if (!ParseInts(text, 4, v))
    return false;
  *out = RECT{v[0], v[1], v[2], v[3]};
  return true;
}

bool ParseSize(std::u16string_view text, SIZE* out) {
  int v[2];
  if (!ParseInts(text, 2, v))
    return false;
  *out = SIZE{v[0], v[1]};
  return true;
}

bool ParseColor(std::u16string_view text, DWORD* out) {
  text = Trim(text);
  if (!text.empty() && text.front() == u'#')
    text.remove_prefix(1);
  else if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))
    text.remove_prefix(2);
  if (text.size() != 6 && text.size() != 8)
    return false;
  DWORD v = 0;
  for (char16_t c : text) {
    int d;
    if (c >= u'0' && c <= u'9')
      d = c - u'0';
    else if (c >= u'a' && c <= u'f')
      d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
      d = c - u'A' + 10;
    else
      return false;
    v = (v << 4) | static_cast<DWORD>(d);
  }
  if (text.size() == 6)
    v |= 0xFF000000u;
  *out = v;
  return true;
}

bool ParseBool(std::u16string_view text) {
  text = Trim(text);
  return EqualsNoCase(text, u"true") || text == u"1";
}

}  // namespace DuiLib
