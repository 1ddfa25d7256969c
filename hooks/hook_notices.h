#pragma once
// The hook procedures' own work, apart from the exports: the library's
// variables (one set per loaded copy), re-reading the exchange files, and
// the paint, menu and mouse notices posted to the program.

#include "hooks/hoverlin.h"

#include <cstdint>
#include <mutex>

class HookNotices {
public:
    static constexpr uint32_t global_reread_ms = 3000;

    void set_post(HookPost post);

    // Per-window set: re-read the file when the atom says it is new.
    void per_thread_paint_notice(const HookMessage& message);
    void per_thread_menu_notice(const HookMessage& message);
    // Global set: re-read its file once more than 3000 ms passed since this
    // notice last read it (paint and menu keep their own times).
    void global_paint_notice(const HookMessage& message, uint32_t now_ms);
    void global_menu_notice(const HookMessage& message, uint32_t now_ms);
    // MouseProc: reads "wnd.tmp" on its first call only.
    void mouse_notice(const HookMouse& mouse);

    // The next hooks the exchange files named (0: none).
    intptr_t next_get_message_hook() const;
    intptr_t next_call_wnd_hook() const;
    intptr_t next_global_get_message_hook() const;
    intptr_t next_global_call_wnd_hook() const;
    intptr_t next_mouse_hook() const;
    long notify_window() const;
    long global_notify_window() const;

private:
    void read_if_atom();
    void read_global(uint32_t& last_read_ms, uint32_t now_ms);
    void post(long window, uint32_t message, uintptr_t wparam, intptr_t lparam);

    mutable std::mutex lock_;
    HookPost post_ = nullptr;
    long notify_window_ = 0;
    long next_get_message_ = 0;
    long next_call_wnd_ = 0;
    long global_notify_window_ = 0;
    long next_global_get_message_ = 0;
    long next_global_call_wnd_ = 0;
    uint32_t last_global_paint_read_ms_ = 0;
    uint32_t last_global_menu_read_ms_ = 0;
    long mouse_target_ = 0;
    long next_mouse_ = 0;
    bool mouse_read_once_ = false;
};
