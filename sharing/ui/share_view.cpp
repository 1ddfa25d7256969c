#include "sharing/ui/share_view.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "platform/ui/control_id.h"
#include "sharing/share_sharer.h"
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
    capture_timer_.setInterval(ShareSharer::capture_period_ms);
    connect(&capture_timer_, &QTimer::timeout, this, [] {
        try {
            share_sharer().on_capture_tick();
        } catch (...) {
            dbg_log("exception in CFormRightUpper2::OnTimer.\n");
        }
    });
    share_sharer().set_timer_control([this](bool run) { run ? start_share_timer() : stop_share_timer(); });
    share_sharer().set_share_lost([] { message_box_printf("Application Sharing Stopped."); });
}

void CFormRightUpper2::start_share_timer() { capture_timer_.start(); }

void CFormRightUpper2::stop_share_timer() { capture_timer_.stop(); }

CFormRightUpper2::~CFormRightUpper2()
{
    // The box goes with the view.
    g_share_text_tool = nullptr;
    share_sharer().set_timer_control({});
    share_sharer().set_share_lost({});
}

intptr_t CFormRightUpper2::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    ShareSharer& sharer = share_sharer();
    switch (msg) {
    case WM_MY_MSG_REPAINT: canvas_->update(); break;
    case WM_MY_MSG_HOOK_PAINT_RECT: sharer.on_hook_paint_rect(false, wparam, lparam); break;
    case WM_MY_MSG_HOOK_PAINT_RECT_GLOBAL: sharer.on_hook_paint_rect(true, wparam, lparam); break;
    case WM_MY_MSG_HOOK_MENU: sharer.on_hook_menu(false); break;
    case WM_MY_MSG_HOOK_MENU_GLOBAL: sharer.on_hook_menu(true); break;
    case WM_MY_MSG_HOOK_MOUSE_POS: sharer.on_hook_mouse_pos(); break;
    default: break;
    }
    return 0;
}
