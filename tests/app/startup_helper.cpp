// The elevated copy in the elevation tests, started through a fake pkexec:
//   ensure-elevated DIR MARKER HOLD_MS
// runs EnsureElevated against the hand-shake event in DIR, writes "went-on" to MARKER when it
// goes on (after it has signalled the event), then stays alive for HOLD_MS so that only the
// event can release the launcher.
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "app/elevation.h"
#include "platform/linux/linux_named_event.h"
#include "platform/linux/linux_system.h"

int main(int argc, char** argv) {
  if (argc != 5 || std::string(argv[1]) != "ensure-elevated")
    return 64;
  platform::LinuxSystem system;
  app::ElevationContext context;
  context.system = &system;
  context.create_event = platform::LinuxNamedEvent::Factory(argv[2]);
  context.message_box = [](std::u16string_view, std::u16string_view, UINT) {};
  if (!app::EnsureElevated(context))
    return 1;
  std::ofstream(argv[3]) << "went-on";
  std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(argv[4])));
  return 0;
}
