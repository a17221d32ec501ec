// CHotspot: ties the hotspot together. It owns the hosted-network controller, the notification
// sink that carries the controller's events to the window, the connection-sharing manager and
// the lists the window and the sharing code fill. It starts the hosted network with the netsh
// lines (allow, start, and stop first when it is running), shares the connected wireless
// interface onto the hosted network's adapter with up to three passes and their pauses, stops
// the hosted network, and shuts sharing and the hosted network down at the end.
//
// Thread affinity: Initialize, InitSharingManager, StartSharing, StopHostedNetwork and Shutdown
// run on the worker thread, as does everything done with the sharing manager and the
// connection list. The device list belongs to the window's thread. ready() may be read on any
// thread. The destructor runs on the window's thread once the worker has ended.
// Ownership: the WlanApi, code page, clock, command runner and sharing service are not owned
// and must outlive the hotspot; so must the window poster, which the sink posts to. The sink
// lives until the destructor, after the controller was closed.
// Failure: StartSharing reports only true or false; StopHostedNetwork and Shutdown report
// nothing; Initialize returns the first failing step's HRESULT.
#pragma once

#include <atomic>
#include <memory>

#include "base/guid.h"
#include "base/ref_object_list.h"
#include "base/result.h"
#include "hostednet/hosted_network.h"
#include "hostednet/notification_sink.h"
#include "hostednet/wlan_device.h"
#include "ics/ics_connection_info.h"
#include "ics/ics_manager.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/command_runner.h"
#include "platform/message_poster.h"
#include "platform/sharing.h"
#include "platform/wlan_api.h"

// The three netsh lines, run as they stand.
inline constexpr char16_t kNetshAllowHostedNetwork[] =
    u"cmd.exe /c netsh wlan set hostednetwork mode=allow";
inline constexpr char16_t kNetshStartHostedNetwork[] = u"cmd.exe /c netsh wlan start hostednetwork";
inline constexpr char16_t kNetshStopHostedNetwork[] = u"cmd.exe /c netsh wlan stop hostednetwork";

class CHotspot {
 public:
  // The pause after each netsh line, standing in for waiting for it.
  static constexpr DWORD kCommandPauseMs = 200;
  // The sharing passes run while this much back-off has not been reached, 1000 ms per pass.
  static constexpr DWORD kSharingWindowMs = 3000;
  static constexpr DWORD kPassStepMs = 1000;
  // After a successful start: how long, and in which steps, to wait for the controller to
  // have seen the network active.
  static constexpr DWORD kActiveWaitMs = 2000;
  static constexpr DWORD kActivePollMs = 20;

  CHotspot(platform::WlanApi* api,
           const platform::CodePage* code_page,
           platform::Clock* clock,
           platform::CommandRunner* runner,
           platform::SharingService* sharing);
  // Releases the connection list, closes the controller (which waits for a sink call in
  // progress), releases the device list, then deletes the sink. A sharing manager that
  // Shutdown did not delete goes too, with the sharing backend, and sharing stays as it is.
  ~CHotspot();
  CHotspot(const CHotspot&) = delete;
  CHotspot& operator=(const CHotspot&) = delete;

  // The window the sink posts to; set before Initialize.
  void set_window(platform::MessagePoster* window) { window_ = window; }
  platform::MessagePoster* window() const { return window_; }

  // Binds the sharing backend and creates the sharing manager with its connection table.
  // S_OK, or the failure of the binding or the enumeration (no manager then).
  HRESULT InitSharingManager();

  // Creates the sink for the window, opens the controller and registers the sink. S_OK;
  // E_OUTOFMEMORY when the sink cannot be made; the HRESULT of the registration's Win32 code;
  // or 0x8007139F when the controller did not open. On failure the sink is gone again.
  // A second call after success does nothing and answers S_OK.
  HRESULT Initialize();

  // Stops a running hosted network, allows and starts it, reads its device id and the
  // connected wireless interface, and shares the latter onto the former, retrying with a
  // fresh connection table and a restarted hosted network for about three seconds. True when
  // the last sharing step answered S_OK. False at once when there is no sharing manager.
  // A false start runs the stop line and switches sharing off everywhere, so it leaves
  // neither the hosted network running nor half a sharing pair behind. A true start returns
  // once the controller has seen the network active (at most kActiveWaitMs later): every
  // state change the start's own stop lines caused has reached the sink by then.
  bool StartSharing();

  // Runs the netsh stop line when the controller is initialised and the hosted network is
  // active. Sharing is left as it is.
  void StopHostedNetwork();

  // Switches sharing off everywhere (when a manager exists), switches the hosted network's
  // enable property off, then deletes the manager and releases the sharing backend. The last
  // operation on the worker thread.
  void Shutdown();

  // Set by the worker's initialisation when every step succeeded; never cleared.
  void set_ready() { ready_.store(true, std::memory_order_release); }
  bool ready() const { return ready_.load(std::memory_order_acquire); }

  CHostedNetwork& controller() { return controller_; }
  CNotificationSink* sink() const { return sink_.get(); }
  ics::CIcsManager* sharing_manager() const { return sharing_manager_.get(); }
  CRefObjectList<CWlanDevice>& devices() { return devices_; }
  CRefObjectList<ics::CIcsConnectionInfo>& connections() { return connections_; }
  // The hosted network's IPDeviceID (the private side) and the connected wireless interface, or
  // the connection the sharing service itself shares out (the public side), as last read by
  // StartSharing.
  const GUID& device_id() const { return device_id_; }
  const GUID& public_interface_id() const { return public_interface_id_; }

 private:
  // StartSharing without the clean-up of a failure.
  bool StartAndShare();
  void AwaitActiveState();
  HRESULT ShareInternet();
  // Stop, pause, start, pause, then read both GUIDs again (results ignored).
  void RestartHostedNetwork();
  // The public side: the connected wireless interface, unless the sharing service shares out
  // a connection of its own choosing, which then wins.
  HRESULT FindPublicConnection();

  platform::Clock* const clock_;
  platform::CommandRunner* const runner_;
  platform::SharingService* const sharing_;

  std::unique_ptr<CNotificationSink> sink_;
  CRefObjectList<CWlanDevice> devices_;
  platform::MessagePoster* window_ = nullptr;
  std::unique_ptr<ics::CIcsManager> sharing_manager_;
  CHostedNetwork controller_;
  CRefObjectList<ics::CIcsConnectionInfo> connections_;
  std::atomic<bool> ready_{false};
  GUID device_id_{};
  GUID public_interface_id_{};
};
