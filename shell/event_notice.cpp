#include "shell/event_notice.h"

#include "core/string_table.h"
#include "core/title_status.h"
#include "core/ui_text.h"

namespace {

std::function<void(const std::string&)>& sink()
{
    static std::function<void(const std::string&)> s;
    return s;
}

void show_notice(std::string text)
{
    cut_to(text, event_notice_limit);
    if (sink())
        sink()(text);
    else
        set_status_printf("%s", text.c_str());
}

} // namespace

void show_event_printf(const char* fmt, ...)
{
    std::string format = tr_text(fmt);
    va_list args;
    va_start(args, fmt);
    std::string text = format_text_v(format.c_str(), args);
    va_end(args);
    show_notice(std::move(text));
}

void show_event(int string_id)
{
    const char* source = string_table_text(string_id);
    if (!source)
        return;
    // The string is the format; it carries no arguments of its own.
    show_notice(cut_copy(tr_text(source), event_string_limit));
}

void set_event_notice_sink(std::function<void(const std::string&)> s) { sink() = std::move(s); }
