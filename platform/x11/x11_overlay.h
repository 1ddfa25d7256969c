#pragma once
// A picture shown over everything on the screen: an override-redirect
// window of the screen's size whose shape (X shape extension) is the
// picture's opaque pixels and whose input shape is empty, so every click
// goes through to the windows under it.

#include "platform/x11/x11_windows.h"

#include <cstdint>

namespace platform {

class X11Overlay {
public:
    X11Overlay() = default;
    ~X11Overlay();
    X11Overlay(const X11Overlay&) = delete;
    X11Overlay& operator=(const X11Overlay&) = delete;

    // argb: width x height words 0xAARRGGBB, rows of stride_words; pixels
    // with alpha 0 are not shown. Nothing opaque hides the window. False
    // without a display or the shape extension.
    bool show(const uint32_t* argb, int width, int height, int stride_words);
    void hide();
    bool visible() const { return mapped_; }
    XWindowId window() const { return window_; }

private:
    bool ensure_window(int width, int height);

    XWindowId window_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool mapped_ = false;
};

} // namespace platform
