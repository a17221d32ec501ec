// The hosted network of the wireless service as its client interface sees it: the
// properties, the key, the status, and the state changes they announce.
#include <algorithm>
#include <cstring>

#include "base/result.h"
#include "platform/services/wireless_service.h"

namespace platform::services {

namespace {

constexpr DWORD kMaxPeerLimit = 100;
constexpr DWORD kRawKeyLength = 32;
constexpr char16_t kStationProfile[] =
    u"<?xml version=\"1.0\"?><WLANProfile><name>hostednetwork</name></WLANProfile>";

}  // namespace

namespace {

void SetReason(WLAN_HOSTED_NETWORK_REASON* out, WLAN_HOSTED_NETWORK_REASON reason) {
  if (out)
    *out = reason;
}

}  // namespace

bool WirelessService::Available() const {
  return radio_on_ && persistent_.enabled;
}

bool WirelessService::Persist(const WirelessPersistentState& next) {
  if (SameState(next, persistent_))
    return true;
  if (!driver_->SaveSettings(next))
    return false;
  persistent_ = next;
  return true;
}

void WirelessService::MoveTo(WLAN_HOSTED_NETWORK_STATE state, WLAN_HOSTED_NETWORK_REASON reason) {
  if (state == state_)
    return;
  WLAN_HOSTED_NETWORK_STATE_CHANGE change{state_, state, reason};
  if (state_ == wlan_hosted_network_active) {
    // Stations go with the network; the state change alone tells clients.
    driver_->StopAccessPoint();
    peers_.clear();
    device_id_ = GUID_NULL;
    access_point_ = AccessPointInfo{};
  }
  if (state == wlan_hosted_network_active)
    device_id_ = access_point_.device_id != GUID_NULL ? access_point_.device_id : kVirtualAdapter;
  state_ = state;
  Queue(wlan_hosted_network_state_change, &change, sizeof(change));
}

DWORD WirelessService::SetEnabled(bool enabled, WLAN_HOSTED_NETWORK_REASON* fail_reason) {
  WirelessPersistentState next = persistent_;
  next.enabled = enabled;
  // Like the real service, the first allow installs the adapter; disallowing leaves it.
  next.adapter_installed = next.adapter_installed || enabled;
  if (!Persist(next)) {
    SetReason(fail_reason, wlan_hosted_network_reason_persistence_failed);
    return ERROR_ACCESS_DENIED;
  }
  if (!Available())
    MoveTo(wlan_hosted_network_unavailable, wlan_hosted_network_reason_user_action);
  else if (state_ == wlan_hosted_network_unavailable)
    MoveTo(wlan_hosted_network_idle, wlan_hosted_network_reason_user_action);
  SetReason(fail_reason, wlan_hosted_network_reason_success);
  return ERROR_SUCCESS;
}

DWORD WirelessService::HostedNetworkInitSettings(HANDLE, WLAN_HOSTED_NETWORK_REASON* fail_reason) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("WlanHostedNetworkInitSettings"))
    return *fault;
  WirelessPersistentState next = persistent_;
  if (next.ssid.uSSIDLength == 0) {
    // Like the real service: a generated name until the user picks one.
    static const char kDigits[] = "0123456789ABCDEF";
    GUID random = base::NewGuid();
    std::string name = "TAVLO-";
    for (int i = 0; i < 2; ++i) {
      name += kDigits[random.Data4[i] >> 4];
      name += kDigits[random.Data4[i] & 0xF];
    }
    next.ssid.uSSIDLength = static_cast<ULONG>(name.size());
    std::memcpy(next.ssid.ucSSID, name.data(), name.size());
  }
  if (!Persist(next)) {
    SetReason(fail_reason, wlan_hosted_network_reason_persistence_failed);
    return ERROR_ACCESS_DENIED;
  }
  SetReason(fail_reason, wlan_hosted_network_reason_success);
  return ERROR_SUCCESS;
}

