// The program's entry point: options, rights, the single instance, the backend and the main
// window.
#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QDesktopServices>
#include <QSocketNotifier>
#include <QUrl>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "app/data_folder.h"
#include "app/elevation.h"
#include "app/perf_probe.h"
#include "app/qt_tray_shell.h"
#include "app/start_failure.h"
#include "app/state_dump.h"
#include "app/tavlo.h"
#include "base/private_folder.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/linux/layered_autostart.h"
#include "platform/linux/linux_instance_channel.h"
#include "platform/linux/linux_named_event.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/oui_table.h"
#include "platform/nm/nm_system.h"
#include "platform/sim/control_server.h"
#include "platform/sim/sim_system.h"
#include "platform/sim/state_directory.h"
#include "ui/advert_pane.h"
#include "ui/menu_wnd.h"
#include "ui/wnd_shadow.h"

namespace {

constexpr DWORD kMainWindowStyle = 0x96C80000;
constexpr DWORD kMainWindowExStyle = 0x100;
// A second start may find the first between taking the lock and listening.
constexpr auto kWakePatience = std::chrono::milliseconds(1500);
constexpr auto kWakeRetry = std::chrono::milliseconds(50);

int g_term_pipe[2] = {-1, -1};

void OnTerminate(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_term_pipe[1], &byte, 1);
  errno = saved;
}

// A session that ends (SIGHUP when its terminal goes, SIGTERM) and a terminal's Ctrl+C (SIGINT)
// write to the pipe; the UI thread then leaves as "menu_Exit" does, so no sharing is left on.
bool CatchEndOfSession() {
  if (::pipe2(g_term_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    return false;
  struct sigaction action = {};
  action.sa_handler = OnTerminate;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGHUP, SIGINT, SIGTERM})
    sigaction(signal, &action, nullptr);
  return true;
}

// Says why the program cannot start: on standard error, and in a message box where someone can
// see one.
int CannotStart(app::StartFailure what, const base::FolderProblem& problem) {
  std::fprintf(stderr, "tavlo: cannot start: %s\n", problem.Describe().c_str());
  const QString platform = QGuiApplication::platformName();
  if (platform != "offscreen" && platform != "minimal") {
    const std::u16string text =
        QString::fromStdString(app::StartFailureText(what, problem)).toStdU16String();
    DuiLib::MessageBox(nullptr, text.c_str(), app::kStartFailureCaption, MB_ICONERROR);
  }
  return app::kExitCannotStart;
}

// Sends the activation message to the instance that holds the lock.
bool WakeRunningInstance() {
  platform::LinuxInstanceChannel channel(app::kActivationMessageName);
  const auto deadline = std::chrono::steady_clock::now() + kWakePatience;
  while (!channel.Broadcast()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(kWakeRetry);
  }
  return true;
}

// --check-hotspot: what `make run` asks before it chooses the backend.
int CheckHotspot(app::StartOptions::Backend backend) {
  if (backend == app::StartOptions::Backend::kSim) {
    std::puts("the simulated system can always run a hotspot");
    return app::kExitOk;
  }
  platform::nm::NmWirelessDriver driver({});
  switch (driver.DiagnoseStart().problem) {
    case platform::StartProblem::kServiceMissing:
      std::puts("no hotspot here: NetworkManager is not running");
      return app::kExitNoHotspot;
    case platform::StartProblem::kNoAdapter:
      std::puts("no hotspot here: NetworkManager has no WiFi card");
      return app::kExitNoHotspot;
    case platform::StartProblem::kNoAccessPointMode:
      std::puts("no hotspot here: no WiFi card can be an access point");
      return app::kExitNoHotspot;
    case platform::StartProblem::kRadioOff:
      std::puts("NetworkManager has a WiFi card that can be an access point (WiFi is off)");
      return app::kExitOk;
    default:
      std::puts("NetworkManager has a WiFi card that can be an access point");
      return app::kExitOk;
  }
}

// The system's makers' table, read by whichever thread asks first.
class SystemMakers final : public platform::DeviceMakers {
 public:
  std::string MakerOf(const std::array<uint8_t, 6>& mac) const override {
    return platform::OuiTable::Shared().MakerOf(mac);
  }
};

// The backend's services for the window; the one in use is made, the other stays empty.
struct Backend {
  std::unique_ptr<platform::sim::SimSystem> sim;
  std::unique_ptr<platform::nm::NmSystem> nm;
};

}  // namespace

