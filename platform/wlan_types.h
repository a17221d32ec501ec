// The records and constants of the wireless client interface, laid out exactly as the
// wireless service exchanges them (sizes are checked below), so that data of a given size
// means the same thing on every backend.
#pragma once

#include <cstddef>

#include "base/guid.h"
#include "base/win_types.h"

using HANDLE = void*;

constexpr DWORD WLAN_API_VERSION_2_0 = 2;

// Notification sources and the hosted-network notification codes.
constexpr DWORD WLAN_NOTIFICATION_SOURCE_NONE = 0;
constexpr DWORD WLAN_NOTIFICATION_SOURCE_HNWK = 0x80;
constexpr DWORD WLAN_NOTIFICATION_SOURCE_ALL = 0xFFFF;

enum WLAN_HOSTED_NETWORK_NOTIFICATION_CODE : DWORD {
  wlan_hosted_network_state_change = 0x1000,
  wlan_hosted_network_peer_state_change = 0x1001,
  wlan_hosted_network_radio_state_change = 0x1002,
};

enum WLAN_HOSTED_NETWORK_STATE : DWORD {
  wlan_hosted_network_unavailable = 0,
  wlan_hosted_network_idle = 1,
  wlan_hosted_network_active = 2,
};

enum WLAN_HOSTED_NETWORK_REASON : DWORD {
  wlan_hosted_network_reason_success = 0,
  wlan_hosted_network_reason_unspecified,
  wlan_hosted_network_reason_bad_parameters,
  wlan_hosted_network_reason_service_shutting_down,
  wlan_hosted_network_reason_insufficient_resources,
  wlan_hosted_network_reason_elevation_required,
  wlan_hosted_network_reason_read_only,
  wlan_hosted_network_reason_persistence_failed,
  wlan_hosted_network_reason_crypt_error,
  wlan_hosted_network_reason_impersonation,
  wlan_hosted_network_reason_stop_before_start,
  wlan_hosted_network_reason_interface_available,
  wlan_hosted_network_reason_interface_unavailable,
  wlan_hosted_network_reason_miniport_stopped,
  wlan_hosted_network_reason_miniport_started,
  wlan_hosted_network_reason_incompatible_connection_started,
  wlan_hosted_network_reason_incompatible_connection_stopped,
  wlan_hosted_network_reason_user_action,
  wlan_hosted_network_reason_client_abort,
  wlan_hosted_network_reason_ap_start_failed,
  wlan_hosted_network_reason_peer_arrived,
  wlan_hosted_network_reason_peer_departed,
  wlan_hosted_network_reason_peer_timeout,
  wlan_hosted_network_reason_gp_denied,
  wlan_hosted_network_reason_service_unavailable,
  wlan_hosted_network_reason_device_change,
  wlan_hosted_network_reason_properties_change,
  wlan_hosted_network_reason_virtual_station_blocking_use,
  wlan_hosted_network_reason_service_available_on_virtual_station,
};

enum WLAN_HOSTED_NETWORK_OPCODE : DWORD {
  wlan_hosted_network_opcode_connection_settings = 0,
  wlan_hosted_network_opcode_security_settings = 1,
  wlan_hosted_network_opcode_station_profile = 2,
  wlan_hosted_network_opcode_enable = 3,
};

enum WLAN_OPCODE_VALUE_TYPE : DWORD {
  wlan_opcode_value_type_query_only = 0,
  wlan_opcode_value_type_set_by_group_policy = 1,
  wlan_opcode_value_type_set_by_user = 2,
  wlan_opcode_value_type_invalid = 3,
};

enum WLAN_HOSTED_NETWORK_PEER_AUTH_STATE : DWORD {
  wlan_hosted_network_peer_state_invalid = 0,
  wlan_hosted_network_peer_state_authenticated = 1,
};

enum DOT11_RADIO_STATE : DWORD {
  dot11_radio_state_unknown = 0,
  dot11_radio_state_on = 1,
  dot11_radio_state_off = 2,
};

enum DOT11_AUTH_ALGORITHM : DWORD {
  DOT11_AUTH_ALGO_80211_OPEN = 1,
  DOT11_AUTH_ALGO_80211_SHARED_KEY = 2,
  DOT11_AUTH_ALGO_WPA = 3,
  DOT11_AUTH_ALGO_WPA_PSK = 4,
  DOT11_AUTH_ALGO_WPA_NONE = 5,
  DOT11_AUTH_ALGO_RSNA = 6,
  DOT11_AUTH_ALGO_RSNA_PSK = 7,
};

enum DOT11_CIPHER_ALGORITHM : DWORD {
  DOT11_CIPHER_ALGO_NONE = 0x00,
  DOT11_CIPHER_ALGO_WEP40 = 0x01,
  DOT11_CIPHER_ALGO_TKIP = 0x02,
  DOT11_CIPHER_ALGO_CCMP = 0x04,
};

