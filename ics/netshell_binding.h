// The process-wide binding of the sharing backend ("netshell.dll") and its export
// NcFreeNetconProperties, which frees the connection properties the sharing service hands out.
//
// The binding follows the sharing manager: bound before the manager is created, unbound after it
// is destroyed or when creating it fails.
//
// Worker thread only: the state is process-wide and unguarded, like the manager that uses it.
#pragma once

#include "platform/sharing.h"

namespace ics {

// Loads the backend from `service` and looks up its export. Returns S_OK, or the HRESULT of the
// Win32 error of the failing step (a failed look-up unloads the module again). A binding still
// held from an earlier call is released first. `service` must stay alive until UnbindNetshell.
HRESULT BindNetshell(platform::SharingService& service);

// Forgets the export and frees the module; does nothing when nothing is bound.
void UnbindNetshell();

bool IsNetshellBound();

// Frees a properties record through the bound export. Returns false (and frees nothing) when no
// export is bound.
bool FreeNetconProperties(platform::NETCON_PROPERTIES* properties);

}  // namespace ics
