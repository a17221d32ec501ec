// The NetworkManager backend against the stand-ins of tests/nm on a private bus:
//   - the resident memory that NmSystem adds, made and running a hotspot (first, while the
//     process is otherwise fresh: an allocator keeps what it was given, so a later reading
//     would be too low);
//   - the program's own time from the "start" netsh line to the AddAndActivateConnection2
//     call leaving the process;
//   - the time from wpa_supplicant's StaAuthorized to the painted row of the real main window
//     (offscreen) over NmSystem.
// Times across processes are CLOCK_MONOTONIC, which every process on the machine shares and
// which both std::chrono::steady_clock and Python's time.monotonic() read.
#include <benchmark/benchmark.h>
#include <sdbus-c++/sdbus-c++.h>
#include <time.h>

#include <QApplication>
#include <QEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/tavlo.h"
#include "bench/nm_stand_ins.h"
#include "config/config_center_impl.h"
#include "hostednet/hotspot.h"
#include "nm/private_bus.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/xdg_autostart.h"
#include "platform/nm/nm_system.h"
#include "support/recording_poster.h"
#include "support/scoped_env.h"
#include "support/scoped_temp_dir.h"

namespace {

constexpr char16_t kAllowLine[] = u"cmd.exe /c netsh wlan set hostednetwork mode=allow";
constexpr char16_t kStartLine[] = u"cmd.exe /c netsh wlan start hostednetwork";
constexpr char16_t kStopLine[] = u"cmd.exe /c netsh wlan stop hostednetwork";

double MonotonicSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      long kb = 0;
      status >> kb;
      return kb;
    }
    status.ignore(4096, '\n');
  }
  return -1;
}

// NmSystem with the hotspot object over it, initialised as the worker does it, with a name and
// passphrase set.
struct NmHotspot {
  test::ScopedTempDir dir;
  config::CConfigCenterImpl store{dir.path() / "config.db"};
  std::unique_ptr<platform::nm::NmSystem> system;
  platform::RealClock clock;
  platform::IconvCodePage code_page{"UTF-8"};
  test::RecordingPoster window;
  std::unique_ptr<CHotspot> hotspot;

  bool Open() {
    platform::nm::NmWirelessDriver::Options options;
    options.store = &store;
    system = std::make_unique<platform::nm::NmSystem>(options);
    hotspot = std::make_unique<CHotspot>(&system->wlan_api(), &code_page, &clock,
                                         &system->command_runner(), &system->sharing_service());
    hotspot->set_window(&window);
    if (hotspot->InitSharingManager() < 0)
      return false;
    hotspot->sharing_manager()->GetConnectionInfos(hotspot->connections());
    if (hotspot->Initialize() < 0)
      return false;
    hotspot->sharing_manager()->DisableAllSharing();
    hotspot->controller().Disable();
    return hotspot->controller().SetSsid(u"热点-bench") == S_OK &&
           hotspot->controller().SetKey(u"bench-key-1") == S_OK;
  }

  ~NmHotspot() {
    if (hotspot)
      hotspot->Shutdown();
    hotspot.reset();
    system.reset();
  }
};

void BM_NmSystemResidentMemory(benchmark::State& state) {
  bench::StandIns stand_ins;
  if (std::string why = stand_ins.Start(); !why.empty()) {
    state.SkipWithError(why.c_str());
    return;
  }
  for (auto _ : state) {
    const long before = ResidentKb();
    NmHotspot nm;
    if (!nm.Open() || !nm.hotspot->StartSharing() || !stand_ins.HotspotActive()) {
      state.SkipWithError("the hotspot did not start");
      return;
    }
    const long after = ResidentKb();
    state.counters["rss_before_kb"] = static_cast<double>(before);
    state.counters["rss_added_kb"] = static_cast<double>(after - before);
  }
}

