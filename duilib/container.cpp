#include "duilib/container.h"

#include <QPainter>

#include "duilib/paint_manager.h"
#include "duilib/render_engine.h"

namespace DuiLib {
namespace {

constexpr int kThumbWidth = 6;
constexpr int kWheelStep = 40;

}  // namespace

CContainerUI::~CContainerUI() {
  if (m_bAutoDestroy) {
    for (CControlUI* c : m_items)
      delete c;
  }
  m_items.clear();
}

LPVOID CContainerUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"Container") ||
      EqualsNoCase(name ? name : u"", u"IContainer"))
    return this;
  return CControlUI::GetInterface(name);
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount())
    return nullptr;
  return m_items[static_cast<size_t>(index)];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  for (size_t i = 0; i < m_items.size(); ++i) {
    if (m_items[i] == control)
      return static_cast<int>(i);
  }
  return -1;
}

// Internal operations use m_items directly: subclasses (lists) redirect the virtual accessors
// to another container.
bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
  int old = CContainerUI::GetItemIndex(control);
  if (old < 0 || index < 0 || index >= static_cast<int>(m_items.size()))
    return false;
  m_items.erase(m_items.begin() + old);
  m_items.insert(m_items.begin() + index, control);
  NeedUpdate();
  return true;
}

bool CContainerUI::Add(CControlUI* control) {
  return AddAt(control, static_cast<int>(m_items.size()));
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control || index < 0 || index > static_cast<int>(m_items.size()))
    return false;
  if (m_pManager)
    m_pManager->InitControls(control, this);
  else
    control->SetManager(control->GetManager(), this, false);
  m_items.insert(m_items.begin() + index, control);
  if (IsVisible())
    NeedUpdate();
  return true;
}

bool CContainerUI::Remove(CControlUI* control, bool do_not_destroy) {
  int index = CContainerUI::GetItemIndex(control);
  if (index < 0)
    return false;
  return CContainerUI::RemoveAt(index, do_not_destroy);
}

bool CContainerUI::RemoveAt(int index, bool do_not_destroy) {
  if (index < 0 || index >= static_cast<int>(m_items.size()))
    return false;
  CControlUI* c = m_items[static_cast<size_t>(index)];
  m_items.erase(m_items.begin() + index);
  if (m_bAutoDestroy && !do_not_destroy) {
    if (m_bDelayedDestroy && m_pManager)
      m_pManager->AddDelayedCleanup(c);
    else
      delete c;
  }
  NeedUpdate();
  return true;
}

void CContainerUI::RemoveAll() {
  std::vector<CControlUI*> items;
  items.swap(m_items);
  if (m_bAutoDestroy) {
    for (CControlUI* c : items) {
      if (m_bDelayedDestroy && m_pManager)
        m_pManager->AddDelayedCleanup(c);
      else
        delete c;
    }
  }
  m_nScrollPos = 0;
  NeedUpdate();
}

void CContainerUI::SetInset(RECT inset) {
  m_rcInset = inset;
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
  m_iChildPadding = padding;
  NeedUpdate();
}

void CContainerUI::SetChildAlign(UINT align) {
  m_iChildAlign = align;
  NeedUpdate();
}

void CContainerUI::SetChildVAlign(UINT align) {
  m_iChildVAlign = align;
  NeedUpdate();
}

void CContainerUI::SetMouseChildEnabled(bool enabled) {
  m_bMouseChildEnabled = enabled;
}

void CContainerUI::EnableScrollBar(bool vertical) {
  m_bScrollEnabled = vertical;
  if (!vertical)
    m_nScrollPos = 0;
  NeedUpdate();
}

void CContainerUI::SetScrollPos(int pos) {
  pos = std::clamp(pos, 0, GetScrollRange());
  if (pos == m_nScrollPos)
    return;
  m_nScrollPos = pos;
  NeedUpdate();
  if (m_pManager)
    m_pManager->UpdateLayout();
  Invalidate();
}

