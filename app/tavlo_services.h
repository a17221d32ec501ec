// What the main window reaches the system through. Everything is borrowed: the owner (the
// entry point or a test) keeps each service alive for the window's whole life.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "app/tray_icon.h"
#include "duilib/paint_manager.h"
#include "duilib/ui_string.h"
#include "platform/autostart.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/command_runner.h"
#include "platform/device_facts.h"
#include "platform/device_makers.h"
#include "platform/hotspot_diagnosis.h"
#include "platform/sharing.h"
#include "platform/system.h"
#include "platform/wlan_api.h"

namespace app {

struct TavloServices {
  platform::System* system = nullptr;
  platform::AutostartStore* autostart = nullptr;
  NotifyIconShell* tray_shell = nullptr;
  // Opens a web page with the desktop's default handler (UI thread).
  std::function<void(const std::u16string& url)> open_url;
  // Opens the popup menu "menu.xml" at `cursor`, owned by `window`; it reports the chosen
  // item with WM_MENU_ITEM_CLICK and reads its check marks from `checks` (UI thread).
  std::function<void(HWND window,
                     DuiLib::CPaintManagerUI* manager,
                     std::map<DuiLib::CDuiString, bool>* checks,
                     POINT cursor)>
      open_tray_menu;
  // The product web server, "http://host[:port]" (the program passes ui::WebHost()); empty
  // when none is named: the pages that ship in the skin are shown.
  std::u16string web_host;

  // The hotspot runs on the simulated system: the window says so, so that nobody takes it for
  // a real hotspot.
  bool simulated = false;

  // The hotspot's services.
  platform::WlanApi* wlan = nullptr;
  const platform::CodePage* code_page = nullptr;
  platform::Clock* clock = nullptr;
  platform::CommandRunner* command_runner = nullptr;
  platform::SharingService* sharing = nullptr;
  // Why a start failed and whether one would cut the Internet; null on backends that cannot
  // tell (the failure balloon then gives no reason and nobody is asked).
  platform::HotspotDiagnosis* diagnosis = nullptr;
  // Addresses and names of the devices on the hotspot; null where the backend learns none.
  platform::DeviceFactsSource* device_facts = nullptr;
  // Who made a device's card, from its address; null: nobody is named.
  const platform::DeviceMakers* device_makers = nullptr;
};

}  // namespace app
