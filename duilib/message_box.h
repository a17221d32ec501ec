// Message boxes with a replaceable presenter, so that tests can read what would be shown and
// answer for the user. UI thread only.
#pragma once

#include <functional>

#include "duilib/ui_string.h"

namespace DuiLib {

using MessageBoxPresenter =
    std::function<int(HWND owner, const CDuiString& text, const CDuiString& caption, UINT flags)>;

// Shows a modal box (MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL with an MB_ICON* flag) and
// returns IDOK, IDCANCEL, IDYES or IDNO.
int MessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT flags);
// Installs a presenter (an empty one restores the real box); returns the previous one.
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

}  // namespace DuiLib
