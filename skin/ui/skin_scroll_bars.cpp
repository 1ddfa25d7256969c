#include "skin/ui/skin_scroll_bars.h"

#include "core/dbg_log.h"
#include "skin/skin_table.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>

#include <algorithm>
#include <array>
#include <memory>

namespace {

constexpr COLORREF view_light_colour = 0xfffcfa;

// The geometry along the bar, in bar coordinates: start, length.
struct Span {
    int start;
    int length;
};

// Draws one raised box: (l, t)-(r, b) inclusive.
void raised_box(GdiPainter& dc, int l, int t, int r, int b, COLORREF light, COLORREF extra_ring, bool with_extra_ring)
{
    COLORREF panel = skin_word_value(skin_word::panel);
    COLORREF dark = skin_word_value(skin_word::outline);
    if (r - l < 3 || b - t < 3)
        return;
    // Outer ring: top and left in the panel colour, bottom and right dark.
    dc.select_pen(panel);
    dc.polyline({ { l, b }, { l, t }, { r + 1, t } });
    dc.select_pen(dark);
    dc.polyline({ { l, b }, { r, b }, { r, t - 1 } });
    // Inner ring: top and left light.
    dc.select_pen(light);
    dc.polyline({ { l + 1, b - 1 }, { l + 1, t + 1 }, { r, t + 1 } });
    dc.select_pen(dark);
    dc.polyline({ { l + 1, b - 1 }, { r - 1, b - 1 }, { r - 1, t } });
    int inset = 2;
    if (with_extra_ring && r - l > 6 && b - t > 6) {
        dc.select_pen(extra_ring);
        dc.polyline({ { l + 2, t + 2 }, { r - 2, t + 2 }, { r - 2, b - 2 }, { l + 2, b - 2 }, { l + 2, t + 2 } });
        inset = 3;
    }
    dc.fill_rect(l + inset, t + inset, r - inset + 1, b - inset, panel);
}

class SkinScrollStyle : public QProxyStyle {
public:
    SkinScrollStyle(ScrollBarKind kind) : QProxyStyle(QStyleFactory::create("Fusion")), kind_(kind) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_ScrollBarExtent)
            return skin_scroll_bar_extent_px;
        if (metric == PM_ScrollBarSliderMin)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* ret) const override
    {
        if (hint == SH_ScrollBar_Transient)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override
    {
        if (control != CC_ScrollBar)
            return QProxyStyle::subControlRect(control, option, sub, widget);
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (!bar)
            return QRect();
        const QRect r = bar->rect;
        const bool vertical = bar->orientation == Qt::Vertical;
        const int length = vertical ? r.height() : r.width();
        const int box = std::min(vertical ? r.width() : r.height(), length / 2);
        ScrollThumb thumb = thumb_of(*bar);
        auto along = [&](int start, int len) {
            return vertical ? QRect(r.left(), r.top() + start, r.width(), len) : QRect(r.left() + start, r.top(), len, r.height());
        };
        switch (sub) {
        case SC_ScrollBarSubLine: return along(0, box);
        case SC_ScrollBarAddLine: return along(length - box, box);
        case SC_ScrollBarGroove: return along(box, std::max(0, length - 2 * box));
        case SC_ScrollBarSlider: return along(thumb.start_px, thumb.end_px - thumb.start_px);
        case SC_ScrollBarSubPage:
            return thumb.end_px > thumb.start_px ? along(box, std::max(0, thumb.start_px - box)) : QRect();
        case SC_ScrollBarAddPage:
            return thumb.end_px > thumb.start_px ? along(thumb.end_px, std::max(0, length - box - thumb.end_px)) : QRect();
        default: return QRect();
        }
    }

    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option, const QPoint& pos,
                                     const QWidget* widget) const override
    {
        if (control != CC_ScrollBar)
            return QProxyStyle::hitTestComplexControl(control, option, pos, widget);
        for (SubControl sub : { SC_ScrollBarSlider, SC_ScrollBarSubLine, SC_ScrollBarAddLine, SC_ScrollBarSubPage,
                                SC_ScrollBarAddPage })
            if (subControlRect(control, option, sub, widget).contains(pos))
                return sub;
        return SC_None;
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        if (control != CC_ScrollBar) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (!bar)
            return;
        try {
            GdiPainter dc(*painter);
            paint_skin_scroll_bar(dc, bar->rect, bar->orientation == Qt::Vertical, thumb_of(*bar), kind_);
        } catch (...) {
            dbg_log("exception in SkinScrollStyle::drawComplexControl.\n");
        }
    }

private:
    ScrollThumb thumb_of(const QStyleOptionSlider& bar) const
    {
        const bool vertical = bar.orientation == Qt::Vertical;
        const int length = vertical ? bar.rect.height() : bar.rect.width();
        const int box = vertical ? bar.rect.width() : bar.rect.height();
        const int page = bar.pageStep;
        const int total = bar.maximum - bar.minimum + page;
        const int position = bar.sliderPosition - bar.minimum;
        return kind_ == ScrollBarKind::view ? view_scroll_thumb(length, box, position, page, total)
                                            : range_scroll_thumb(length, box, position, page, total);
    }

    ScrollBarKind kind_;
};

} // namespace

