// Making sure the process runs with the rights it needs, re-launching itself elevated when the
// system enforces that and it has not got them.
//
// Threading: call from the start-up thread, before anything else runs. Blocks for up to the
// wait time-out while an elevated copy starts.
#pragma once

#include <functional>
#include <string_view>

#include "base/win_types.h"
#include "platform/named_event.h"
#include "platform/system.h"

namespace app {

// The hand-shake event between a launcher and the elevated copy it starts.
inline constexpr std::u16string_view kHandshakeEventName =
    u"Global\\{A88D5CCB-55BB-4db1-8ABD-0C7B532F1083}";
inline constexpr DWORD kLaunchWaitMs = 30000;
inline constexpr UINT kBugBoxIcon = 0x10;  // MB_ICONERROR
inline constexpr std::u16string_view kBugBoxCaption = u"Bug!";

struct ElevationContext {
  using MessageBoxFn =
      std::function<void(std::u16string_view text, std::u16string_view caption, UINT type)>;

  platform::System* system = nullptr;        // not owned
  platform::NamedEventFactory create_event;  // opens kHandshakeEventName
  MessageBoxFn message_box;                  // an ownerless modal message box
  DWORD wait_timeout_ms = kLaunchWaitMs;
};

// True: this process goes on. False: it ends now (an elevated copy was started, the user
// declined, the re-launch failed, or the hand-shake event could not be created, which is shown
// in the "Bug!" message box).
bool EnsureElevated(const ElevationContext& context);

// True when the system enforces elevation: a major version above 5 and, beyond that,
// System::IsElevationEnforced.
bool IsUacEnabled(platform::System& system);

// The "Bug!" box's text for `last_error`, at most 259 characters.
std::u16string HandshakeFailureText(DWORD last_error);

}  // namespace app
