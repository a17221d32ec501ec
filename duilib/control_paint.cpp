// CControlUI's painting: background colour and image, status image, text and border, in that
// order, clipped to the rounded corners when there are any.
#include <QPainter>
#include <QPainterPath>

#include "duilib/control.h"
#include "duilib/render_engine.h"

namespace DuiLib {

bool CControlUI::DrawImage(HDC dc, LPCTSTR image, LPCTSTR modify) {
  return CRenderEngine::DrawImageString(dc, m_pManager, m_rcItem, m_rcPaint, image, modify);
}

void CControlUI::DoPaint(HDC dc, const RECT& paint) {
  if (!IntersectRect(&m_rcPaint, &paint, &m_rcItem))
    return;
  if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0) {
    dc->save();
    QPainterPath path;
    QRectF r(m_rcItem.left, m_rcItem.top, GetWidth(), GetHeight());
    path.addRoundedRect(r, m_cxyBorderRound.cx / 2.0, m_cxyBorderRound.cy / 2.0);
    dc->setClipPath(path, Qt::IntersectClip);
    PaintBkColor(dc);
    PaintBkImage(dc);
    PaintStatusImage(dc);
    PaintText(dc);
    dc->restore();
    PaintBorder(dc);
    return;
  }
  PaintBkColor(dc);
  PaintBkImage(dc);
  PaintStatusImage(dc);
  PaintText(dc);
  PaintBorder(dc);
}

void CControlUI::PaintBkColor(HDC dc) {
  if (!(m_dwBackColor >> 24))
    return;
  if (m_dwBackColor2 && m_dwBackColor2 != m_dwBackColor) {
    CRenderEngine::DrawGradient(dc, m_rcItem, m_dwBackColor, m_dwBackColor2, true);
  } else if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0) {
    CRenderEngine::DrawRoundColor(dc, m_rcItem, m_cxyBorderRound.cx, m_cxyBorderRound.cy,
                                  m_dwBackColor);
  } else {
    CRenderEngine::DrawColor(dc, m_rcItem, m_dwBackColor);
  }
}

void CControlUI::PaintBkImage(HDC dc) {
  if (!m_sBkImage.IsEmpty())
    DrawImage(dc, m_sBkImage);
}

void CControlUI::PaintStatusImage(HDC) {}

void CControlUI::PaintText(HDC) {}

void CControlUI::PaintBorder(HDC dc) {
  if (m_nBorderSize <= 0)
    return;
  DWORD color = (m_bFocused && m_dwFocusBorderColor) ? m_dwFocusBorderColor : m_dwBorderColor;
  if (!(color >> 24))
    return;
  if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0)
    CRenderEngine::DrawRoundRect(dc, m_rcItem, m_nBorderSize, m_cxyBorderRound.cx,
                                 m_cxyBorderRound.cy, color);
  else
    CRenderEngine::DrawRect(dc, m_rcItem, m_nBorderSize, color);
}

}  // namespace DuiLib
