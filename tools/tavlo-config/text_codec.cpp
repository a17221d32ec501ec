#include "tools/tavlo-config/text_codec.h"

#include <cstdio>

#include "base/utf.h"

namespace tavlo_config {

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
  return base::Utf8ToUtf16(text, base::InvalidText::kRefuse);
}

std::string Utf16ToUtf8(std::u16string_view text) {
  return *base::Utf16ToUtf8(text, base::InvalidText::kReplace);
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
