// The product's web pages as they ship with the program: in the skin, under "web/", one entry
// per page, named by the last part of the page's server path. The advert pane shows them from
// the skin; for the user's browser they are copied into a private folder of this user and
// opened from there, since a browser can only open a real file.
//
// Thread affinity: UI thread (the skin is read through the framework's resources, which are
// set up with the first window). Ownership: none kept. Failure: an empty result when the skin
// has no such page or the copy cannot be written; a folder that is not this user's own real
// folder is never written into.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ui {

// The pages that ship, by entry name below kShippedPagesFolder.
inline constexpr char16_t kShippedPagesFolder[] = u"web/";
inline constexpr const char16_t* kShippedPages[] = {u"advContainer.html", u"webContainer.html",
                                                    u"webContainerFriend.html"};

// The skin entry of the page at a server path ("/a/b/page.html" -> "web/page.html"), or empty
// when no shipped page has that name.
std::u16string ShippedPageEntry(std::u16string_view path);

// "skin:/web/page.html", the pane's address of the shipped page at `path`; empty as above.
std::u16string ShippedPageAddress(std::u16string_view path);

// Where the browser's copies go: "tavlo/web" in the user's runtime folder, or in the user's
// cache folder when there is no usable runtime folder; empty when there is neither.
std::filesystem::path ShippedPagesFolder();

// Copies every shipped page into `folder` and returns the file: URL of the page at `path`.
// `folder` and its parent are made mode 0700 when missing and must be real folders owned by
// this user; files are mode 0600 and replaced whole, never written through a link. Empty when
// that page does not ship or cannot be copied.
std::u16string ExtractShippedPage(std::u16string_view path, const std::filesystem::path& folder);

}  // namespace ui