int main(int argc, char** argv) {
  // Read before anything needs a display, so that --help works without one.
  const app::StartOptions options = app::ParseStartOptions(
      std::vector<std::string>(argv + 1, argv + argc), std::getenv("TAVLO_BACKEND"));
  switch (options.action) {
    case app::StartOptions::Action::kHelp:
      std::fputs(app::UsageText().c_str(), stdout);
      return app::kExitOk;
    case app::StartOptions::Action::kVersion:
      std::printf("tavlo %s\n", TAVLO_VERSION);
      return app::kExitOk;
    case app::StartOptions::Action::kFail:
      std::fprintf(stderr, "tavlo: %s\n", options.error.c_str());
      if (options.exit_code == app::kExitUsage)
        std::fputs("Try 'tavlo --help'.\n", stderr);
      return options.exit_code;
    case app::StartOptions::Action::kCheck:
      return CheckHotspot(options.backend);
    case app::StartOptions::Action::kRun:
      break;
  }
  const app::PlatformChoice platform =
      app::ChooseQtPlatform({std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"),
                             std::getenv("XDG_SESSION_TYPE"), std::getenv("DISPLAY")},
                            options.platform_argument);
  if (!platform.platform.empty()) {
    setenv("QT_QPA_PLATFORM", platform.platform.c_str(), 1);
  } else if (platform.wayland_without_x11) {
    std::fputs(
        "tavlo: Wayland without X11 (DISPLAY is unset): the windows cannot place "
        "themselves and may appear anywhere\n",
        stderr);
  }

  QApplication application(argc, argv);

  base::FolderProblem folder_problem;
  if (base::UserRuntimeFolder(&folder_problem).empty())
    return CannotStart(app::StartFailure::kRuntimeFolder, folder_problem);

  platform::LinuxSystem system(platform::LinuxSystem::Options{});

  app::ElevationContext elevation;
  elevation.system = &system;
  elevation.create_event = platform::LinuxNamedEvent::Factory();
  elevation.message_box = [](std::u16string_view text, std::u16string_view caption, UINT type) {
    DuiLib::MessageBox(nullptr, std::u16string(text).c_str(), std::u16string(caption).c_str(),
                       type);
  };
  if (!app::EnsureElevated(elevation))
    return 0;

  DuiLib::CPaintManagerUI::SetInstance(nullptr);
  // Beside the executable in a build tree, in ../share/tavlo when installed; never the current
  // folder, which may be anything when a launcher or autostart runs the program.
  const std::filesystem::path executable = QCoreApplication::applicationFilePath().toStdU16String();
  const std::filesystem::path data = app::FindDataFolder(executable, app::kSkinArchive);
  if (data.empty()) {
    // Without it there would be no window to show, only a process waiting for nothing.
    const std::vector<std::filesystem::path> folders = app::DataFolderCandidates(executable);
    for (const std::filesystem::path& folder : folders)
      std::fprintf(stderr, "tavlo: no %s in %s\n", app::kSkinArchive, folder.c_str());
    base::FolderProblem missing;
    missing.kind = base::FolderProblem::kMissing;
    missing.path =
        ((folders.empty() ? std::filesystem::path() : folders.back()) / app::kSkinArchive).string();
    return CannotStart(app::StartFailure::kSkinMissing, missing);
  }
  DuiLib::CPaintManagerUI::SetResourcePath(
      DuiLib::CDuiString::FromUtf8(data.string() + "/").GetData());
  // Menus get their soft shadow from this process-wide set-up.
  DuiLib::CWndShadow::Initialize(nullptr);
  const UINT activation_message =
      DuiLib::RegisterWindowMessage(std::u16string(app::kActivationMessageName).c_str());

  const bool simulated = options.backend == app::StartOptions::Backend::kSim;
  const std::filesystem::path state_dir = platform::sim::DefaultStateDirectory();
  Backend backend;
  if (simulated) {
    if (base::FolderProblem problem = platform::sim::PrepareStateDirectory(state_dir);
        !problem.ok())
      return CannotStart(app::StartFailure::kStateFolder, problem);
    backend.sim = std::make_unique<platform::sim::SimSystem>(state_dir);
  } else {
    backend.nm = std::make_unique<platform::nm::NmSystem>();
  }
  platform::IconvCodePage code_page(platform::IconvCodePage::SystemCharset());
  platform::RealClock clock;
  // Root keeps the machine-wide entry; a desktop user can only write their own.
  platform::LayeredAutostart autostart(platform::LayeredAutostart::ProcessFolders());
  app::QtTrayShell tray_shell;

  app::TavloServices services;
  services.system = &system;
  services.autostart = &autostart;
  services.tray_shell = &tray_shell;
  services.open_url = [](const std::u16string& url) {
    QDesktopServices::openUrl(
        QUrl(QString::fromUtf16(url.data(), static_cast<qsizetype>(url.size()))));
  };
  services.web_host = ui::WebHost();
  services.open_tray_menu = [](HWND window, DuiLib::CPaintManagerUI* manager,
                               std::map<DuiLib::CDuiString, bool>* checks, POINT cursor) {
    // The menu deletes itself when it closes.
    (new DuiLib::CMenuWnd(window))->Init(nullptr, u"menu.xml", manager, checks, 1, cursor);
  };
  services.simulated = simulated;
  services.wlan = simulated ? &backend.sim->wlan_api() : &backend.nm->wlan_api();
  services.code_page = &code_page;
  services.clock = &clock;
  services.command_runner =
      simulated ? &backend.sim->command_runner() : &backend.nm->command_runner();
  services.sharing = simulated ? &backend.sim->sharing_service() : &backend.nm->sharing_service();
  services.diagnosis = simulated ? &backend.sim->wireless().diagnosis() : &backend.nm->driver();
  services.device_facts = simulated ? &backend.sim->device_facts() : &backend.nm->device_facts();
  // The makers' table takes some 20 ms to read: read it now, off the UI thread, so that neither
  // the first frame nor the first device row waits for it.
  std::jthread read_makers([] { platform::OuiTable::Shared(); });
  SystemMakers makers;
  services.device_makers = &makers;

  {
    app::CTavlo tavlo(services, activation_message);
    if (!tavlo.AcquireSingleInstance()) {
      if (!tavlo.SingleInstanceProblem().ok())
        return CannotStart(app::StartFailure::kInstanceLock, tavlo.SingleInstanceProblem());
      if (!WakeRunningInstance())
        std::fputs("tavlo: another instance holds the lock but did not answer\n", stderr);
      return app::kExitOk;
    }
    // The window does not exist yet; an activation before it does finds nothing to show, and
    // the new window shows itself anyway.
    auto window = std::make_shared<std::atomic<HWND>>(nullptr);
    platform::LinuxInstanceChannel channel(app::kActivationMessageName);
    if (!channel.Listen([window, activation_message] {
          if (HWND hwnd = window->load())
            DuiLib::PostMessage(hwnd, activation_message, 0, 0);
        })) {
      return CannotStart(app::StartFailure::kInstanceChannel,
                         base::FolderProblem::System(channel.path(), errno));
    }
    std::unique_ptr<platform::sim::ControlServer> control;
    if (simulated) {
      control = std::make_unique<platform::sim::ControlServer>(*backend.sim);
      if (!control->Start()) {
        const std::string why = !control->problem().ok() ? control->problem().Describe()
                                : errno == EADDRINUSE    ? "another program uses it"
                                                         : std::strerror(errno);
        std::fprintf(stderr, "tavlo: tavlo-sim cannot reach the simulated system in %s: %s\n",
                     state_dir.c_str(), why.c_str());
      }
    }

    tavlo.Create(nullptr, simulated ? u"tavlo（模拟）" : u"tavlo", kMainWindowStyle,
                 kMainWindowExStyle);
    window->store(tavlo.GetHWND());
    std::unique_ptr<QSocketNotifier> term;
    if (CatchEndOfSession()) {
      term = std::make_unique<QSocketNotifier>(g_term_pipe[0], QSocketNotifier::Read);
      QObject::connect(term.get(), &QSocketNotifier::activated, [&tavlo] {
        char byte;
        while (::read(g_term_pipe[0], &byte, 1) > 0) {
        }
        tavlo.RequestExit();
      });
    }
    std::unique_ptr<app::StateDump> dump = app::StateDump::FromEnvironment(&tavlo);
    std::unique_ptr<app::PerfProbe> probe = app::PerfProbe::FromEnvironment(&tavlo);
    tavlo.CenterWindow();
    tavlo.ShowModal();
    probe.reset();
    dump.reset();
    channel.Stop();
    if (control)
      control->Stop();
  }
  // The closed window frees its record and widget from posted events; the loop has ended, so
  // deliver them here rather than leave them to the process's end.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return app::kExitOk;
}
