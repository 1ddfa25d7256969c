#pragma once
// The screen areas reported repainted and not yet captured: a union of
// rectangles (the window system's region), cut as tiles are captured.

#include "platform/x11/x11_windows.h"

#include <vector>

class DirtyRegion {
public:
    // Beyond this many pieces the region becomes their bounds: a larger
    // region only captures a few tiles more, never fewer.
    static constexpr size_t piece_limit = 64;

    void add(const platform::ScreenRect& rect);
    bool intersects(const platform::ScreenRect& rect) const;
    // Cuts rect out of the region.
    void subtract(const platform::ScreenRect& rect);
    void clear() { pieces_.clear(); }
    bool empty() const { return pieces_.empty(); }
    const std::vector<platform::ScreenRect>& pieces() const { return pieces_; }

private:
    std::vector<platform::ScreenRect> pieces_;  // never overlapping
};