DWORD WirelessService::HostedNetworkQueryProperty(HANDLE,
                                                  WLAN_HOSTED_NETWORK_OPCODE opcode,
                                                  DWORD* data_size,
                                                  void** data,
                                                  WLAN_OPCODE_VALUE_TYPE* value_type) {
  if (!data_size || !data)
    return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("WlanHostedNetworkQueryProperty"))
    return *fault;
  std::vector<BYTE> bytes;
  auto put = [&bytes](const void* value, size_t size) {
    bytes.assign(static_cast<const BYTE*>(value), static_cast<const BYTE*>(value) + size);
  };
  WLAN_OPCODE_VALUE_TYPE type = wlan_opcode_value_type_set_by_user;
  switch (opcode) {
    case wlan_hosted_network_opcode_enable: {
      BOOL enabled = persistent_.enabled ? TRUE : FALSE;
      put(&enabled, sizeof(enabled));
      break;
    }
    case wlan_hosted_network_opcode_connection_settings: {
      WLAN_HOSTED_NETWORK_CONNECTION_SETTINGS settings{persistent_.ssid, persistent_.max_peers};
      put(&settings, sizeof(settings));
      break;
    }
    case wlan_hosted_network_opcode_security_settings: {
      WLAN_HOSTED_NETWORK_SECURITY_SETTINGS security{persistent_.auth, persistent_.cipher};
      put(&security, sizeof(security));
      type = wlan_opcode_value_type_query_only;
      break;
    }
    case wlan_hosted_network_opcode_station_profile:
      put(kStationProfile, sizeof(kStationProfile));
      type = wlan_opcode_value_type_query_only;
      break;
    default:
      return ERROR_INVALID_PARAMETER;
  }
  if (auto cut = truncated_.find(opcode); cut != truncated_.end() && cut->second < bytes.size())
    bytes.resize(cut->second);
  void* buffer = nullptr;
  if (!bytes.empty()) {
    buffer = Allocate(bytes.size());
    if (!buffer)
      return ERROR_NOT_ENOUGH_MEMORY;
    std::memcpy(buffer, bytes.data(), bytes.size());
  }
  *data_size = static_cast<DWORD>(bytes.size());
  *data = buffer;
  if (value_type)
    *value_type = type;
  return ERROR_SUCCESS;
}

DWORD WirelessService::HostedNetworkSetProperty(HANDLE,
                                                WLAN_HOSTED_NETWORK_OPCODE opcode,
                                                DWORD data_size,
                                                const void* data,
                                                WLAN_HOSTED_NETWORK_REASON* fail_reason) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("WlanHostedNetworkSetProperty"))
    return *fault;
  SetReason(fail_reason, wlan_hosted_network_reason_bad_parameters);
  if (!data)
    return ERROR_INVALID_PARAMETER;
  switch (opcode) {
    case wlan_hosted_network_opcode_enable: {
      BOOL enabled = FALSE;
      if (data_size != sizeof(enabled))
        return ERROR_INVALID_PARAMETER;
      std::memcpy(&enabled, data, sizeof(enabled));
      return SetEnabled(enabled != FALSE, fail_reason);
    }
    case wlan_hosted_network_opcode_connection_settings: {
      WLAN_HOSTED_NETWORK_CONNECTION_SETTINGS settings;
      if (data_size != sizeof(settings))
        return ERROR_INVALID_PARAMETER;
      std::memcpy(&settings, data, sizeof(settings));
      const ULONG length = settings.hostedNetworkSSID.uSSIDLength;
      if (length == 0 || length > DOT11_SSID_MAX_LENGTH || settings.dwMaxNumberOfPeers == 0 ||
          settings.dwMaxNumberOfPeers > kMaxPeerLimit)
        return ERROR_INVALID_PARAMETER;
      WirelessPersistentState next = persistent_;
      next.ssid = DOT11_SSID{};
      next.ssid.uSSIDLength = length;
      std::memcpy(next.ssid.ucSSID, settings.hostedNetworkSSID.ucSSID, length);
      next.max_peers = settings.dwMaxNumberOfPeers;
      if (!Persist(next)) {
        SetReason(fail_reason, wlan_hosted_network_reason_persistence_failed);
        return ERROR_ACCESS_DENIED;
      }
      SetReason(fail_reason, wlan_hosted_network_reason_success);
      return ERROR_SUCCESS;
    }
    default:
      SetReason(fail_reason, wlan_hosted_network_reason_read_only);
      return ERROR_INVALID_PARAMETER;
  }
}

