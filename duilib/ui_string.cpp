#include "duilib/ui_string.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/utf.h"

namespace DuiLib {
namespace {

char16_t FoldAscii(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Formatted numbers and %S arguments; text that is not UTF-8 shows U+FFFD where it breaks.
void AppendUtf8(std::u16string& out, std::string_view in) {
  out += *base::Utf8ToUtf16(in, base::InvalidText::kReplace);
}

}  // namespace

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i]))
      return false;
  }
  return true;
}

CDuiString::CDuiString(const char16_t* s, int len) {
  if (!s)
    return;
  if (len < 0)
    s_ = s;
  else
    s_.assign(s, static_cast<size_t>(len));
}

CDuiString CDuiString::FromUtf8(std::string_view utf8) {
  return *base::Utf8ToUtf16(utf8, base::InvalidText::kReplace);
}

std::string CDuiString::ToUtf8() const {
  return *base::Utf16ToUtf8(s_, base::InvalidText::kReplace);
}

void CDuiString::Assign(const CDuiString& s, int len) {
  if (len < 0 || len >= s.GetLength())
    s_ = s.s_;
  else
    s_ = s.s_.substr(0, static_cast<size_t>(len));
}

int CDuiString::Compare(const char16_t* s) const {
  int c = s_.compare(s ? s : u"");
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CDuiString::CompareNoCase(const char16_t* s) const {
  std::u16string_view b(s ? s : u"");
  size_t n = std::min(s_.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = FoldAscii(s_[i]), y = FoldAscii(b[i]);
    if (x != y)
      return x < y ? -1 : 1;
  }
  if (s_.size() == b.size())
    return 0;
  return s_.size() < b.size() ? -1 : 1;
}

void CDuiString::MakeUpper() {
  for (auto& c : s_) {
    if (c >= u'a' && c <= u'z')
      c = static_cast<char16_t>(c - u'a' + u'A');
  }
}

void CDuiString::MakeLower() {
  for (auto& c : s_)
    c = FoldAscii(c);
}

CDuiString CDuiString::Left(int len) const {
  return s_.substr(0, static_cast<size_t>(std::clamp(len, 0, GetLength())));
}

CDuiString CDuiString::Mid(int pos, int len) const {
  if (pos < 0)
    pos = 0;
  if (pos >= GetLength())
    return {};
  return s_.substr(static_cast<size_t>(pos),
                   len < 0 ? std::u16string::npos : static_cast<size_t>(len));
}

CDuiString CDuiString::Right(int len) const {
  len = std::clamp(len, 0, GetLength());
  return s_.substr(s_.size() - static_cast<size_t>(len));
}

CDuiString CDuiString::Trimmed() const {
  size_t b = 0, e = s_.size();
  auto space = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  while (b < e && space(s_[b]))
    ++b;
  while (e > b && space(s_[e - 1]))
    --e;
  return s_.substr(b, e - b);
}

int CDuiString::Find(char16_t ch, int pos) const {
  if (pos < 0 || pos > GetLength())
    return -1;
  auto r = s_.find(ch, static_cast<size_t>(pos));
  return r == std::u16string::npos ? -1 : static_cast<int>(r);
}

int CDuiString::Find(const char16_t* s, int pos) const {
  if (!s || pos < 0 || pos > GetLength())
    return -1;
  auto r = s_.find(s, static_cast<size_t>(pos));
  return r == std::u16string::npos ? -1 : static_cast<int>(r);
}

int CDuiString::ReverseFind(char16_t ch) const {
  auto r = s_.rfind(ch);
  return r == std::u16string::npos ? -1 : static_cast<int>(r);
}

int CDuiString::Replace(const char16_t* from, const char16_t* to) {
  std::u16string_view f(from ? from : u"");
  std::u16string_view t(to ? to : u"");
  if (f.empty())
    return 0;
  int count = 0;
  size_t pos = 0;
  while ((pos = s_.find(f, pos)) != std::u16string::npos) {
    s_.replace(pos, f.size(), t);
    pos += t.size();
    ++count;
  }
  return count;
}

int CDuiString::Format(const char16_t* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = FormatV(fmt, args);
  va_end(args);
  return n;
}

CDuiString CDuiString::Printf(const char16_t* fmt, ...) {
  CDuiString s;
  va_list args;
  va_start(args, fmt);
  s.FormatV(fmt, args);
  va_end(args);
  return s;
}

// Walks the format once; numbers go through snprintf with the same spec, texts are padded here.
int CDuiString::FormatV(const char16_t* fmt, va_list args) {
  std::u16string out;
  if (!fmt) {
    s_.clear();
    return 0;
  }
  for (const char16_t* p = fmt; *p; ++p) {
    if (*p != u'%') {
      out += *p;
      continue;
    }
    const char16_t* start = p++;
    if (*p == u'%') {
      out += u'%';
      continue;
    }
    std::string spec = "%";
    while (*p && std::strchr("-+ #0", static_cast<char>(*p)) && *p < 0x80)
      spec += static_cast<char>(*p++);
    int width = 0;
    while (*p >= u'0' && *p <= u'9') {
      width = width * 10 + (*p - u'0');
      spec += static_cast<char>(*p++);
    }
    int precision = -1;
    if (*p == u'.') {
      spec += static_cast<char>(*p++);
      precision = 0;
      while (*p >= u'0' && *p <= u'9') {
        precision = precision * 10 + (*p - u'0');
        spec += static_cast<char>(*p++);
      }
    }
    int longs = 0;
    while (*p == u'l') {
      ++longs;
      ++p;
    }
    if (!*p) {
      out.append(start, p);
      break;
    }
    char buf[128];
    char16_t conv = *p;
    switch (conv) {
      case u'd':
      case u'i':
        spec += longs >= 2 ? "lld" : (longs == 1 ? "ld" : "d");
        if (longs >= 2)
          std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, long long));
        else if (longs == 1)
          std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, long));
        else
          std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, int));
        AppendUtf8(out, buf);
        break;
      case u'u':
      case u'x':
      case u'X':
      case u'o':
        spec += longs >= 2 ? "ll" : (longs == 1 ? "l" : "");
        spec += static_cast<char>(conv);
        if (longs >= 2)
          std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, unsigned long long));
        else if (longs == 1)
          std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, unsigned long));
        else
          std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, unsigned int));
        AppendUtf8(out, buf);
        break;
      case u'f':
      case u'g':
      case u'e':
        spec += static_cast<char>(conv);
        std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(args, double));
        AppendUtf8(out, buf);
        break;
      case u'c':
      case u's':
      case u'S': {
        std::u16string text;
        if (conv == u'c') {
          text = static_cast<char16_t>(va_arg(args, int));
        } else if (conv == u's') {
          const char16_t* s = va_arg(args, const char16_t*);
          text = s ? s : u"(null)";
        } else {
          const char* s = va_arg(args, const char*);
          AppendUtf8(text, s ? s : "(null)");
        }
        if (precision >= 0 && text.size() > static_cast<size_t>(precision))
          text.resize(static_cast<size_t>(precision));
        bool left = spec.find('-') != std::string::npos;
        size_t pad = width > static_cast<int>(text.size()) ? width - text.size() : 0;
        if (!left)
          out.append(pad, u' ');
        out += text;
        if (left)
          out.append(pad, u' ');
        break;
      }
      default:
        out.append(start, p + 1);
        break;
    }
  }
  s_ = std::move(out);
  return GetLength();
}

}  // namespace DuiLib
