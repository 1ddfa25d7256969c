#include "core/chat_receive.h"

#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/window_messages.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string styled(const std::string& text, ChatStyle s)
{
    std::string body = text;
    body.push_back('\0');
    for (uint8_t b : { s.red, s.green, s.blue, s.size, s.effects })
        body.push_back(static_cast<char>(b));
    return body;
}

// The chat view and the main frame, as the receiver tells them.
class ChatWindows : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t) override
    {
        if (msg == WM_MY_MSG_CHAT_APPEND)
            lines.push_back(*reinterpret_cast<const ChatLine*>(wparam));
        else
            others.push_back(msg);
        return 0;
    }
    std::vector<ChatLine> lines;
    std::vector<uint32_t> others;
};

TEST(ChatBody, StyleIsTheFiveBytesBehindTheTextOnlyWhenAllFiveAreThere)
{
    const ChatStyle red_bold { 0xff, 0, 0, 24, chat_effect_bold | chat_effect_strike_out };
    struct Case {
        const char* name;
        std::string body;
        std::string text;
        ChatStyle style;
    } cases[] = {
        { "styled line", styled("ann: hi\r\n", red_bold), "ann: hi\r\n", red_bold },
        { "text only, no NUL", "ann: plain", "ann: plain", chat_default_style },
        { "NUL at the very end", std::string("ann: hello", 10) + '\0', "ann: hello", chat_default_style },
        { "three bytes behind the NUL", std::string("hi\0abc", 6), "hi", chat_default_style },
        { "empty text, style only", styled("", red_bold), "", red_bold },
        { "empty body", "", "", chat_default_style },
    };
    for (const Case& c : cases) {
        ChatLine line = parse_chat_body(c.body.data(), c.body.size());
        EXPECT_EQ(line.text, c.text) << c.name;
        EXPECT_EQ(line.style, c.style) << c.name;
    }
}

TEST(ChatBody, TextIsKeptTo8191CharactersAndTheLargestRelayedLineWhole)
{
    std::string relayed = styled(std::string(8166, 'x'), chat_default_style);
    EXPECT_EQ(parse_chat_body(relayed.data(), relayed.size()).text.size(), 8166u);
    std::string too_long(9000, 'y');
    EXPECT_EQ(parse_chat_body(too_long.data(), too_long.size()).text.size(), chat_line_limit);
}

TEST(ChatHistoryGrowth, GrowsBy20000ExactlyWhenTextPlusBodyReaches19999)
{
    ChatHistory history;
    std::string first(19000, 'a');
    ASSERT_EQ(history.append(first.data(), first.size()), 0);
    EXPECT_EQ(history.capacity(), 20000u);
    std::string body = std::string(997, 'b');  // 19000 + 997 = 19997: stays
    ASSERT_EQ(history.append(body.data(), body.size()), 0);
    EXPECT_EQ(history.capacity(), 20000u);
    std::string two = "cc";  // 19997 + 2 = 19999: grows
    ASSERT_EQ(history.append(two.data(), two.size()), 0);
    EXPECT_EQ(history.capacity(), 40000u);
    EXPECT_EQ(history.text(), first + body + two);
}

TEST(ChatHistoryGrowth, OverAMegabyteOfStyledLinesKeepsEveryTextAndOnlyTheTexts)
{
    ChatHistory history;
    std::string expected;
    for (int i = 0; history.text().size() < 1200000; ++i) {
        std::string text = "line " + std::to_string(i) + " " + std::string(static_cast<size_t>(i % 8000), 'z') + "\r\n";
        std::string body = styled(text, ChatStyle { 1, 2, 3, 12, 0 });
        ASSERT_EQ(history.append(body.data(), body.size()), 0);
        expected += text;
    }
    EXPECT_EQ(history.text(), expected);
    EXPECT_EQ(history.capacity() % ChatHistory::step_bytes, 0u);
    EXPECT_GT(history.capacity(), history.text().size() + 1);
    history.clear();
    EXPECT_TRUE(history.text().empty());
    std::string again = "after\r\n";
    history.append(again.data(), again.size());
    EXPECT_EQ(history.text(), again);
}

