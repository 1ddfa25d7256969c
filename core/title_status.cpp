#include "core/title_status.h"

#include "core/global_state.h"
#include "core/window_messages.h"

void set_title_printf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    g_title_text.set(format_text_v(fmt, args));
    va_end(args);
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_SET_TITLE);
}

void set_status_printf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    g_status_text.set(format_text_v(fmt, args));
    va_end(args);
    post_window_message(WindowSlot::main_frame, WM_MY_MSG_STATUS_TEXT);
}
