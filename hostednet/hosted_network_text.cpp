// Conversions between the user's UTF-16 text and the byte strings the wireless service takes,
// in the system code page. Limits are byte limits in that code page.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "hostednet/hosted_network.h"
#include "hostednet/wlan_buffer.h"
#include "platform/last_error.h"

namespace {

// String 200: how an SSID whose bytes are not text in the code page is shown; %1 is the
// bytes in hexadecimal.
constexpr char16_t kUnreadableSsidTemplate[] = u"无法显示的网络名称 %1";
constexpr DWORD kTemplateCapacity = 256;
constexpr DWORD kMinPassphraseBytes = 8;
constexpr DWORD kMaxPassphraseBytes = 63;

// The last error, never 0: a failure must not read as success.
DWORD LastErrorOr(DWORD fallback) {
  DWORD code = platform::GetLastError();
  return code ? code : fallback;
}

int ClampToInt(DWORD value) {
  return static_cast<int>(std::min<DWORD>(value, INT_MAX));
}

// Expands `format` as a message template with one insert: %1 is `insert`, %% a percent sign,
// %n a line break. Writes at most `size` characters including the terminator and returns the
// number written without it; 0 with ERROR_INSUFFICIENT_BUFFER when it does not fit.
DWORD FormatWithInsert(std::u16string_view format,
                       std::u16string_view insert,
                       WCHAR* buffer,
                       DWORD size) {
  std::u16string out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != u'%' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    char16_t next = format[++i];
    if (next == u'1')
      out += insert;
    else if (next == u'n')
      out += u"\r\n";
    else
      out += next;
  }
  if (out.size() + 1 > size) {
    platform::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::copy(out.begin(), out.end(), buffer);
  buffer[out.size()] = 0;
  return static_cast<DWORD>(out.size());
}

}  // namespace

DWORD CHostedNetwork::SsidFromText(const WCHAR* text, DOT11_SSID* ssid) const {
  if (!text || !ssid || !text[0])
    return ERROR_INVALID_PARAMETER;
  // 32 bytes and the terminator.
  char bytes[DOT11_SSID_MAX_LENGTH + 1];
  int written = code_page_->WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, bytes,
                                                sizeof(bytes), nullptr, nullptr);
  if (written == 0) {
    DWORD error = LastErrorOr(ERROR_INTERNAL_ERROR);
    return error == ERROR_INSUFFICIENT_BUFFER ? ERROR_BAD_LENGTH : error;
  }
  if (written == 1)
    return ERROR_BAD_LENGTH;
  *ssid = DOT11_SSID{};
  ssid->uSSIDLength = static_cast<ULONG>(written - 1);
  std::memcpy(ssid->ucSSID, bytes, ssid->uSSIDLength);
  return ERROR_SUCCESS;
}

DWORD CHostedNetwork::SsidToText(const DOT11_SSID* ssid, WCHAR* buffer, DWORD* capacity) const {
  if (!ssid || !capacity || (!buffer && *capacity) || ssid->uSSIDLength > DOT11_SSID_MAX_LENGTH)
    return ERROR_INVALID_PARAMETER;
  WCHAR format[kTemplateCapacity] = {};
  std::copy(std::begin(kUnreadableSsidTemplate), std::end(kUnreadableSsidTemplate), format);
  if (buffer && *capacity)
    buffer[0] = 0;

  const char* bytes = reinterpret_cast<const char*>(ssid->ucSSID);
  const int length = static_cast<int>(ssid->uSSIDLength);
  const int needed =
      length > 0 ? code_page_->MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0) : 0;

  if (length == 0 || needed > 0) {
    const DWORD with_terminator = static_cast<DWORD>(needed) + 1;
    if (*capacity < with_terminator) {
      *capacity = with_terminator;
      return ERROR_INSUFFICIENT_BUFFER;
    }
    if (length > 0 && code_page_->MultiByteToWideChar(CP_ACP, 0, bytes, length, buffer,
                                                      ClampToInt(*capacity)) == 0)
      return LastErrorOr(ERROR_INTERNAL_ERROR);
    buffer[needed] = 0;
    *capacity = with_terminator;
    return ERROR_SUCCESS;
  }

  // The bytes are not text in this code page: show them in hexadecimal.
  const DWORD hex_capacity = 2 * static_cast<DWORD>(length) + 513;
  if (*capacity < hex_capacity) {
    *capacity = hex_capacity;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string hex;
  for (int i = 0; i < length; ++i) {
    hex += kDigits[ssid->ucSSID[i] >> 4];
    hex += kDigits[ssid->ucSSID[i] & 0xF];
  }
  DWORD written = FormatWithInsert(format, hex, buffer, *capacity);
  if (written == 0)
    return LastErrorOr(ERROR_INTERNAL_ERROR);
  *capacity = written;
  return ERROR_SUCCESS;
}

DWORD CHostedNetwork::PassphraseFromText(const WCHAR* text,
                                         DWORD length,
                                         BYTE* buffer,
                                         DWORD* size) const {
  auto fail = [size](DWORD error) {
    if (size)
      *size = 0;
    return error;
  };
  if (!text || !size || length > INT_MAX)
    return fail(ERROR_INVALID_PARAMETER);
  if (length == 0 || std::all_of(text, text + length, [](WCHAR c) { return c == 0; }))
    return fail(ERROR_BAD_FORMAT);

  const int count = static_cast<int>(length);
  const int needed = code_page_->WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, count,
                                                     nullptr, 0, nullptr, nullptr);
  if (needed == 0)
    return fail(LastErrorOr(ERROR_INTERNAL_ERROR));
  WlanBuffer<BYTE> converted(api_);
  *converted.out() = static_cast<BYTE*>(api_->WlanAllocateMemory(static_cast<DWORD>(needed)));
  if (!converted.get())
    return fail(LastErrorOr(ERROR_NOT_ENOUGH_MEMORY));
  std::memset(converted.get(), 0, static_cast<size_t>(needed));
  BOOL used_default = FALSE;
  const int written = code_page_->WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, count,
                                                      reinterpret_cast<char*>(converted.get()),
                                                      needed, nullptr, &used_default);
  if (written == 0)
    return fail(LastErrorOr(ERROR_INTERNAL_ERROR));
  if (written != needed)
    return fail(ERROR_INTERNAL_ERROR);
  const DWORD bytes = static_cast<DWORD>(written);
  if (used_default || bytes > kMaxPassphraseBytes || bytes < kMinPassphraseBytes)
    return fail(ERROR_BAD_FORMAT);

  const DWORD need = bytes + 1;  // and the terminating zero
  if (!buffer || *size < need) {
    *size = need;
    return ERROR_MORE_DATA;
  }
  std::memset(buffer, 0, need);
  std::memcpy(buffer, converted.get(), bytes);
  *size = need;
  return ERROR_SUCCESS;
}
