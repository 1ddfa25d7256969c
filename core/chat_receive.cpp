#include "core/chat_receive.h"

#include "core/control_messages.h"
#include "core/dbg_log.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/text_util.h"
#include "core/window_messages.h"

#include <cstring>
#include <new>

namespace {

// The style follows the text's NUL only when five bytes are behind it;
// a body that ends at its NUL, or has fewer bytes, keeps the default.
ChatStyle style_of(std::string_view body, size_t text_len)
{
    if (text_len >= body.size())
        return chat_default_style;
    if (body.size() - text_len - 1 < chat_style_len) {
        dbg_log("chat body of %zu bytes with %zu behind its text: default style.\n", body.size(),
                body.size() - text_len - 1);
        return chat_default_style;
    }
    const auto* s = reinterpret_cast<const uint8_t*>(body.data() + body.size() - chat_style_len);
    return ChatStyle { s[0], s[1], s[2], s[3], s[4] };
}

} // namespace

ChatLine parse_chat_body(const char* body, size_t length)
{
    ChatLine line;
    if (!body || length == 0)
        return line;
    std::string_view all(body, length);
    size_t text_len = std::min(all.find('\0'), all.size());
    if (text_len > chat_text_limit)
        dbg_log("chat line of %zu bytes, longer than %zu.\n", text_len, chat_text_limit);
    line.text = cut_copy(all.substr(0, text_len), chat_line_limit);
    line.style = style_of(all, text_len);
    return line;
}

int ChatHistory::append(const char* body, size_t length)
{
    if (!buffer_) {
        buffer_.reset(new (std::nothrow) char[step_bytes]());
        if (!buffer_) {
            message_box_printf("can not malloc memory for chat content 0.");
            return -1;
        }
        capacity_ = step_bytes;
        length_ = 0;
    }
    if (length_ + length >= capacity_ - 1) {
        // One step is what the rule asks; more steps only for a body that a
        // single step could not hold, so nothing is ever written past the end.
        size_t grown = capacity_ + step_bytes;
        while (length_ + length >= grown - 1)
            grown += step_bytes;
        std::unique_ptr<char[]> bigger(new (std::nothrow) char[grown]());
        if (!bigger) {
            message_box_printf("can not malloc memory for chat content.");
            return -1;
        }
        std::memcpy(bigger.get(), buffer_.get(), capacity_);
        buffer_ = std::move(bigger);
        capacity_ = grown;
    }
    if (length > 0)
        std::memcpy(buffer_.get() + length_, body, length);
    buffer_[length_ + length] = '\0';
    length_ += std::strlen(buffer_.get() + length_);
    return 0;
}

void ChatHistory::clear()
{
    if (buffer_)
        buffer_[0] = '\0';
    length_ = 0;
}

ChatHistory& chat_history()
{
    static ChatHistory history;
    return history;
}

std::mutex& chat_history_lock()
{
    static std::mutex lock;
    return lock;
}

int receive_chat_text(const char* body, size_t length, int quiet)
{
    if (!body)
        length = 0;
    ChatLine line = parse_chat_body(body, length);

    uint32_t len32 = static_cast<uint32_t>(length);
    recorder().append(record_type_chat, { { &len32, sizeof len32 }, { body, length } }, "receive_chat_text");

    {
        std::lock_guard<std::mutex> hold(chat_history_lock());
        if (chat_history().append(body, length) != 0)
            return -1;
    }

    if (quiet == 0)
        post_window_message(WindowSlot::main_frame, WM_MY_MSG_CHAT_TEXT);
    send_window_message(WindowSlot::chat_view, WM_MY_MSG_CHAT_APPEND, reinterpret_cast<uintptr_t>(&line), 0);
    return 0;
}

std::optional<PrivateChatLine> parse_private_chat_body(const char* body, size_t length)
{
    if (!body || length == 0)
        return std::nullopt;
    std::string_view all(body, length);
    size_t text_end = std::min(all.find('\0'), all.size());
    size_t colon = all.substr(0, text_end).find(':');
    if (colon == std::string_view::npos) {
        dbg_log("private chat without ':' after the writer's name.\n");
        return std::nullopt;
    }
    PrivateChatLine out;
    out.partner = std::string(all.substr(0, colon));
    out.line.text = cut_copy(all.substr(colon + 1, text_end - colon - 1), private_chat_line_limit);
    out.line.style = style_of(all, text_end);
    return out;
}

void install_chat_receiver()
{
    set_main_handler(MSG_CHAT_TEXT, [](const char* body, int len, int) {
        receive_chat_text(body, len > 0 ? static_cast<size_t>(len) : 0, 0);
    });
}
