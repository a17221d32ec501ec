// The product's one palette. Every image of the skin is drawn from these colours, and the
// layouts in skin/ repeat them as #AARRGGBB literals; change both together.
#pragma once

#include <QColor>

namespace skin::palette {

// Accent: buttons, selection, links, the lit arcs of the status image.
inline constexpr QRgb kAccent = 0xFF2F7BF5;
inline constexpr QRgb kAccentHot = 0xFF4A8DF8;
inline constexpr QRgb kAccentPressed = 0xFF2166D6;
inline constexpr QRgb kAccentSoft = 0xFFF2F7FF;  // hot fill of light controls
inline constexpr QRgb kAccentTint = 0xFFE3EDFD;  // pressed fill of light controls
inline constexpr QRgb kAccentDeep = 0xFF1D56C4;  // gradient end of the coloured icon

// Sharing: the one state that is "on".
inline constexpr QRgb kSuccess = 0xFF1F9D63;
inline constexpr QRgb kSuccessSoft = 0xFFE2F5EB;

// Surfaces, lines and text.
inline constexpr QRgb kSurface = 0xFFFFFFFF;
inline constexpr QRgb kCanvas = 0xFFF5F7FA;
inline constexpr QRgb kHover = 0xFFF0F3F7;
inline constexpr QRgb kBorder = 0xFFD5DBE3;
inline constexpr QRgb kBorderStrong = 0xFFB4BDC9;
inline constexpr QRgb kDivider = 0xFFE6EAF0;
inline constexpr QRgb kTextPrimary = 0xFF1F2933;
inline constexpr QRgb kTextSecondary = 0xFF5B6675;
inline constexpr QRgb kTextMuted = 0xFF98A2B3;

// Idle: the stopped icon and the unlit status image.
inline constexpr QRgb kIdle = 0xFFA9B2BF;
inline constexpr QRgb kIdleDeep = 0xFF7F8A99;
inline constexpr QRgb kIdleTrack = 0xFFCDD3DC;
inline constexpr QRgb kIdleSoft = 0xFFEEF1F5;

inline constexpr QRgb kOnAccent = 0xFFFFFFFF;

}  // namespace skin::palette
