#include "skin/ui/skinned_caption.h"

#include "core/dbg_log.h"
#include "skin/skin_table.h"
#include "skin/ui/picture.h"
#include "skin/ui/skin_bitmaps.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

constexpr COLORREF title_colour = 0xffffff;
constexpr COLORREF fixed_outer_colour = 0xf4c080;
constexpr COLORREF fixed_inner_colour = 0xfffcfa;
constexpr COLORREF fixed_caption_fill = 0xf0914d;

int close_word(int state, bool narrow)
{
    if (narrow)
        return state == 2 ? skin_word::frame_close_pressed : state == 1 ? skin_word::frame_close_hover : skin_word::frame_close_normal;
    return state == 2 ? skin_word::dialog_close_pressed : state == 1 ? skin_word::dialog_close_hover : skin_word::dialog_close_normal;
}

int maximise_word(int state, bool maximised)
{
    if (maximised)
        return state == 2 ? skin_word::restore_pressed : state == 1 ? skin_word::restore_hover : skin_word::restore_normal;
    return state == 2 ? skin_word::maximise_pressed : state == 1 ? skin_word::maximise_hover : skin_word::maximise_normal;
}

int minimise_word(int state)
{
    return state == 2 ? skin_word::minimise_pressed : state == 1 ? skin_word::minimise_hover : skin_word::minimise_normal;
}

void blit_word(GdiPainter& dc, int word, int x, int w)
{
    dc.bit_blt(x, 0, w, drawn_caption_height_px, skin_word_bitmap(word), 0, 0);
}

void paint_title(GdiPainter& dc, int w, const QString& title, int buttons_x)
{
    // Centred over (3, 2)-(w-41, 23); kept off the minimise and maximise buttons.
    QRect layout(3, 2, w - 41 - 3, 23 - 2);
    QRect clip = layout.intersected(QRect(0, 0, buttons_x, drawn_caption_height_px + 1));
    if (clip.isEmpty())
        return;
    dc.painter().save();
    dc.painter().setClipRect(clip, Qt::IntersectClip);
    dc.draw_text(caption_title(title), layout, Qt::AlignHCenter | Qt::AlignTop, title_colour);
    dc.painter().restore();
}

// Left of the close button on three-button captions: maximise (or restore),
// minimise, the right piece, the stretched slice and the left cap.
void paint_three_button_band(GdiPainter& dc, int w, const CaptionButtonStates& states, bool maximised)
{
    blit_word(dc, maximise_word(states.maximise, maximised), w - 42, 21);
    blit_word(dc, minimise_word(states.minimise), w - 63, 21);
    blit_word(dc, skin_word::caption_right, w - 81, 18);
    dc.stretch_blt(8, 0, w - 81, drawn_caption_height_px, skin_word_bitmap(skin_word::caption_slice), 0, 0, 1,
                   drawn_caption_height_px);
    blit_word(dc, skin_word::caption_left, 0, 8);
}

void fill_under_tall_caption(GdiPainter& dc, int w, COLORREF colour)
{
    if (system_caption_height_px > 19)
        dc.fill_rect(2, 21, w, 21 + system_caption_height_px - 18, colour);
}

} // namespace

QString caption_title(const QString& window_text) { return window_text.left(title_text_limit); }

void paint_good_dlg_caption(GdiPainter& dc, int w, int h, const QString& title, int close_state, int inner_frame_word)
{
    blit_word(dc, close_word(close_state, false), w - 41, 41);
    blit_word(dc, skin_word::caption_right, w - 59, 18);
    dc.stretch_blt(8, 0, w - 59, drawn_caption_height_px, skin_word_bitmap(skin_word::caption_slice), 0, 0, 1,
                   drawn_caption_height_px);
    blit_word(dc, skin_word::caption_left, 0, 8);
    paint_title(dc, w, title, w);

    dc.select_pen(skin_word_value(skin_word::panel));
    dc.polyline({ { 0, 5 }, { 0, h - 1 }, { w - 1, h - 1 }, { w - 1, 5 } });
    dc.select_pen(skin_word_value(inner_frame_word));
    dc.polyline({ { 1, 5 }, { 1, h - 2 } });
    dc.polyline({ { 2, 23 }, { 2, h - 3 } });
    dc.polyline({ { 1, h - 2 }, { w - 2, h - 2 } });
    dc.polyline({ { 2, h - 3 }, { w - 3, h - 3 } });
    dc.polyline({ { w - 2, h - 2 }, { w - 2, 21 } });
    dc.polyline({ { w - 3, h - 3 }, { w - 3, 21 } });
    fill_under_tall_caption(dc, w, skin_word_value(skin_word::caption_fill));
}

