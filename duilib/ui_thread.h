// Running work on the UI thread from anywhere.
//
// RunOnUiThread and RunForWindow may be called from any thread once the QApplication exists.
// Closures run on the UI thread in the order they were queued (one queue, shared with
// PostMessage), also when queued from the UI thread itself. They return false (and drop the
// closure) without an application. Closures must capture by value: they run later.
#pragma once

#include <functional>

#include "duilib/ui_defs.h"

namespace DuiLib {

bool RunOnUiThread(std::function<void()> closure);
// As RunOnUiThread, but the closure is dropped unrun if `window` is gone by its turn (window
// handles are never reused). For work on an object that lives as long as its window. Returns
// false at once when the window is already gone.
bool RunForWindow(HWND window, std::function<void()> closure);
bool IsUiThread();

}  // namespace DuiLib
