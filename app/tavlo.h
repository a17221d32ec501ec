// CTavlo: the main window and owner of the program's shell: the skinned controls, the tray
// icon, the worker thread with its command queue, and the hotspot.
//
// Thread affinity: constructed, run and destroyed on the UI thread. The worker thread runs the
// hotspot's initialisation, the start/stop commands and the shutdown; every change it makes to
// controls, icons and the tray is handed to the UI thread, in order, and dropped if the window
// is gone by then. The exit thread runs ExitThreadProc. The wireless service's thread reaches
// the window only through the posted WM_HOSTEDNETWORK_NOTIFY, and the device facts' thread only
// through closures for the window.
// Ownership: owns the tray icon, the queue, the worker thread and the hotspot; the services
// are not owned and must outlive the object. Controls belong to the framework. The window
// must not outlive the object: the destructor destroys one that is still there.
// Failure: start-up failures of the hotspot show as "never ready"; nothing is thrown. However
// the window ends (the exit sequence, the desktop closing it), the destructor makes sure the
// shutdown ran.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "app/device_facts_feed.h"
#include "app/tavlo_services.h"
#include "app/tray_icon.h"
#include "base/lock.h"
#include "duilib/UIlib.h"
#include "hostednet/hotspot.h"
#include "hostednet/worker_queue.h"
#include "ui/menu_wnd.h"

namespace app {

constexpr UINT_PTR TIMER_WAIT_READY = 2231;
constexpr UINT_PTR TIMER_ANIMATE = 2232;
constexpr UINT kWaitReadyMs = 500;
constexpr UINT kAnimateMs = 300;
constexpr DWORD kWorkerPollMs = CWorkerQueue::kPollMs;

constexpr UINT kSharingIcon = 130;
constexpr UINT kStoppedIcon = 131;

constexpr std::u16string_view kSingleInstanceName =
    u"WiFi.PLock.{288907AB-F22B-43BD-BCF7-658C54ABEC49}";
constexpr std::u16string_view kActivationMessageName = u"{46B013B2-0E15-4E39-A719-D33874DCAE73}";

// The popup menu's click message (wParam a heap string owned by the receiver) is the menu's own.
using DuiLib::WM_MENU_ITEM_CLICK;

class CTavlo : public DuiLib::WindowImplBase, private CWorkerQueue::Delegate {
 public:
  // Creates the single-instance lock, the tray icon, the queue and the hotspot; no window and
  // no thread. `activation_message` is the registered activation message's id.
  CTavlo(const TavloServices& services, UINT activation_message);
  ~CTavlo() override;

  // True when this process took the single-instance lock (wait of 0 ms).
  bool AcquireSingleInstance();
  // Why the lock could not be made; ok() when a false AcquireSingleInstance means that another
  // instance holds it.
  const base::FolderProblem& SingleInstanceProblem() const {
    return single_instance_.CreateProblem();
  }

  // Appends a command to the worker's queue; any thread.
  void PostCommand(int command);

  // The exit thread's body; a null `self` ends at once.
  static void ExitThreadProc(CTavlo* self);

  // UI-thread entry points of the window's flows (the notifications call them).
  void OnRunClicked();
  void OnCloseClicked();
  void ShowTrayMenu();
  void UpdateAutorunCheck(bool mark);
  void DrainHostedNetworkEvents();
  // The orderly exit of "menu_Exit", on a thread of its own; UI thread. Message boxes the
  // window owns close first. Requests after the first are ignored, so the shutdown runs once.
  void RequestExit();

  // Observation, UI thread.
  const std::map<DuiLib::CDuiString, bool>& check_states() const { return check_states_; }
  CTrayIcon& tray_icon() { return tray_icon_; }
  CHotspot& hotspot() { return hotspot_; }
  UINT window_icon() const { return window_icon_; }
  unsigned animation_counter() const { return animation_counter_; }
  bool has_worker() const { return worker_.started(); }

 protected:
  LPCTSTR GetWindowClassName() const override { return u"DUIWiFiMainFrame"; }
  DuiLib::CDuiString GetSkinFolder() override { return u""; }
  DuiLib::CDuiString GetSkinFile() override { return u"tavlo.xml"; }
  DuiLib::UILIB_RESOURCETYPE GetResourceType() const override { return DuiLib::UILIB_ZIP; }
  DuiLib::CDuiString GetZIPFileName() const override { return u"skin.zip"; }
  LRESULT HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;
  LRESULT HandleCustomMessage(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) override;
  void InitWindow() override;
  void Notify(DuiLib::TNotifyUI& msg) override;
  DuiLib::CControlUI* CreateControl(LPCTSTR class_name) override;

