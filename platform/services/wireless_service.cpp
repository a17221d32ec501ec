// The client interface, the notification thread, faults and observations of the wireless
// service. The hosted network itself is in wireless_service_hosted.cpp.
#include "platform/services/wireless_service.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/result.h"
#include "platform/last_error.h"
#include "platform/services/wlan_entry_points.h"

namespace platform::services {

namespace {

bool SameLibraryName(const WCHAR* name) {
  static constexpr char16_t kLower[] = u"wlanapi.dll";
  if (!name)
    return false;
  size_t i = 0;
  for (; name[i] && kLower[i]; ++i) {
    char16_t c = name[i] >= u'A' && name[i] <= u'Z' ? name[i] - u'A' + u'a' : name[i];
    if (c != kLower[i])
      return false;
  }
  return !name[i] && !kLower[i];
}

}  // namespace

WirelessService::WirelessService(std::unique_ptr<WirelessDriver> driver)
    : driver_(std::move(driver)) {
  driver_->LoadSettings(&persistent_);
  radio_on_ = driver_->RadioOn();
  state_ = Available() ? wlan_hosted_network_idle : wlan_hosted_network_unavailable;
  thread_ = std::thread(&WirelessService::Run, this);
  driver_->Attach(this);
}

WirelessService::~WirelessService() {
  driver_->Attach(nullptr);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (state_ == wlan_hosted_network_active)
      driver_->StopAccessPoint();
  }
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  delivered_.notify_all();
  thread_.join();
  for (auto& [client, unused] : clients_)
    ForgetClientHandle(client);
}

void WirelessService::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
    if (stopping_)
      return;
    Pending note = std::move(pending_.front());
    pending_.pop_front();
    std::vector<HANDLE> targets;
    for (const auto& [client, entry] : clients_) {
      if ((entry.source & WLAN_NOTIFICATION_SOURCE_HNWK) && entry.callback)
        targets.push_back(client);
    }
    for (HANDLE client : targets) {
      // A handle closed or unregistered by an earlier callback gets nothing more.
      auto it = clients_.find(client);
      if (it == clients_.end() || !(it->second.source & WLAN_NOTIFICATION_SOURCE_HNWK) ||
          !it->second.callback || note.sequence <= it->second.since)
        continue;
      Client& entry = it->second;
      auto key = std::make_pair(note.code, note.data);
      if (entry.ignore_duplicate && entry.last_delivered == key)
        continue;
      entry.last_delivered = std::move(key);
      WLAN_NOTIFICATION_DATA data{WLAN_NOTIFICATION_SOURCE_HNWK, note.code, GUID_NULL,
                                  static_cast<DWORD>(note.data.size()),
                                  note.data.empty() ? nullptr : note.data.data()};
      WLAN_NOTIFICATION_CALLBACK callback = entry.callback;
      void* context = entry.context;
      in_callback_ = client;
      lock.unlock();
      callback(&data, context);
      lock.lock();
      in_callback_ = nullptr;
      delivered_.notify_all();
    }
    ++delivered_count_;
    delivered_.notify_all();
  }
}

void WirelessService::WaitForCallbacks(std::unique_lock<std::mutex>& lock, HANDLE client) {
  if (std::this_thread::get_id() == thread_.get_id())
    return;  // called from the callback itself
  delivered_.wait(lock, [this, client] { return in_callback_ != client; });
}

void WirelessService::WaitForDelivery() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (std::this_thread::get_id() == thread_.get_id())
    return;
  const unsigned long long target = queued_;
  delivered_.wait(lock, [this, target] { return delivered_count_ >= target || stopping_; });
}

void WirelessService::Queue(DWORD code, const void* data, size_t size) {
  const BYTE* bytes = static_cast<const BYTE*>(data);
  ++queued_;
  pending_.push_back(Pending{code, std::vector<BYTE>(bytes, bytes + size), queued_});
  wake_.notify_one();
}

