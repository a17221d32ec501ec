// The main window's advert pane and the addresses of the product's web pages.
//
// The pages live on one server, the web host: the compiled-in kDefaultWebHost, or the value of
// the environment variable TAVLO_WEB_HOST ("host", "host:port" or "http(s)://host[:port]"),
// so that tests and demos can serve the pages locally. A value that is not such an address
// is ignored.
//
// Thread affinity: SetupAdvertPane on the UI thread; the URL functions anywhere (they only
// read the environment). Ownership: the pane belongs to the window's control tree; the
// handler it gets is process-wide (web_event_handler.h). Failure: a layout without a web
// pane named "ActiveXAdv" simply has no advert; an unreachable server leaves the pane empty
// in its own colour, and nothing else changes.
#pragma once

#include <string>
#include <string_view>

#include "duilib/paint_manager.h"

namespace ui {

inline constexpr char16_t kDefaultWebHost[] = u"http://www.tavlo.cn";
inline constexpr char16_t kAdvertContainerPath[] = u"/adv_2015/wifi/advContainer.html";
inline constexpr char16_t kWebContainerPath[] = u"/adv_2015/wifi/webContainer.html";
inline constexpr char16_t kFriendContainerPath[] = u"/adv_2015/wifi/webContainerFriend.html";
inline constexpr char16_t kAdvertPaneName[] = u"ActiveXAdv";

// "http://host[:port]", without a trailing slash.
std::u16string WebHost();

// The address of the page at `path` ("/a/b.html") on `host`, or on WebHost().
std::u16string WebPageUrl(std::u16string_view path, std::u16string_view host);
std::u16string WebPageUrl(std::u16string_view path);

// Sets up the pane of the window behind `pm` once its layout is attached: creates the view at
// once, installs the process-wide handler, shows "about:blank" and then loads the advert
// container page from `host` (or WebHost()). False when the layout has no such pane.
bool SetupAdvertPane(DuiLib::CPaintManagerUI& pm, std::u16string_view host);
bool SetupAdvertPane(DuiLib::CPaintManagerUI& pm);

}  // namespace ui
