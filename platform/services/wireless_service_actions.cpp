// What happens to the hosted network from outside its client interface: the netsh lines
// (allow, start, stop), and what the driver reports of stations and the radio.
#include <algorithm>
#include <cstring>

#include "base/result.h"
#include "platform/services/wireless_service.h"

namespace platform::services {

namespace {

WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE PeerChange(const MacAddress& mac,
                                                      WLAN_HOSTED_NETWORK_PEER_AUTH_STATE from,
                                                      WLAN_HOSTED_NETWORK_PEER_AUTH_STATE to,
                                                      WLAN_HOSTED_NETWORK_REASON reason) {
  WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE change{};
  std::memcpy(change.OldState.PeerMacAddress, mac.data(), mac.size());
  std::memcpy(change.NewState.PeerMacAddress, mac.data(), mac.size());
  change.OldState.PeerAuthState = from;
  change.NewState.PeerAuthState = to;
  change.PeerStateChangeReason = reason;
  return change;
}

}  // namespace

WirelessService::AdapterStatus WirelessService::Adapter() const {
  std::lock_guard<std::mutex> guard(mutex_);
  const bool active = state_ == wlan_hosted_network_active;
  return AdapterStatus{persistent_.adapter_installed || active, active};
}

bool WirelessService::HasUsableKey() const {
  const std::vector<BYTE>& key = session_key_ ? session_key_->bytes : persistent_.key;
  const bool is_passphrase =
      session_key_ ? session_key_->is_passphrase : persistent_.key_is_passphrase;
  if (key.empty())
    return false;
  // A file written before passphrases were checked may hold one the radio cannot use.
  return !is_passphrase || (key.back() == 0 && IsWpaPassphrase(key.data(), key.size() - 1));
}

DWORD WirelessService::Allow(bool allowed) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("Allow"))
    return *fault;
  return SetEnabled(allowed, nullptr);
}

DWORD WirelessService::Start() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("Start"))
    return *fault;
  if (state_ == wlan_hosted_network_active)
    return ERROR_SUCCESS;
  if (state_ == wlan_hosted_network_unavailable)
    return ERROR_INVALID_STATE;
  if (!HasUsableKey() || persistent_.ssid.uSSIDLength == 0)
    return ERROR_BAD_CONFIGURATION;
  AccessPointSettings settings;
  settings.ssid = persistent_.ssid;
  settings.max_peers = persistent_.max_peers;
  settings.auth = persistent_.auth;
  settings.cipher = persistent_.cipher;
  settings.key = session_key_ ? session_key_->bytes : persistent_.key;
  settings.key_is_passphrase =
      session_key_ ? session_key_->is_passphrase : persistent_.key_is_passphrase;
  AccessPointInfo info;
  if (DWORD error = driver_->StartAccessPoint(settings, &info); error != ERROR_SUCCESS)
    return error;
  access_point_ = info;
  if (!persistent_.adapter_installed) {
    // Started without an explicit allow (the property is on by default): the adapter comes
    // with the first start. Failing to note it only costs the next run a retry.
    WirelessPersistentState next = persistent_;
    next.adapter_installed = true;
    Persist(next);
  }
  MoveTo(wlan_hosted_network_active, wlan_hosted_network_reason_user_action);
  return ERROR_SUCCESS;
}

DWORD WirelessService::Stop() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("Stop"))
    return *fault;
  if (state_ != wlan_hosted_network_active)
    return ERROR_INVALID_STATE;
  MoveTo(wlan_hosted_network_idle, wlan_hosted_network_reason_user_action);
  return ERROR_SUCCESS;
}

DWORD WirelessService::OnStationJoined(const MacAddress& mac) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (state_ != wlan_hosted_network_active)
    return ERROR_INVALID_STATE;
  if (std::find(peers_.begin(), peers_.end(), mac) != peers_.end())
    return ERROR_ALREADY_EXISTS;
  if (peers_.size() >= persistent_.max_peers)
    return ERROR_NO_MORE_ITEMS;
  peers_.push_back(mac);
  const auto change = PeerChange(mac, wlan_hosted_network_peer_state_invalid,
                                 wlan_hosted_network_peer_state_authenticated,
                                 wlan_hosted_network_reason_peer_arrived);
  Queue(wlan_hosted_network_peer_state_change, &change, sizeof(change));
  return ERROR_SUCCESS;
}

DWORD WirelessService::OnStationLeft(const MacAddress& mac) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = std::find(peers_.begin(), peers_.end(), mac);
  if (it == peers_.end())
    return ERROR_NOT_FOUND;
  peers_.erase(it);
  const auto change =
      PeerChange(mac, wlan_hosted_network_peer_state_authenticated,
                 wlan_hosted_network_peer_state_invalid, wlan_hosted_network_reason_peer_departed);
  Queue(wlan_hosted_network_peer_state_change, &change, sizeof(change));
  return ERROR_SUCCESS;
}

void WirelessService::OnAccessPointStopped() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (state_ == wlan_hosted_network_active)
    MoveTo(wlan_hosted_network_idle, wlan_hosted_network_reason_miniport_stopped);
}

void WirelessService::OnRadioChanged(bool on) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (radio_on_ == on)
    return;
  radio_on_ = on;
  WLAN_HOSTED_NETWORK_RADIO_STATE radio{on ? dot11_radio_state_on : dot11_radio_state_off,
                                        dot11_radio_state_on};
  Queue(wlan_hosted_network_radio_state_change, &radio, sizeof(radio));
  if (!on)
    MoveTo(wlan_hosted_network_unavailable, wlan_hosted_network_reason_interface_unavailable);
  else if (Available() && state_ == wlan_hosted_network_unavailable)
    MoveTo(wlan_hosted_network_idle, wlan_hosted_network_reason_interface_available);
}
}  // namespace platform::services
