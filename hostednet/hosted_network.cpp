// Opening and closing the controller, registering the sink, and the queries that read the
// model. Notifications and stations are in hosted_network_events.cpp, settings in
// hosted_network_settings.cpp.
#include "hostednet/hosted_network.h"

#include <cstring>
#include <new>

#include "hostednet/wlan_buffer.h"
#include "platform/hosted_network_functions.h"

struct CHostedNetwork::OpenBuffers {
  explicit OpenBuffers(platform::WlanApi* api)
      : enabled(api), settings(api), security(api), status(api) {}
  WlanBuffer<> enabled;
  WlanBuffer<> settings;
  WlanBuffer<> security;
  WlanBuffer<WLAN_HOSTED_NETWORK_STATUS> status;
};

CHostedNetwork::CHostedNetwork(platform::WlanApi* api, const platform::CodePage* code_page)
    : api_(api), code_page_(code_page) {}

CHostedNetwork::~CHostedNetwork() {
  Close();
}

HRESULT CHostedNetwork::Open() {
  HANDLE stale = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (initialized_ || closed_)
      return S_OK;
    // A client left open by an earlier Open that could not finish; a second one would get
    // every notification twice.
    stale = std::exchange(client_, nullptr);
  }
  if (stale && api_->WlanCloseHandle(stale, nullptr) != 0) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    client_ = stale;
    return S_OK;
  }

  OpenBuffers buffers(api_);  // freed after the lock is left, on every path
  HANDLE to_close = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (initialized_)
      return S_OK;
    if (OpenLocked(&buffers) == OpenResult::kFailClose)
      to_close = std::exchange(client_, nullptr);
  }
  // Closed outside the lock: closing waits for a callback in progress, which may be waiting
  // for this very lock. A handle that would not close is kept, so that Close tries again
  // before this object goes away.
  if (to_close && api_->WlanCloseHandle(to_close, nullptr) != 0) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    client_ = to_close;
  }
  return S_OK;
}

CHostedNetwork::OpenResult CHostedNetwork::OpenLocked(OpenBuffers* buffers) {
  HANDLE client = nullptr;
  if (api_->WlanOpenHandle(WLAN_API_VERSION_2_0, nullptr, &negotiated_version_, &client) != 0)
    return OpenResult::kFailClose;
  client_ = client;
  if (api_->WlanRegisterNotification(client_, WLAN_NOTIFICATION_SOURCE_HNWK, TRUE,
                                     &CHostedNetwork::NotificationCallback, this, nullptr,
                                     nullptr) != 0)
    return OpenResult::kFailClose;

  // Optional: older systems settle their settings without it.
  if (auto init = platform::BindWlanFunction<platform::WlanHostedNetworkInitSettingsFn>(
          *api_, "WlanHostedNetworkInitSettings")) {
    if (init(client_, nullptr, nullptr) != 0)
      return OpenResult::kFailClose;
  }

  struct PropertyQuery {
    WLAN_HOSTED_NETWORK_OPCODE opcode;
    WlanBuffer<>* buffer;
    DWORD minimum_size;
  };
  const PropertyQuery queries[] = {
      {wlan_hosted_network_opcode_enable, &buffers->enabled, sizeof(BOOL)},
      {wlan_hosted_network_opcode_connection_settings, &buffers->settings,
       sizeof(WLAN_HOSTED_NETWORK_CONNECTION_SETTINGS)},
      {wlan_hosted_network_opcode_security_settings, &buffers->security,
       sizeof(WLAN_HOSTED_NETWORK_SECURITY_SETTINGS)},
  };
  for (const PropertyQuery& query : queries) {
    auto query_property = platform::BindWlanFunction<platform::WlanHostedNetworkQueryPropertyFn>(
        *api_, "WlanHostedNetworkQueryProperty");
    if (!query_property)
      return OpenResult::kFailKeepOpen;
    DWORD size = 0;
    WLAN_OPCODE_VALUE_TYPE value_type;
    if (query_property(client_, query.opcode, &size, query.buffer->out(), &value_type, nullptr) !=
        0)
      return OpenResult::kFailClose;
    if (!query.buffer->get() || size < query.minimum_size)
      return OpenResult::kFailKeepOpen;
  }

  auto query_status = platform::BindWlanFunction<platform::WlanHostedNetworkQueryStatusFn>(
      *api_, "WlanHostedNetworkQueryStatus");
  if (!query_status)
    return OpenResult::kFailKeepOpen;
  if (query_status(client_, buffers->status.out(), nullptr) != 0)
    return OpenResult::kFailClose;
  const WLAN_HOSTED_NETWORK_STATUS* status = buffers->status.get();
  if (!status)
    return OpenResult::kFailKeepOpen;

  std::memcpy(&enabled_, buffers->enabled.get(), sizeof(enabled_));
  std::memcpy(&connection_settings_, buffers->settings.get(), sizeof(connection_settings_));
  WLAN_HOSTED_NETWORK_SECURITY_SETTINGS security;
  std::memcpy(&security, buffers->security.get(), sizeof(security));
  auth_algorithm_ = security.dot11AuthAlgo;
  cipher_algorithm_ = security.dot11CipherAlgo;
  state_ = status->HostedNetworkState;
  if (state_ == wlan_hosted_network_active) {
    // No sink can be registered yet, so this reports nothing.
    const WLAN_HOSTED_NETWORK_PEER_STATE* peers = status->PeerList;
    for (DWORD i = 0; i < status->dwNumberOfPeers; ++i)
      AddStation(peers[i].PeerMacAddress);
  }
  initialized_ = true;
  return OpenResult::kDone;
}