void paint_good_dlg_frame_caption(GdiPainter& dc, int w, int h, const QString& title, const CaptionButtonStates& states,
                                  bool maximised)
{
    // The frame band below the caption that no line covers keeps the inner colour.
    dc.fill_rect(0, drawn_caption_height_px, w, drawn_caption_height_px + 1, fixed_inner_colour);
    blit_word(dc, close_word(states.close, false), w - 41, 41);
    paint_three_button_band(dc, w, states, maximised);
    paint_title(dc, w, title, w - 63);

    dc.select_pen(fixed_outer_colour);
    dc.polyline({ { 0, 5 }, { 0, h - 1 }, { w - 1, h - 1 }, { w - 1, 5 } });
    dc.select_pen(fixed_inner_colour);
    dc.polyline({ { 1, 5 }, { 1, h - 2 } });
    dc.polyline({ { 2, 23 }, { 2, h - 3 } });
    dc.polyline({ { 3, 23 }, { 3, h - 3 } });
    dc.polyline({ { 1, h - 2 }, { w - 2, h - 2 } });
    dc.polyline({ { 2, h - 3 }, { w - 3, h - 3 } });
    dc.polyline({ { w - 2, h - 2 }, { w - 2, 21 } });
    dc.polyline({ { w - 3, h - 3 }, { w - 3, 21 } });
    dc.polyline({ { w - 4, h - 3 }, { w - 4, 21 } });
    fill_under_tall_caption(dc, w, fixed_caption_fill);
}

void paint_frame_wnd_caption(GdiPainter& dc, int w, int h, const QString& title, const CaptionButtonStates& states,
                             bool maximised)
{
    // The 4-pixel sizing frame is wider than the two width-2 lines cover; the
    // rest of the band shows the inner colour.
    dc.fill_rect(0, drawn_caption_height_px, w, drawn_caption_height_px + 1, fixed_inner_colour);
    dc.fill_rect(0, drawn_caption_height_px, 4, h, fixed_inner_colour);
    dc.fill_rect(w - 4, drawn_caption_height_px, w, h, fixed_inner_colour);
    dc.fill_rect(0, h - 4, w, h, fixed_inner_colour);

    blit_word(dc, close_word(states.close, true), w - 21, 21);
    paint_three_button_band(dc, w, states, maximised);
    if (!g_company_logo.empty())
        g_company_logo.Show(&dc.painter(), 15, 3, 31, 19);
    paint_title(dc, w, title, w - 63);

    dc.select_pen(fixed_outer_colour, 2);
    dc.polyline({ { 0, 5 }, { 0, h - 1 }, { w - 1, h - 1 }, { w - 1, 5 } });
    dc.select_pen(fixed_inner_colour, 2);
    dc.polyline({ { 2, 23 }, { 2, h - 2 } });
    dc.polyline({ { 2, h - 3 }, { w - 2, h - 3 } });
    dc.polyline({ { w - 3, h - 2 }, { w - 3, 23 } });
    fill_under_tall_caption(dc, w, skin_word_value(skin_word::caption_fill));
}

void paint_page_background(GdiPainter& dc, const QRect& rect)
{
    int h = rect.height();
    QPixmap background = skin_word_bitmap(h < 301 ? skin_word::background_short : skin_word::background_tall);
    if (background.isNull())
        return;
    // Rows one to one; a window taller than the bitmap stretches the whole column.
    int source_h = std::min(h, background.height());
    dc.stretch_blt(rect.left(), rect.top(), rect.width(), h, background, 0, 0, 1, source_h);
}

CaptionController::CaptionController(QWidget* window, Buttons buttons, std::function<void(HitArea)> on_click)
    : QObject(window), window_(window), buttons_(buttons), on_click_(std::move(on_click))
{
    window_->setMouseTracking(true);
    window_->installEventFilter(this);
}

