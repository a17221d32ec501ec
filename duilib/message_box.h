// Message boxes with a replaceable presenter, so that tests can read what would be shown and
// answer for the user. UI thread only.
//
// A real box runs a nested event loop. Its owner window must not be destroyed under that loop:
// closing the window (WM_CLOSE's default) first dismisses the boxes it owns and tries again
// once their loops have returned.
#pragma once

#include <functional>

#include "duilib/ui_string.h"

namespace DuiLib {

using MessageBoxPresenter =
    std::function<int(HWND owner, const CDuiString& text, const CDuiString& caption, UINT flags)>;

// Shows a modal box (MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL with an MB_ICON* flag) and
// returns IDOK, IDCANCEL, IDYES or IDNO. A box dismissed by CloseMessageBoxes answers as a
// box closed by the user: IDCANCEL when it has a Cancel button, IDNO for MB_YESNO, else IDOK.
int MessageBox(HWND owner, LPCTSTR text, LPCTSTR caption, UINT flags);
// Installs a presenter (an empty one restores the real box); returns the previous one.
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

// Whether a real box is open whose owner is `window` or a window that `window` owns.
bool HasOpenMessageBox(HWND window);
// Dismisses those boxes. Their MessageBox calls return once control is back in their loops.
void CloseMessageBoxes(HWND window);

}  // namespace DuiLib
