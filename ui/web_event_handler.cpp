#include "ui/web_event_handler.h"

#include <cstring>

#include "base/result.h"

namespace ui {

using DuiLib::CDuiString;
using DuiLib::CWebBrowserUI;
using DuiLib::DOCHOSTUIINFO;

HRESULT CCustomWebEventHandler::ShowContextMenu(CWebBrowserUI*, DWORD, POINT*) {
  return S_OK;
}

HRESULT CCustomWebEventHandler::GetHostInfo(CWebBrowserUI*, DOCHOSTUIINFO* info) {
  if (!info)
    return S_OK;
  info->cbSize = kHostInfoSize;
  info->dwFlags |= DuiLib::DOCHOSTUIFLAG_NO3DBORDER | DuiLib::DOCHOSTUIFLAG_SCROLL_NO |
                   DuiLib::DOCHOSTUIFLAG_NO3DOUTERBORDER;
  info->dwDoubleClick = DuiLib::DOCHOSTUIDBLCLK_DEFAULT;
  constexpr size_t kChars = std::size(kHostStyleSheet);  // with the terminator
  auto* css = static_cast<char16_t*>(DuiLib::CoTaskMemAlloc(kChars * sizeof(char16_t)));
  if (!css)
    throw base::HResultException(E_OUTOFMEMORY);
  std::memcpy(css, kHostStyleSheet, kChars * sizeof(char16_t));
  info->pchHostCss = css;
  return S_OK;
}

HRESULT CCustomWebEventHandler::ShowUI(CWebBrowserUI*) {
  return S_FALSE;
}

HRESULT CCustomWebEventHandler::HideUI(CWebBrowserUI*) {
  return S_OK;
}

HRESULT CCustomWebEventHandler::UpdateUI(CWebBrowserUI*) {
  return S_OK;
}

HRESULT CCustomWebEventHandler::EnableModeless(CWebBrowserUI*, bool) {
  return S_OK;
}

HRESULT CCustomWebEventHandler::OnDocWindowActivate(CWebBrowserUI*, bool) {
  return S_OK;
}

HRESULT CCustomWebEventHandler::OnFrameWindowActivate(CWebBrowserUI*, bool) {
  return S_OK;
}

HRESULT CCustomWebEventHandler::ResizeBorder(CWebBrowserUI*, const RECT*, bool) {
  return S_OK;
}

HRESULT CCustomWebEventHandler::TranslateAccelerator(CWebBrowserUI*, UINT, UINT) {
  return S_OK;
}

HRESULT CCustomWebEventHandler::GetOptionKeyPath(CWebBrowserUI*, char16_t** key) {
  if (key)
    *key = nullptr;
  return S_OK;
}

HRESULT CCustomWebEventHandler::GetDropTarget(CWebBrowserUI*, void*, void** out) {
  if (out)
    *out = nullptr;
  return S_OK;
}

HRESULT CCustomWebEventHandler::GetExternal(CWebBrowserUI*, void** out) {
  if (out)
    *out = nullptr;
  return S_OK;
}

HRESULT CCustomWebEventHandler::TranslateUrl(CWebBrowserUI*, const CDuiString&, char16_t** out) {
  if (out)
    *out = nullptr;
  return S_OK;
}

HRESULT CCustomWebEventHandler::FilterDataObject(CWebBrowserUI*, void*, void** out) {
  if (out)
    *out = nullptr;
  return S_OK;
}

HRESULT CCustomWebEventHandler::Download(CWebBrowserUI*, const CDuiString&) {
  return S_OK;
}

CCustomWebEventHandler* GetWebEventHandler() {
  static CCustomWebEventHandler handler;
  return &handler;
}

}  // namespace ui
