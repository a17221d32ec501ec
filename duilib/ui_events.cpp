#include "duilib/ui_events.h"

#include <QDateTime>

namespace DuiLib {

DWORD EventTimestamp() {
  return static_cast<DWORD>(QDateTime::currentMSecsSinceEpoch());
}

bool CNotifyPump::AddVirtualWnd(const CDuiString& name, CNotifyPump* pump) {
  if (!pump)
    return false;
  return virtual_wnds_.emplace(name, pump).second;
}

bool CNotifyPump::RemoveVirtualWnd(const CDuiString& name) {
  return virtual_wnds_.erase(name) > 0;
}

void CNotifyPump::NotifyPump(TNotifyUI& msg) {
  if (!msg.sVirtualWnd.IsEmpty()) {
    auto it = virtual_wnds_.find(msg.sVirtualWnd);
    if (it != virtual_wnds_.end()) {
      it->second->NotifyPump(msg);
      return;
    }
  }
  LoopDispatch(msg);
}

}  // namespace DuiLib
