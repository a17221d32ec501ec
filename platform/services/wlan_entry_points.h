// The exported hosted-network functions of the wireless service. They are plain functions,
// as a library's exports are, so they find their service through the client handle: every
// open client handle of every WirelessService in the process is listed here.
//
// Thread affinity: any thread.
#pragma once

#include "platform/wlan_api.h"

namespace platform::services {

class WirelessService;

// A fresh handle, unique in the process, that leads to `service` until forgotten.
HANDLE RegisterClientHandle(WirelessService* service);
void ForgetClientHandle(HANDLE client);

// The export named `name`, or null when the library has no such function.
FARPROC FindHostedNetworkExport(const char* name);

}  // namespace platform::services
