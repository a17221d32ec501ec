#include "platform/linux/utf.h"

#include "base/utf.h"

namespace platform::posix {

std::string ToUtf8(std::u16string_view text) {
  return *base::Utf16ToUtf8(text, base::InvalidText::kReplace);
}

std::u16string FromUtf8(std::string_view text) {
  return *base::Utf8ToUtf16(text, base::InvalidText::kReplace);
}

}  // namespace platform::posix
