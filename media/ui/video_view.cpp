#include "media/ui/video_view.h"

CFormRightUpper3::CFormRightUpper3(QWidget* parent) : CMyFormView(105, parent)
{
    setObjectName("view_video");
    canvas_ = new CViewCanvas;
    setWidgetResizable(true);
    setWidget(canvas_);
}

intptr_t CFormRightUpper3::handle_window_message(uint32_t msg, uintptr_t, intptr_t)
{
    if (msg == WM_MY_MSG_REPAINT)
        canvas_->update();
    return 0;
}
