// The connection-sharing service: the object model through which the program lists the machine's
// network connections and switches sharing on and off, and the service that hands out its root
// object and binds its backend.
//
// Every interface is reference-counted (IUnknown). Getters that return an interface hand the caller
// a new reference; the caller releases it. Out-pointers are cleared on failure. Failures are
// HRESULTs, passed on unchanged by the callers; S_FALSE is a success that means "nothing more".
//
// Objects may be used from any thread; each implementation documents its own guarantees. The
// simulated service (platform/sim) is fully thread-safe.
#pragma once

#include <string_view>

#include "platform/sharing_types.h"

namespace platform {

class INetConnection : public IUnknown {
 public:
  // Allocates a NETCON_PROPERTIES record that the caller frees with the backend's
  // NcFreeNetconProperties.
  virtual HRESULT GetProperties(NETCON_PROPERTIES** properties) = 0;
};

class INetSharingConfiguration : public IUnknown {
 public:
  // VARIANT_TRUE while sharing is on for the connection, in either role.
  virtual HRESULT get_SharingEnabled(VARIANT_BOOL* enabled) = 0;
  // The role while sharing is on; fails while it is off.
  virtual HRESULT get_SharingConnectionType(SHARINGCONNECTIONTYPE* type) = 0;
  virtual HRESULT DisableSharing() = 0;
  virtual HRESULT EnableSharing(SHARINGCONNECTIONTYPE type) = 0;
};

class IEnumNetSharingEveryConnection : public IUnknown {
 public:
  // Fills up to `count` variants with VT_UNKNOWN connections (each an owned reference) and
  // answers S_OK when all were filled, S_FALSE when the list ran out first. `fetched` may be null.
  virtual HRESULT Next(ULONG count, VARIANT* items, ULONG* fetched) = 0;
  // Starts again from the first connection, re-reading the list.
  virtual HRESULT Reset() = 0;
};

class INetSharingEveryConnectionCollection : public IUnknown {
 public:
  // An enumerator, to be queried for IID_IEnumNetSharingEveryConnection.
  virtual HRESULT get__NewEnum(IUnknown** enumerator) = 0;
};

class INetSharingManager : public IUnknown {
 public:
  virtual HRESULT get_SharingInstalled(VARIANT_BOOL* installed) = 0;
  virtual HRESULT get_EnumEveryConnection(INetSharingEveryConnectionCollection** collection) = 0;
  // Fails for a connection that this service did not hand out.
  virtual HRESULT get_INetSharingConfigurationForINetConnection(
      INetConnection* connection,
      INetSharingConfiguration** configuration) = 0;
};

// A bound sharing backend; each service derives its own. Callers only pass it back.
class SharingBackendModule {
 public:
  virtual ~SharingBackendModule() = default;
};

// The entry points of the service: the root object, and the backend module whose export frees
// connection properties. Implementations outlive every object they hand out unless they say
// otherwise.
class SharingService {
 public:
  virtual ~SharingService() = default;

  // Creates the root object (CLSID_NetSharingManager) and queries it for `iid`. Fails with
  // REGDB_E_CLASSNOTREG for another class, CLASS_E_NOAGGREGATION with an outer object,
  // E_NOINTERFACE for an interface the object lacks, or a code of the service itself.
  virtual HRESULT CreateInstance(REFCLSID clsid,
                                 IUnknown* outer,
                                 DWORD context,
                                 REFIID iid,
                                 void** object) = 0;

  // Loads the backend module by file name ("netshell.dll"). On failure returns null and stores
  // the Win32 error in *error. Each successful load must be matched by one FreeBackend.
  virtual SharingBackendModule* LoadBackend(std::u16string_view file, DWORD* error) = 0;
  // Looks up the properties-freeing export by name ("NcFreeNetconProperties"). On failure returns
  // null and stores the Win32 error in *error. The address stays valid until the module is freed.
  virtual PFN_NcFreeNetconProperties GetBackendProc(SharingBackendModule* module,
                                                    std::string_view name,
                                                    DWORD* error) = 0;
  virtual void FreeBackend(SharingBackendModule* module) = 0;

  // Where the system itself decides which connection is shared out (NetworkManager shares
  // towards its default route): S_OK with that connection's GUID. S_FALSE, the default, when the
  // caller chooses.
  virtual HRESULT FindInternetConnection(GUID* guid) {
    (void)guid;
    return S_FALSE;
  }
};

}  // namespace platform
