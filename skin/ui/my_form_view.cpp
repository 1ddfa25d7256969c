#include "skin/ui/my_form_view.h"

#include "skin/ui/skin_scroll_bars.h"

CMyFormView::CMyFormView(int template_id, QWidget* parent) : QScrollArea(parent), template_id_(template_id)
{
    setFrameShape(QFrame::NoFrame);
    use_skin_scroll_bars(this, ScrollBarKind::view);
}
