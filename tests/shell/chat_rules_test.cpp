#include "shell/chat_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(ChatSend, SendAddsTheLineEndAndTypingSendsOnlyAtEnterWithSendOnReturn)
{
    struct Case {
        const char* name;
        std::string field;
        std::optional<std::string> send, typing_on, typing_off;
    } cases[] = {
        { "empty", "", std::nullopt, std::nullopt, std::nullopt },
        { "typed word", "hi", "hi\r\n", std::nullopt, std::nullopt },
        { "Enter typed", "hi\n", "hi\r\n\r\n", "hi\r\n", std::nullopt },
        { "two lines", "a\nb\n", "a\r\nb\r\n\r\n", "a\r\nb\r\n", std::nullopt },
        { "Enter on an empty field", "\n", "\r\n\r\n", "\r\n", std::nullopt },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chat_text_for_send(c.field), c.send) << c.name;
        EXPECT_EQ(chat_text_for_typing(c.field, true), c.typing_on) << c.name;
        EXPECT_EQ(chat_text_for_typing(c.field, false), c.typing_off) << c.name;
    }
    // The field is read to 1999 bytes (2000 for a private "Send").
    std::string long_field(2500, 'x');
    EXPECT_EQ(chat_text_for_send(long_field)->size(), 1999u + 2);
    EXPECT_EQ(chat_text_for_send(long_field, private_chat_send_limit)->size(), 2000u + 2);
    // A line that ends in Enter beyond 1999 bytes is cut before it: not sent yet.
    EXPECT_EQ(chat_text_for_typing(std::string(1999, 'x') + "\n", true), std::nullopt);
    EXPECT_EQ(chat_text_for_view("a\r\nb\r\n"), "a\nb\n");
}

TEST(ChatSend, EffectsSizesAndSwatch)
{
    EXPECT_EQ(chat_effects(false, false, false, false), 0);
    EXPECT_EQ(chat_effects(true, false, true, false), chat_effect_bold | chat_effect_underline);
    EXPECT_EQ(chat_effects(true, true, true, true), 15);
    EXPECT_EQ(chat_size_count, 45);
    EXPECT_EQ(chat_size_for_index(chat_size_start_index), 8);
    EXPECT_EQ(chat_size_for_index(0), 6);
    EXPECT_EQ(chat_size_for_index(44), 50);
    EXPECT_EQ(chat_size_for_index(45), 8);
    struct Hit {
        int x, y;
        bool in;
    } hits[] = { { 15, 15, true }, { 30, 30, true }, { 31, 20, false }, { 20, 31, false }, { 14, 20, false } };
    for (const Hit& h : hits)
        EXPECT_EQ(chat_swatch_hit(h.x, h.y), h.in) << h.x << "," << h.y;
}

struct FakeDialog {
    std::string name;
    const std::string& partner_name() const { return name; }
};

TEST(PrivateChatTable, FindsByExactNameAndRefusesATwentyFirstPartner)
{
    PrivateChatSlots<FakeDialog> slots;
    std::vector<FakeDialog> dialogs(21);
    for (int i = 0; i < private_chat_slot_count; ++i) {
        dialogs[static_cast<size_t>(i)].name = "p" + std::to_string(i);
        int slot = slots.free_slot();
        EXPECT_EQ(slot, i);
        slots.take(slot, &dialogs[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(slots.free_slot(), -1);
    EXPECT_EQ(slots.find("p7"), &dialogs[7]);
    EXPECT_EQ(slots.find("P7"), nullptr);
    EXPECT_EQ(slots.find("p"), nullptr);
    slots.release(3);
    EXPECT_EQ(slots.find("p3"), nullptr);
    EXPECT_EQ(slots.free_slot(), 3);
}

TEST(ChatSave, RtfAndTextChoicesAndNothingElse)
{
    ASSERT_TRUE(chat_save_format(chat_save_rtf));
    EXPECT_STREQ(chat_save_format(chat_save_rtf)->extension, "rtf");
    EXPECT_STREQ(chat_save_format(chat_save_text)->filter, "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_FALSE(chat_save_format(0));
    EXPECT_FALSE(chat_save_format(3));
}

} // namespace
