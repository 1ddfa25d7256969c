#include "skin/ui/my_property_page.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/ui/my_property_sheet.h"
#include "skin/ui/skinned_caption.h"

CMyPropertyPage::CMyPropertyPage(int template_id, const QString& caption, QWidget* parent)
    : QWidget(parent), template_id_(template_id), caption_(caption)
{
    set_control_id(this, template_id);
}

bool CMyPropertyPage::OnInitDialog() { return true; }

bool CMyPropertyPage::OnSetActive() { return true; }

bool CMyPropertyPage::OnKillActive() { return true; }

bool CMyPropertyPage::OnApply()
{
    OnOK();
    return true;
}

void CMyPropertyPage::OnOK() {}

void CMyPropertyPage::OnCancel() {}

void CMyPropertyPage::SetModified(bool changed)
{
    modified_ = changed;
    if (sheet_)
        sheet_->page_modified_changed();
}

void CMyPropertyPage::initialise_once()
{
    if (initialised_)
        return;
    initialised_ = true;
    OnInitDialog();
}

void CMyPropertyPage::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        paint_page_background(dc, rect());
    } catch (...) {
        dbg_log("exception in CMyPropertyPage::paintEvent.\n");
    }
}
