// The process's command line and the environment it starts in: the tail handed to an elevated
// copy, the few options the program answers itself, the backend, and the Qt platform to ask
// for. Plain functions over values; thread-safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace app {

// The part of the process's command line after the program name: what an elevated copy is
// given so that it sees the same arguments. Rules, on the whole command line:
//   - it begins with a double quote: the tail begins after the closing quote, skipping one
//     blank right after it;
//   - it begins with a blank: the tail is everything after that blank;
//   - otherwise the tail is everything after the first blank;
//   - when the line ends before the closing quote or the blank, the tail is empty.
// A blank is a space. The result views `command_line`.
std::u16string_view CommandLineTail(std::u16string_view command_line);

// Exit statuses of the program.
inline constexpr int kExitOk = 0;           // also when another instance was woken
inline constexpr int kExitCannotStart = 1;  // the program could not start (it says why)
inline constexpr int kExitUsage = 2;        // an unknown option or backend
inline constexpr int kExitNoHotspot = 3;    // --check-hotspot: this machine cannot run one

struct StartOptions {
  enum class Action {
    kRun,
    kHelp,     // print UsageText() on standard output, end with kExitOk
    kVersion,  // print the version, end with kExitOk
    kCheck,    // say whether the backend can run a hotspot here, end with kExitOk or kExitNoHotspot
    kFail,     // print `error` on standard error, end with `exit_code`
  };
  Action action = Action::kRun;
  int exit_code = kExitOk;
  std::string error;
  // Qt's own -platform option was given: the user chose the platform.
  bool platform_argument = false;
  enum class Backend { kLinux, kSim };
  Backend backend = Backend::kLinux;
};

// Reads the arguments after the program name and the value of TAVLO_BACKEND (null when unset).
// -h/--help and --version end the reading; an unknown option (a word that begins with '-') is a
// usage error. Qt's own options (-platform NAME, -style NAME, -display NAME, ... with one or two
// dashes, the value after a blank or '=') are left to Qt. Other words, such as the "/start" of
// the autostart entry, and everything after "--" are accepted and not interpreted. The backend
// is looked at for a run and a check: empty or "linux" is NetworkManager, "sim" the simulated
// system; "standalone" is not built into this program (kExitCannotStart); anything else is a
// usage error.
StartOptions ParseStartOptions(const std::vector<std::string>& arguments, const char* backend);

// The --help text.
std::string UsageText();

// The environment that decides the Qt platform; null members are unset variables.
struct DisplayEnvironment {
  const char* qt_qpa_platform = nullptr;
  const char* wayland_display = nullptr;
  const char* xdg_session_type = nullptr;
  const char* display = nullptr;
};

struct PlatformChoice {
  // The value for QT_QPA_PLATFORM, or empty to leave Qt's own choice.
  std::string platform;
  // Set when the windows will run on Wayland itself, where they cannot place themselves.
  bool wayland_without_x11 = false;
};

// The skinned windows place themselves by absolute coordinates, which Wayland does not allow:
// on a Wayland session (WAYLAND_DISPLAY set, or XDG_SESSION_TYPE "wayland") where X11 is
// reachable (DISPLAY set) and the user chose no platform (QT_QPA_PLATFORM empty, no -platform
// argument), the program runs on X11 through XWayland ("xcb").
PlatformChoice ChooseQtPlatform(const DisplayEnvironment& environment, bool platform_argument);

}  // namespace app