void CContainerUI::EnsureVisible(const RECT& rc) {
  if (!m_bScrollEnabled)
    return;
  CDuiRect view = ContentRect();
  if (rc.top < view.top)
    SetScrollPos(m_nScrollPos - (view.top - rc.top));
  else if (rc.bottom > view.bottom)
    SetScrollPos(m_nScrollPos + (rc.bottom - view.bottom));
}

void CContainerUI::SetVisible(bool visible) {
  if (m_bVisible == visible)
    return;
  CControlUI::SetVisible(visible);
  for (CControlUI* c : m_items)
    c->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  for (CControlUI* c : m_items)
    c->SetInternVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  for (CControlUI* c : m_items)
    c->SetManager(manager, this, init);
  CControlUI::SetManager(manager, parent, init);
}

CDuiRect CContainerUI::ContentRect() const {
  CDuiRect rc(m_rcItem);
  rc.Deflate(m_rcInset);
  return rc;
}

int CContainerUI::UpdateScroll(int content_height, int view_height) {
  m_nContentHeight = content_height;
  m_nViewHeight = view_height;
  if (!m_bScrollEnabled) {
    m_nScrollPos = 0;
    return 0;
  }
  m_nScrollPos = std::clamp(m_nScrollPos, 0, GetScrollRange());
  return m_nScrollPos;
}

CDuiRect CContainerUI::ThumbRect() const {
  if (!m_bScrollEnabled || m_nContentHeight <= m_nViewHeight || m_nViewHeight <= 0)
    return {};
  CDuiRect view = ContentRect();
  int track = view.GetHeight();
  int thumb = std::max(track * m_nViewHeight / m_nContentHeight, 20);
  int range = GetScrollRange();
  int top = view.top + (range ? (track - thumb) * m_nScrollPos / range : 0);
  return CDuiRect(m_rcItem.right - kThumbWidth - 2, top, m_rcItem.right - 2, top + thumb);
}

void CContainerUI::PlaceFloat(CControlUI* c) {
  RECT f = c->GetFloatPos();
  int cx = c->GetFixedWidth() > 0 ? c->GetFixedWidth() : f.right - f.left;
  int cy = c->GetFixedHeight() > 0 ? c->GetFixedHeight() : f.bottom - f.top;
  RECT rc{m_rcItem.left + f.left, m_rcItem.top + f.top, m_rcItem.left + f.left + cx,
          m_rcItem.top + f.top + cy};
  c->SetPos(rc, false);
}

void CContainerUI::SetPos(RECT rc, bool need_invalidate) {
  CControlUI::SetPos(rc, need_invalidate);
  CDuiRect area = ContentRect();
  UpdateScroll(0, area.GetHeight());
  for (CControlUI* c : m_items) {
    if (!c->IsVisible())
      continue;
    if (c->IsFloat()) {
      PlaceFloat(c);
      continue;
    }
    RECT pad = c->GetPadding();
    SIZE sz = c->EstimateSize(SIZE{area.GetWidth(), area.GetHeight()});
    int cx = sz.cx > 0 ? sz.cx : area.GetWidth() - pad.left - pad.right;
    int cy = sz.cy > 0 ? sz.cy : area.GetHeight() - pad.top - pad.bottom;
    cx = std::clamp(cx, c->GetMinWidth(), std::max(c->GetMinWidth(), c->GetMaxWidth()));
    cy = std::clamp(cy, c->GetMinHeight(), std::max(c->GetMinHeight(), c->GetMaxHeight()));
    RECT child{area.left + pad.left, area.top + pad.top, area.left + pad.left + cx,
               area.top + pad.top + cy};
    c->SetPos(child, false);
  }
}

