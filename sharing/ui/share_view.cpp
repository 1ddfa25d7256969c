#include "sharing/ui/share_view.h"

#include "platform/ui/control_id.h"
#include "skin/ui/edit_text_tool.h"

CEditTextTool* g_share_text_tool = nullptr;

CFormRightUpper2::CFormRightUpper2(QWidget* parent) : CMyFormView(105, parent)
{
    setObjectName("view_share");
    canvas_ = new CViewCanvas;
    setWidgetResizable(true);
    setWidget(canvas_);
    g_share_text_tool = new CEditTextTool(canvas_);
    set_control_id(g_share_text_tool, edit_text_tool_id);
    g_share_text_tool->hide();
}

CFormRightUpper2::~CFormRightUpper2()
{
    // The box goes with the view.
    g_share_text_tool = nullptr;
}

intptr_t CFormRightUpper2::handle_window_message(uint32_t msg, uintptr_t, intptr_t)
{
    if (msg == WM_MY_MSG_REPAINT)
        canvas_->update();
    return 0;
}
