#include "duilib/label.h"

#include <QFontMetrics>

#include "duilib/paint_manager.h"
#include "duilib/render_engine.h"

namespace DuiLib {

CLabelUI::CLabelUI() = default;

LPVOID CLabelUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"Label"))
    return this;
  return CControlUI::GetInterface(name);
}

void CLabelUI::SetTextStyle(UINT style) {
  m_uTextStyle = style;
  Invalidate();
}

void CLabelUI::SetTextColor(DWORD color) {
  m_dwTextColor = color;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD color) {
  m_dwDisabledTextColor = color;
  Invalidate();
}

void CLabelUI::SetFont(int index) {
  m_iFont = index;
  NeedParentUpdate();
}

void CLabelUI::SetTextPadding(RECT rc) {
  m_rcTextPadding = rc;
  NeedParentUpdate();
}

void CLabelUI::SetShowHtml(bool show) {
  m_bShowHtml = show;
  Invalidate();
}

SIZE CLabelUI::EstimateSize(SIZE available) {
  if (m_cxyFixed.cy > 0 || !m_pManager)
    return m_cxyFixed;
  QFontMetrics fm(m_pManager->GetFont(m_iFont));
  (void)available;
  return SIZE{m_cxyFixed.cx, fm.height() + 4 + m_rcTextPadding.top + m_rcTextPadding.bottom};
}

DWORD CLabelUI::CurrentTextColor() const {
  if (!IsEnabled()) {
    if (m_dwDisabledTextColor)
      return m_dwDisabledTextColor;
    return m_pManager ? m_pManager->GetDefaultDisabledColor() : 0xFFA7A6AA;
  }
  if (m_dwTextColor)
    return m_dwTextColor;
  return m_pManager ? m_pManager->GetDefaultFontColor() : 0xFF000000;
}

void CLabelUI::PaintText(HDC dc) {
  if (m_sText.IsEmpty())
    return;
  CDuiRect rc(m_rcItem);
  rc.Deflate(m_rcTextPadding);
  if (m_bShowHtml)
    CRenderEngine::DrawHtmlText(dc, m_pManager, rc, m_sText, CurrentTextColor(), nullptr, nullptr,
                                nullptr, m_iFont, m_uTextStyle);
  else
    CRenderEngine::DrawText(dc, m_pManager, rc, m_sText, CurrentTextColor(), m_iFont, m_uTextStyle);
}

void CLabelUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  std::u16string_view value(value_p ? value_p : u"");
  DWORD c;
  RECT rc;
  int n;
  if (name == u"align") {
    m_uTextStyle &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
    if (value == u"center")
      m_uTextStyle |= DT_CENTER;
    else if (value == u"right")
      m_uTextStyle |= DT_RIGHT;
    Invalidate();
  } else if (name == u"valign") {
    m_uTextStyle &= ~(DT_TOP | DT_VCENTER | DT_BOTTOM);
    if (value == u"vcenter" || value == u"center")
      m_uTextStyle |= DT_VCENTER;
    else if (value == u"bottom")
      m_uTextStyle |= DT_BOTTOM;
    Invalidate();
  } else if (name == u"endellipsis") {
    if (ParseBool(value))
      m_uTextStyle |= DT_END_ELLIPSIS;
    else
      m_uTextStyle &= ~DT_END_ELLIPSIS;
  } else if (name == u"wordbreak") {
    if (ParseBool(value)) {
      m_uTextStyle &= ~DT_SINGLELINE;
      m_uTextStyle |= DT_WORDBREAK;
    } else {
      m_uTextStyle &= ~DT_WORDBREAK;
      m_uTextStyle |= DT_SINGLELINE;
    }
  } else if (name == u"font") {
    if (ParseInt(value, &n))
      SetFont(n);
  } else if (name == u"textcolor") {
    if (ParseColor(value, &c))
      SetTextColor(c);
  } else if (name == u"disabledtextcolor") {
    if (ParseColor(value, &c))
      SetDisabledTextColor(c);
  } else if (name == u"textpadding") {
    if (ParseRect(value, &rc))
      SetTextPadding(rc);
  } else if (name == u"showhtml") {
    SetShowHtml(ParseBool(value));
  } else {
    CControlUI::SetAttribute(name_p, value_p);
  }
}

