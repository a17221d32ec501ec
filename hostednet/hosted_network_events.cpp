// Hosted-network notifications, the station list and the sink call protocol: the model is
// changed under the lock, and the sink is called after the lock is left, with the call marked
// on the sink-idle event so that Close can wait for it.
#include <cstring>
#include <new>

#include "hostednet/hosted_network.h"

void CHostedNetwork::NotificationCallback(const WLAN_NOTIFICATION_DATA* data, void* context) {
  static_cast<CHostedNetwork*>(context)->OnNotification(data);
}

void CHostedNetwork::OnNotification(const WLAN_NOTIFICATION_DATA* data) {
  if (!data || data->NotificationSource != WLAN_NOTIFICATION_SOURCE_HNWK || !data->pData)
    return;
  switch (data->NotificationCode) {
    case wlan_hosted_network_state_change: {
      if (data->dwDataSize != sizeof(WLAN_HOSTED_NETWORK_STATE_CHANGE))
        return;
      WLAN_HOSTED_NETWORK_STATE_CHANGE change;
      std::memcpy(&change, data->pData, sizeof(change));
      // The notification's own states decide, not the stored one.
      switch (change.NewState) {
        case wlan_hosted_network_unavailable:
          if (change.OldState == wlan_hosted_network_active)
            ClearStations();
          SetState(wlan_hosted_network_unavailable);
          break;
        case wlan_hosted_network_idle:
          if (change.OldState == wlan_hosted_network_active)
            ClearStations();
          else
            SetState(wlan_hosted_network_idle);
          break;
        case wlan_hosted_network_active:
          SetState(wlan_hosted_network_active);
          break;
        default:
          break;
      }
      return;
    }
    case wlan_hosted_network_peer_state_change: {
      if (data->dwDataSize != sizeof(WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE))
        return;
      WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE change;
      std::memcpy(&change, data->pData, sizeof(change));
      if (change.NewState.PeerAuthState == wlan_hosted_network_peer_state_authenticated)
        AddStation(change.NewState.PeerMacAddress);
      else if (change.NewState.PeerAuthState == wlan_hosted_network_peer_state_invalid)
        RemoveStation(change.NewState.PeerMacAddress);
      return;
    }
    default:
      return;  // radio state changes and anything else
  }
}

CHostedNetworkNotificationSink* CHostedNetwork::TakeSinkLocked() {
  if (sink_ && sink_idle_)
    sink_idle_->BeginCall();
  return sink_idle_ ? sink_ : nullptr;
}

void CHostedNetwork::EndSinkCall() {
  // Close waits for this before it lets sink_idle_ go.
  sink_idle_->EndCall();
}

void CHostedNetwork::SetState(WLAN_HOSTED_NETWORK_STATE state) {
  CHostedNetworkNotificationSink* sink;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    state_ = state;
    sink = TakeSinkLocked();
  }
  if (!sink)
    return;
  switch (state) {
    case wlan_hosted_network_unavailable:
      sink->OnHostedNetworkUnavailable();
      break;
    case wlan_hosted_network_idle:
      sink->OnHostedNetworkIdle();
      break;
    case wlan_hosted_network_active:
      sink->OnHostedNetworkStarted();
      break;
  }
  EndSinkCall();
}

void CHostedNetwork::AddStation(const DOT11_MAC_ADDRESS& mac) {
  CWlanStation* station = new (std::nothrow) CWlanStation(mac);
  if (!station)
    return;  // the arrival is dropped
  CHostedNetworkNotificationSink* sink;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    stations_.AddShared(station);
    sink = TakeSinkLocked();
  }
  if (sink) {
    sink->OnStationJoined(station);
    EndSinkCall();
  }
  station->Release();
}

void CHostedNetwork::RemoveStation(const DOT11_MAC_ADDRESS& mac) {
  CWlanStation* station = nullptr;
  CHostedNetworkNotificationSink* sink;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    for (size_t i = 0; i < stations_.GetCount(); ++i) {
      if (stations_.GetAt(i)->HasAddress(mac)) {
        station = stations_.DetachAt(i);  // the oldest entry with that address
        break;
      }
    }
    if (!station)
      return;
    sink = TakeSinkLocked();
  }
  if (sink) {
    sink->OnStationLeft(station);
    EndSinkCall();
  }
  station->Release();
}

void CHostedNetwork::ClearStations() {
  CRefObjectList<CWlanStation> leaving;
  CHostedNetworkNotificationSink* sink;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    leaving = std::move(stations_);
    state_ = wlan_hosted_network_idle;
    sink = TakeSinkLocked();
  }
  while (!leaving.IsEmpty()) {
    CWlanStation* station = leaving.DetachAt(0);
    if (sink)
      sink->OnStationLeft(station);
    station->Release();
  }
  if (sink) {
    sink->OnHostedNetworkStopped();
    EndSinkCall();
  }
}
