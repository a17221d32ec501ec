#include "ics/netshell_binding.h"

namespace ics {

namespace {

struct NetshellBinding {
  platform::SharingService* service = nullptr;
  platform::SharingBackendModule* module = nullptr;
  platform::PFN_NcFreeNetconProperties free_properties = nullptr;
  bool bound = false;
};

NetshellBinding g_netshell;

}  // namespace

HRESULT BindNetshell(platform::SharingService& service) {
  // Binding twice would otherwise leak the first module reference.
  UnbindNetshell();
  g_netshell = NetshellBinding{};

  DWORD error = ERROR_SUCCESS;
  platform::SharingBackendModule* module = service.LoadBackend(u"netshell.dll", &error);
  // A failure must never read as success, even from a service that forgot the code.
  if (!module)
    return HresultFromWin32(error ? error : ERROR_MOD_NOT_FOUND);
  g_netshell.service = &service;
  g_netshell.module = module;
  g_netshell.bound = true;

  error = ERROR_SUCCESS;
  g_netshell.free_properties = service.GetBackendProc(module, "NcFreeNetconProperties", &error);
  if (!g_netshell.free_properties) {
    HRESULT hr = HresultFromWin32(error ? error : ERROR_PROC_NOT_FOUND);
    UnbindNetshell();
    return hr;
  }
  return S_OK;
}

void UnbindNetshell() {
  if (!g_netshell.bound)
    return;
  g_netshell.free_properties = nullptr;
  g_netshell.service->FreeBackend(g_netshell.module);
  g_netshell.module = nullptr;
  g_netshell.service = nullptr;
  g_netshell.bound = false;
}

bool IsNetshellBound() {
  return g_netshell.bound;
}

bool FreeNetconProperties(platform::NETCON_PROPERTIES* properties) {
  if (!g_netshell.free_properties)
    return false;
  g_netshell.free_properties(properties);
  return true;
}

}  // namespace ics
