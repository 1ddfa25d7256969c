#include "sharing/ui/share_view.h"

CFormRightUpper2::CFormRightUpper2(QWidget* parent) : CMyFormView(105, parent)
{
    setObjectName("view_share");
    canvas_ = new CViewCanvas;
    setWidgetResizable(true);
    setWidget(canvas_);
}

intptr_t CFormRightUpper2::handle_window_message(uint32_t msg, uintptr_t, intptr_t)
{
    if (msg == WM_MY_MSG_REPAINT)
        canvas_->update();
    return 0;
}
