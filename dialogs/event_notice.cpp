#include "dialogs/event_notice.h"

#include "core/string_table.h"
#include "core/title_status.h"
#include "core/ui_text.h"

#include <algorithm>
#include <mutex>

std::array<int, event_position_count> g_event_position_counter {};

namespace {

std::mutex& sink_lock()
{
    static std::mutex m;
    return m;
}

std::function<void(const std::string&)>& sink()
{
    static std::function<void(const std::string&)> s;
    return s;
}

constexpr int crowded_count = 100;

} // namespace

void show_event_text(std::string text)
{
    cut_to(text, event_notice_limit);
    std::function<void(const std::string&)> to;
    {
        std::lock_guard hold(sink_lock());
        to = sink();
    }
    if (to)
        to(text);
    else
        set_status_printf("%s", text.c_str());
}

void show_event_printf(const char* fmt, ...)
{
    std::string format = tr_text(fmt);
    va_list args;
    va_start(args, fmt);
    std::string text = format_text_v(format.c_str(), args);
    va_end(args);
    show_event_text(std::move(text));
}

void show_event(int string_id)
{
    const char* source = string_table_text(string_id);
    if (!source)
        return;
    show_event_text(cut_copy(tr_text(source), event_string_limit));
}

void set_event_notice_sink(std::function<void(const std::string&)> s)
{
    std::lock_guard hold(sink_lock());
    sink() = std::move(s);
}

int take_event_position(std::array<int, event_position_count>& counters)
{
    int chosen = -1;
    for (int i = 0; i < event_position_count && chosen < 0; ++i) {
        if (counters[static_cast<size_t>(i)] == 0)
            chosen = i;
    }
    if (chosen < 0) {
        for (int i = 0; i < event_position_count; ++i) {
            int count = counters[static_cast<size_t>(i)];
            if (count < crowded_count && (chosen < 0 || count < counters[static_cast<size_t>(chosen)]))
                chosen = i;
        }
    }
    if (chosen < 0)
        chosen = 0;
    ++counters[static_cast<size_t>(chosen)];
    return chosen;
}

void free_event_position(std::array<int, event_position_count>& counters, int position)
{
    if (position >= 0 && position < event_position_count)
        counters[static_cast<size_t>(position)] = 0;
}

EventTick event_notice_tick(int remaining, int height, int full_h, bool no_animation)
{
    EventTick out { remaining - 1, height, false };
    if (out.remaining < 0) {
        out.close = true;
        return out;
    }
    out.remaining = std::min(out.remaining, event_stay_ticks + event_rise_ticks + event_fall_ticks);
    const int t = out.remaining;
    const int span = full_h - event_min_height_px;
    if (t >= event_stay_ticks + event_fall_ticks) {
        if (!no_animation)
            out.height = std::max(event_min_height_px, full_h - (t - event_stay_ticks - event_fall_ticks) * span / event_rise_ticks);
    } else if (t < event_fall_ticks && t >= 1) {
        if (!no_animation)
            out.height = std::max(event_min_height_px, full_h - (event_fall_ticks - t) * span / event_fall_ticks);
    }
    return out;
}

EventPlace event_notice_start(int bottom, int position, int full_h, bool no_animation)
{
    if (no_animation)
        return { bottom - (position + 1) * full_h, full_h };
    return { bottom - position * full_h - event_min_height_px, event_min_height_px };
}