void CContainerUI::DoEvent(TEventUI& event) {
  if (m_bScrollEnabled && GetScrollRange() > 0) {
    if (event.Type == UIEVENT_SCROLLWHEEL) {
      int delta = static_cast<int>(event.lParam);
      SetScrollPos(m_nScrollPos - delta * kWheelStep / 120);
      return;
    }
    if (event.Type == UIEVENT_BUTTONDOWN && ThumbRect().PtInRect(event.ptMouse)) {
      m_bThumbDrag = true;
      m_nThumbDragStart = event.ptMouse.y;
      m_nThumbDragPos = m_nScrollPos;
      return;
    }
    if (event.Type == UIEVENT_MOUSEMOVE && m_bThumbDrag) {
      CDuiRect thumb = ThumbRect();
      int track = ContentRect().GetHeight() - thumb.GetHeight();
      if (track > 0)
        SetScrollPos(m_nThumbDragPos +
                     (event.ptMouse.y - m_nThumbDragStart) * GetScrollRange() / track);
      return;
    }
    if (event.Type == UIEVENT_BUTTONUP && m_bThumbDrag) {
      m_bThumbDrag = false;
      return;
    }
  }
  CControlUI::DoEvent(event);
}

void CContainerUI::DoPaint(HDC dc, const RECT& paint) {
  CDuiRect rc;
  if (!IntersectRect(&rc, &paint, &m_rcItem))
    return;
  CControlUI::DoPaint(dc, paint);
  dc->save();
  dc->setClipRect(QRect(rc.left, rc.top, rc.GetWidth(), rc.GetHeight()), Qt::IntersectClip);
  CDuiRect content = ContentRect();
  for (CControlUI* c : m_items) {
    if (!c->IsVisible())
      continue;
    CDuiRect child_paint;
    if (!IntersectRect(&child_paint, &rc, &c->GetPos()))
      continue;
    // Scrolled-out children of a scrolling container are cut at its content area.
    if (m_bScrollEnabled && !c->IsFloat() && !child_paint.Intersect(content))
      continue;
    c->DoPaint(dc, child_paint);
  }
  CDuiRect thumb = ThumbRect();
  if (!thumb.IsEmpty())
    CRenderEngine::DrawRoundColor(dc, thumb, kThumbWidth, kThumbWidth, 0x50000000);
  dc->restore();
}

CControlUI* CContainerUI::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) {
  if ((flags & UIFIND_VISIBLE) && !IsVisible())
    return nullptr;
  if ((flags & UIFIND_ENABLED) && !IsEnabled())
    return nullptr;
  if (flags & UIFIND_HITTEST) {
    POINT pt = *static_cast<POINT*>(data);
    if (!CDuiRect(m_rcItem).PtInRect(pt))
      return nullptr;
    if (!m_bMouseChildEnabled) {
      return m_bMouseEnabled ? proc(this, data) : nullptr;
    }
    if (m_bMouseEnabled && ThumbRect().PtInRect(pt))
      return this;
  }
  if (flags & UIFIND_ME_FIRST) {
    if (CControlUI* me = CControlUI::FindControl(proc, data, flags))
      return me;
  }
  // Later children paint on top, so they are hit first.
  for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
    if ((flags & UIFIND_HITTEST) && m_bScrollEnabled && !(*it)->IsFloat() &&
        !ContentRect().PtInRect(*static_cast<POINT*>(data)))
      continue;
    if (CControlUI* found = (*it)->FindControl(proc, data, flags))
      return found;
  }
  if (flags & UIFIND_ME_FIRST)
    return nullptr;
  return CControlUI::FindControl(proc, data, flags);
}

void CContainerUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  std::u16string_view value(value_p ? value_p : u"");
  RECT rc;
  int n;
  if (name == u"inset") {
    if (ParseRect(value, &rc))
      SetInset(rc);
  } else if (name == u"childpadding") {
    if (ParseInt(value, &n))
      SetChildPadding(n);
  } else if (name == u"childalign") {
    SetChildAlign(value == u"center" ? DT_CENTER : (value == u"right" ? DT_RIGHT : DT_LEFT));
  } else if (name == u"childvalign") {
    SetChildVAlign(value == u"vcenter" || value == u"center"
                       ? DT_VCENTER
                       : (value == u"bottom" ? DT_BOTTOM : DT_TOP));
  } else if (name == u"mousechild") {
    SetMouseChildEnabled(ParseBool(value));
  } else if (name == u"vscrollbar") {
    EnableScrollBar(ParseBool(value));
  } else {
    CControlUI::SetAttribute(name_p, value_p);
  }
}

}  // namespace DuiLib