DWORD WirelessService::HostedNetworkQueryStatus(HANDLE, WLAN_HOSTED_NETWORK_STATUS** status) {
  if (!status)
    return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("WlanHostedNetworkQueryStatus"))
    return *fault;
  const size_t size = offsetof(WLAN_HOSTED_NETWORK_STATUS, PeerList) +
                      std::max<size_t>(peers_.size(), 1) * sizeof(WLAN_HOSTED_NETWORK_PEER_STATE);
  void* raw = Allocate(size);
  if (!raw)
    return ERROR_NOT_ENOUGH_MEMORY;
  std::memset(raw, 0, size);
  auto* result = static_cast<WLAN_HOSTED_NETWORK_STATUS*>(raw);
  result->HostedNetworkState = state_;
  if (state_ == wlan_hosted_network_active) {
    result->IPDeviceID = device_id_;
    std::memcpy(result->wlanHostedNetworkBSSID, access_point_.bssid.data(),
                access_point_.bssid.size());
    result->dot11PhyType = dot11_phy_type_ht;
    result->ulChannelFrequency = access_point_.channel_frequency;
  }
  result->dwNumberOfPeers = static_cast<DWORD>(peers_.size());
  WLAN_HOSTED_NETWORK_PEER_STATE* peers = result->PeerList;
  for (size_t i = 0; i < peers_.size(); ++i) {
    std::memcpy(peers[i].PeerMacAddress, peers_[i].data(), peers_[i].size());
    peers[i].PeerAuthState = wlan_hosted_network_peer_state_authenticated;
  }
  *status = result;
  return ERROR_SUCCESS;
}

DWORD WirelessService::HostedNetworkSetSecondaryKey(HANDLE,
                                                    DWORD key_length,
                                                    const BYTE* key_data,
                                                    BOOL is_passphrase,
                                                    BOOL persistent,
                                                    WLAN_HOSTED_NETWORK_REASON* fail_reason) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("WlanHostedNetworkSetSecondaryKey"))
    return *fault;
  SetReason(fail_reason, wlan_hosted_network_reason_bad_parameters);
  if (!key_data)
    return ERROR_INVALID_PARAMETER;
  if (is_passphrase) {
    if (key_length == 0 || key_data[key_length - 1] != 0 ||
        !IsWpaPassphrase(key_data, key_length - 1))
      return ERROR_INVALID_PARAMETER;
  } else if (key_length != kRawKeyLength) {
    return ERROR_INVALID_PARAMETER;
  }
  std::vector<BYTE> bytes(key_data, key_data + key_length);
  if (persistent) {
    WirelessPersistentState next = persistent_;
    next.key = bytes;
    next.key_is_passphrase = is_passphrase != FALSE;
    if (!Persist(next)) {
      SetReason(fail_reason, wlan_hosted_network_reason_persistence_failed);
      return ERROR_ACCESS_DENIED;
    }
    session_key_.reset();
  } else {
    session_key_ = SecondaryKey{std::move(bytes), is_passphrase != FALSE, false};
  }
  SetReason(fail_reason, wlan_hosted_network_reason_success);
  return ERROR_SUCCESS;
}

DWORD WirelessService::HostedNetworkQuerySecondaryKey(HANDLE,
                                                      DWORD* key_length,
                                                      BYTE** key_data,
                                                      BOOL* is_passphrase,
                                                      BOOL* persistent,
                                                      WLAN_HOSTED_NETWORK_REASON* fail_reason) {
  if (!key_length || !key_data || !is_passphrase || !persistent)
    return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("WlanHostedNetworkQuerySecondaryKey"))
    return *fault;
  SecondaryKey key;
  if (session_key_)
    key = *session_key_;
  else if (!persistent_.key.empty())
    key = SecondaryKey{persistent_.key, persistent_.key_is_passphrase, true};
  BYTE* buffer = nullptr;
  if (!key.bytes.empty()) {
    buffer = static_cast<BYTE*>(Allocate(key.bytes.size()));
    if (!buffer)
      return ERROR_NOT_ENOUGH_MEMORY;
    std::memcpy(buffer, key.bytes.data(), key.bytes.size());
  }
  *key_length = static_cast<DWORD>(key.bytes.size());
  *key_data = buffer;
  *is_passphrase = key.is_passphrase ? TRUE : FALSE;
  *persistent = key.persistent ? TRUE : FALSE;
  SetReason(fail_reason, wlan_hosted_network_reason_success);
  return ERROR_SUCCESS;
}

}  // namespace platform::services
