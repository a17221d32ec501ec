// platform::services::WirelessService: the hosted-network service every backend shares. It
// behaves like the system's service: a hosted network with its enable property, connection and
// security settings and secondary key (kept between runs through the driver), states
// unavailable / idle / active, stations that associate and leave, and hosted-network
// notifications delivered on a thread of its own, in the order the changes happened. What the
// radio, the access point and the stations physically do is the driver's (wireless_driver.h).
//
// Beside the client interface it offers what the netsh lines do (Allow, Start, Stop), faults
// for tests (missing functions, failing calls, short property data, failing allocations) and
// observations.
//
// Thread affinity: every method may be called from any thread. Callbacks run on the service
// thread; they may call back into the service.
// Ownership: owns its driver. The service must outlive every client handle and bound function
// in use.
// Failure: Win32 codes as the real service gives them.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/hosted_network_functions.h"
#include "platform/services/hosted_network_settings.h"
#include "platform/services/wireless_driver.h"
#include "platform/wlan_api.h"

namespace platform::services {

class WirelessService : public WlanApi, private WirelessDriverEvents {
 public:
  // Loads the settings through the driver. A store that cannot be written makes every change
  // that must persist fail (ERROR_ACCESS_DENIED, reason persistence_failed).
  explicit WirelessService(std::unique_ptr<WirelessDriver> driver);
  // Detaches the driver and stops the service thread; notifications not yet delivered are
  // dropped and client handles still open become invalid.
  ~WirelessService() override;
  WirelessService(const WirelessService&) = delete;
  WirelessService& operator=(const WirelessService&) = delete;

  // platform::WlanApi
  DWORD WlanOpenHandle(DWORD client_version,
                       void* reserved,
                       DWORD* negotiated_version,
                       HANDLE* client) override;
  DWORD WlanCloseHandle(HANDLE client, void* reserved) override;
  DWORD WlanRegisterNotification(HANDLE client,
                                 DWORD source,
                                 BOOL ignore_duplicate,
                                 WLAN_NOTIFICATION_CALLBACK callback,
                                 void* context,
                                 void* reserved,
                                 DWORD* previous_source) override;
  DWORD WlanEnumInterfaces(HANDLE client, void* reserved, WLAN_INTERFACE_INFO_LIST** list) override;
  void* WlanAllocateMemory(DWORD size) override;
  void WlanFreeMemory(void* memory) override;
  HMODULE LoadLibraryW(const WCHAR* name) override;
  FARPROC GetProcAddress(HMODULE module, const char* name) override;
  BOOL FreeLibrary(HMODULE module) override;

  // The service side of the six functions that GetProcAddress hands out. `client` has been
  // checked to belong to this service. SetSecondaryKey refuses, with ERROR_INVALID_PARAMETER,
  // a passphrase the radio cannot use (IsWpaPassphrase, counted without its terminating zero)
  // and a raw key that is not 32 bytes.
  DWORD HostedNetworkInitSettings(HANDLE client, WLAN_HOSTED_NETWORK_REASON* fail_reason);
  DWORD HostedNetworkQueryProperty(HANDLE client,
                                   WLAN_HOSTED_NETWORK_OPCODE opcode,
                                   DWORD* data_size,
                                   void** data,
                                   WLAN_OPCODE_VALUE_TYPE* value_type);
  DWORD HostedNetworkSetProperty(HANDLE client,
                                 WLAN_HOSTED_NETWORK_OPCODE opcode,
                                 DWORD data_size,
                                 const void* data,
                                 WLAN_HOSTED_NETWORK_REASON* fail_reason);
  DWORD HostedNetworkQueryStatus(HANDLE client, WLAN_HOSTED_NETWORK_STATUS** status);
  DWORD HostedNetworkSetSecondaryKey(HANDLE client,
                                     DWORD key_length,
                                     const BYTE* key_data,
                                     BOOL is_passphrase,
                                     BOOL persistent,
                                     WLAN_HOSTED_NETWORK_REASON* fail_reason);
  DWORD HostedNetworkQuerySecondaryKey(HANDLE client,
                                       DWORD* key_length,
                                       BYTE** key_data,
                                       BOOL* is_passphrase,
                                       BOOL* persistent,
                                       WLAN_HOSTED_NETWORK_REASON* fail_reason);

  // The virtual adapter, once the system has one (from the first allow, in any run):
  // `installed`, and `active` while the hosted network runs on it.
  struct AdapterStatus {
    bool installed = false;
    bool active = false;
  };
  AdapterStatus Adapter() const;

  // What the three netsh lines do. Allow sets the enable property; the first allow of the
  // system installs the virtual adapter, which stays (kept with the settings). Start needs the
  // property allowed, the radio on, an SSID and a key the radio can use, and the driver's access
  // point, and moves idle to active with a fresh device id (ERROR_INVALID_STATE /
  // ERROR_BAD_CONFIGURATION / the driver's code otherwise; 0 when already active). Stop moves
  // active to idle and every station leaves with the network (ERROR_INVALID_STATE when not
  // active).
  DWORD Allow(bool allowed);
  DWORD Start();
  DWORD Stop();

