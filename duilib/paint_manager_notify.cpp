// CPaintManagerUI's listeners: notifiers told of control notifications (now or queued), and
// message filters registered for the window's messages.
#include <algorithm>

#include "duilib/paint_manager.h"
#include "duilib/ui_thread.h"

namespace DuiLib {

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (!notifier ||
      std::find(m_aNotifiers.begin(), m_aNotifiers.end(), notifier) != m_aNotifiers.end())
    return false;
  m_aNotifiers.push_back(notifier);
  return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  auto it = std::find(m_aNotifiers.begin(), m_aNotifiers.end(), notifier);
  if (it == m_aNotifiers.end())
    return false;
  m_aNotifiers.erase(it);
  return true;
}

void CPaintManagerUI::SendNotify(CControlUI* control,
                                 LPCTSTR type,
                                 WPARAM wparam,
                                 LPARAM lparam,
                                 bool async) {
  TNotifyUI msg;
  msg.pSender = control;
  msg.sType = type;
  msg.wParam = wparam;
  msg.lParam = lparam;
  SendNotify(msg, async);
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool async) {
  msg.ptMouse = m_ptLastMousePos;
  msg.dwTimestamp = EventTimestamp();
  if (async) {
    std::weak_ptr<bool> alive = m_alive;
    TNotifyUI copy = msg;
    RunOnUiThread([this, alive, copy]() mutable {
      if (auto a = alive.lock(); a && *a)
        SendNotify(copy, false);
    });
    return;
  }
  // A notifier may remove itself (or others) while being told.
  std::vector<INotifyUI*> notifiers = m_aNotifiers;
  for (INotifyUI* n : notifiers) {
    if (std::find(m_aNotifiers.begin(), m_aNotifiers.end(), n) != m_aNotifiers.end())
      n->Notify(msg);
  }
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) {
  if (!filter)
    return false;
  m_aPreMessageFilters.push_back(filter);
  return true;
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) {
  return std::erase(m_aPreMessageFilters, filter) > 0;
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
  if (!filter)
    return false;
  m_aMessageFilters.push_back(filter);
  return true;
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
  return std::erase(m_aMessageFilters, filter) > 0;
}

}  // namespace DuiLib
