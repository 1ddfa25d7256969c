#include "skin/ui/good_dlg.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"

#include <QHBoxLayout>

#include <QPaintEvent>

Cgood_dlg::Cgood_dlg(int template_id, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), template_id_(template_id)
{
    // Client area inside the 22-pixel caption and the 3-pixel dialog frame.
    setContentsMargins(3, drawn_caption_height_px, 3, 3);
    caption_ = new CaptionController(this, CaptionController::Buttons { false, 0, 21, false }, [this](HitArea hit) {
        if (hit == HitArea::close)
            OnCancel();
    });
}

QHBoxLayout* Cgood_dlg::ok_cancel_row()
{
    auto* ok = new CMyButton(IDOK, tr_ui("OK"), this);
    auto* cancel = new CMyButton(IDCANCEL, tr_ui("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

bool Cgood_dlg::OnInitDialog()
{
    caption_->states = CaptionButtonStates {};
    setMask(rounded_top_region(width(), height()));
    return true;
}

void Cgood_dlg::OnCancel() { done(IDCANCEL); }

void Cgood_dlg::OnOK() { done(IDOK); }

void Cgood_dlg::showEvent(QShowEvent* event)
{
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void Cgood_dlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // Layouts may resize the dialog after it is set up; the corners follow.
    if (initialised_)
        setMask(rounded_top_region(width(), height()));
}

void Cgood_dlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::ActivationChange)
        update();
}

void Cgood_dlg::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        paint_page_background(dc, contentsRect());
        paint_good_dlg_caption(dc, width(), height(), windowTitle(), caption_->states.close);
    } catch (...) {
        dbg_log("exception in Cgood_dlg::paintEvent.\n");
    }
}
