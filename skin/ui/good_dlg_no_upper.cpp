#include "skin/ui/good_dlg_no_upper.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "platform/ui/frameless_window.h"
#include "skin/ui/skinned_caption.h"

#include <QPaintEvent>

Cgood_dlg_no_upper::Cgood_dlg_no_upper(int template_id, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), template_id_(template_id)
{
}

bool Cgood_dlg_no_upper::OnInitDialog()
{
    setMask(rounded_top_region(width(), height()));
    return true;
}

void Cgood_dlg_no_upper::OnCancel() { done(IDCANCEL); }

void Cgood_dlg_no_upper::OnOK() { done(IDOK); }

void Cgood_dlg_no_upper::showEvent(QShowEvent* event)
{
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void Cgood_dlg_no_upper::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (initialised_)
        setMask(rounded_top_region(width(), height()));
}

void Cgood_dlg_no_upper::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        paint_page_background(dc, rect());
    } catch (...) {
        dbg_log("exception in Cgood_dlg_no_upper::paintEvent.\n");
    }
}
