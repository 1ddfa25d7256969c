#include "core/message_box.h"

#include "core/string_table.h"
#include "core/ui_text.h"

#include <atomic>
#include <cstdio>

namespace {

std::atomic<MessageBoxPresenter*> g_presenter { nullptr };

int present(MessageBoxKind kind, int style, std::string text)
{
    cut_to(text, message_box_text_limit);
    if (MessageBoxPresenter* p = g_presenter.load())
        return p->show(kind, style, text);
    std::fprintf(stderr, "Tamblo: %s\n", text.c_str());
    return kind == MessageBoxKind::ok_box ? message_box_result(style, MessageBoxButton::caption_close)
                                          : message_box_yes_no_cancel_result(MessageBoxButton::caption_close);
}

std::string format_translated(const char* fmt, va_list args)
{
    std::string translated = tr_text(fmt);
    return format_text_v(translated.c_str(), args);
}

std::string id_text(int string_id)
{
    const char* source = string_table_text(string_id);
    return source ? tr_text(source) : std::string();
}

} // namespace

int message_box_result(int style, MessageBoxButton pressed)
{
    bool ok = pressed == MessageBoxButton::first || pressed == MessageBoxButton::enter
        || pressed == MessageBoxButton::yes;
    if (style == MB_STYLE_YES_NO)
        return ok ? IDYES : IDNO;
    if (style == MB_STYLE_OK_CANCEL)
        return ok ? IDOK : IDCANCEL;
    return IDOK;
}

int message_box_yes_no_cancel_result(MessageBoxButton pressed)
{
    switch (pressed) {
    case MessageBoxButton::yes: return IDYES;
    case MessageBoxButton::no: return IDNO;
    case MessageBoxButton::cancel: return IDCANCEL;
    default: return 0;
    }
}

void set_message_box_presenter(MessageBoxPresenter* presenter) { g_presenter.store(presenter); }

int message_box_printf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string text = format_translated(fmt, args);
    va_end(args);
    return present(MessageBoxKind::ok_box, MB_STYLE_OK, std::move(text));
}

int message_box_printf_yes_no(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string text = format_translated(fmt, args);
    va_end(args);
    return present(MessageBoxKind::ok_box, MB_STYLE_YES_NO, std::move(text));
}

void message_box_post_printf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string text = format_translated(fmt, args);
    va_end(args);
    cut_to(text, message_box_text_limit);
    if (MessageBoxPresenter* p = g_presenter.load())
        p->post(MessageBoxKind::ok_box, MB_STYLE_OK, text);
    else
        std::fprintf(stderr, "Tamblo: %s\n", text.c_str());
}

int message_box_id(int string_id) { return present(MessageBoxKind::ok_box, MB_STYLE_OK, id_text(string_id)); }

int message_box_id_style(int string_id, int style) { return present(MessageBoxKind::ok_box, style, id_text(string_id)); }

int message_box_id_yes_no(int string_id) { return present(MessageBoxKind::ok_box, MB_STYLE_YES_NO, id_text(string_id)); }

int message_box_yes_no_cancel_id(int string_id)
{
    return present(MessageBoxKind::yes_no_cancel_box, 0, id_text(string_id));
}

ScriptedMessageBoxes::ScriptedMessageBoxes() { set_message_box_presenter(this); }

ScriptedMessageBoxes::~ScriptedMessageBoxes()
{
    MessageBoxPresenter* self = this;
    g_presenter.compare_exchange_strong(self, nullptr);
}

void ScriptedMessageBoxes::answer_with(MessageBoxButton pressed)
{
    std::lock_guard lock(lock_);
    answers_.push_back(pressed);
}

int ScriptedMessageBoxes::show(MessageBoxKind kind, int style, const std::string& text)
{
    std::lock_guard lock(lock_);
    shown_.push_back({ kind, style, text });
    MessageBoxButton pressed = MessageBoxButton::caption_close;
    if (!answers_.empty()) {
        pressed = answers_.front();
        answers_.pop_front();
    }
    return kind == MessageBoxKind::ok_box ? message_box_result(style, pressed) : message_box_yes_no_cancel_result(pressed);
}

void ScriptedMessageBoxes::post(MessageBoxKind kind, int style, const std::string& text)
{
    std::lock_guard lock(lock_);
    shown_.push_back({ kind, style, text, true });
}

std::vector<ScriptedMessageBoxes::Shown> ScriptedMessageBoxes::shown() const
{
    std::lock_guard lock(lock_);
    return shown_;
}

std::vector<std::string> ScriptedMessageBoxes::texts() const
{
    std::lock_guard lock(lock_);
    std::vector<std::string> out;
    for (const auto& s : shown_)
        out.push_back(s.text);
    return out;
}

void ScriptedMessageBoxes::clear()
{
    std::lock_guard lock(lock_);
    shown_.clear();
    answers_.clear();
}

void LoggedMessageBoxes::log_line(const std::string& text) const
{
    if (std::FILE* f = std::fopen(path_.c_str(), "a")) {
        std::fprintf(f, "%s\n", text.c_str());
        std::fclose(f);
    }
}

int LoggedMessageBoxes::show(MessageBoxKind kind, int style, const std::string& text)
{
    log_line(text);
    return kind == MessageBoxKind::ok_box ? message_box_result(style, MessageBoxButton::caption_close)
                                          : message_box_yes_no_cancel_result(MessageBoxButton::caption_close);
}
