#pragma once
// The chat dialogs without their windows: what "Send" and typing with
// "Send On Return" hand to the builders, the style the controls give, the
// colour swatch, the 20 private-chat slots and the save formats.

#include "core/chat_receive.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The typing field is read to at most this many bytes.
inline constexpr size_t chat_typed_limit = 1999;
// A private dialog's "Send" reads one more.
inline constexpr size_t private_chat_send_limit = 2000;

// "Send": the field's text cut to limit, with "\r\n" behind it; nothing when
// the field is empty. Line ends inside are sent as "\r\n".
std::optional<std::string> chat_text_for_send(std::string_view field, size_t limit = chat_typed_limit);
// A change of the typing field: with "Send On Return" ticked and the text
// (cut to 1999) ending in a line feed, the text to send; else nothing.
std::optional<std::string> chat_text_for_typing(std::string_view field, bool send_on_return);
// Received and typed texts use "\r\n"; the views show plain line feeds.
std::string chat_text_for_view(std::string_view text);

uint8_t chat_effects(bool bold, bool italic, bool underline, bool strike_out);

// The size list: "6" to "50", entry 2 ("8") chosen at start.
inline constexpr int chat_size_first = 6;
inline constexpr int chat_size_last = 50;
inline constexpr int chat_size_start_index = 2;
inline constexpr int chat_size_count = chat_size_last - chat_size_first + 1;
int chat_size_for_index(int index);

// The colour swatch: 15 x 15 pixels at (15, 15); a click at 15 <= x < 31
// and 15 <= y < 31 opens the colour dialog.
inline constexpr int chat_swatch_x = 15;
inline constexpr int chat_swatch_y = 15;
inline constexpr int chat_swatch_size = 15;
bool chat_swatch_hit(int x, int y);

// The table of private chats: 20 slots, found by the partner's exact name.
inline constexpr int private_chat_slot_count = 20;
inline constexpr size_t private_chat_partner_limit = 63;

template <class Dialog>
class PrivateChatSlots {
public:
    struct Slot {
        bool in_use = false;
        Dialog* dialog = nullptr;
    };
    // The dialog of a partner (exact, case-sensitive), nullptr when none.
    Dialog* find(std::string_view partner) const
    {
        for (const Slot& s : slots_)
            if (s.in_use && s.dialog && s.dialog->partner_name() == partner)
                return s.dialog;
        return nullptr;
    }
    // The first free slot, -1 when all 20 are in use.
    int free_slot() const
    {
        for (size_t i = 0; i < slots_.size(); ++i)
            if (!slots_[i].in_use)
                return static_cast<int>(i);
        return -1;
    }
    void take(int index, Dialog* dialog)
    {
        if (index >= 0 && index < private_chat_slot_count)
            slots_[static_cast<size_t>(index)] = Slot { true, dialog };
    }
    void release(int index)
    {
        if (index >= 0 && index < private_chat_slot_count)
            slots_[static_cast<size_t>(index)] = Slot {};
    }
    const Slot& slot(int index) const { return slots_.at(static_cast<size_t>(index)); }

private:
    std::array<Slot, private_chat_slot_count> slots_ {};
};

// The choose-save-format dialog's choices and the save dialogs they lead to.
inline constexpr int chat_save_rtf = 1;
inline constexpr int chat_save_text = 2;
struct ChatSaveFormat {
    const char* filter;     // the save dialog's filter, as "Name (*.x)|*.x|...||"
    const char* extension;  // without the dot
};
// Nothing for any other choice ("Invlidate save type.").
std::optional<ChatSaveFormat> chat_save_format(int choice);
inline constexpr const char* chat_save_bad_choice_text = "Invlidate save type.";
