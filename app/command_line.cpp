#include "app/command_line.h"

#include <algorithm>
#include <array>

namespace app {

namespace {

// Qt's own command-line options, as QGuiApplication, QApplication and the X11 platform read
// them: those that take a value, and those that do not.
constexpr std::array<std::string_view, 13> kQtValueOptions = {
    "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
    "display",     "geometry",           "title"};
constexpr std::array<std::string_view, 5> kQtFlagOptions = {"reverse", "widgetcount", "sync",
                                                            "nograb", "dograb"};

template <size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsSet(const char* value) {
  return value && *value;
}

StartOptions Fail(int exit_code, std::string error) {
  StartOptions options;
  options.action = StartOptions::Action::kFail;
  options.exit_code = exit_code;
  options.error = std::move(error);
  return options;
}

}  // namespace

std::u16string_view CommandLineTail(std::u16string_view command_line) {
  if (command_line.empty())
    return {};
  if (command_line.front() == u'"') {
    size_t close = command_line.find(u'"', 1);
    if (close == std::u16string_view::npos)
      return {};
    std::u16string_view tail = command_line.substr(close + 1);
    if (!tail.empty() && tail.front() == u' ')
      tail.remove_prefix(1);
    return tail;
  }
  size_t blank = command_line.find(u' ');
  if (blank == std::u16string_view::npos)
    return {};
  return command_line.substr(blank + 1);
}

StartOptions ParseStartOptions(const std::vector<std::string>& arguments, const char* backend) {
  StartOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "--")
      break;
    if (word.size() < 2 || word[0] != '-')
      continue;
    if (word == "-h" || word == "--help") {
      options.action = StartOptions::Action::kHelp;
      return options;
    }
    if (word == "--version") {
      options.action = StartOptions::Action::kVersion;
      return options;
    }
    if (word == "--check-hotspot") {
      options.action = StartOptions::Action::kCheck;
      continue;
    }
    std::string_view name(word);
    name.remove_prefix(name.starts_with("--") ? 2 : 1);
    const size_t equals = name.find('=');
    const bool inline_value = equals != std::string_view::npos;
    name = name.substr(0, equals);
    if (Contains(kQtValueOptions, name)) {
      if (!inline_value && ++i == arguments.size())
        return Fail(kExitUsage, "option " + word + " needs a value");
      options.platform_argument |= name == "platform";
    } else if (!Contains(kQtFlagOptions, name) || inline_value) {
      return Fail(kExitUsage, "unknown option " + word);
    }
  }
  const std::string_view chosen = backend ? backend : "";
  if (chosen.empty() || chosen == "linux")
    return options;
  if (chosen == "sim") {
    options.backend = StartOptions::Backend::kSim;
    return options;
  }
  if (chosen == "standalone") {
    return Fail(kExitCannotStart,
                "the standalone backend is not built into this program; use "
                "TAVLO_BACKEND=linux (NetworkManager) or TAVLO_BACKEND=sim");
  }
  return Fail(kExitUsage, "unknown backend TAVLO_BACKEND=" + std::string(chosen) +
                              " (known: sim, linux, standalone)");
}

std::string UsageText() {
  return "usage: tavlo [-h | --help] [--version] [Qt options]\n"
         "Turns this computer into a WiFi hotspot with one button.\n"
         "\n"
         "  -h, --help    show this help and end\n"
         "  --version     show the version and end\n"
         "  --check-hotspot\n"
         "                say whether this machine can run a hotspot (NetworkManager and\n"
         "                a WiFi card that can be an access point) and end\n"
         "\n"
         "Other words (the autostart entry adds /start) are accepted and not interpreted.\n"
         "Qt's own options (-platform NAME, -style NAME, -display NAME, ...) go to Qt.\n"
         "A second start brings the running window forward and ends.\n"
         "\n"
         "Environment:\n"
         "  TAVLO_BACKEND    the wireless backend: linux (NetworkManager, the default) or\n"
         "                   sim (the simulated system, for trying the program without\n"
         "                   a WiFi card; its window title says so)\n"
         "  TAVLO_CONFIG_FILE\n"
         "                   the settings file, an absolute path (default: config.db\n"
         "                   beside the program when its folder is writable, else\n"
         "                   $XDG_CONFIG_HOME/tavlo/config.db)\n"
         "  TAVLO_SIM_DIR    the simulated system's state folder\n"
         "                   (default $XDG_STATE_HOME/tavlo-sim)\n"
         "  TAVLO_WEB_HOST   a server for the advert and product pages: host, host:port\n"
         "                   or http(s)://host:port (without it, the shipped pages;\n"
         "                   nothing is fetched)\n"
         "  XDG_RUNTIME_DIR  the instance lock and socket live in its tavlo/ folder\n"
         "                   (without it, in /tmp/tavlo-UID)\n"
         "  QT_QPA_PLATFORM  Qt's platform; on Wayland the program runs on X11 (xcb,\n"
         "                   through XWayland) unless this is set\n"
         "\n"
         "Exit status: 0 when done, also after waking a running instance; 1 when the\n"
         "program cannot start (it says why); 2 for an unknown option or backend; 3 when\n"
         "--check-hotspot finds no hotspot possible.\n";
}

PlatformChoice ChooseQtPlatform(const DisplayEnvironment& environment, bool platform_argument) {
  PlatformChoice choice;
  const bool wayland = IsSet(environment.wayland_display) ||
                       std::string_view(environment.xdg_session_type ? environment.xdg_session_type
                                                                     : "") == "wayland";
  if (!wayland || platform_argument || IsSet(environment.qt_qpa_platform))
    return choice;
  if (IsSet(environment.display))
    choice.platform = "xcb";
  else
    choice.wayland_without_x11 = true;
  return choice;
}

}  // namespace app
