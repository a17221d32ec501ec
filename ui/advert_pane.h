// The main window's advert pane and the addresses of the product's web pages.
//
// The pages ship with the program (shipped_pages.h) and are shown from there: the pane reads
// the advert page from the skin, the links open the shipped copy in the user's browser, and no
// request leaves the machine. The environment variable TAVLO_WEB_HOST ("host", "host:port" or
// "http(s)://host[:port]") names a server that serves the same paths instead, for those who
// run one; a value that is not such an address names none.
//
// Thread affinity: SetupAdvertPane and BrowserPageUrl on the UI thread; the other URL
// functions anywhere (they only read the environment). Ownership: the pane belongs to the
// window's control tree; the handler it gets is process-wide (web_event_handler.h). Failure:
// a layout without a web pane named "ActiveXAdv" simply has no advert; an unreachable server
// leaves the pane empty in its own colour, and nothing else changes.
#pragma once

#include <string>
#include <string_view>

#include "duilib/paint_manager.h"

namespace ui {

inline constexpr char16_t kAdvertContainerPath[] = u"/adv_2015/wifi/advContainer.html";
inline constexpr char16_t kWebContainerPath[] = u"/adv_2015/wifi/webContainer.html";
inline constexpr char16_t kFriendContainerPath[] = u"/adv_2015/wifi/webContainerFriend.html";
inline constexpr char16_t kAdvertPaneName[] = u"ActiveXAdv";

// The server TAVLO_WEB_HOST names, "http(s)://host[:port]" without a trailing slash, or empty
// when it names none.
std::u16string WebHost();

// The address of the page at `path` ("/a/b.html") on `host`, or on WebHost().
std::u16string WebPageUrl(std::u16string_view path, std::u16string_view host);
std::u16string WebPageUrl(std::u16string_view path);

// What the user's browser opens for the page at `path`: the page on `host`, or with an empty
// `host` the shipped page copied to ShippedPagesFolder() (a file: URL). Empty when the
// shipped copy cannot be made.
std::u16string BrowserPageUrl(std::u16string_view path, std::u16string_view host);

// Sets up the pane of the window behind `pm` once its layout is attached: creates the view at
// once, installs the process-wide handler, shows "about:blank" and then loads the advert
// container page from `host` (or WebHost()), or with no host the shipped one from the skin.
// False when the layout has no such pane.
bool SetupAdvertPane(DuiLib::CPaintManagerUI& pm, std::u16string_view host);
bool SetupAdvertPane(DuiLib::CPaintManagerUI& pm);

}  // namespace ui
