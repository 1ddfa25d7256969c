#include "shell/ui/chat_view.h"

CFormRightLower::CFormRightLower(QWidget* parent) : CMyFormView(133, parent)
{
    setObjectName("view_chat");
    canvas_ = new CViewCanvas;
    setWidgetResizable(true);
    setWidget(canvas_);
}

intptr_t CFormRightLower::handle_window_message(uint32_t msg, uintptr_t, intptr_t)
{
    if (msg == WM_MY_MSG_REPAINT)
        canvas_->update();
    return 0;
}