HitArea CaptionController::hit_test(QPoint pos) const
{
    int w = window_->width();
    int h = window_->height();
    if (pos.x() < 0 || pos.y() < 0 || pos.x() >= w || pos.y() >= h)
        return HitArea::nowhere;
    bool sizable = buttons_.sizing_border_px > 0 && !window_->isMaximized();
    if (sizable) {
        HitArea edge = sizing_edge_at(pos, window_->size(), buttons_.sizing_border_px);
        if (edge != HitArea::nowhere)
            return edge;
    }
    if (pos.y() >= drawn_caption_height_px)
        return HitArea::client;
    bool in_button_rows = pos.y() >= 1 && pos.y() < drawn_caption_height_px - 1;
    if (in_button_rows && pos.x() >= w - buttons_.close_width_px)
        return HitArea::close;
    if (buttons_.maximise_minimise && in_button_rows) {
        if (pos.x() >= w - 42)
            return HitArea::maximise;
        if (pos.x() >= w - 63)
            return HitArea::minimise;
    }
    return HitArea::caption;
}

void CaptionController::track(HitArea hit, bool button_down)
{
    CaptionButtonStates& s = states;
    bool redraw = false;
    HitArea clicked = HitArea::nowhere;
    if (hit == HitArea::close) {
        s.maximise = 0;
        s.minimise = 0;
        if (button_down && s.close != 2) {
            s.close = 2;
            redraw = true;
        } else if (!button_down && s.close == 2) {
            s.close = 0;
            clicked = HitArea::close;
        } else if (!button_down && s.close != 1) {
            s.close = 1;
            redraw = true;
        }
    } else if (hit == HitArea::maximise || hit == HitArea::minimise) {
        int& state = hit == HitArea::maximise ? s.maximise : s.minimise;
        int& other = hit == HitArea::maximise ? s.minimise : s.maximise;
        s.close = 0;
        other = 0;
        if (button_down) {
            state = 2;
            redraw = true;
        } else if (state == 2) {
            state = hit == HitArea::maximise && buttons_.hover_after_maximise ? 1 : 0;
            clicked = hit;
            redraw = true;
        } else if (state != 1) {
            state = 1;
            redraw = true;
        }
    } else if (s.close != 0 || s.maximise != 0 || s.minimise != 0) {
        s = CaptionButtonStates {};
        redraw = true;
    }
    if (redraw)
        window_->update();
    // Last: closing may end the window.
    if (clicked != HitArea::nowhere && on_click_)
        on_click_(clicked);
}

bool CaptionController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != window_)
        return false;
    try {
        switch (event->type()) {
        case QEvent::MouseMove: {
            auto* e = static_cast<QMouseEvent*>(event);
            HitArea hit = hit_test(e->position().toPoint());
            bool down = (e->buttons() & Qt::LeftButton) != 0;
            if (!down)
                set_cursor_for(window_, hit);
            // Only a press that began on a button tracks while the button is held.
            if (down && !press_on_button_)
                hit = HitArea::nowhere;
            track(hit, down);
            return false;
        }
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() != Qt::LeftButton)
                return false;
            HitArea hit = hit_test(e->position().toPoint());
            if (is_caption_button(hit)) {
                press_on_button_ = true;
                track(hit, true);
                return true;
            }
            if (hit == HitArea::caption || is_sizing_edge(hit)) {
                start_system_drag(window_, hit);
                return true;
            }
            return false;
        }
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() != Qt::LeftButton)
                return false;
            HitArea hit = press_on_button_ ? hit_test(e->position().toPoint()) : HitArea::nowhere;
            press_on_button_ = false;
            track(hit, false);
            return false;
        }
        case QEvent::MouseButtonDblClick: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::LeftButton && buttons_.maximise_minimise
                && hit_test(e->position().toPoint()) == HitArea::caption) {
                if (on_click_)
                    on_click_(HitArea::maximise);
                return true;
            }
            return false;
        }
        case QEvent::Leave:
            if (!press_on_button_)
                track(HitArea::nowhere, false);
            return false;
        default: return false;
        }
    } catch (...) {
        dbg_log("exception in CaptionController::eventFilter.\n");
        return false;
    }
}
