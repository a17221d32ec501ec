#include "base/utf.h"

#include <cstdint>

namespace base {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kInvalid = 0xFFFFFFFF;

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

struct Decoded {
  char32_t code_point;  // kInvalid for an ill-formed part
  size_t length;        // bytes or units taken, at least 1
};

// One character from the front of non-empty UTF-8 text. The bounds of each lead byte's second
// byte keep out overlong forms, surrogates and values above U+10FFFF, so an ill-formed part
// ends at the first byte that cannot continue it.
Decoded DecodeUtf8(std::string_view text) {
  const auto byte = [&text](size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80)
    return {lead, 1};
  size_t extra;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  char32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    value = lead & 0x0F;
    if (lead == 0xE0)
      low = 0xA0;
    else if (lead == 0xED)
      high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    value = lead & 0x07;
    if (lead == 0xF0)
      low = 0x90;
    else if (lead == 0xF4)
      high = 0x8F;
  } else {
    return {kInvalid, 1};
  }
  for (size_t i = 1; i <= extra; ++i) {
    if (i >= text.size())
      return {kInvalid, i};
    const std::uint8_t next = byte(i);
    if (next < low || next > high)
      return {kInvalid, i};
    value = (value << 6) | (next & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return {value, extra + 1};
}

Decoded DecodeUtf16(std::u16string_view text) {
  const char32_t first = text[0];
  if (!IsHighSurrogate(first) && !IsLowSurrogate(first))
    return {first, 1};
  if (IsHighSurrogate(first) && text.size() > 1 && IsLowSurrogate(text[1]))
    return {0x10000 + ((first - 0xD800) << 10) + (text[1] - 0xDC00), 2};
  return {kInvalid, 1};
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

}  // namespace

std::optional<std::string> Utf16ToUtf8(std::u16string_view text, InvalidText policy) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    Decoded d = DecodeUtf16(text);
    if (d.code_point == kInvalid) {
      if (policy == InvalidText::kRefuse)
        return std::nullopt;
      d.code_point = kReplacement;
    }
    AppendUtf8(out, d.code_point);
    text.remove_prefix(d.length);
  }
  return out;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view text, InvalidText policy) {
  std::u16string out;
  out.reserve(text.size());
  while (!text.empty()) {
    Decoded d = DecodeUtf8(text);
    if (d.code_point == kInvalid) {
      if (policy == InvalidText::kRefuse)
        return std::nullopt;
      d.code_point = kReplacement;
    }
    AppendUtf16(out, d.code_point);
    text.remove_prefix(d.length);
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    Decoded d = DecodeUtf8(text);
    if (d.code_point == kInvalid)
      return false;
    text.remove_prefix(d.length);
  }
  return true;
}

bool IsValidUtf16(std::u16string_view text) {
  while (!text.empty()) {
    Decoded d = DecodeUtf16(text);
    if (d.code_point == kInvalid)
      return false;
    text.remove_prefix(d.length);
  }
  return true;
}

}  // namespace base