 private:
  void OnTimer(UINT_PTR id);
  void ShowAndActivate();
  void SetWindowIcon(UINT icon);
  void OpenWebPage(std::u16string_view path);
  void OnMenuItemClick(const char16_t* name);
  void StartWorker();

  // Without a notification area the close button minimizes and the window says so.
  void OnSysCloseClicked();
  void OnTrayAvailability(bool available);

  // Worker side of the start/stop sequence (CWorkerQueue::Delegate).
  void OnWorkerInit() override { InitSharing(); }
  void OnStartCommand() override;
  void OnStopCommand() override;
  void OnWorkerShutdown() override { hotspot_.Shutdown(); }
  void InitSharing();
  // Runs `change` on the UI thread after every change queued before it, unless the window is
  // gone by then.
  void OnUi(std::function<void()> change);
  // UI thread: the stopped state with its icons and balloon, as after a stop.
  void ShowStopped();
  // UI thread: the hosted network left the active state; if the window still shows sharing
  // that nobody asked to stop, it shows the stopped state.
  void OnHostedNetworkStopped();
  // UI thread: the join code shows `payload`, or goes away when it is empty.
  void ShowJoinCode(const std::string& payload);

  // Device rows, UI thread.
  void OnDeviceJoined(CWlanDevice* device);
  void OnDeviceLeft(CWlanDevice* device);
  void OnDeviceUpdated(CWlanDevice* device);
  void AddDeviceRow(CWlanDevice* device);
  void RemoveDeviceRow(CWlanDevice* device);
  // Fills the name and address cells of the rows of the devices that changed, in place.
  void OnDeviceFacts(const std::vector<platform::DeviceFacts>& changed);

  const TavloServices services_;
  const UINT activation_message_;

  base::ProcessLock single_instance_;
  DuiLib::CListUI* device_list_ = nullptr;
  DuiLib::CControlUI* sys_close_ = nullptr;
  DuiLib::CControlUI* btn_run_ = nullptr;
  DuiLib::CControlUI* btn_close_ = nullptr;
  DuiLib::CControlUI* link_web_url_ = nullptr;
  DuiLib::CControlUI* link_web_friend_ = nullptr;
  DuiLib::CControlUI* static_init_start_ = nullptr;
  DuiLib::CControlUI* static_init_ = nullptr;
  DuiLib::CControlUI* static_wifi_ = nullptr;
  DuiLib::CControlUI* chk_show_pwd_ = nullptr;
  DuiLib::CEditUI* edit_ssid_ = nullptr;
  std::u16string requested_ssid_;
  DuiLib::CEditUI* edit_pwd_ = nullptr;
  std::u16string requested_password_;
  CTrayIcon tray_icon_;
  // Names and addresses of devices, as the backend learns them; UI thread.
  DeviceFactsFeed device_facts_;
  UINT window_icon_ = 0;
  std::map<DuiLib::CDuiString, bool> check_states_;
  // Before the hotspot: its sink posts through it from the wireless service's thread until
  // the hotspot's destructor has closed the controller.
  std::unique_ptr<platform::MessagePoster> poster_;
  CHotspot hotspot_;
  // After the hotspot, which its thread uses until the shutdown has run.
  CWorkerQueue worker_;
  std::u16string current_ssid_;
  std::u16string current_password_;
  unsigned animation_counter_ = 0;
  // UI thread: true from a successful start's changes until a stop is asked for or shown.
  bool sharing_shown_ = false;
  // The window, as other threads see it: set before the worker or the exit thread starts.
  HWND window_ = nullptr;
  bool exit_started_ = false;  // UI thread
  std::thread exit_thread_;    // UI thread; joined by the destructor
  bool tray_available_ = true;
  DuiLib::CControlUI* tray_hint_ = nullptr;
  // Shown while the hotspot runs: the code that joins it.
  DuiLib::CQrCodeUI* qr_join_ = nullptr;
  DuiLib::CDuiString tray_hint_text_;
  DuiLib::CDuiString sys_close_tip_;
};

}  // namespace app
