#include "skin/ui/good_dlg_frame.h"

#include "core/dbg_log.h"
#include "core/message_box.h"

#include <QPaintEvent>

Cgood_dlg_frame::Cgood_dlg_frame(int template_id, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowMinMaxButtonsHint), template_id_(template_id)
{
    // Client area inside the caption and the 4-pixel sizing frame.
    setContentsMargins(4, drawn_caption_height_px + 1, 4, 4);
    caption_ = new CaptionController(this, CaptionController::Buttons { true, 4, 21, true }, [this](HitArea hit) {
        if (hit == HitArea::close)
            OnCancel();
        else if (hit == HitArea::maximise)
            isMaximized() ? showNormal() : showMaximized();
        else if (hit == HitArea::minimise)
            showMinimized();
    });
}

bool Cgood_dlg_frame::OnInitDialog()
{
    caption_->states = CaptionButtonStates {};
    return true;
}

void Cgood_dlg_frame::OnCancel() { done(IDCANCEL); }

void Cgood_dlg_frame::OnOK() { done(IDOK); }

void Cgood_dlg_frame::showEvent(QShowEvent* event)
{
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void Cgood_dlg_frame::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::WindowStateChange
        || event->type() == QEvent::ActivationChange)
        update();
}

void Cgood_dlg_frame::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        dc.fill_rect(contentsRect(), 0xffffff);
        paint_good_dlg_frame_caption(dc, width(), height(), windowTitle(), caption_->states, isMaximized());
    } catch (...) {
        dbg_log("exception in Cgood_dlg_frame::paintEvent.\n");
    }
}