  // Queues a hosted-network notification with any payload, as a misbehaving service might.
  void InjectNotification(DWORD code, const void* data, DWORD size);

  // Faults. `operation` is a function name ("WlanOpenHandle", "WlanHostedNetworkQueryProperty",
  // ...) or "Allow", "Start", "Stop". FailCalls lets `skip` calls pass, then fails `times`
  // calls (-1: every later call) with `code` without doing anything else.
  void SetFunctionMissing(const std::string& name, bool missing);
  void SetLibraryMissing(bool missing);
  void FailCalls(const std::string& operation, DWORD code, int times = -1, int skip = 0);
  // Answers queries of `opcode` with at most `size` bytes (no data at all for 0).
  void TruncateProperty(WLAN_HOSTED_NETWORK_OPCODE opcode, DWORD size);
  void FailAllocations(int times);
  void ClearFaults();

  struct SecondaryKey {
    std::vector<BYTE> bytes;
    bool is_passphrase = false;
    bool persistent = false;
  };
  struct Snapshot {
    WLAN_HOSTED_NETWORK_STATE state = wlan_hosted_network_unavailable;
    bool enabled = false;
    bool radio_on = false;
    WLAN_HOSTED_NETWORK_CONNECTION_SETTINGS settings{};
    SecondaryKey key;
    std::vector<MacAddress> peers;
    GUID device_id{};
    bool adapter_installed = false;
    size_t open_clients = 0;
    size_t registered_clients = 0;
    int library_loads = 0;     // successful LoadLibraryW calls
    int library_releases = 0;  // FreeLibrary calls
    long outstanding_allocations = 0;
  };
  Snapshot GetSnapshot() const;

  // Blocks until every notification queued before the call has been delivered. Returns at
  // once on the service thread.
  void WaitForDelivery();

 private:
  struct Client {
    DWORD source = WLAN_NOTIFICATION_SOURCE_NONE;
    WLAN_NOTIFICATION_CALLBACK callback = nullptr;
    void* context = nullptr;
    bool ignore_duplicate = false;
    unsigned long long since = 0;  // hears of changes queued after this count only
    std::optional<std::pair<DWORD, std::vector<BYTE>>> last_delivered;
  };
  struct Pending {
    DWORD code;
    std::vector<BYTE> data;
    unsigned long long sequence;
  };
  struct Fault {
    DWORD code;
    int times;
    int skip;
  };
  // WirelessDriverEvents
  void OnRadioChanged(bool on) override;
  void OnAccessPointStopped() override;
  DWORD OnStationJoined(const MacAddress& mac) override;
  DWORD OnStationLeft(const MacAddress& mac) override;

  void Run();
  // All below: `mutex_` held.
  std::optional<DWORD> TakeFault(const std::string& operation);
  void Queue(DWORD code, const void* data, size_t size);
  void MoveTo(WLAN_HOSTED_NETWORK_STATE state, WLAN_HOSTED_NETWORK_REASON reason);
  bool Available() const;
  bool HasUsableKey() const;
  bool Persist(const WirelessPersistentState& next);
  DWORD SetEnabled(bool enabled, WLAN_HOSTED_NETWORK_REASON* fail_reason);
  void* Allocate(size_t size);
  void WaitForCallbacks(std::unique_lock<std::mutex>& lock, HANDLE client);

  mutable std::mutex mutex_;
  std::condition_variable wake_;       // the service thread: work or stop
  std::condition_variable delivered_;  // callers waiting for callbacks or delivery

  std::unique_ptr<WirelessDriver> driver_;
  WirelessPersistentState persistent_;
  std::optional<SecondaryKey> session_key_;  // a non-persistent key, until the service ends
  WLAN_HOSTED_NETWORK_STATE state_ = wlan_hosted_network_unavailable;
  bool radio_on_ = true;
  GUID device_id_{};
  AccessPointInfo access_point_;
  std::vector<MacAddress> peers_;

  std::map<HANDLE, Client> clients_;
  std::deque<Pending> pending_;
  unsigned long long queued_ = 0;
  unsigned long long delivered_count_ = 0;
  HANDLE in_callback_ = nullptr;
  bool stopping_ = false;

  std::map<std::string, bool> missing_;
  bool library_missing_ = false;
  std::map<std::string, Fault> faults_;
  std::map<DWORD, DWORD> truncated_;
  int failing_allocations_ = 0;
  int library_loads_ = 0;
  int library_releases_ = 0;
  long outstanding_allocations_ = 0;
  char module_tag_ = 0;  // its address is the module handle

  std::thread thread_;  // last: starts after everything above is ready
};

}  // namespace platform::services
