#include "app/elevation.h"

#include <string>

#include "app/command_line.h"
#include "base/result.h"

namespace app {

namespace {
constexpr size_t kMaxText = 259;  // a 260-character buffer with its terminator
}  // namespace

std::u16string HandshakeFailureText(DWORD last_error) {
  std::u16string text = u"CreateEvent return NULL !  真失败...\r\nLastError = ";
  // %d: the code as a signed number.
  for (char c : std::to_string(static_cast<int>(last_error)))
    text.push_back(static_cast<char16_t>(c));
  if (text.size() > kMaxText)
    text.resize(kMaxText);
  return text;
}

bool IsUacEnabled(platform::System& system) {
  platform::OsVersion version;
  if (!system.Version(&version) || version.major <= 5)
    return false;
  return system.IsElevationEnforced();
}

bool EnsureElevated(const ElevationContext& context) {
  platform::System& system = *context.system;
  DWORD last_error = ERROR_SUCCESS;
  std::unique_ptr<platform::NamedEvent> event =
      context.create_event(kHandshakeEventName, &last_error);
  if (!event) {
    context.message_box(HandshakeFailureText(last_error), kBugBoxCaption, kBugBoxIcon);
    return false;
  }

  // An existing event means a launcher is waiting for us (or another start is under way):
  // release it and go on without looking at our rights.
  if (last_error == ERROR_ALREADY_EXISTS || system.IsUserAnAdmin() || !IsUacEnabled(system)) {
    event->Set();
    return true;
  }

  DWORD error = ERROR_SUCCESS;
  std::unique_ptr<platform::Process> copy = system.ShellExecuteRunAs(
      system.ExecutablePath(), CommandLineTail(system.CommandLine()), &error);
  if (!copy) {
    event->Set();
    return false;
  }
  platform::Waitable* objects[] = {copy.get(), event.get()};
  DWORD waited = system.WaitForAny(objects, context.wait_timeout_ms);
  // The consent prompt is answered after the start: a refusal shows as the copy's exit.
  std::optional<int> status = copy->ExitStatus();
  if (waited == platform::WAIT_OBJECT_0 && status && system.IsDeclinedExit(*status))
    event->Set();
  return false;
}

}  // namespace app
