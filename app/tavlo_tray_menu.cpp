// CTavlo: the tray menu's side in the main window: opening it, the autorun check mark and
// the chosen item. UI thread.
#include "app/autorun.h"
#include "app/tavlo.h"
#include "ui/advert_pane.h"

namespace app {

namespace {

constexpr char16_t kAutorunCaption[] = u"提示";

}  // namespace

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
    const bool saved = autorun.SetAutorun(!autorun.IsAutorunEnabled());
    // The mark shows what the store holds now, whatever was asked for.
    UpdateAutorunCheck(autorun.IsAutorunEnabled());
    if (!saved)
      DuiLib::MessageBox(GetHWND(), AutorunFailureText(autorun.last_failure()).c_str(),
                         kAutorunCaption, MB_OK);
  }
}

}  // namespace app
