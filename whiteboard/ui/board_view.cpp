#include "whiteboard/ui/board_view.h"

#include "platform/ui/control_id.h"
#include "skin/ui/edit_text_tool.h"

#include "whiteboard/board_action.h"

CEditTextTool* g_board_text_tool = nullptr;

CFormRightUpper1::CFormRightUpper1(QWidget* parent) : CMyFormView(105, parent)
{
    setObjectName("view_board");
    canvas_ = new CViewCanvas;
    setWidget(canvas_);
    set_scroll_size(board_page_width, board_page_height);
    g_board_text_tool = new CEditTextTool(canvas_);
    set_control_id(g_board_text_tool, edit_text_tool_id);
    g_board_text_tool->hide();
}

void CFormRightUpper1::set_scroll_size(int width, int height) { canvas_->setFixedSize(width, height); }

QSize CFormRightUpper1::scroll_size() const { return canvas_->size(); }

CFormRightUpper1::~CFormRightUpper1()
{
    // The box goes with the view.
    g_board_text_tool = nullptr;
}

intptr_t CFormRightUpper1::handle_window_message(uint32_t msg, uintptr_t, intptr_t)
{
    if (msg == WM_MY_MSG_REPAINT)
        canvas_->update();
    return 0;
}