void paint_raised_box(GdiPainter& dc, int l, int t, int r, int b, COLORREF light, bool pressed)
{
    if (!pressed) {
        raised_box(dc, l, t, r, b, light, 0, false);
        return;
    }
    // Sunk: the dark lines on the top and left, the face moved in by one pixel.
    if (r - l < 3 || b - t < 3)
        return;
    const COLORREF panel = skin_word_value(skin_word::panel);
    const COLORREF dark = skin_word_value(skin_word::outline);
    dc.select_pen(dark);
    dc.polyline({ { l, b }, { l, t }, { r + 1, t } });
    dc.select_pen(panel);
    dc.polyline({ { l, b }, { r, b }, { r, t - 1 } });
    dc.fill_rect(l + 1, t + 1, r, b, panel);
}

ScrollThumb view_scroll_thumb(int bar_length_px, int thickness_px, int position, int page, int total)
{
    // The track runs between the two arrow boxes.
    const int track_px = bar_length_px - 2 * thickness_px;
    if (total <= 0 || track_px <= 0)
        return {};
    ScrollThumb thumb;
    thumb.start_px = thickness_px + static_cast<int>(static_cast<int64_t>(track_px) * position / total);
    thumb.end_px = thumb.start_px + static_cast<int>(static_cast<int64_t>(page) * track_px / total);
    thumb.end_px = std::min(thumb.end_px, bar_length_px - thickness_px);
    return thumb;
}

ScrollThumb range_scroll_thumb(int bar_length_px, int thickness_px, int position, int page, int total)
{
    const int track_px = bar_length_px - 2 * thickness_px;
    if (total <= 0 || page >= total || track_px <= 0)
        return {};
    int length_px = static_cast<int>(static_cast<int64_t>(page) * track_px / total);
    ScrollThumb thumb;
    thumb.start_px = thickness_px + static_cast<int>(static_cast<int64_t>(track_px) * position / total);
    thumb.end_px = thumb.start_px + length_px;
    // Kept off the far arrow box, and never shorter than a few pixels there.
    thumb.end_px = std::min(thumb.end_px, bar_length_px - thickness_px - 1);
    thumb.start_px = std::min(thumb.start_px, bar_length_px - thickness_px - 9);
    thumb.start_px = std::max(thumb.start_px, thickness_px);
    if (thumb.end_px < thumb.start_px)
        thumb.end_px = thumb.start_px;
    return thumb;
}

void paint_skin_scroll_bar(GdiPainter& dc, const QRect& rect, bool vertical, ScrollThumb thumb, ScrollBarKind kind)
{
    QPainter& p = dc.painter();
    p.save();
    // Drawn as a vertical bar; a horizontal one is the same with x and y exchanged.
    if (vertical)
        p.translate(rect.topLeft());
    else
        p.setTransform(QTransform(0, 1, 1, 0, rect.left(), rect.top()), true);
    const int b = vertical ? rect.width() : rect.height();
    const int len = vertical ? rect.height() : rect.width();
    const int a = std::min(b, len / 2);
    const COLORREF light = kind == ScrollBarKind::edit ? skin_word_value(skin_word::light_3d) : view_light_colour;
    const COLORREF dark = skin_word_value(skin_word::outline);

    dc.hatch_rect(0, a, b - 1, len - a, skin_word_value(skin_word::highlight), 0xffffff);
    dc.select_pen(skin_word_value(skin_word::scroll_outline));
    dc.polyline({ { 0, 0 }, { b - 1, 0 }, { b - 1, len }, { 0, len }, { 0, 0 } });

    raised_box(dc, 0, 0, b - 1, a - 1, light, 0, false);
    const int mid = b - b / 2;
    if (a >= 12) {
        dc.solid_polygon({ { mid, 5 }, { 4, a - 6 }, { b - 4, a - 6 } }, dark);
        raised_box(dc, 0, len - a, b - 1, len - 1, light, 0, false);
        dc.solid_polygon({ { mid, len - 6 }, { 4, len - a + 5 }, { b - 4, len - a + 5 } }, dark);
    } else {
        raised_box(dc, 0, len - a, b - 1, len - 1, light, 0, false);
    }
    if (thumb.end_px > thumb.start_px) {
        const COLORREF ring = kind == ScrollBarKind::list ? skin_word_value(skin_word::highlight)
                                                          : skin_word_value(skin_word::inner_border);
        raised_box(dc, 0, thumb.start_px, b - 1, thumb.end_px - 1, light, ring, kind != ScrollBarKind::view);
    }
    p.restore();
}

namespace {

QStyleOptionSlider bar_option(const QScrollBar* bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    option.subControls = QStyle::SC_All;
    return option;
}

} // namespace

QRect skin_scroll_bar_part_rect(const QScrollBar* bar, QStyle::SubControl part)
{
    QStyleOptionSlider option = bar_option(bar);
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

QStyle::SubControl skin_scroll_bar_part_at(const QScrollBar* bar, QPoint pos)
{
    QStyleOptionSlider option = bar_option(bar);
    return bar->style()->hitTestComplexControl(QStyle::CC_ScrollBar, &option, pos, bar);
}

QStyle* skin_scroll_style(ScrollBarKind kind)
{
    static std::array<SkinScrollStyle*, 3> styles { nullptr, nullptr, nullptr };
    auto& style = styles[static_cast<size_t>(kind)];
    if (!style) {
        style = new SkinScrollStyle(kind);
        style->setParent(qApp);
    }
    return style;
}

void use_skin_scroll_bars(QAbstractScrollArea* area, ScrollBarKind kind)
{
    area->verticalScrollBar()->setStyle(skin_scroll_style(kind));
    area->horizontalScrollBar()->setStyle(skin_scroll_style(kind));
    auto* corner = new QWidget(area);
    corner->setAutoFillBackground(true);
    QPalette pal = corner->palette();
    pal.setColor(QPalette::Window, Qt::white);
    corner->setPalette(pal);
    area->setCornerWidget(corner);
}
