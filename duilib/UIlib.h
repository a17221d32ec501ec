// The whole framework in one include, for windows built from skins.
#pragma once

#include "duilib/button.h"
#include "duilib/container.h"
#include "duilib/control.h"
#include "duilib/dialog_builder.h"
#include "duilib/edit.h"
#include "duilib/label.h"
#include "duilib/list.h"
#include "duilib/message_box.h"
#include "duilib/paint_manager.h"
#include "duilib/render_engine.h"
#include "duilib/ui_events.h"
#include "duilib/ui_thread.h"
#include "duilib/web_browser.h"
#include "duilib/win_api.h"
#include "duilib/window_impl_base.h"
#include "duilib/window_wnd.h"
