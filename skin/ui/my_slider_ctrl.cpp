#include "skin/ui/my_slider_ctrl.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/control_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"
#include "skin/ui/skin_scroll_bars.h"

#include <QMouseEvent>

#include <cstdlib>

namespace {
constexpr COLORREF slider_light_colour = 0xfffcfa;
// The background is taken from this row of the tall background down.
constexpr int slider_background_first_row = 150;
constexpr int tick_length_px = 3;
constexpr int first_repeat_ms = 300;
constexpr int repeat_ms = 100;
} // namespace

CMySliderCtrl::CMySliderCtrl(int id, QWidget* parent) : QAbstractSlider(parent)
{
    set_control_id(this, id);
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::StrongFocus);
    setRange(0, 100);
    setPageStep(10);
    connect(&page_repeat_, &QTimer::timeout, this, [this] {
        page_repeat_.setInterval(repeat_ms);
        page_toward_press();
    });
}

QSize CMySliderCtrl::sizeHint() const { return QSize(140, 30); }

QSize CMySliderCtrl::minimumSizeHint() const { return QSize(2 * slider_end_inset_px + slider_thumb_width_px, 30); }

int CMySliderCtrl::thumb_centre_px() const { return slider_thumb_centre_px(sliderPosition(), minimum(), maximum(), width()); }

void CMySliderCtrl::page_toward_press()
{
    setValue(slider_page_toward(value(), pageStep(), minimum(), maximum(), press_x_, width()));
}

void CMySliderCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || maximum() == minimum()) {
        event->ignore();
        return;
    }
    const QPoint p = event->position().toPoint();
    const int m = height() / 2;
    const bool on_thumb = std::abs(p.x() - thumb_centre_px()) <= slider_thumb_width_px / 2 &&
                          std::abs(p.y() - m) <= slider_thumb_height_px / 2;
    if (on_thumb) {
        dragging_ = true;
        setSliderDown(true);
        return;
    }
    press_x_ = p.x();
    page_toward_press();
    page_repeat_.start(first_repeat_ms);
}

void CMySliderCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_) {
        setSliderPosition(slider_value_at(event->position().toPoint().x(), minimum(), maximum(), width()));
        return;
    }
    if (page_repeat_.isActive())
        press_x_ = event->position().toPoint().x();
}

void CMySliderCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    page_repeat_.stop();
    if (dragging_) {
        dragging_ = false;
        setSliderDown(false);
    }
}

void CMySliderCtrl::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        QPixmap background = skin_word_bitmap(skin_word::background_tall);
        const int rows = std::max(1, std::min(h, background.height() - slider_background_first_row));
        dc.stretch_blt(0, 0, w, h, background, 0, slider_background_first_row, 1, rows);

        const COLORREF dark = skin_word_value(skin_word::outline);
        const COLORREF panel = skin_word_value(skin_word::panel);
        const int m = h / 2;
        const int l = slider_end_inset_px;
        const int r = w - slider_end_inset_px;
        // The groove, sunk in: dark above and left, light below and right.
        dc.select_pen(dark);
        dc.polyline({ { l, m + 1 }, { l, m - 2 }, { r, m - 2 } });
        dc.select_pen(panel);
        dc.polyline({ { l + 1, m }, { l + 1, m - 1 }, { r - 1, m - 1 } });
        dc.select_pen(slider_light_colour);
        dc.polyline({ { l, m + 1 }, { r, m + 1 }, { r, m - 3 } });
        dc.fill_rect(l + 2, m, r - 1, m + 1, 0xffffff);

        dc.select_pen(dark);
        const int half = slider_thumb_height_px / 2;
        for (int x : slider_tick_x(w)) {
            dc.polyline({ { x, m - half - 1 - tick_length_px }, { x, m - half - 1 } });
            dc.polyline({ { x, m + half + 1 }, { x, m + half + 1 + tick_length_px } });
        }

        const int cx = thumb_centre_px();
        const int thumb_left = cx - slider_thumb_width_px / 2;
        paint_raised_box(dc, thumb_left, m - half, thumb_left + slider_thumb_width_px - 1, m + half - 1, slider_light_colour,
                         isSliderDown());
        if (hasFocus()) {
            QPainter& p = dc.painter();
            p.setPen(QPen(colorref_color(dark), 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(0, 0, w - 1, h - 1));
        }
    } catch (...) {
        dbg_log("exception in CMySliderCtrl::paintEvent.\n");
    }
}