// Once, and first: see the top of the file.
BENCHMARK(BM_NmSystemResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// The time runs from handing the line to the command runner to NetworkManager's receipt of
// the request, stamped by the stand-in as it comes off the bus, so it holds the program's own
// work (the interpreter, the wireless service, the settings, the driver's bus calls before the
// request) plus the bus daemon's delivery and the stand-in's wake-up. Those last two are not
// ours but are not subtracted: the figure is an upper bound of the program's time.
void BM_StartLineToActivationRequest(benchmark::State& state) {
  bench::StandIns stand_ins;
  NmHotspot nm;
  if (std::string why = stand_ins.Start(); !why.empty()) {
    state.SkipWithError(why.c_str());
    return;
  }
  if (!nm.Open()) {
    state.SkipWithError("NmSystem did not initialise");
    return;
  }
  platform::services::NetshInterpreter& netsh = nm.system->interpreter();
  netsh.SetDelay(0);
  netsh.RunDetached(kAllowLine);
  netsh.WaitUntilIdle();
  double worst_ms = 0;
  for (auto _ : state) {
    const size_t calls = stand_ins.ActivationCallTimes().size();
    const double begin = MonotonicSeconds();
    netsh.RunDetached(kStartLine);
    // The line returns once the activation has settled: nothing polls the bus meanwhile.
    netsh.WaitUntilIdle();
    const std::vector<double> times = stand_ins.ActivationCallTimes();
    if (times.size() != calls + 1 || !stand_ins.HotspotActive()) {
      state.SkipWithError("the start line did not activate the access point once");
      return;
    }
    const double seconds = times.back() - begin;
    state.SetIterationTime(seconds);
    worst_ms = std::max(worst_ms, seconds * 1000);
    netsh.RunDetached(kStopLine);
    netsh.WaitUntilIdle();
    if (!test::WaitFor([&] { return !stand_ins.HotspotActive(); })) {
      state.SkipWithError("the stop line left the access point up");
      return;
    }
  }
  state.counters["worst_ms"] = worst_ms;
  state.counters["target_ms"] = 10;
}

BENCHMARK(BM_StartLineToActivationRequest)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(30);

class SilentTray final : public app::NotifyIconShell {
 public:
  bool NotifyIcon(DWORD, const app::NotifyIconData&) override { return true; }
  bool IsTrayAvailable() const override { return true; }
  void WatchTrayAvailability(std::function<void(bool)>) override {}
};

// Stamps the end of the first paint of the main window after which the device list has
// `rows` rows: the paint and its flush both finish before the loop's next pass.
class RowPaintWatch final : public QObject {
 public:
  RowPaintWatch(QWidget* widget, DuiLib::CListUI* list) : list_(list) {
    widget->installEventFilter(this);
  }
  void Expect(int rows) {
    rows_ = rows;
    painted_ = 0;
  }
  double painted() const { return painted_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && painted_ == 0 && list_->GetCount() == rows_)
      QTimer::singleShot(0, this, [this] {
        if (painted_ == 0)
          painted_ = MonotonicSeconds();
      });
    return false;
  }

 private:
  DuiLib::CListUI* list_;
  int rows_ = -1;
  double painted_ = 0;
};

