// Plain types of the connection-sharing service: connection properties, the sharing roles, the
// VARIANT that its enumerator hands out, the identifiers of its interfaces, and IUnknown, the
// reference-counted base of every object the service hands out.
//
// The names and values are those of the system's public sharing interfaces, so that code written
// against them reads the same here.
#pragma once

#include "base/guid.h"
#include "base/result.h"
#include "base/win_types.h"

namespace platform {

using REFIID = const GUID&;
using REFCLSID = const GUID&;
using VARIANT_BOOL = short;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// Creation context for SharingService::CreateInstance: in-process, local and remote servers.
constexpr DWORD CLSCTX_ALL = 0x17;

constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);

enum NETCON_STATUS : int {
  NCS_DISCONNECTED = 0,
  NCS_CONNECTING = 1,
  NCS_CONNECTED = 2,
  NCS_DISCONNECTING = 3,
  NCS_HARDWARE_NOT_PRESENT = 4,
  NCS_HARDWARE_DISABLED = 5,
  NCS_HARDWARE_MALFUNCTION = 6,
  NCS_MEDIA_DISCONNECTED = 7,
  NCS_AUTHENTICATING = 8,
  NCS_AUTHENTICATION_SUCCEEDED = 9,
  NCS_AUTHENTICATION_FAILED = 10,
  NCS_INVALID_ADDRESS = 11,
  NCS_CREDENTIALS_REQUIRED = 12,
};

enum NETCON_MEDIATYPE : int {
  NCM_NONE = 0,
  NCM_DIRECT = 1,
  NCM_ISDN = 2,
  NCM_LAN = 3,
  NCM_PHONE = 4,
  NCM_TUNNEL = 5,
  NCM_PPPOE = 6,
  NCM_BRIDGE = 7,
  NCM_SHAREDACCESSHOST_LAN = 8,
  NCM_SHAREDACCESSHOST_RAS = 9,
};

// Bits of NETCON_PROPERTIES::dwCharacter that the simulated service reports.
constexpr DWORD NCCF_ALL_USERS = 0x1;
constexpr DWORD NCCF_ALLOW_RENAME = 0x8;
constexpr DWORD NCCF_SHARED = 0x100;
constexpr DWORD NCCF_HOMENET_CAPABLE = 0x1000;
constexpr DWORD NCCF_SHARED_PRIVATE = 0x2000;

enum SHARINGCONNECTIONTYPE : int {
  ICSSHARINGTYPE_PUBLIC = 0,
  ICSSHARINGTYPE_PRIVATE = 1,
};

// The service allocates this record; only the backend's NcFreeNetconProperties may free it.
struct NETCON_PROPERTIES {
  GUID guidId;
  WCHAR* pszwName;
  WCHAR* pszwDeviceName;
  NETCON_STATUS Status;
  NETCON_MEDIATYPE MediaType;
  DWORD dwCharacter;
  GUID clsidThisObject;
  GUID clsidUiObject;
};

// The backend's export that frees a NETCON_PROPERTIES record (and its texts). Null is ignored.
using PFN_NcFreeNetconProperties = void (*)(NETCON_PROPERTIES* properties);

// COM's IUnknown. AddRef and Release return the new count; an object is destroyed when its count
// reaches zero. QueryInterface returns S_OK with a new reference in *object, or E_NOINTERFACE
// (E_POINTER for a null out-pointer) with *object cleared. All three are safe on any thread.
class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

enum VARENUM : WORD { VT_EMPTY = 0, VT_UNKNOWN = 13 };

// The slice of COM's VARIANT that the sharing enumerator uses: empty, or an owned IUnknown.
struct VARIANT {
  WORD vt = VT_EMPTY;
  IUnknown* punkVal = nullptr;
};

void VariantInit(VARIANT* variant);
// Releases an owned interface and leaves the variant empty.
HRESULT VariantClear(VARIANT* variant);

extern const GUID IID_IUnknown;
extern const GUID CLSID_NetSharingManager;
extern const GUID IID_INetSharingManager;
extern const GUID IID_INetSharingEveryConnectionCollection;
extern const GUID IID_IEnumNetSharingEveryConnection;
extern const GUID IID_INetConnection;
extern const GUID IID_INetSharingConfiguration;

}  // namespace platform
