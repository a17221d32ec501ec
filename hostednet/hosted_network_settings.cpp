// The hosted network's settings: SSID, passphrase, device id and enable property. Every
// hosted-network function is looked up by name at each use; a missing one is not an error.
#include <cstring>

#include "base/random.h"
#include "hostednet/hosted_network.h"
#include "hostednet/wlan_buffer.h"
#include "platform/hosted_network_functions.h"

namespace {

// Lower-case letters and digits that cannot be taken for one another on a small screen:
// no 0/o and no 1/l/i.
constexpr char16_t kDefaultKeyAlphabet[] = u"abcdefghjkmnpqrstuvwxyz23456789";
constexpr size_t kDefaultKeyLength = 12;
constexpr char16_t kUnshownSsid[] = u"ztzj";
constexpr DWORD kTextCapacity = 256;

}  // namespace

std::optional<std::u16string> CHostedNetwork::DefaultKey(const base::RandomSource& source) {
  return base::RandomText(kDefaultKeyAlphabet, kDefaultKeyLength, source);
}

HRESULT CHostedNetwork::SetSsid(const std::u16string& text) {
  DOT11_SSID ssid{};
  if (SsidFromText(text.c_str(), &ssid) != ERROR_SUCCESS)
    return S_OK;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!initialized_)
    return S_OK;
  const DOT11_SSID saved = connection_settings_.hostedNetworkSSID;
  connection_settings_.hostedNetworkSSID = ssid;  // the peer limit is sent back as read
  auto set_property = platform::BindWlanFunction<platform::WlanHostedNetworkSetPropertyFn>(
      *api_, "WlanHostedNetworkSetProperty");
  if (!set_property)
    return S_OK;
  DWORD result =
      set_property(client_, wlan_hosted_network_opcode_connection_settings,
                   sizeof(connection_settings_), &connection_settings_, nullptr, nullptr);
  if (result != ERROR_SUCCESS) {
    connection_settings_.hostedNetworkSSID = saved;  // keep the snapshot what the system has
    return HresultFromWin32(result);
  }
  return S_OK;
}

HRESULT CHostedNetwork::GetSsid(std::u16string* text) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!initialized_)
    return kHostedNetworkNotReady;
  WCHAR buffer[kTextCapacity];
  DWORD capacity = kTextCapacity;
  DWORD result = SsidToText(&connection_settings_.hostedNetworkSSID, buffer, &capacity);
  if (result != ERROR_SUCCESS) {
    *text = kUnshownSsid;
    return HresultFromWin32(result);
  }
  *text = std::u16string(buffer, std::char_traits<char16_t>::length(buffer));
  return S_OK;
}

HRESULT CHostedNetwork::SetKey(const std::u16string& text) {
  BYTE key[kTextCapacity];
  DWORD size = sizeof(key);
  if (PassphraseFromText(text.data(), static_cast<DWORD>(text.size()), key, &size) !=
          ERROR_SUCCESS ||
      size == 0)
    return S_OK;
  auto set_key = platform::BindWlanFunction<platform::WlanHostedNetworkSetSecondaryKeyFn>(
      *api_, "WlanHostedNetworkSetSecondaryKey");
  if (!set_key)
    return S_OK;
  const HANDLE client = Client();
  set_key(client, size, key, TRUE, TRUE, nullptr, nullptr);  // the outcome is not reported
  return S_OK;
}

HRESULT CHostedNetwork::GetKey(std::u16string* text) {
  const HANDLE client = Client();
  DWORD length = 0;
  WlanBuffer<BYTE> key(api_);
  BOOL is_passphrase = FALSE;
  BOOL persistent = FALSE;
  // A missing function counts as a system without a passphrase.
  if (auto query_key = platform::BindWlanFunction<platform::WlanHostedNetworkQuerySecondaryKeyFn>(
          *api_, "WlanHostedNetworkQuerySecondaryKey")) {
    if (query_key(client, &length, key.out(), &is_passphrase, &persistent, nullptr, nullptr) !=
        ERROR_SUCCESS)
      return S_OK;
  }
  if (length != 0 && length <= INT32_MAX && is_passphrase && key.get()) {
    WCHAR wide[kTextCapacity] = {};
    int count = code_page_->MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS,
                                                reinterpret_cast<const char*>(key.get()),
                                                static_cast<int>(length), wide, kTextCapacity - 1);
    if (count > 0) {
      *text = std::u16string(wide, std::char_traits<char16_t>::length(wide));
      return S_OK;
    }
  }
  // No usable passphrase: a new random one is stored, persistently, and shown. Without a
  // random source there is no key to offer: a fixed one would be the same on every machine.
  std::optional<std::u16string> fallback = DefaultKey(random_);
  if (!fallback)
    return kDefaultKeyUnavailable;
  SetKey(*fallback);
  *text = *fallback;
  return S_OK;
}

HRESULT CHostedNetwork::QueryDeviceId(GUID* device_id) {
  auto query_status = platform::BindWlanFunction<platform::WlanHostedNetworkQueryStatusFn>(
      *api_, "WlanHostedNetworkQueryStatus");
  if (!query_status)
    return S_OK;
  const HANDLE client = Client();
  WlanBuffer<WLAN_HOSTED_NETWORK_STATUS> status(api_);
  if (query_status(client, status.out(), nullptr) == ERROR_SUCCESS && status.get() && device_id)
    *device_id = status.get()->IPDeviceID;
  return S_OK;
}

DWORD CHostedNetwork::Disable() {
  auto set_property = platform::BindWlanFunction<platform::WlanHostedNetworkSetPropertyFn>(
      *api_, "WlanHostedNetworkSetProperty");
  if (!set_property)
    return ERROR_SUCCESS;
  const HANDLE client = Client();
  BOOL enabled = FALSE;
  WLAN_HOSTED_NETWORK_REASON reason = wlan_hosted_network_reason_success;
  return set_property(client, wlan_hosted_network_opcode_enable, sizeof(enabled), &enabled, &reason,
                      nullptr);
}