enum DOT11_PHY_TYPE : DWORD {
  dot11_phy_type_unknown = 0,
  dot11_phy_type_erp = 6,
  dot11_phy_type_ht = 7,
};

enum WLAN_INTERFACE_STATE : DWORD {
  wlan_interface_state_not_ready = 0,
  wlan_interface_state_connected = 1,
  wlan_interface_state_ad_hoc_network_formed = 2,
  wlan_interface_state_disconnecting = 3,
  wlan_interface_state_disconnected = 4,
  wlan_interface_state_associating = 5,
  wlan_interface_state_discovering = 6,
  wlan_interface_state_authenticating = 7,
};

using DOT11_MAC_ADDRESS = BYTE[6];

constexpr DWORD DOT11_SSID_MAX_LENGTH = 32;

struct DOT11_SSID {
  ULONG uSSIDLength;
  BYTE ucSSID[DOT11_SSID_MAX_LENGTH];
};

struct WLAN_HOSTED_NETWORK_CONNECTION_SETTINGS {
  DOT11_SSID hostedNetworkSSID;
  DWORD dwMaxNumberOfPeers;
};

struct WLAN_HOSTED_NETWORK_SECURITY_SETTINGS {
  DOT11_AUTH_ALGORITHM dot11AuthAlgo;
  DOT11_CIPHER_ALGORITHM dot11CipherAlgo;
};

struct WLAN_HOSTED_NETWORK_PEER_STATE {
  DOT11_MAC_ADDRESS PeerMacAddress;
  WLAN_HOSTED_NETWORK_PEER_AUTH_STATE PeerAuthState;
};

// Variable length: dwNumberOfPeers entries follow in PeerList.
struct WLAN_HOSTED_NETWORK_STATUS {
  WLAN_HOSTED_NETWORK_STATE HostedNetworkState;
  GUID IPDeviceID;
  DOT11_MAC_ADDRESS wlanHostedNetworkBSSID;
  DOT11_PHY_TYPE dot11PhyType;
  ULONG ulChannelFrequency;
  DWORD dwNumberOfPeers;
  WLAN_HOSTED_NETWORK_PEER_STATE PeerList[1];
};

struct WLAN_HOSTED_NETWORK_STATE_CHANGE {
  WLAN_HOSTED_NETWORK_STATE OldState;
  WLAN_HOSTED_NETWORK_STATE NewState;
  WLAN_HOSTED_NETWORK_REASON StateChangeReason;
};

struct WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE {
  WLAN_HOSTED_NETWORK_PEER_STATE OldState;
  WLAN_HOSTED_NETWORK_PEER_STATE NewState;
  WLAN_HOSTED_NETWORK_REASON PeerStateChangeReason;
};

struct WLAN_HOSTED_NETWORK_RADIO_STATE {
  DOT11_RADIO_STATE dot11SoftwareRadioState;
  DOT11_RADIO_STATE dot11HardwareRadioState;
};

struct WLAN_NOTIFICATION_DATA {
  DWORD NotificationSource;
  DWORD NotificationCode;
  GUID InterfaceGuid;
  DWORD dwDataSize;
  void* pData;
};

constexpr int WLAN_MAX_NAME_LENGTH = 256;

struct WLAN_INTERFACE_INFO {
  GUID InterfaceGuid;
  WCHAR strInterfaceDescription[WLAN_MAX_NAME_LENGTH];
  WLAN_INTERFACE_STATE isState;
};

// Variable length: dwNumberOfItems entries follow in InterfaceInfo.
struct WLAN_INTERFACE_INFO_LIST {
  DWORD dwNumberOfItems;
  DWORD dwIndex;
  WLAN_INTERFACE_INFO InterfaceInfo[1];
};

static_assert(sizeof(DOT11_SSID) == 36);
static_assert(sizeof(WLAN_HOSTED_NETWORK_CONNECTION_SETTINGS) == 40);
static_assert(sizeof(WLAN_HOSTED_NETWORK_SECURITY_SETTINGS) == 8);
static_assert(sizeof(WLAN_HOSTED_NETWORK_PEER_STATE) == 12);
static_assert(sizeof(WLAN_HOSTED_NETWORK_STATE_CHANGE) == 12);
static_assert(sizeof(WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE) == 28);
static_assert(sizeof(WLAN_HOSTED_NETWORK_RADIO_STATE) == 8);
static_assert(offsetof(WLAN_HOSTED_NETWORK_STATUS, IPDeviceID) == 4);
static_assert(offsetof(WLAN_HOSTED_NETWORK_STATUS, dwNumberOfPeers) == 36);
static_assert(offsetof(WLAN_HOSTED_NETWORK_STATUS, PeerList) == 40);
static_assert(sizeof(WLAN_INTERFACE_INFO) == 532);
static_assert(offsetof(WLAN_INTERFACE_INFO_LIST, InterfaceInfo) == 8);
