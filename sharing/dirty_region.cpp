#include "sharing/dirty_region.h"

#include <algorithm>

using platform::ScreenRect;

namespace {

// What is left of a once b is cut out: up to four pieces.
void cut(const ScreenRect& a, const ScreenRect& b, std::vector<ScreenRect>& out)
{
    if (!a.intersects(b)) {
        out.push_back(a);
        return;
    }
    int top = a.top;
    int bottom = a.bottom();
    if (b.top > a.top) {
        out.push_back({ a.left, a.top, a.width, b.top - a.top });
        top = b.top;
    }
    if (b.bottom() < a.bottom()) {
        out.push_back({ a.left, b.bottom(), a.width, a.bottom() - b.bottom() });
        bottom = b.bottom();
    }
    if (b.left > a.left)
        out.push_back({ a.left, top, b.left - a.left, bottom - top });
    if (b.right() < a.right())
        out.push_back({ b.right(), top, a.right() - b.right(), bottom - top });
}

} // namespace

void DirtyRegion::add(const ScreenRect& rect)
{
    if (rect.empty())
        return;
    // Keep the pieces apart: what the new one covers leaves the old ones.
    subtract(rect);
    pieces_.push_back(rect);
    if (pieces_.size() > piece_limit) {
        int left = pieces_[0].left, top = pieces_[0].top, right = pieces_[0].right(), bottom = pieces_[0].bottom();
        for (const ScreenRect& p : pieces_) {
            left = std::min(left, p.left);
            top = std::min(top, p.top);
            right = std::max(right, p.right());
            bottom = std::max(bottom, p.bottom());
        }
        pieces_ = { { left, top, right - left, bottom - top } };
    }
}

bool DirtyRegion::intersects(const ScreenRect& rect) const
{
    return std::any_of(pieces_.begin(), pieces_.end(), [&](const ScreenRect& p) { return p.intersects(rect); });
}

void DirtyRegion::subtract(const ScreenRect& rect)
{
    if (rect.empty() || pieces_.empty())
        return;
    std::vector<ScreenRect> left;
    for (const ScreenRect& p : pieces_)
        cut(p, rect, left);
    pieces_ = std::move(left);
}