DWORD CHostedNetwork::RegisterSink(CHostedNetworkNotificationSink* sink) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!initialized_ || closed_)
    return ERROR_SUCCESS;
  if (!sink_idle_) {
    sink_idle_.reset(new (std::nothrow) CSinkIdleEvent);
    if (!sink_idle_)
      return ERROR_NOT_ENOUGH_MEMORY;
  }
  sink_ = sink;
  if (!sink_)
    return ERROR_SUCCESS;
  // The replay runs under the lock, so no notification can overtake it.
  if (state_ == wlan_hosted_network_unavailable) {
    sink_->OnHostedNetworkUnavailable();
  } else if (state_ == wlan_hosted_network_active) {
    for (CWlanStation* station : stations_)
      sink_->OnStationJoined(station);
  }
  return ERROR_SUCCESS;
}

HRESULT CHostedNetwork::IsActive(bool* active) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!initialized_)
    return kHostedNetworkNotReady;
  if (active)
    *active = state_ == wlan_hosted_network_active;
  return S_OK;
}

HANDLE CHostedNetwork::Client() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  return client_;
}

HRESULT CHostedNetwork::FindConnectedInterface(GUID* interface_guid) {
  const HANDLE client = Client();
  WlanBuffer<WLAN_INTERFACE_INFO_LIST> list(api_);
  if (api_->WlanEnumInterfaces(client, nullptr, list.out()) != 0 || !list.get())
    return E_FAIL;
  const WLAN_INTERFACE_INFO* items = list.get()->InterfaceInfo;
  for (DWORD i = 0; i < list.get()->dwNumberOfItems; ++i) {
    if (items[i].isState == wlan_interface_state_connected) {
      if (interface_guid)
        *interface_guid = items[i].InterfaceGuid;
      break;
    }
  }
  return S_FALSE;
}

void CHostedNetwork::Close() {
  CSinkIdleEvent* sink_idle = nullptr;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (closed_)
      return;
    closed_ = true;
    if (sink_) {
      sink_ = nullptr;
      sink_idle = sink_idle_.get();
    }
  }
  // No sink call starts from here on; wait for the one that may be running.
  if (sink_idle)
    sink_idle->WaitUntilIdle();
  HANDLE client;
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    client = std::exchange(client_, nullptr);
  }
  if (client && api_->WlanCloseHandle(client, nullptr) != 0) {
    // The callbacks point at this object: they must stop even if the handle stays.
    api_->WlanRegisterNotification(client, WLAN_NOTIFICATION_SOURCE_NONE, FALSE, nullptr, nullptr,
                                   nullptr, nullptr);
  }
  // The service calls back no more: what the callbacks touch can go.
  std::lock_guard<std::recursive_mutex> guard(lock_);
  sink_idle_.reset();
  while (!stations_.IsEmpty())
    stations_.RemoveAt(stations_.GetCount() - 1);
}

bool CHostedNetwork::RunIfActive(const std::function<void()>& action) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!initialized_ || state_ != wlan_hosted_network_active)
    return false;
  action();
  return true;
}