std::optional<DWORD> WirelessService::TakeFault(const std::string& operation) {
  auto it = faults_.find(operation);
  if (it == faults_.end())
    return std::nullopt;
  Fault& fault = it->second;
  if (fault.skip > 0) {
    --fault.skip;
    return std::nullopt;
  }
  DWORD code = fault.code;
  if (fault.times > 0 && --fault.times == 0)
    faults_.erase(it);
  return code;
}

void* WirelessService::Allocate(size_t size) {
  if (failing_allocations_ > 0) {
    --failing_allocations_;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* memory = std::malloc(size ? size : 1);
  if (!memory) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  ++outstanding_allocations_;
  return memory;
}

DWORD WirelessService::WlanOpenHandle(DWORD client_version,
                                      void* reserved,
                                      DWORD* negotiated_version,
                                      HANDLE* client) {
  if (reserved || !negotiated_version || !client)
    return ERROR_INVALID_PARAMETER;
  if (client_version != 1 && client_version != WLAN_API_VERSION_2_0)
    return ERROR_NOT_SUPPORTED;
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("WlanOpenHandle"))
    return *fault;
  HANDLE handle = RegisterClientHandle(this);
  clients_.try_emplace(handle);
  *negotiated_version = client_version;
  *client = handle;
  return ERROR_SUCCESS;
}

DWORD WirelessService::WlanCloseHandle(HANDLE client, void* reserved) {
  if (reserved || !client)
    return ERROR_INVALID_PARAMETER;
  std::unique_lock<std::mutex> lock(mutex_);
  if (auto fault = TakeFault("WlanCloseHandle"))
    return *fault;
  if (clients_.erase(client) == 0)
    return ERROR_INVALID_HANDLE;
  WaitForCallbacks(lock, client);
  ForgetClientHandle(client);
  return ERROR_SUCCESS;
}

DWORD WirelessService::WlanRegisterNotification(HANDLE client,
                                                DWORD source,
                                                BOOL ignore_duplicate,
                                                WLAN_NOTIFICATION_CALLBACK callback,
                                                void* context,
                                                void* reserved,
                                                DWORD* previous_source) {
  if (reserved || !client || (source != WLAN_NOTIFICATION_SOURCE_NONE && !callback))
    return ERROR_INVALID_PARAMETER;
  std::unique_lock<std::mutex> lock(mutex_);
  if (auto fault = TakeFault("WlanRegisterNotification"))
    return *fault;
  auto it = clients_.find(client);
  if (it == clients_.end())
    return ERROR_INVALID_HANDLE;
  Client& entry = it->second;
  if (previous_source)
    *previous_source = entry.source;
  if (source == WLAN_NOTIFICATION_SOURCE_NONE) {
    entry.source = WLAN_NOTIFICATION_SOURCE_NONE;
    entry.callback = nullptr;
    entry.context = nullptr;
    WaitForCallbacks(lock, client);
    return ERROR_SUCCESS;
  }
  entry.source = source;
  entry.callback = callback;
  entry.context = context;
  entry.ignore_duplicate = ignore_duplicate != FALSE;
  entry.since = queued_;  // a change from before the registration is not news to it
  entry.last_delivered.reset();
  return ERROR_SUCCESS;
}

DWORD WirelessService::WlanEnumInterfaces(HANDLE client,
                                          void* reserved,
                                          WLAN_INTERFACE_INFO_LIST** list) {
  if (reserved || !client || !list)
    return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto fault = TakeFault("WlanEnumInterfaces"))
    return *fault;
  if (!clients_.count(client))
    return ERROR_INVALID_HANDLE;
  const std::vector<WirelessInterface> interfaces = driver_->Interfaces();
  const size_t count = interfaces.size();
  const size_t size = offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo) +
                      std::max<size_t>(count, 1) * sizeof(WLAN_INTERFACE_INFO);
  void* raw = Allocate(size);
  if (!raw)
    return ERROR_NOT_ENOUGH_MEMORY;
  std::memset(raw, 0, size);
  auto* result = static_cast<WLAN_INTERFACE_INFO_LIST*>(raw);
  result->dwNumberOfItems = static_cast<DWORD>(count);
  for (size_t i = 0; i < count; ++i) {
    WLAN_INTERFACE_INFO& item = result->InterfaceInfo[i];
    item.InterfaceGuid = interfaces[i].guid;
    item.isState = interfaces[i].state;
    std::u16string_view description = interfaces[i].description;
    description = description.substr(0, WLAN_MAX_NAME_LENGTH - 1);
    std::copy(description.begin(), description.end(), item.strInterfaceDescription);
  }
  *list = result;
  return ERROR_SUCCESS;
}

