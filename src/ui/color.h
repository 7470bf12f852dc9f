// TColor: a colour as the class library stores it: 0x00BBGGRR for a fixed colour, or
// 0x80000000 + n for the system's colour number n (the button face, the window text), which
// follows the user's settings.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>
#include <utility>

using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBtnFace = static_cast<TColor>(0x80000000u | COLOR_BTNFACE);
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000000u | COLOR_WINDOWTEXT);

// The colour names a stored description may use.
inline constexpr std::pair<std::string_view, TColor> ColorIdents[] = {
    {"clBlack", clBlack},         {"clRed", clRed},
    {"clWhite", clWhite},         {"clBtnFace", clBtnFace},
    {"clWindowText", clWindowText}};

// The colour the screen shows now.
COLORREF ColorToRGB(TColor color);
