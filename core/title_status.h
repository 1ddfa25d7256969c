#pragma once
// The main window's title and status line, set from any thread.

#include "core/text_util.h"

// Keep at most 1000 characters and post WM_MY_MSG_SET_TITLE / WM_MY_MSG_STATUS_TEXT.
void set_title_printf(const char* fmt, ...) TAMBLO_PRINTF(1, 2);
void set_status_printf(const char* fmt, ...) TAMBLO_PRINTF(1, 2);