void* WirelessService::WlanAllocateMemory(DWORD size) {
  std::lock_guard<std::mutex> guard(mutex_);
  return Allocate(size);
}

void WirelessService::WlanFreeMemory(void* memory) {
  if (!memory)
    return;
  std::free(memory);
  std::lock_guard<std::mutex> guard(mutex_);
  --outstanding_allocations_;
}

HMODULE WirelessService::LoadLibraryW(const WCHAR* name) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (library_missing_ || !SameLibraryName(name)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ++library_loads_;
  return &module_tag_;
}

FARPROC WirelessService::GetProcAddress(HMODULE module, const char* name) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (module != &module_tag_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto missing = name ? missing_.find(name) : missing_.end();
  const bool is_missing = missing != missing_.end() && missing->second;
  FARPROC proc = name && !is_missing ? FindHostedNetworkExport(name) : nullptr;
  if (!proc)
    SetLastError(ERROR_PROC_NOT_FOUND);
  return proc;
}

BOOL WirelessService::FreeLibrary(HMODULE module) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (module != &module_tag_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ++library_releases_;
  return TRUE;
}

void WirelessService::InjectNotification(DWORD code, const void* data, DWORD size) {
  std::lock_guard<std::mutex> guard(mutex_);
  Queue(code, data, data ? size : 0);
}

void WirelessService::SetFunctionMissing(const std::string& name, bool missing) {
  std::lock_guard<std::mutex> guard(mutex_);
  missing_[name] = missing;
}

void WirelessService::SetLibraryMissing(bool missing) {
  std::lock_guard<std::mutex> guard(mutex_);
  library_missing_ = missing;
}

void WirelessService::FailCalls(const std::string& operation, DWORD code, int times, int skip) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (times == 0)
    faults_.erase(operation);
  else
    faults_[operation] = Fault{code, times, skip};
}

void WirelessService::TruncateProperty(WLAN_HOSTED_NETWORK_OPCODE opcode, DWORD size) {
  std::lock_guard<std::mutex> guard(mutex_);
  truncated_[opcode] = size;
}

void WirelessService::FailAllocations(int times) {
  std::lock_guard<std::mutex> guard(mutex_);
  failing_allocations_ = times;
}

void WirelessService::ClearFaults() {
  std::lock_guard<std::mutex> guard(mutex_);
  missing_.clear();
  library_missing_ = false;
  faults_.clear();
  truncated_.clear();
  failing_allocations_ = 0;
}

WirelessService::Snapshot WirelessService::GetSnapshot() const {
  std::lock_guard<std::mutex> guard(mutex_);
  Snapshot snapshot;
  snapshot.state = state_;
  snapshot.enabled = persistent_.enabled;
  snapshot.radio_on = radio_on_;
  snapshot.settings.hostedNetworkSSID = persistent_.ssid;
  snapshot.settings.dwMaxNumberOfPeers = persistent_.max_peers;
  if (session_key_)
    snapshot.key = *session_key_;
  else if (!persistent_.key.empty())
    snapshot.key = SecondaryKey{persistent_.key, persistent_.key_is_passphrase, true};
  snapshot.peers = peers_;
  snapshot.device_id = state_ == wlan_hosted_network_active ? device_id_ : GUID_NULL;
  snapshot.adapter_installed = persistent_.adapter_installed;
  snapshot.open_clients = clients_.size();
  for (const auto& [client, entry] : clients_)
    snapshot.registered_clients += entry.source != WLAN_NOTIFICATION_SOURCE_NONE;
  snapshot.library_loads = library_loads_;
  snapshot.library_releases = library_releases_;
  snapshot.outstanding_allocations = outstanding_allocations_;
  return snapshot;
}

}  // namespace platform::services
