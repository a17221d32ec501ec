// Vertical, horizontal and tab layouts.
#include "duilib/container.h"
#include "duilib/paint_manager.h"

namespace DuiLib {
namespace {

int Clamp(int v, int lo, int hi) {
  return std::clamp(v, lo, std::max(lo, hi));
}

// One axis of a box layout. "Main" is the stacking direction.
struct Axis {
  bool vertical;
  int Main(SIZE s) const { return vertical ? s.cy : s.cx; }
  int MinMain(CControlUI* c) const { return vertical ? c->GetMinHeight() : c->GetMinWidth(); }
  int MaxMain(CControlUI* c) const { return vertical ? c->GetMaxHeight() : c->GetMaxWidth(); }
  int MinCross(CControlUI* c) const { return vertical ? c->GetMinWidth() : c->GetMinHeight(); }
  int MaxCross(CControlUI* c) const { return vertical ? c->GetMaxWidth() : c->GetMaxHeight(); }
  int PadBefore(RECT p) const { return vertical ? p.top : p.left; }
  int PadAfter(RECT p) const { return vertical ? p.bottom : p.right; }
  int CrossBefore(RECT p) const { return vertical ? p.left : p.top; }
  int CrossAfter(RECT p) const { return vertical ? p.right : p.bottom; }
};

// Lays out the non-float children along one axis. Returns the content length (for scrolling).
int BoxLayout(const Axis& ax,
              const std::vector<CControlUI*>& items,
              const CDuiRect& area,
              int child_padding,
              UINT cross_align,
              UINT main_align,
              int scroll) {
  int main_len = ax.vertical ? area.GetHeight() : area.GetWidth();
  int cross_len = ax.vertical ? area.GetWidth() : area.GetHeight();
  SIZE avail{area.GetWidth(), area.GetHeight()};
  int adjustables = 0, fixed = 0, count = 0;
  std::vector<SIZE> est(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    CControlUI* c = items[i];
    if (!c->IsVisible() || c->IsFloat())
      continue;
    est[i] = c->EstimateSize(avail);
    RECT pad = c->GetPadding();
    int m = ax.Main(est[i]);
    if (m == 0) {
      ++adjustables;
      fixed += ax.MinMain(c);
    } else {
      fixed += Clamp(m, ax.MinMain(c), ax.MaxMain(c));
    }
    fixed += ax.PadBefore(pad) + ax.PadAfter(pad);
    ++count;
  }
  if (count > 1)
    fixed += (count - 1) * child_padding;
  // Stretchable children share what is left beyond their minimums.
  int spare = std::max(main_len - fixed, 0);
  int pos = (ax.vertical ? area.top : area.left) - scroll;
  if (adjustables == 0 && spare > 0) {
    if (main_align == (ax.vertical ? DT_VCENTER : DT_CENTER))
      pos += spare / 2;
    else if (main_align == (ax.vertical ? DT_BOTTOM : DT_RIGHT))
      pos += spare;
  }
  int start = pos;
  int remaining_adjustables = adjustables;
  for (size_t i = 0; i < items.size(); ++i) {
    CControlUI* c = items[i];
    if (!c->IsVisible() || c->IsFloat())
      continue;
    RECT pad = c->GetPadding();
    int m = ax.Main(est[i]);
    if (m == 0) {
      int share = remaining_adjustables > 0 ? spare / remaining_adjustables : 0;
      m = Clamp(ax.MinMain(c) + share, ax.MinMain(c), ax.MaxMain(c));
      spare -= m - ax.MinMain(c);
      --remaining_adjustables;
    } else {
      m = Clamp(m, ax.MinMain(c), ax.MaxMain(c));
    }
    int room = cross_len - ax.CrossBefore(pad) - ax.CrossAfter(pad);
    // The cross size is the fixed one, as written in the layout; estimates only stack.
    int x = ax.vertical ? c->GetFixedWidth() : c->GetFixedHeight();
    x = x == 0 ? room : x;
    x = Clamp(x, ax.MinCross(c), ax.MaxCross(c));
    int cross0 = (ax.vertical ? area.left : area.top) + ax.CrossBefore(pad);
    if (x < room) {
      if (cross_align == (ax.vertical ? DT_CENTER : DT_VCENTER))
        cross0 += (room - x) / 2;
      else if (cross_align == (ax.vertical ? DT_RIGHT : DT_BOTTOM))
        cross0 += room - x;
    }
    pos += ax.PadBefore(pad);
    RECT rc = ax.vertical ? RECT{cross0, pos, cross0 + x, pos + m}
                          : RECT{pos, cross0, pos + m, cross0 + x};
    c->SetPos(rc, false);
    pos += m + ax.PadAfter(pad) + child_padding;
  }
  return count ? pos - child_padding - start : 0;
}

}  // namespace

LPVOID CVerticalLayoutUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"VerticalLayout"))
    return this;
  return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetPos(RECT rc, bool need_invalidate) {
  CControlUI::SetPos(rc, need_invalidate);
  CDuiRect area = ContentRect();
  // First pass measures the content; a second applies the (clamped) scroll offset.
  int content =
      BoxLayout(Axis{true}, m_items, area, m_iChildPadding, m_iChildAlign, m_iChildVAlign, 0);
  int offset = UpdateScroll(content, area.GetHeight());
  if (offset)
    BoxLayout(Axis{true}, m_items, area, m_iChildPadding, m_iChildAlign, m_iChildVAlign, offset);
  for (CControlUI* c : m_items) {
    if (c->IsVisible() && c->IsFloat())
      PlaceFloat(c);
  }
}

