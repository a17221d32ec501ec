// CHostedNetwork: the program's gateway to the hosted network (the soft access point of the
// wireless service). It opens a client of the wireless service, subscribes to hosted-network
// notifications, keeps a snapshot of the network's properties and its state, tracks the
// associated stations, reports changes to one registered sink, and reads and writes the SSID,
// the passphrase and the enable property.
//
// Thread affinity: Open, RegisterSink, IsActive, FindConnectedInterface, RunIfActive and the
// settings operations run on the worker thread; OnNotification on the wireless service's
// thread; Close on the window's thread. The model is guarded by one re-entrant lock. Sink calls
// from notifications run outside that lock (the replay in RegisterSink runs under it).
// Ownership: the WlanApi and CodePage are not owned and must outlive the controller; the sink
// is not owned and may be deleted once Close has returned. Stations are reference-counted.
// Failure: Open absorbs every failure and leaves the controller uninitialised; the operations
// then answer 0x8007139F (HRESULT of ERROR_INVALID_STATE) where they report state.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/random.h"
#include "base/ref_object_list.h"
#include "base/result.h"
#include "hostednet/hosted_network_notification_sink.h"
#include "hostednet/sink_idle_event.h"
#include "hostednet/wlan_station.h"
#include "platform/code_page.h"
#include "platform/wlan_api.h"

constexpr HRESULT kHostedNetworkNotReady = HresultFromWin32(ERROR_INVALID_STATE);
// GetKey found no usable passphrase and could not make one: the random source failed.
constexpr HRESULT kDefaultKeyUnavailable = HresultFromWin32(31);  // ERROR_GEN_FAILURE

class CHostedNetwork {
 public:
  CHostedNetwork(platform::WlanApi* api, const platform::CodePage* code_page);
  // Closes the controller if Close was not called.
  ~CHostedNetwork();
  CHostedNetwork(const CHostedNetwork&) = delete;
  CHostedNetwork& operator=(const CHostedNetwork&) = delete;

  // Always S_OK; whether it worked shows through IsActive and the settings operations.
  HRESULT Open();
  // 0, also when not initialised (then nothing is stored), or the code of a failure to set up
  // the sink-idle event. Replays the current state to `sink` under the lock.
  DWORD RegisterSink(CHostedNetworkNotificationSink* sink);
  // S_OK with *active = (state is active); 0x8007139F when not initialised (*active untouched).
  HRESULT IsActive(bool* active);
  // E_FAIL when interfaces cannot be listed; otherwise S_FALSE, with *interface_guid set to the
  // first connected interface when there is one and untouched when there is none.
  HRESULT FindConnectedInterface(GUID* interface_guid);
  // Detaches the sink and waits for a sink call in progress, closes the client and releases
  // the stations. Nothing calls the sink once it returns. Further calls do nothing.
  void Close();
  // Target of the wireless service's callback.
  void OnNotification(const WLAN_NOTIFICATION_DATA* data);

  // Runs `action` under the controller's lock when it is initialised and the hosted network
  // is active, so the state cannot change in between. Returns whether it ran.
  bool RunIfActive(const std::function<void()>& action);

  // Settings (worker thread only).
  // S_OK when accepted or when nothing was attempted (text not convertible, not initialised,
  // function missing); otherwise the HRESULT of the service's error, with the old SSID kept.
  HRESULT SetSsid(const std::u16string& text);
  // S_OK with the text; 0x8007139F when not initialised (*text untouched); on a conversion
  // failure *text = "ztzj" and the HRESULT of the conversion error.
  HRESULT GetSsid(std::u16string* text);
  // Always S_OK; writes the passphrase persistently when it converts (8 to 63 bytes).
  HRESULT SetKey(const std::u16string& text);
  // S_OK, *text = the system's passphrase. When there is none (or it is a raw key, or not
  // valid in the code page) a new random passphrase (DefaultKey) is written persistently and
  // given, so later reads give the same one. *text is untouched when the query fails (S_OK)
  // and when the random source fails (kDefaultKeyUnavailable; nothing is written).
  HRESULT GetKey(std::u16string* text);
  // Always S_OK; *device_id gets IPDeviceID, untouched when the status cannot be read.
  HRESULT QueryDeviceId(GUID* device_id);
  // Switches the enable property off: the service's code, or 0 when the function is missing.
  DWORD Disable();

  // Text conversions in the system code page (Win32 codes).
  // ERROR_INVALID_PARAMETER for null or empty text, ERROR_BAD_LENGTH beyond 32 bytes.
  DWORD SsidFromText(const WCHAR* text, DOT11_SSID* ssid) const;
  // `capacity` is in characters, in and out; ERROR_INSUFFICIENT_BUFFER stores the need.
  DWORD SsidToText(const DOT11_SSID* ssid, WCHAR* buffer, DWORD* capacity) const;
  // `size` is in bytes, in and out; the result is 8 to 63 bytes and a zero byte.
  // ERROR_MORE_DATA stores the need; every other error sets *size to 0.
  DWORD PassphraseFromText(const WCHAR* text, DWORD length, BYTE* buffer, DWORD* size) const;
  // 12 characters drawn uniformly from lower-case letters and digits without look-alikes
  // (no 0/o, 1/l/i), easy to type on a phone; nullopt when `source` fails.
  static std::optional<std::u16string> DefaultKey(const base::RandomSource& source);

  // Where GetKey draws a new passphrase from; the system's cryptographic source unless a test
  // stands in for it. Worker thread, before the first GetKey that needs it.
  void set_random_source(base::RandomSource source) { random_ = std::move(source); }

 private:
  static void NotificationCallback(const WLAN_NOTIFICATION_DATA* data, void* context);

  enum class OpenResult { kDone, kFailClose, kFailKeepOpen };
  struct OpenBuffers;
  OpenResult OpenLocked(OpenBuffers* buffers);

  // Each updates the model under the lock, then reports to the sink outside it.
  void AddStation(const DOT11_MAC_ADDRESS& mac);
  void RemoveStation(const DOT11_MAC_ADDRESS& mac);
  void ClearStations();
  void SetState(WLAN_HOSTED_NETWORK_STATE state);
  // Lock held: takes the sink for one call and marks the call begun (null when none).
  CHostedNetworkNotificationSink* TakeSinkLocked();
  void EndSinkCall();
  // The client handle, read under the lock: calls into the service run without it.
  HANDLE Client();

  platform::WlanApi* const api_;
  const platform::CodePage* const code_page_;
  base::RandomSource random_ = base::SystemRandomBytes;

  std::recursive_mutex lock_;  // guards everything below; Open re-enters it
  std::unique_ptr<CSinkIdleEvent> sink_idle_;
  HANDLE client_ = nullptr;
  DWORD negotiated_version_ = 0;
  BOOL enabled_ = FALSE;
  WLAN_HOSTED_NETWORK_CONNECTION_SETTINGS connection_settings_{};
  DOT11_AUTH_ALGORITHM auth_algorithm_{};
  DOT11_CIPHER_ALGORITHM cipher_algorithm_{};
  WLAN_HOSTED_NETWORK_STATE state_ = wlan_hosted_network_unavailable;
  CRefObjectList<CWlanStation> stations_;  // in order of arrival; duplicates allowed
  CHostedNetworkNotificationSink* sink_ = nullptr;
  bool initialized_ = false;
  bool closed_ = false;
};
