// CRenderEngine: the drawing primitives controls use: colours, gradients, lines, rectangles,
// images described by image strings, plain text and the small rich-text markup.
//
// Image strings: a bare file name, or attributes `file='x.png' dest='l,t,r,b'
// source='l,t,r,b' corner='l,t,r,b' fade='0..255' hole='true' xtiled='true' ytiled='true'`.
// `dest` is relative to the item's top-left; `source` is in image pixels at 1x; `corner` keeps
// those borders unscaled (nine-patch). 2x images are used as the same layout size.
// Rich text: {b}{/b}, {i}{/i}, {u}{/u}, {c #AARRGGBB}{/c}, {f id}{/f}, {a link}{/a}, {n}.
//
// Thread affinity: UI thread (fonts and images come from the paint manager). A null dc draws
// nothing; DT_CALCRECT measures instead of drawing.
#pragma once

#include "duilib/paint_manager.h"

namespace DuiLib {

class CRenderEngine {
 public:
  static void DrawColor(HDC dc, const RECT& rc, DWORD color);
  static void DrawGradient(HDC dc, const RECT& rc, DWORD c1, DWORD c2, bool vertical);
  static void DrawRoundColor(HDC dc, const RECT& rc, int width, int height, DWORD color);
  // A line of `size` pixels from (left, top) to (right, bottom) of rc.
  static void DrawLine(HDC dc, const RECT& rc, int size, DWORD color, int style = 0);
  static void DrawRect(HDC dc, const RECT& rc, int size, DWORD color);
  static void DrawRoundRect(HDC dc, const RECT& rc, int size, int width, int height, DWORD color);

  static bool DrawImage(HDC dc,
                        const TImageInfo* image,
                        const RECT& dest,
                        const RECT& paint,
                        const RECT& source,
                        const RECT& corner,
                        BYTE fade = 255,
                        bool hole = false,
                        bool xtiled = false,
                        bool ytiled = false);
  // Draws an image string within `item` clipped to `paint`; `modify` overrides attributes.
  // False when the image cannot be loaded.
  static bool DrawImageString(HDC dc,
                              CPaintManagerUI* pm,
                              const RECT& item,
                              const RECT& paint,
                              LPCTSTR image,
                              LPCTSTR modify = nullptr);

  // Draws text in rc with a font id of `pm` (-1: default). With DT_CALCRECT, rc's right and
  // bottom are set to the text's extent instead (left/top kept).
  static void
  DrawText(HDC dc, CPaintManagerUI* pm, RECT& rc, LPCTSTR text, DWORD color, int font, UINT style);
  static void DrawTextW(HDC dc,
                        CPaintManagerUI* pm,
                        RECT& rc,
                        LPCTSTR text,
                        DWORD color,
                        int font,
                        UINT style) {
    DrawText(dc, pm, rc, text, color, font, style);
  }
  // Rich text. Link rectangles (up to *link_count) and their targets are reported when the
  // arrays are given; *link_count becomes the number found.
  static void DrawHtmlText(HDC dc,
                           CPaintManagerUI* pm,
                           RECT& rc,
                           LPCTSTR text,
                           DWORD color,
                           RECT* links,
                           CDuiString* link_targets,
                           int* link_count,
                           int font,
                           UINT style);
  static SIZE GetTextSize(HDC dc, CPaintManagerUI* pm, LPCTSTR text, int font, UINT style);
};

}  // namespace DuiLib