CTextUI::CTextUI() {
  m_uTextStyle = DT_WORDBREAK;
}

LPVOID CTextUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"Text"))
    return this;
  return CLabelUI::GetInterface(name);
}

UINT CTextUI::GetControlFlags() const {
  return (IsEnabled() && !m_links.empty()) ? UIFLAG_SETCURSOR : 0;
}

CDuiString CTextUI::GetLinkContent(int index) const {
  if (index < 0 || index >= GetLinkCount())
    return {};
  return m_links[static_cast<size_t>(index)];
}

SIZE CTextUI::EstimateSize(SIZE available) {
  if (m_cxyFixed.cy > 0 || !m_pManager)
    return m_cxyFixed;
  int width = m_cxyFixed.cx > 0 ? m_cxyFixed.cx : available.cx;
  RECT rc{0, 0, std::max(width - m_rcTextPadding.left - m_rcTextPadding.right, 1), 9999};
  if (m_bShowHtml)
    CRenderEngine::DrawHtmlText(nullptr, m_pManager, rc, m_sText, 0, nullptr, nullptr, nullptr,
                                m_iFont, m_uTextStyle | DT_CALCRECT);
  else
    CRenderEngine::DrawText(nullptr, m_pManager, rc, m_sText, 0, m_iFont,
                            m_uTextStyle | DT_CALCRECT);
  return SIZE{m_cxyFixed.cx, rc.bottom + m_rcTextPadding.top + m_rcTextPadding.bottom};
}

void CTextUI::DoEvent(TEventUI& event) {
  auto link_at = [this](POINT pt) {
    for (size_t i = 0; i < m_linkRects.size(); ++i) {
      if (CDuiRect(m_linkRects[i]).PtInRect(pt))
        return static_cast<int>(i);
    }
    return -1;
  };
  if (event.Type == UIEVENT_SETCURSOR) {
    if (m_pManager)
      m_pManager->SetCursorFor(this);
    return;
  }
  if (event.Type == UIEVENT_BUTTONUP && IsEnabled()) {
    int link = link_at(event.ptMouse);
    if (link >= 0 && m_pManager) {
      m_pManager->SendNotify(this, DUI_MSGTYPE_LINK, static_cast<WPARAM>(link));
      return;
    }
    if (m_cursor == Qt::PointingHandCursor && CDuiRect(m_rcItem).PtInRect(event.ptMouse) &&
        m_pManager) {
      m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
      return;
    }
  }
  if (event.Type == UIEVENT_MOUSEMOVE) {
    int link = link_at(event.ptMouse);
    if (link != m_hotLink) {
      m_hotLink = link;
      if (m_pManager)
        m_pManager->SetCursorFor(this);
    }
  }
  CLabelUI::DoEvent(event);
}

void CTextUI::PaintText(HDC dc) {
  if (m_sText.IsEmpty())
    return;
  CDuiRect rc(m_rcItem);
  rc.Deflate(m_rcTextPadding);
  if (!m_bShowHtml) {
    CRenderEngine::DrawText(dc, m_pManager, rc, m_sText, CurrentTextColor(), m_iFont, m_uTextStyle);
    return;
  }
  RECT links[16];
  CDuiString targets[16];
  int count = 16;
  CRenderEngine::DrawHtmlText(dc, m_pManager, rc, m_sText, CurrentTextColor(), links, targets,
                              &count, m_iFont, m_uTextStyle);
  m_linkRects.assign(links, links + count);
  m_links.assign(targets, targets + count);
}

}  // namespace DuiLib
