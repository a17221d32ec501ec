#include "platform/code_page.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "platform/last_error.h"

namespace platform {

namespace {

constexpr const char* kUtf32 = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr char16_t kReplacement = 0xFFFD;

bool IsUtf8Name(std::string_view name) {
  std::string upper;
  for (char c : name)
    upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return upper == "UTF-8" || upper == "UTF8";
}

// Owns one iconv descriptor.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (ok())
      iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in`, appending to `out`. False when iconv refused the input; the
  // descriptor's shift state is then back to its initial state.
  bool Convert(const char* in, size_t in_size, std::string& out, size_t* irreversible) {
    char* in_ptr = const_cast<char*>(in);
    char buffer[64];
    while (in_size > 0) {
      char* out_ptr = buffer;
      size_t out_left = sizeof(buffer);
      size_t r = iconv(cd_, &in_ptr, &in_size, &out_ptr, &out_left);
      out.append(buffer, static_cast<size_t>(out_ptr - buffer));
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG)
          continue;
        Reset();
        return false;
      }
      if (irreversible)
        *irreversible += r;
    }
    return true;
  }
  // The bytes that return a stateful encoding to its initial shift state.
  void Flush(std::string& out) {
    char buffer[16];
    char* out_ptr = buffer;
    size_t out_left = sizeof(buffer);
    iconv(cd_, nullptr, nullptr, &out_ptr, &out_left);
    out.append(buffer, static_cast<size_t>(out_ptr - buffer));
  }
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

int Fail(DWORD code) {
  SetLastError(code);
  return 0;
}

}  // namespace

IconvCodePage::IconvCodePage(std::string charset)
    : charset_(std::move(charset)), is_utf8_(IsUtf8Name(charset_)) {}

std::string IconvCodePage::SystemCharset() {
  static std::once_flag once;
  static std::string charset;
  std::call_once(once, [] {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    charset = codeset ? codeset : "";
    if (charset.empty() || charset == "ANSI_X3.4-1968" || charset == "ASCII")
      charset = "UTF-8";
  });
  return charset;
}

int IconvCodePage::WideCharToMultiByte(UINT code_page,
                                       DWORD flags,
                                       const WCHAR* wide,
                                       int wide_count,
                                       char* bytes,
                                       int byte_count,
                                       const char* default_char,
                                       BOOL* used_default_char) const {
  if (code_page != CP_ACP && code_page != CP_UTF8)
    return Fail(ERROR_INVALID_PARAMETER);
  if (!wide || wide_count == 0 || wide_count < -1 || byte_count < 0 || (!bytes && byte_count))
    return Fail(ERROR_INVALID_PARAMETER);
  if (flags & ~(WC_NO_BEST_FIT_CHARS | WC_ERR_INVALID_CHARS))
    return Fail(ERROR_INVALID_FLAGS);
  const bool explicit_utf8 = code_page == CP_UTF8;
  if (explicit_utf8 && (flags & WC_NO_BEST_FIT_CHARS))
    return Fail(ERROR_INVALID_FLAGS);
  if (explicit_utf8 && (default_char || used_default_char))
    return Fail(ERROR_INVALID_PARAMETER);
  const bool utf8 = explicit_utf8 || is_utf8_;
  if ((flags & WC_ERR_INVALID_CHARS) && !utf8)
    return Fail(ERROR_INVALID_FLAGS);

  const std::string target = explicit_utf8 ? std::string("UTF-8") : charset_;
  Converter exact(target, kUtf32);
  if (!exact.ok())
    return Fail(ERROR_INVALID_PARAMETER);
  std::unique_ptr<Converter> best_fit;  // opened on first need

  size_t count = wide_count == -1 ? std::char_traits<char16_t>::length(wide) + 1
                                  : static_cast<size_t>(wide_count);
  // Explicit UTF-8 stands in U+FFFD for a lone surrogate; a code page stands in its own
  // default character.
  const std::string fallback =
      explicit_utf8 ? "\xEF\xBF\xBD" : std::string(1, default_char ? default_char[0] : '?');
  bool used_default = false;
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    char32_t cp = wide[i];
    bool lone_surrogate = false;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      lone_surrogate = true;
    }
    if (lone_surrogate && (flags & WC_ERR_INVALID_CHARS))
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    if (!lone_surrogate &&
        exact.Convert(reinterpret_cast<const char*>(&cp), sizeof(cp), out, nullptr))
      continue;
    if (!lone_surrogate && !(flags & WC_NO_BEST_FIT_CHARS) && !utf8) {
      if (!best_fit)
        best_fit = std::make_unique<Converter>(target + "//TRANSLIT", kUtf32);
      std::string fitted;
      size_t irreversible = 0;
      if (best_fit->ok() &&
          best_fit->Convert(reinterpret_cast<const char*>(&cp), sizeof(cp), fitted,
                            &irreversible) &&
          !fitted.empty() && fitted != "?") {
        out += fitted;
        continue;
      }
    }
    out += fallback;
    used_default = true;
  }
  exact.Flush(out);

  if (used_default_char)
    *used_default_char = used_default ? TRUE : FALSE;
  if (out.size() > static_cast<size_t>(INT32_MAX))
    return Fail(ERROR_INVALID_PARAMETER);
  if (byte_count == 0)
    return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(byte_count))
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(bytes, out.data(), out.size());
  return static_cast<int>(out.size());
}

int IconvCodePage::MultiByteToWideChar(UINT code_page,
                                       DWORD flags,
                                       const char* bytes,
                                       int byte_count,
                                       WCHAR* wide,
                                       int wide_count) const {
  if (code_page != CP_ACP && code_page != CP_UTF8)
    return Fail(ERROR_INVALID_PARAMETER);
  if (!bytes || byte_count == 0 || byte_count < -1 || wide_count < 0 || (!wide && wide_count))
    return Fail(ERROR_INVALID_PARAMETER);
  if (flags & ~(MB_PRECOMPOSED | MB_ERR_INVALID_CHARS))
    return Fail(ERROR_INVALID_FLAGS);

  Converter converter(kUtf16, code_page == CP_UTF8 ? std::string("UTF-8") : charset_);
  if (!converter.ok())
    return Fail(ERROR_INVALID_PARAMETER);

  size_t size = byte_count == -1 ? std::strlen(bytes) + 1 : static_cast<size_t>(byte_count);
  std::string units;  // UTF-16 code units, native byte order
  char* in_ptr = const_cast<char*>(bytes);
  size_t in_left = size;
  char buffer[256];
  while (in_left > 0) {
    char* out_ptr = buffer;
    size_t out_left = sizeof(buffer);
    size_t r = iconv(converter.get(), &in_ptr, &in_left, &out_ptr, &out_left);
    units.append(buffer, static_cast<size_t>(out_ptr - buffer));
    if (r != static_cast<size_t>(-1) || errno == E2BIG)
      continue;
    // EILSEQ or an incomplete sequence at the end: the byte is invalid.
    if (flags & MB_ERR_INVALID_CHARS)
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    units.append(reinterpret_cast<const char*>(&kReplacement), sizeof(kReplacement));
    ++in_ptr;
    --in_left;
    converter.Reset();
  }

  size_t count = units.size() / sizeof(char16_t);
  if (count > static_cast<size_t>(INT32_MAX))
    return Fail(ERROR_INVALID_PARAMETER);
  if (wide_count == 0)
    return static_cast<int>(count);
  if (count > static_cast<size_t>(wide_count))
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(wide, units.data(), units.size());
  return static_cast<int>(count);
}

}  // namespace platform
