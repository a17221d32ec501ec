// platform::CodePage: conversions between UTF-16 text and the byte strings of a code page,
// with the semantics of the system's WideCharToMultiByte and MultiByteToWideChar: counts that
// include the terminator when the length is -1, a size query with a zero output size,
// ERROR_INSUFFICIENT_BUFFER when the output does not fit, "no best fit" and "default
// character used", and MB_ERR_INVALID_CHARS. Without that flag, invalid input bytes become
// U+FFFD.
//
// CP_ACP is the code page an implementation stands for; CP_UTF8 is always UTF-8.
// Thread affinity: const and safe to use from any thread.
// Failure: 0 with the reason in platform::GetLastError(); output is then unspecified.
#pragma once

#include <string>

#include "base/win_types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;

constexpr DWORD ERROR_INVALID_FLAGS = 1004;

namespace platform {

class CodePage {
 public:
  virtual ~CodePage() = default;

  // `default_char` (one byte) and `used_default_char` may be null; they are refused for CP_UTF8.
  virtual int WideCharToMultiByte(UINT code_page,
                                  DWORD flags,
                                  const WCHAR* wide,
                                  int wide_count,
                                  char* bytes,
                                  int byte_count,
                                  const char* default_char,
                                  BOOL* used_default_char) const = 0;
  virtual int MultiByteToWideChar(UINT code_page,
                                  DWORD flags,
                                  const char* bytes,
                                  int byte_count,
                                  WCHAR* wide,
                                  int wide_count) const = 0;
};

// A code page carried out by iconv. Characters a code page cannot hold become its default
// character '?'; without WC_NO_BEST_FIT_CHARS iconv's transliteration is tried first (its
// tables come with the process's LC_CTYPE locale; the plain C locale has none).
class IconvCodePage final : public CodePage {
 public:
  // `charset` is an iconv name ("UTF-8", "GBK", "WINDOWS-1252") and stands for CP_ACP.
  // An unknown name makes every CP_ACP conversion fail with ERROR_INVALID_PARAMETER.
  explicit IconvCodePage(std::string charset);

  // The character set of the user's locale (setlocale(LC_CTYPE, "") is applied once, on first
  // use). The plain C locale, which names no choice, counts as UTF-8.
  static std::string SystemCharset();

  const std::string& charset() const { return charset_; }

  int WideCharToMultiByte(UINT code_page,
                          DWORD flags,
                          const WCHAR* wide,
                          int wide_count,
                          char* bytes,
                          int byte_count,
                          const char* default_char,
                          BOOL* used_default_char) const override;
  int MultiByteToWideChar(UINT code_page,
                          DWORD flags,
                          const char* bytes,
                          int byte_count,
                          WCHAR* wide,
                          int wide_count) const override;

 private:
  std::string charset_;
  bool is_utf8_;
};

}  // namespace platform
