#pragma once
// Colours travel as Windows COLORREF words, 0x00BBGGRR: the low byte is red.
// This is the one place that knows the layout.

#include <cstdint>

using COLORREF = uint32_t;

constexpr COLORREF make_colorref(uint8_t red, uint8_t green, uint8_t blue)
{
    return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) | (static_cast<COLORREF>(blue) << 16);
}
constexpr uint8_t colorref_red(COLORREF c) { return static_cast<uint8_t>(c & 0xff); }
constexpr uint8_t colorref_green(COLORREF c) { return static_cast<uint8_t>((c >> 8) & 0xff); }
constexpr uint8_t colorref_blue(COLORREF c) { return static_cast<uint8_t>((c >> 16) & 0xff); }
