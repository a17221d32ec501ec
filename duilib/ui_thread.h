// Running work on the UI thread from anywhere.
//
// RunOnUiThread may be called from any thread once the QApplication exists. Closures run on
// the UI thread in the order they were queued (one queue, shared with PostMessage), also when
// queued from the UI thread itself. Returns false (and drops the closure) without an
// application. Closures must capture by value: they run later.
#pragma once

#include <functional>

namespace DuiLib {

bool RunOnUiThread(std::function<void()> closure);
bool IsUiThread();

}  // namespace DuiLib
