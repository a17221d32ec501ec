#include "tools/tavlo-config/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

namespace tavlo_config {
namespace {

// char16_t is stored in the host's order, which every supported target keeps little-endian.
constexpr const char* kUtf16 = "UTF-16LE";

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  ~Iconv() {
    if (ok())
      iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of |in|. At a sequence it cannot convert it calls |on_bad|, which returns how
  // many input bytes to skip (0 to give up).
  template <class OnBad>
  bool Convert(std::string_view in, std::string* out, OnBad on_bad) {
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    char buffer[256];
    while (left > 0) {
      char* dst = buffer;
      std::size_t room = sizeof(buffer);
      const std::size_t rc = iconv(cd_, &src, &left, &dst, &room);
      out->append(buffer, static_cast<std::size_t>(dst - buffer));
      if (rc != static_cast<std::size_t>(-1) || errno == E2BIG)
        continue;
      const std::size_t skip = on_bad(out);
      if (skip == 0 || skip > left)
        return false;
      src += skip;
      left -= skip;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
  Iconv cd(kUtf16, "UTF-8");
  std::string bytes;
  if (!cd.ok() || !cd.Convert(text, &bytes, [](std::string*) { return std::size_t{0}; }))
    return std::nullopt;
  std::u16string result(bytes.size() / 2, u'\0');
  bytes.copy(reinterpret_cast<char*>(result.data()), result.size() * 2);
  return result;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  const std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  Iconv cd("UTF-8", kUtf16);
  std::string result;
  if (!cd.ok())
    return result;
  cd.Convert(bytes, &result, [](std::string* out) {
    out->append("\xEF\xBF\xBD");
    return std::size_t{2};
  });
  return result;
}

std::string EscapeControls(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof(escaped), "\\x%02x", byte);
      result += escaped;
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace tavlo_config
