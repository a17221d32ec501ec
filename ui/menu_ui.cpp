// CMenuUI: a list that takes only menu items.
#include "ui/menu_ui.h"

namespace DuiLib {

CMenuElementUI* AsMenuElement(CControlUI* control) {
  return control ? static_cast<CMenuElementUI*>(control->GetInterface(u"MenuElement")) : nullptr;
}

CMenuUI::CMenuUI() {
  GetHeader()->SetVisible(false);
}

LPVOID CMenuUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"Menu"))
    return this;
  return CListUI::GetInterface(name);
}

bool CMenuUI::AddAt(CControlUI* control, int index) {
  CMenuElementUI* item = AsMenuElement(control);
  if (!item)
    return false;
  // An item's own items belong to its sub-menu, not to this list.
  for (int i = 0; i < item->GetCount(); ++i) {
    if (CMenuElementUI* sub = AsMenuElement(item->GetItemAt(i)))
      sub->SetInternVisible(false);
  }
  return CListUI::AddAt(control, index);
}

int CMenuUI::GetItemIndex(CControlUI* control) const {
  return AsMenuElement(control) ? CListUI::GetItemIndex(control) : -1;
}

bool CMenuUI::SetItemIndex(CControlUI* control, int index) {
  return AsMenuElement(control) && CListUI::SetItemIndex(control, index);
}

bool CMenuUI::Remove(CControlUI* control, bool do_not_destroy) {
  return AsMenuElement(control) && CListUI::Remove(control, do_not_destroy);
}

SIZE CMenuUI::EstimateSize(SIZE available) {
  SIZE size{0, 0};
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* item = GetItemAt(i);
    if (!item->IsVisible())
      continue;
    SIZE sz = item->EstimateSize(available);
    size.cy += sz.cy;
    size.cx = std::max(size.cx, sz.cx);
  }
  return size;
}

}  // namespace DuiLib