bool Pump(const std::function<bool()>& done, int timeout_ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void ClickControl(app::CTavlo& tavlo, const char16_t* name) {
  DuiLib::CControlUI* control = tavlo.GetPaintManager().FindControl(name);
  tavlo.GetPaintManager().UpdateLayout();
  const RECT rc = control->GetPos();
  QTest::mouseClick(DuiLib::WidgetFromHwnd(tavlo.GetHWND()), Qt::LeftButton, {},
                    QPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
}

// The whole road of a joining station: the driver's bus thread, its reporter thread, the
// wireless service's notification, the hotspot's sink, the posted message, the UI thread's new
// row and the paint that shows it, on the page that lists devices.
void BM_StationToPaintedRow(benchmark::State& state) {
  bench::StandIns stand_ins;
  if (std::string why = stand_ins.Start(); !why.empty()) {
    state.SkipWithError(why.c_str());
    return;
  }
  test::ScopedTempDir dir;
  std::filesystem::create_directories(dir.path() / "run");
  std::filesystem::permissions(dir.path() / "run", std::filesystem::perms::owner_all);
  test::ScopedEnv runtime("XDG_RUNTIME_DIR", (dir.path() / "run").string());
  config::CConfigCenterImpl store(dir.path() / "config.db");
  platform::nm::NmWirelessDriver::Options options;
  options.store = &store;
  platform::nm::NmSystem nm(options);
  platform::LinuxSystem system(platform::LinuxSystem::Options{});
  platform::XdgAutostart autostart((dir.path() / "autostart").string());
  platform::IconvCodePage code_page("UTF-8");
  platform::RealClock clock;
  SilentTray tray;
  app::TavloServices services;
  services.system = &system;
  services.autostart = &autostart;
  services.tray_shell = &tray;
  services.open_url = [](const std::u16string&) {};
  services.open_tray_menu = [](HWND, DuiLib::CPaintManagerUI*, std::map<DuiLib::CDuiString, bool>*,
                               POINT) {};
  services.web_host = u"http://127.0.0.1:9";
  services.wlan = &nm.wlan_api();
  services.code_page = &code_page;
  services.clock = &clock;
  services.command_runner = &nm.command_runner();
  services.sharing = &nm.sharing_service();

  app::CTavlo tavlo(services, 0xC123);
  if (!tavlo.AcquireSingleInstance() || !tavlo.Create(nullptr, u"tavlo", 0x96C80000, 0x100)) {
    state.SkipWithError("the main window did not open");
    return;
  }
  // Shown, as ShowModal shows it: a hidden window paints nothing.
  tavlo.ShowWindow();
  DuiLib::CPaintManagerUI& pm = tavlo.GetPaintManager();
  auto visible = [&pm](const char16_t* name) {
    DuiLib::CControlUI* control = pm.FindControl(name);
    return control && control->IsOwnVisible();
  };
  auto* list = dynamic_cast<DuiLib::CListUI*>(pm.FindControl(u"ListDeviceInfo"));
  const char* problem = nullptr;
  if (!list || !Pump([&] { return tavlo.hotspot().ready() && visible(u"Btn_Run"); })) {
    problem = "the window never became ready";
  } else {
    pm.FindControl(u"Edit_SSID")->SetText(u"热点-bench");
    pm.FindControl(u"Edit_PWD")->SetText(u"bench-key-1");
    ClickControl(tavlo, u"Btn_Run");
    if (!Pump([&] { return visible(u"Btn_Close"); }))
      problem = visible(u"Btn_Run") ? "the hotspot did not start from the window"
                                    : "the start did not end";
  }
  if (!problem) {
    ClickControl(tavlo, u"optionUsers");
    RowPaintWatch watch(DuiLib::WidgetFromHwnd(tavlo.GetHWND()), list);
    double worst_ms = 0;
    int n = 0;
    for (auto _ : state) {
      char mac[18];
      std::snprintf(mac, sizeof mac, "02:11:22:33:%02x:%02x", (n >> 8) & 0xff, n & 0xff);
      ++n;
      watch.Expect(1);
      std::future<void> joined = stand_ins.Station(mac, true);
      if (!Pump([&] { return watch.painted() != 0; })) {
        std::string why = "no painted row for the station";
        try {
          joined.get();
        } catch (const sdbus::Error& e) {
          why += ": " + e.getMessage();
        }
        state.SkipWithError(why.c_str());
        break;
      }
      joined.get();
      const double seconds = watch.painted() - stand_ins.SignalTime("StaAuthorized", mac);
      state.SetIterationTime(seconds);
      worst_ms = std::max(worst_ms, seconds * 1000);
      std::future<void> left = stand_ins.Station(mac, false);
      if (!Pump([&] { return list->GetCount() == 0; })) {
        state.SkipWithError("the row stayed after the station left");
        break;
      }
      left.get();
    }
    state.counters["worst_ms"] = worst_ms;
    state.counters["target_ms"] = 50;
  } else {
    state.SkipWithError(problem);
  }
  tavlo.RequestExit();
  Pump([&] { return !DuiLib::IsWindow(tavlo.GetHWND()); }, 15000);
}

BENCHMARK(BM_StationToPaintedRow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  DuiLib::CPaintManagerUI::SetInstance(nullptr);
  DuiLib::CPaintManagerUI::SetResourceZip(u"skin.zip");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
