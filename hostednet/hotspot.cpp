#include "hostednet/hotspot.h"
#include <cstdio>

#include <new>

#include "ics/netshell_binding.h"

CHotspot::CHotspot(platform::WlanApi* api,
                   const platform::CodePage* code_page,
                   platform::Clock* clock,
                   platform::CommandRunner* runner,
                   platform::SharingService* sharing)
    : clock_(clock), runner_(runner), sharing_(sharing), controller_(api, code_page) {}

CHotspot::~CHotspot() {
  connections_.RemoveAll();
  // Nothing calls the sink once this returns, so it can go with the members below.
  controller_.Close();
  devices_.RemoveAll();
  // The backend binding is process-wide: it must not outlive the service it came from.
  if (sharing_manager_) {
    sharing_manager_.reset();
    ics::UnbindNetshell();
  }
}

HRESULT CHotspot::InitSharingManager() {
  return ics::InitSharingManager(*sharing_, &sharing_manager_);
}

HRESULT CHotspot::Initialize() {
  if (sink_)
    return S_OK;
  sink_.reset(new (std::nothrow) CNotificationSink(window_));
  if (!sink_)
    return E_OUTOFMEMORY;
  controller_.Open();
  // As an HRESULT, so that a failed registration reads as a failure to the caller.
  HRESULT hr = HresultFromWin32(controller_.RegisterSink(sink_.get()));
  if (hr == S_OK) {
    bool active = false;
    hr = controller_.IsActive(&active);
  }
  if (hr != S_OK)
    sink_.reset();
  return hr;
}

HRESULT CHotspot::ShareInternet() {
  return sharing_manager_->ShareInternet(public_interface_id_, device_id_);
}

void CHotspot::RestartHostedNetwork() {
  runner_->RunDetached(kNetshStopHostedNetwork);
  clock_->Sleep(kCommandPauseMs);
  runner_->RunDetached(kNetshStartHostedNetwork);
  clock_->Sleep(kCommandPauseMs);
  controller_.QueryDeviceId(&device_id_);
  FindPublicConnection();
}

HRESULT CHotspot::FindPublicConnection() {
  const HRESULT found = controller_.FindConnectedInterface(&public_interface_id_);
  // NetworkManager shares only towards its default route, which may well be a cable: asking
  // it to share the wireless interface instead could only fail.
  if (SUCCEEDED(found) && sharing_manager_)
    sharing_manager_->FindInternetConnection(&public_interface_id_);
  return found;
}

bool CHotspot::StartSharing() {
  if (StartAndShare()) {
    AwaitActiveState();
    return true;
  }
  // A start that failed must not leave an access point up that nothing is shared onto, nor
  // one side of a sharing pair without the other. The start line ran without waiting, so the
  // stop line runs whatever state the controller has seen so far.
  runner_->RunDetached(kNetshStopHostedNetwork);
  if (sharing_manager_)
    sharing_manager_->DisableAllSharing();
  return false;
}

bool CHotspot::StartAndShare() {
  // Under the controller's lock, so the state cannot change between the check and the stop.
  controller_.RunIfActive([this] { runner_->RunDetached(kNetshStopHostedNetwork); });
  runner_->RunDetached(kNetshAllowHostedNetwork);
  clock_->Sleep(kCommandPauseMs);
  runner_->RunDetached(kNetshStartHostedNetwork);
  clock_->Sleep(kCommandPauseMs);

  if (FAILED(controller_.QueryDeviceId(&device_id_)))
    return false;
  if (FAILED(FindPublicConnection()))
    return false;
  // Without a manager there is nothing to share through; the passes could only wait.
  if (!sharing_manager_)
    return false;

  HRESULT r = E_FAIL;
  for (DWORD elapsed = 0, attempt = 0; elapsed < kSharingWindowMs;
       ++attempt, elapsed += kPassStepMs) {
    r = ShareInternet();
    if (FAILED(r)) {
      // The adapter shows up in the table only once the network runs: enumerate afresh.
      r = sharing_manager_->ResetConnections();
      if (attempt > 0)
        clock_->Sleep(elapsed);
      if (r == S_OK) {
        RestartHostedNetwork();
        r = ShareInternet();
      }
    }
    if (SUCCEEDED(r))
      break;
  }
  return r == S_OK;
}

void CHotspot::AwaitActiveState() {
  // The controller learns of the restarts from notifications that may lag behind the lines.
  // Once it has seen the network active, every departure the restarts caused has reached the
  // sink ahead of whatever the caller reports next, so a departure after that is a real one.
  for (DWORD waited = 0; waited < kActiveWaitMs; waited += kActivePollMs) {
    bool active = false;
    if (FAILED(controller_.IsActive(&active)) || active)
      return;
    clock_->Sleep(kActivePollMs);
  }
}

void CHotspot::StopHostedNetwork() {
  controller_.RunIfActive([this] { runner_->RunDetached(kNetshStopHostedNetwork); });
}

void CHotspot::Shutdown() {
  if (sharing_manager_)
    sharing_manager_->DisableAllSharing();
  // The same call as Disable; a missing function skips it.
  controller_.Disable();
  if (sharing_manager_) {
    sharing_manager_.reset();
    ics::UnbindNetshell();
  }
}
