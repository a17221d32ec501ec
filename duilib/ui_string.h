// CDuiString: the framework's UTF-16 text, a thin value class over std::u16string with the
// helpers controls and layouts need. Conversion to and from QString lives in qt_convert.h,
// inside the framework only. Not thread-safe per instance, like any value type.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "duilib/ui_defs.h"

namespace DuiLib {

class CDuiString {
 public:
  CDuiString() = default;
  CDuiString(char16_t ch) : s_(1, ch) {}              // NOLINT(runtime/explicit)
  CDuiString(const char16_t* s) : s_(s ? s : u"") {}  // NOLINT(runtime/explicit)
  CDuiString(const char16_t* s, int len);
  CDuiString(std::u16string s) : s_(std::move(s)) {}  // NOLINT(runtime/explicit)
  CDuiString(std::u16string_view s) : s_(s) {}        // NOLINT(runtime/explicit)

  // UTF-8 in and out, for literals in tests and for file names. Ill-formed parts (bytes that
  // are not UTF-8, unpaired surrogates) become U+FFFD, as base/utf.h says.
  static CDuiString FromUtf8(std::string_view utf8);
  std::string ToUtf8() const;

  int GetLength() const { return static_cast<int>(s_.size()); }
  bool IsEmpty() const { return s_.empty(); }
  void Empty() { s_.clear(); }
  const char16_t* GetData() const { return s_.c_str(); }
  operator const char16_t*() const { return s_.c_str(); }  // NOLINT(runtime/explicit)
  const std::u16string& str() const { return s_; }
  std::u16string_view view() const { return s_; }

  char16_t GetAt(int i) const { return s_[static_cast<size_t>(i)]; }
  void SetAt(int i, char16_t ch) { s_[static_cast<size_t>(i)] = ch; }
  char16_t operator[](int i) const { return GetAt(i); }

  void Append(const CDuiString& s) { s_ += s.s_; }
  void Assign(const CDuiString& s, int len = -1);

  CDuiString& operator+=(const CDuiString& s) {
    s_ += s.s_;
    return *this;
  }
  CDuiString& operator+=(char16_t ch) {
    s_ += ch;
    return *this;
  }
  friend CDuiString operator+(const CDuiString& a, const CDuiString& b) { return a.s_ + b.s_; }
  friend bool operator==(const CDuiString& a, const CDuiString& b) { return a.s_ == b.s_; }
  friend bool operator==(const CDuiString& a, const char16_t* b) { return a.s_ == (b ? b : u""); }
  friend bool operator<(const CDuiString& a, const CDuiString& b) { return a.s_ < b.s_; }

  // strcmp-like results.
  int Compare(const char16_t* s) const;
  int CompareNoCase(const char16_t* s) const;

  void MakeUpper();
  void MakeLower();
  CDuiString Left(int len) const;
  CDuiString Mid(int pos, int len = -1) const;
  CDuiString Right(int len) const;
  CDuiString Trimmed() const;

  // Positions, or -1 when absent.
  int Find(char16_t ch, int pos = 0) const;
  int Find(const char16_t* s, int pos = 0) const;
  int ReverseFind(char16_t ch) const;
  // Returns the number of replacements.
  int Replace(const char16_t* from, const char16_t* to);

  // printf-style formatting over UTF-16: %d %i %u %ld %lu %lld %x %X %c %s (UTF-16 text)
  // %S (UTF-8 text) %f %%, with flags, width and precision. Returns the new length.
  int Format(const char16_t* fmt, ...);
  int FormatV(const char16_t* fmt, va_list args);
  static CDuiString Printf(const char16_t* fmt, ...);

 private:
  std::u16string s_;
};

// Case-insensitive comparison (ASCII letters fold; other characters compare exactly).
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace DuiLib
