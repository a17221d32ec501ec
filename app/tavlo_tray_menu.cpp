// CTavlo: the tray menu's side in the main window: opening it, the autorun check mark and
// the chosen item. UI thread.
#include "app/autorun.h"
#include "app/tavlo.h"
#include "ui/advert_pane.h"

namespace app {

void CTavlo::UpdateAutorunCheck(bool mark) {
  check_states_.clear();
  check_states_[u"menu_Autorun"] = mark;
}

void CTavlo::ShowTrayMenu() {
  POINT cursor{};
  DuiLib::GetCursorPos(&cursor);
  if (services_.open_tray_menu)
    services_.open_tray_menu(GetHWND(), &m_PaintManager, &check_states_, cursor);
}

void CTavlo::OnMenuItemClick(const char16_t* name) {
  if (!name)
    return;
  const std::u16string_view item(name);
  if (item == u"menu_Exit") {
    RequestExit();
  } else if (item == u"menu_Web") {
    OpenWebPage(ui::kWebContainerPath);
  } else if (item == u"menu_Autorun") {
    if (!services_.autostart || !services_.system)
      return;
    Autorun autorun(*services_.autostart, services_.system->ExecutablePath());
    if (autorun.IsAutorunEnabled()) {
      UpdateAutorunCheck(false);
      autorun.SetAutorun(false);
    } else {
      UpdateAutorunCheck(true);
      autorun.SetAutorun(true);
    }
  }
}

}  // namespace app