LPVOID CHorizontalLayoutUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"HorizontalLayout"))
    return this;
  return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(RECT rc, bool need_invalidate) {
  CControlUI::SetPos(rc, need_invalidate);
  CDuiRect area = ContentRect();
  UpdateScroll(0, area.GetHeight());
  BoxLayout(Axis{false}, m_items, area, m_iChildPadding, m_iChildVAlign, m_iChildAlign, 0);
  for (CControlUI* c : m_items) {
    if (c->IsVisible() && c->IsFloat())
      PlaceFloat(c);
  }
}

LPVOID CTabLayoutUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"TabLayout"))
    return this;
  return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) {
  return AddAt(control, GetCount());
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index))
    return false;
  if (m_iCurSel < 0 && control->IsOwnVisible()) {
    m_iCurSel = GetItemIndex(control);
  } else {
    if (index <= m_iCurSel && m_iCurSel >= 0 && GetCount() > 1)
      ++m_iCurSel;
    control->SetInternVisible(false);
  }
  if (m_iCurSel >= 0)
    GetItemAt(m_iCurSel)->SetInternVisible(IsVisible());
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* control, bool do_not_destroy) {
  int index = GetItemIndex(control);
  return index >= 0 && RemoveAt(index, do_not_destroy);
}

bool CTabLayoutUI::RemoveAt(int index, bool do_not_destroy) {
  bool was_current = index == m_iCurSel;
  if (!CContainerUI::RemoveAt(index, do_not_destroy))
    return false;
  if (GetCount() == 0) {
    m_iCurSel = -1;
  } else if (was_current) {
    m_iCurSel = -1;
    SelectItem(std::min(index, GetCount() - 1));
  } else if (index < m_iCurSel) {
    --m_iCurSel;
  }
  return true;
}

void CTabLayoutUI::RemoveAll() {
  m_iCurSel = -1;
  CContainerUI::RemoveAll();
}

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= GetCount())
    return false;
  if (index == m_iCurSel)
    return true;
  int old = m_iCurSel;
  m_iCurSel = index;
  ShowSelectedPage();
  NeedParentUpdate();
  if (m_pManager) {
    m_pManager->SendNotify(this, DUI_MSGTYPE_TABSELECT, static_cast<WPARAM>(index),
                           static_cast<LPARAM>(old));
  }
  return true;
}

void CTabLayoutUI::ShowSelectedPage() {
  for (int i = 0; i < GetCount(); ++i)
    GetItemAt(i)->SetInternVisible(i == m_iCurSel && IsVisible());
}

void CTabLayoutUI::SetVisible(bool visible) {
  CContainerUI::SetVisible(visible);
  ShowSelectedPage();
}

void CTabLayoutUI::SetInternVisible(bool visible) {
  CContainerUI::SetInternVisible(visible);
  ShowSelectedPage();
}

bool CTabLayoutUI::SelectItem(CControlUI* control) {
  return SelectItem(GetItemIndex(control));
}

void CTabLayoutUI::SetPos(RECT rc, bool need_invalidate) {
  CControlUI::SetPos(rc, need_invalidate);
  CDuiRect area = ContentRect();
  UpdateScroll(0, area.GetHeight());
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* c = GetItemAt(i);
    if (i != m_iCurSel || !c->IsOwnVisible())
      continue;
    if (c->IsFloat()) {
      PlaceFloat(c);
      continue;
    }
    RECT pad = c->GetPadding();
    c->SetPos(RECT{area.left + pad.left, area.top + pad.top, area.right - pad.right,
                   area.bottom - pad.bottom},
              false);
  }
}

void CTabLayoutUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  int n;
  // Layout attributes are applied after the children are added, so the page exists.
  if (std::u16string_view(name ? name : u"") == u"selectedid") {
    if (ParseInt(value ? value : u"", &n))
      SelectItem(n);
    return;
  }
  CContainerUI::SetAttribute(name, value);
}

}  // namespace DuiLib
