#include "shell/chat_rules.h"

#include "core/text_util.h"

namespace {

std::string with_crlf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r')
            continue;
        if (c == '\n')
            out += "\r\n";
        else
            out.push_back(c);
    }
    return out;
}

} // namespace

std::optional<std::string> chat_text_for_send(std::string_view field, size_t limit)
{
    std::string text = cut_copy(field, limit);
    if (text.empty())
        return std::nullopt;
    return with_crlf(text) + "\r\n";
}

std::optional<std::string> chat_text_for_typing(std::string_view field, bool send_on_return)
{
    if (!send_on_return)
        return std::nullopt;
    std::string text = cut_copy(field, chat_typed_limit);
    if (text.empty() || text.back() != '\n')
        return std::nullopt;
    return with_crlf(text);
}

std::string chat_text_for_view(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r')
            out.push_back(c);
    return out;
}

uint8_t chat_effects(bool bold, bool italic, bool underline, bool strike_out)
{
    return static_cast<uint8_t>((bold ? chat_effect_bold : 0) | (italic ? chat_effect_italic : 0) |
                                (underline ? chat_effect_underline : 0) | (strike_out ? chat_effect_strike_out : 0));
}

int chat_size_for_index(int index)
{
    if (index < 0 || index >= chat_size_count)
        return chat_size_first + chat_size_start_index;
    return chat_size_first + index;
}

bool chat_swatch_hit(int x, int y)
{
    return x >= chat_swatch_x && x < chat_swatch_x + chat_swatch_size + 1 && y >= chat_swatch_y &&
           y < chat_swatch_y + chat_swatch_size + 1;
}

std::optional<ChatSaveFormat> chat_save_format(int choice)
{
    switch (choice) {
    case chat_save_rtf: return ChatSaveFormat { "Rich Text Format Files (*.rtf)|*.rtf|All Files (*.*)|*.*||", "rtf" };
    case chat_save_text: return ChatSaveFormat { "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||", "txt" };
    default: return std::nullopt;
    }
}