class ChatReceiver : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::lock_guard<std::mutex> hold(chat_history_lock());
        chat_history().clear();
    }
    void TearDown() override { recorder().stop(); }
    TempHome home;
    ScriptedMessageBoxes boxes;
    ChatWindows view, frame;
    WindowSlotBinding view_binding { WindowSlot::chat_view, &view };
    WindowSlotBinding frame_binding { WindowSlot::main_frame, &frame };
};

TEST_F(ChatReceiver, ShowsTheLineTellsTheFrameUnlessQuietAndKeepsTheHistory)
{
    const ChatStyle s { 10, 200, 30, 16, chat_effect_italic };
    std::string one = styled("ann: one\r\n", s);
    std::string two = "bob: two\r\n";
    install_chat_receiver();
    ASSERT_TRUE(dispatch_received_message(ReceiveConnection::main, MSG_CHAT_TEXT, one.data(), static_cast<int>(one.size()), 0));
    ASSERT_EQ(receive_chat_text(two.data(), two.size(), 1), 0);

    ASSERT_EQ(view.lines.size(), 2u);
    EXPECT_EQ(view.lines[0].text, "ann: one\r\n");
    EXPECT_EQ(view.lines[0].style, s);
    EXPECT_EQ(view.lines[1].style, chat_default_style);
    EXPECT_EQ(frame.others, std::vector<uint32_t> { WM_MY_MSG_CHAT_TEXT });
    std::lock_guard<std::mutex> hold(chat_history_lock());
    EXPECT_EQ(chat_history().text(), "ann: one\r\nbob: two\r\n");
}

TEST_F(ChatReceiver, RecordsEachLineAsTypeThreeWithItsBodyAsReceived)
{
    std::string path = home.root() + "/chat.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    std::string body = styled("ann: recorded\r\n", ChatStyle { 1, 2, 3, 9, 4 });
    ASSERT_EQ(receive_chat_text(body.data(), body.size(), 0), 0);
    recorder().toggle_pause();
    receive_chat_text(body.data(), body.size(), 0);  // paused: not recorded
    recorder().stop();

    std::string data = read_file(path);
    ASSERT_EQ(data.size(), record_file_head_len + record_separator_len + record_head_len + 4 + body.size());
    size_t pos = record_file_head_len;
    EXPECT_EQ(data.compare(pos, record_separator_len, record_separator), 0);
    record_head head;
    std::memcpy(&head, data.data() + pos + record_separator_len, record_head_len);
    EXPECT_EQ(head.type, static_cast<uint32_t>(record_type_chat));
    EXPECT_EQ(head.length, 4 + body.size());
    uint32_t text_len = 0;
    std::memcpy(&text_len, data.data() + pos + record_separator_len + record_head_len, 4);
    EXPECT_EQ(text_len, body.size());
    EXPECT_EQ(data.substr(data.size() - body.size()), body);
}

TEST(PrivateChatBody, WriterTextAndStyleAndItsRefusals)
{
    const ChatStyle s { 9, 8, 7, 20, chat_effect_underline };
    std::string body = styled("ann:secret\r\n", s);
    std::optional<PrivateChatLine> line = parse_private_chat_body(body.data(), body.size());
    ASSERT_TRUE(line);
    EXPECT_EQ(line->partner, "ann");
    EXPECT_EQ(line->line.text, "secret\r\n");
    EXPECT_EQ(line->line.style, s);

    std::string colon_after_nul = std::string("nobody\0:x12345", 14);
    EXPECT_FALSE(parse_private_chat_body(colon_after_nul.data(), colon_after_nul.size()));
    EXPECT_FALSE(parse_private_chat_body("", 0));

    std::string long_text = "ann:" + std::string(6000, 'q');
    line = parse_private_chat_body(long_text.data(), long_text.size());
    ASSERT_TRUE(line);
    EXPECT_EQ(line->line.text.size(), private_chat_line_limit);
    EXPECT_EQ(line->line.style, chat_default_style);
}

} // namespace
