// The program's entry point: rights, the single instance, the backend and the main window.
#include <unistd.h>
#include <QApplication>
#include <QDesktopServices>
#include <QSocketNotifier>
#include <QUrl>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/elevation.h"
#include "app/perf_probe.h"
#include "app/qt_tray_shell.h"
#include "app/state_dump.h"
#include "app/tavlo.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/linux/linux_instance_channel.h"
#include "platform/linux/linux_named_event.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/xdg_autostart.h"
#include "platform/sim/control_server.h"
#include "platform/sim/sim_system.h"
#include "ui/advert_pane.h"
#include "ui/menu_wnd.h"
#include "ui/wnd_shadow.h"

namespace {

constexpr DWORD kMainWindowStyle = 0x96C80000;
constexpr DWORD kMainWindowExStyle = 0x100;

int g_term_pipe[2] = {-1, -1};

void OnTerminate(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_term_pipe[1], &byte, 1);
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);

  // Only the simulated backend exists so far; it needs no privileges.
  const std::string backend = Env("TAVLO_BACKEND");
  if (!backend.empty() && backend != "sim") {
    std::fprintf(stderr, "tavlo: backend \"%s\" is not available; use TAVLO_BACKEND=sim\n",
                 backend.c_str());
    return 0;
  }
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
  // Menus get their soft shadow from this process-wide set-up.
  DuiLib::CWndShadow::Initialize(nullptr);
  const UINT activation_message =
      DuiLib::RegisterWindowMessage(std::u16string(app::kActivationMessageName).c_str());

  platform::sim::SimSystem sim;
  platform::IconvCodePage code_page(platform::IconvCodePage::SystemCharset());
  platform::RealClock clock;
  platform::XdgAutostart autostart(platform::XdgAutostart::DefaultDirectory());
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
  services.wlan = &sim.wlan_api();
  services.code_page = &code_page;
  services.clock = &clock;
  services.command_runner = &sim.command_runner();
  services.sharing = &sim.sharing_service();

  {
    app::CTavlo tavlo(services, activation_message);
    platform::LinuxInstanceChannel channel(app::kActivationMessageName);
    if (!tavlo.AcquireSingleInstance()) {
      channel.Broadcast();
      return 0;
    }
    platform::sim::ControlServer control(sim);
    control.Start();

    tavlo.Create(nullptr, u"tavlo", kMainWindowStyle, kMainWindowExStyle);
    const HWND hwnd = tavlo.GetHWND();
    channel.Listen(
        [hwnd, activation_message] { DuiLib::PostMessage(hwnd, activation_message, 0, 0); });
    // A session that ends sends SIGTERM (a terminal Ctrl+C, SIGINT): leave as "menu_Exit" does,
    // so no sharing is left on.
    std::unique_ptr<QSocketNotifier> term;
    if (::pipe(g_term_pipe) == 0) {
      term = std::make_unique<QSocketNotifier>(g_term_pipe[0], QSocketNotifier::Read);
      QObject::connect(term.get(), &QSocketNotifier::activated, [&tavlo] {
        char byte;
        [[maybe_unused]] ssize_t n = ::read(g_term_pipe[0], &byte, 1);
        tavlo.RequestExit();
      });
      std::signal(SIGTERM, OnTerminate);
      std::signal(SIGINT, OnTerminate);
    }
    std::unique_ptr<app::StateDump> dump = app::StateDump::FromEnvironment(&tavlo);
    std::unique_ptr<app::PerfProbe> probe = app::PerfProbe::FromEnvironment(&tavlo);
    tavlo.CenterWindow();
    tavlo.ShowModal();
    probe.reset();
    dump.reset();
    channel.Stop();
    control.Stop();
  }
  // The closed window frees its record and widget from posted events; the loop has ended, so
  // deliver them here rather than leave them to the process's end.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
