// platform::services::WirelessDriver: what a backend does for the hosted-network service, which
// keeps everything else (settings and their checks, the enable property, the key, the states,
// the notifications, when to persist). A driver only runs the radio, the access point and the
// stations, and stores the settings where its backend keeps them.
//
// Thread affinity: the service calls every driver method with its own lock held, from any
// thread; a method must not call back into the service nor wait for a thread that does. The
// driver reports through WirelessDriverEvents from any thread, but never from within one of its
// methods the service called, and never with a lock held that those methods take.
// Ownership: the service owns its driver; the driver does not own the events sink, which stays
// valid from Attach(sink) until Attach(nullptr) returns.
// Failure: StartAccessPoint returns a Win32 code that the service hands to its caller as it is;
// SaveSettings returns false and the service then keeps the previous settings.
#pragma once

#include <string>
#include <vector>

#include "platform/services/hosted_network_settings.h"
#include "platform/wlan_types.h"

namespace platform::services {

// What the driver reports back to the service.
class WirelessDriverEvents {
 public:
  virtual ~WirelessDriverEvents() = default;

  // The radio went on or off (off ends the access point, which the service then stops).
  virtual void OnRadioChanged(bool on) = 0;
  // The access point ended without the service asking (the system took it down); the hosted
  // network leaves active. Harmless when it is not active.
  virtual void OnAccessPointStopped() = 0;
  // A station associated with / left the access point. The service answers ERROR_SUCCESS or why
  // it refuses the station (ERROR_INVALID_STATE when not active, ERROR_ALREADY_EXISTS,
  // ERROR_NO_MORE_ITEMS at the peer limit; ERROR_NOT_FOUND for an unknown departure); a driver
  // that can, turns a refused station away.
  virtual DWORD OnStationJoined(const MacAddress& mac) = 0;
  virtual DWORD OnStationLeft(const MacAddress& mac) = 0;
};

struct WirelessInterface {
  GUID guid{};
  WLAN_INTERFACE_STATE state = wlan_interface_state_not_ready;
  std::u16string description;
};

// The access point the service asks for: settings already checked (an SSID, a usable key).
struct AccessPointSettings {
  DOT11_SSID ssid{};
  DWORD max_peers = 0;
  DOT11_AUTH_ALGORITHM auth = DOT11_AUTH_ALGO_RSNA_PSK;
  DOT11_CIPHER_ALGORITHM cipher = DOT11_CIPHER_ALGO_CCMP;
  std::vector<BYTE> key;  // a passphrase includes its terminating zero
  bool key_is_passphrase = true;
};

// The access point as the radio runs it.
struct AccessPointInfo {
  MacAddress bssid{};
  ULONG channel_frequency = 0;  // MHz
  // The hosted network's device id; GUID_NULL: the virtual adapter's fixed one.
  GUID device_id{};
};

class WirelessDriver {
 public:
  virtual ~WirelessDriver() = default;

  // Where reports go; nullptr stops them (returns once no report is under way).
  virtual void Attach(WirelessDriverEvents* events) = 0;
  // The radio's state when the service starts; later changes come as OnRadioChanged.
  virtual bool RadioOn() const = 0;
  // The wireless interfaces, the one the hosted network runs on first.
  virtual std::vector<WirelessInterface> Interfaces() const = 0;
  // Brings the access point up; fills `info` on success. Any other code is the start's failure.
  virtual DWORD StartAccessPoint(const AccessPointSettings& settings, AccessPointInfo* info) = 0;
  // Takes the access point down and every station with it; harmless when it is not up.
  virtual void StopAccessPoint() = 0;
  // The persistence hook: fills `state` from the store, leaving defaults where there is none.
  virtual void LoadSettings(WirelessPersistentState* state) = 0;
  virtual bool SaveSettings(const WirelessPersistentState& state) = 0;
};

}  // namespace platform::services
