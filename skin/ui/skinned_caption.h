#pragma once
// The drawn caption and frame of the skinned windows, and the tracking of their
// caption buttons. A button's state: 0 normal, 1 hover, 2 pressed; a click
// completes only when the press and the release are both over the button.

#include "platform/ui/frameless_window.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"

#include <QObject>
#include <QString>

#include <functional>

// The system caption height of the windows the drawing was made for; at 19
// nothing needs filling under the 22-pixel caption bitmaps.
inline constexpr int system_caption_height_px = 19;
inline constexpr int drawn_caption_height_px = 22;
inline constexpr int title_text_limit = 1023;

struct CaptionButtonStates {
    int close = 0;
    int maximise = 0;
    int minimise = 0;
};

// The title as the caption shows it: at most 1023 characters.
QString caption_title(const QString& window_text);

// One caption with its close button only (the skinned dialog and property
// sheet); the inner frame lines in skin word inner_frame_word (the property
// sheet's are word 11).
void paint_good_dlg_caption(GdiPainter& dc, int w, int h, const QString& title, int close_state,
                            int inner_frame_word = skin_word::dialog_inner_frame);
// Caption with three buttons; the frame dialog's four fixed-colour lines.
void paint_good_dlg_frame_caption(GdiPainter& dc, int w, int h, const QString& title, const CaptionButtonStates& states,
                                  bool maximised);
// The main frame's caption: narrow close button, logo, width-2 frame.
void paint_frame_wnd_caption(GdiPainter& dc, int w, int h, const QString& title, const CaptionButtonStates& states,
                             bool maximised);
// Dialog and page background: word 25 under 301 pixels high, else word 24, stretched.
void paint_page_background(GdiPainter& dc, const QRect& rect);

// Watches a skinned top-level window's own mouse events: hit test, button
// tracking, and moving and sizing through the window manager.
class CaptionController : public QObject {
public:
    struct Buttons {
        bool maximise_minimise = false; // close only when false
        int sizing_border_px = 0;       // 0: fixed size
        int close_width_px = 21;        // the visible close button at the right end
        bool hover_after_maximise = false;
    };
    CaptionController(QWidget* window, Buttons buttons, std::function<void(HitArea)> on_click);

    CaptionButtonStates states;
    HitArea hit_test(QPoint pos) const;
    // Runs one step of the tracking for a point's hit area and the left button.
    void track(HitArea hit, bool button_down);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    Buttons buttons_;
    std::function<void(HitArea)> on_click_;
    bool press_on_button_ = false;
};
