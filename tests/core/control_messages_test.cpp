#include "core/control_messages.h"

#include "core/connections.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/window_messages.h"
#include "tests/core/loopback.h"
#include "tests/support/queued_window_messages.h"
#include "tests/support/temp_home.h"

#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

namespace {

struct Received {
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
    std::string text; // what wparam pointed at: lparam bytes, or up to the zero when lparam is no length
    std::string tail; // behind that zero, when lparam is no length
};

// What a window would have been told; sent bodies are copied while the sender waits.
class RecordingWindow : public WindowTarget {
public:
    explicit RecordingWindow(bool body_by_length = true) : body_by_length_(body_by_length) {}
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        std::string text, tail;
        if (wparam > 0x10000) {
            const char* p = reinterpret_cast<const char*>(wparam);
            text = body_by_length_ ? std::string(p, static_cast<size_t>(lparam)) : std::string(p);
            if (!body_by_length_)
                tail = std::string(p + text.size() + 1);
        }
        received.push_back({ msg, wparam, lparam, text, tail });
        return 0;
    }
    std::vector<Received> received;

private:
    bool body_by_length_;
};

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        g_main_sock.host.set("127.0.0.1");
        g_main_sock.port = listener_.port();
        ASSERT_EQ(g_main_sock.connect_server(), 0);
        peer_ = listener_.accept_one();
        ASSERT_GE(peer_, 0);
        g_room_number = -1;
        g_logged_in = 0;
        g_hand_raised = 0;
    }
    void TearDown() override
    {
        g_main_sock.close_socket();
        ::close(peer_);
        set_message_box_presenter(nullptr);
    }
    // The head as text and the unscrambled body of the next message; empty when none came.
    std::pair<std::string, std::string> next_message(int wait_ms = 2000)
    {
        pollfd p { peer_, POLLIN, 0 };
        if (::poll(&p, 1, wait_ms) != 1)
            return {};
        return next_wire_message(peer_);
    }
    // A head-only sentinel proves that nothing was sent before it.
    void expect_nothing_sent_before_sentinel()
    {
        send_cmd_sentinel();
        EXPECT_EQ(next_message().first, "   0:   0: 133:   0:");
    }
    static void send_cmd_sentinel() { send_logout(); }

    TempHome home_;
    LogCapture log_;
    ScriptedMessageBoxes boxes_;
    LoopbackListener listener_;
    int peer_ = -1;
    QueuedWindowMessages queue;
};

std::string style_tail(int s1, int s2, int s3, int s4, int s5)
{
    return std::string(1, '\0') + char(s1) + char(s2) + char(s3) + char(s4) + char(s5);
}

} // namespace

TEST_F(ControlTest, BuildersFormatTheirHeadsAndBodies)
{
    struct Case {
        std::function<int()> build;
        const char* head;
        std::string body;
    } cases[] = {
        { [] { return send_login("alice", "code"); }, "   0:   0: 139:  10:", "alice:code" },
        { [] { return send_logout(); }, "   0:   0: 133:   0:", "" },
        { [] { return send_get_meeting_room_list(); }, "   0:   0: 101:   0:", "" },
        { [] { return send_create_meeting_room("Design"); }, "   0:   0: 100:   6:", "Design" },
        { [] { return send_join_meeting_room("Design", ""); }, "   0:   0: 104:   7:", "Design:" },
        { [] { return send_join_meeting_room("Design", "pw"); }, "   0:   0: 104:   9:", "Design:pw" },
        { [] { return send_leave_meeting_room(); }, "   0:   0: 117:   0:", "" },
        { [] { return send_boost_member("bob"); }, "   0:   0: 114:   3:", "bob" },
        { [] { return send_set_meeting_room_password("", "new"); }, "   0:   0: 108:   4:", ":new" },
        { [] { return send_set_chairman_password("old", "new"); }, "   0:   0: 172:   7:", "old:new" },
        { [] { return send_start_meeting(); }, "   0:   0: 119:   0:", "" },
        { [] { return send_stop_meeting(); }, "   0:   0: 121:   0:", "" },
        { [] { return send_get_member_list(); }, "   0:   0: 111:   0:", "" },
        { [] { return send_talk_start(); }, "   0:   0:  31:   0:", "" },
        { [] { return send_talk_stop(); }, "   0:   0:  33:   0:", "" },
        { [] { return send_free_lance_mode(); }, "   0:   0:  34:   0:", "" },
        { [] { return send_chairman_control_mode(); }, "   0:   0:  35:   0:", "" },
        { [] { return send_chat_text("hi\r\n", 1, 2, 3, 12, 5); }, "   0:   0:  41:  10:", "hi\r\n" + style_tail(1, 2, 3, 12, 5) },
        { [] { return send_private_chat("bob", "a:b", 9, 8, 7, 6, 5); }, "   0:   0: 170:  13:", "bob:a:b" + style_tail(9, 8, 7, 6, 5) },
        { [] { return send_reload_chat(); }, "   0:   0: 125:   0:", "" },
        { [] { return send_rest_room_refresh(); }, "   0:   0: 280:   0:", "" },
        { [] { return send_rest_room_chat("hello all"); }, "   0:   0: 283:   9:", "hello all" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.build(), 0) << c.head;
        auto [head, body] = next_message();
        EXPECT_EQ(head, c.head);
        EXPECT_EQ(body, c.body) << c.head;
    }
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(ControlTest, LongTextsAreCutToTheirLimits)
{
    send_chat_text(std::string(9000, 'c'), 1, 2, 3, 4, 5);
    auto [head, body] = next_message();
    EXPECT_EQ(head, "   0:   0:  41:8172:");
    EXPECT_EQ(body, std::string(8166, 'c') + style_tail(1, 2, 3, 4, 5));

    send_private_chat("bob", std::string(9000, 'p'));
    std::tie(head, body) = next_message();
    EXPECT_EQ(head, "   0:   0: 170:8172:");
    EXPECT_EQ(body.substr(0, 4), "bob:");
    EXPECT_EQ(body.size(), 8172u);
    EXPECT_EQ(body[8166], '\0');

    send_rest_room_chat(std::string(1500, 'r'));
    std::tie(head, body) = next_message();
    EXPECT_EQ(head, "   0:   0: 283:1000:");
}

TEST_F(ControlTest, RefusedBodiesShowTheirTextAndSendNothing)
{
    struct Case {
        std::function<int()> build;
        const char* box; // nullptr: refused with a log line only
    } cases[] = {
        { [] { return send_login(std::string(40, 'n'), std::string(30, 'c')); }, "Login content too long." },
        { [] { return send_login("a:b", "c"); }, "Login name should not contain ':'" },
        { [] { return send_login("a", "c:d"); }, "Auth code should not contain ':'." },
        { [] { return send_create_meeting_room(std::string(65, 'r')); }, "Meeting Room Name should not greater than 64." },
        { [] { return send_create_meeting_room("a:b"); }, "Meeting room name should not contain ':'." },
        { [] { return send_join_meeting_room(std::string(60, 'r'), "password"); }, "Meeting Room content should not greater than 64." },
        { [] { return send_join_meeting_room("a:b", ""); }, "Meeting room name should not contain ':'." },
        { [] { return send_join_meeting_room("room", "p:w"); }, nullptr },
        { [] { return send_boost_member(std::string(65, 'm')); }, "Meeting Room content should not greater than 64." },
        { [] { return send_set_meeting_room_password("o:ld", "new"); }, "old passwd can not contain ':'." },
        { [] { return send_set_chairman_password("old", "n:ew"); }, "New passwd can not contain ':'." },
        { [] { return send_private_chat("b:ob", "text"); }, nullptr },
    };
    for (const Case& c : cases) {
        boxes_.clear();
        EXPECT_EQ(c.build(), -1);
        if (c.box)
            EXPECT_EQ(boxes_.texts(), std::vector<std::string> { c.box });
        else
            EXPECT_TRUE(boxes_.texts().empty());
    }
    expect_nothing_sent_before_sentinel();
    // 64 bytes exactly still go.
    EXPECT_EQ(send_login(std::string(33, 'n'), std::string(30, 'c')), 0);
    EXPECT_EQ(next_message().first, "   0:   0: 139:  64:");
}

TEST_F(ControlTest, LoginAcceptedStoresTheNameAndAsksForServerListAnd790)
{
    RecordingWindow frame;
    WindowSlotBinding binding(WindowSlot::main_frame, &frame);
    g_company_logo_path.set("/home/company_logo/x.gif");
    g_server_text_792.set("old company");
    std::string body = "alice";
    run_from_receive_buffer(queue, do_login_ok_from_server, body, 0);
    EXPECT_EQ(g_login_name.get(), "alice");
    EXPECT_EQ(g_logged_in, 1);
    EXPECT_TRUE(g_company_logo_path.empty());
    EXPECT_TRUE(g_server_text_792.empty());
    ASSERT_EQ(frame.received.size(), 1u);
    EXPECT_EQ(frame.received[0].msg, WM_MY_MSG_LOGIN_SUCCESS);
    EXPECT_EQ(next_message().first, "   0:   0: 364:   0:");
    EXPECT_EQ(next_message().first, "   0:   0: 790:   0:");

    run_from_receive_buffer(queue, do_not_logged_in_from_server, "", 0);
    EXPECT_EQ(g_logged_in, 0);
    EXPECT_TRUE(g_login_name.empty());
    EXPECT_EQ(frame.received.back().msg, WM_MY_MSG_NOT_LOGGED_IN);
}

TEST_F(ControlTest, RoomEnteredFollowsTheNumberAndTheOpenDialog)
{
    RecordingWindow frame, dialog, members;
    WindowSlotBinding frame_binding(WindowSlot::main_frame, &frame);
    WindowSlotBinding members_binding(WindowSlot::members_page, &members);

    std::string refused = "  -1:Design";
    run_from_receive_buffer(queue, do_room_entered_from_server, refused, 0);
    EXPECT_EQ(g_room_number, -1);
    EXPECT_TRUE(members.received.empty());
    ASSERT_EQ(frame.received.size(), 2u);
    EXPECT_EQ(frame.received[0].msg, WM_MY_MSG_ROOM_CAPTION);
    EXPECT_EQ(frame.received[1].msg, WM_MY_MSG_JOIN_ROOM_FAILED);

    std::string entered = "   3:" + std::string(80, 'D');
    run_from_receive_buffer(queue, do_room_entered_from_server, entered, 0);
    EXPECT_EQ(g_room_number, 3);
    // A room name may be 64 bytes (the create limit); it is kept whole.
    EXPECT_EQ(g_current_room_name.get(), std::string(64, 'D'));
    EXPECT_EQ(frame.received.back().msg, WM_MY_MSG_ROOM_ENTERED);
    // 581 follows only the entry, not the refusal before it.
    EXPECT_EQ(next_message().first, "   0:   0: 581:   0:");
    // The new member's page asks for the room's members.
    ASSERT_EQ(members.received.size(), 1u);
    EXPECT_EQ(members.received[0].msg, WM_MY_MSG_MEMBERS_NOTICE_116);

    WindowSlotBinding dialog_binding(WindowSlot::meeting_room, &dialog);
    size_t frame_count = frame.received.size();
    run_from_receive_buffer(queue, do_room_entered_from_server, entered, 0);
    ASSERT_EQ(dialog.received.size(), 1u);
    EXPECT_EQ(dialog.received[0].msg, WM_MY_MSG_ROOM_CURRENT);
    EXPECT_EQ(frame.received.size(), frame_count + 1); // only the caption
}

TEST_F(ControlTest, ProbeIsAnsweredOnlyInARoom)
{
    run_from_receive_buffer(queue, do_probe_from_server, "", 0);
    g_room_number = 2;
    run_from_receive_buffer(queue, do_probe_from_server, "", 0);
    EXPECT_EQ(next_message().first, "   0:   0: 783:   0:");
    g_room_number = -1;
    run_from_receive_buffer(queue, do_probe_from_server, "", 0);
    expect_nothing_sent_before_sentinel();
}

TEST(ControlHandlers, EachHandlerReachesItsWindow)
{
    QueuedWindowMessages queue;
    enum How { post, send_with_body, send_with_name };
    struct Case {
        void (*handler)(const char*, int, int);
        const char* body;
        int field2;
        WindowSlot slot;
        uint32_t msg;
        How how;
        uintptr_t wparam; // for posts
        intptr_t lparam;
    } cases[] = {
        { do_login_failed_from_server, "", 0, WindowSlot::main_frame, WM_MY_MSG_LOGIN_FAILED, post, 0, 0 },
        { do_room_list_first_from_server, "Lobby", 0, WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_FIRST, send_with_body, 0, 0 },
        { do_room_list_add_from_server, "Design", 0, WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_ADD, send_with_body, 0, 0 },
        { do_room_list_changed_from_server, "", 0, WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_CHANGED, post, 0, 0 },
        { do_create_room_failed_from_server, "", 0, WindowSlot::meeting_room, WM_MY_MSG_CREATE_ROOM_FAILED, post, 0, 0 },
        { do_members_notice_116_from_server, "", 0, WindowSlot::members_page, WM_MY_MSG_MEMBERS_NOTICE_116, post, 0, 0 },
        { do_members_notice_780_from_server, "", 0, WindowSlot::members_page, WM_MY_MSG_MEMBERS_NOTICE_780, post, 0, 0 },
        { do_leave_room_ok_from_server, "", 0, WindowSlot::members_page, WM_MY_MSG_LEAVE_ROOM_OK, post, 0, 0 },
        { do_meeting_started_from_server, "", 0, WindowSlot::members_page, WM_MY_MSG_MEETING_STARTED, post, 0, 0 },
        { do_meeting_stopped_from_server, "", 0, WindowSlot::members_page, WM_MY_MSG_MEETING_STOPPED, post, 0, 0 },
        { do_meeting_time_from_server, "  75", 0, WindowSlot::main_frame, WM_MY_MSG_MEETING_TIME, post, 75, 0 },
        { do_chat_reload_first_from_server, "a: hi", 0, WindowSlot::chat_view, WM_MY_MSG_CHAT_RELOAD_FIRST, send_with_body, 0, 0 },
        { do_chat_reload_add_from_server, "b: yo", 0, WindowSlot::chat_view, WM_MY_MSG_CHAT_RELOAD_ADD, send_with_body, 0, 0 },
        { do_main_frame_notice_128_from_server, "", 0, WindowSlot::main_frame, WM_MY_MSG_CHAT_TEXT, post, 0, 0 },
        { do_private_chat_from_server, "bob:psst", 0, WindowSlot::main_frame, WM_MY_MSG_PRIVATE_CHAT_FROM_SERVER, send_with_body, 0, 0 },
        { do_rest_room_list_first_from_server, "ann", 0, WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_LIST_FIRST, send_with_body, 0, 0 },
        { do_rest_room_list_add_from_server, "ben", 0, WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_LIST_ADD, send_with_body, 0, 0 },
        { do_rest_room_chat_from_server, "ann: hi", 0, WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_CHAT, send_with_body, 0, 0 },
        { do_chairman_approved_from_server, "ann", 0, WindowSlot::main_frame, WM_MY_MSG_CHAIRMAN_APPROVED, send_with_body, 0, 0 },
        { do_chairman_denied_from_server, "", 0, WindowSlot::main_frame, WM_MY_MSG_CHAIRMAN_DENIED, send_with_body, 0, 0 },
        { do_chairman_given_up_from_server, "ann", 0, WindowSlot::main_frame, WM_MY_MSG_CHAIRMAN_GIVEN_UP, send_with_body, 0, 0 },
        { do_presenter_approved_from_server, "ann", 0, WindowSlot::main_frame, WM_MY_MSG_PRESENTER_APPROVED, send_with_body, 0, 0 },
        { do_presenter_given_up_from_server, "ann", 0, WindowSlot::main_frame, WM_MY_MSG_PRESENTER_GIVEN_UP, send_with_body, 0, 0 },
        { do_presenter_apply_from_server, "ben", 12, WindowSlot::main_frame, WM_MY_MSG_PRESENTER_APPLY, post, 12, 0 },
        { do_presenter_denied_from_server, "ann", 0, WindowSlot::main_frame, WM_MY_MSG_PRESENTER_DENIED, send_with_body, 0, 0 },
        { do_become_presenter_from_server, "ben", 0, WindowSlot::main_frame, WM_MY_MSG_BECOME_PRESENTER, post, 0, 0 },
        { do_become_chairman_from_server, "ann", 0, WindowSlot::main_frame, WM_MY_MSG_BECOME_CHAIRMAN, post, 0, 0 },
        { do_hand_raised_from_server, "ben", 0, WindowSlot::main_frame, WM_MY_MSG_HAND_RAISED, send_with_name, 0, 0 },
        { do_hand_lowered_from_server, "ben", 0, WindowSlot::main_frame, WM_MY_MSG_HAND_LOWERED, send_with_name, 0, 0 },
        { do_member_joined_from_server, "cy", 0, WindowSlot::main_frame, WM_MY_MSG_MEMBER_JOINED, send_with_name, 0, 0 },
        { do_member_left_from_server, "cy", 0, WindowSlot::main_frame, WM_MY_MSG_MEMBER_LEFT, send_with_name, 0, 0 },
        { do_talker_changed_from_server, "ann", 0, WindowSlot::main_frame, WM_MY_MSG_TALKER_CHANGED, send_with_name, 0, 0 },
        { do_talker_gave_up_from_server, "ann", 0, WindowSlot::main_frame, WM_MY_MSG_TALKER_GAVE_UP, send_with_name, 0, 0 },
        { do_member_state_from_server, "12", 7, WindowSlot::members_page, WM_MY_MSG_MEMBER_STATE, post, 7, 12 },
        { push_zoom_one_person_from_server, "4", 0, WindowSlot::members_page, WM_MY_MSG_ZOOM_ONE_PERSON, post, 4, 0 },
    };
    for (const Case& c : cases) {
        RecordingWindow window(c.how != send_with_name);
        WindowSlotBinding binding(c.slot, &window);
        std::string body = c.body;
        run_from_receive_buffer(queue, c.handler, body, c.field2);
        ASSERT_EQ(window.received.size(), 1u) << c.msg - WM_APP;
        const Received& r = window.received[0];
        EXPECT_EQ(r.msg, c.msg);
        if (c.how == post) {
            EXPECT_EQ(r.wparam, c.wparam) << c.msg - WM_APP;
            EXPECT_EQ(r.lparam, c.lparam) << c.msg - WM_APP;
        } else {
            EXPECT_EQ(r.text, body) << c.msg - WM_APP;
            EXPECT_EQ(r.lparam, c.how == send_with_name ? 0 : static_cast<intptr_t>(body.size()));
        }
    }
    EXPECT_EQ(g_new_presenter_name.get(), "ben");
    EXPECT_EQ(g_new_chairman_name.get(), "ann");
    EXPECT_EQ(g_presenter_applicant.get(), "ben");
}

TEST(ControlHandlers, MemberRecordCarriesItsFlagsFromHeadField2)
{
    QueuedWindowMessages queue;
    RecordingWindow page(false);
    WindowSlotBinding binding(WindowSlot::members_page, &page);
    std::string record = std::string("ann") + '\0' + "  12";
    run_from_receive_buffer(queue, do_member_list_first_from_server, record, 5);
    run_from_receive_buffer(queue, do_member_list_add_from_server, record, 0);
    ASSERT_EQ(page.received.size(), 2u);
    EXPECT_EQ(page.received[0].msg, WM_MY_MSG_MEMBER_LIST_FIRST);
    EXPECT_EQ(page.received[0].lparam, 5);
    EXPECT_EQ(page.received[0].text, "ann");
    EXPECT_EQ(page.received[0].tail, "  12");
    EXPECT_EQ(page.received[1].msg, WM_MY_MSG_MEMBER_LIST_ADD);
}

TEST(ControlHandlers, StateIsKeptWhileTheWindowsAreClosed)
{
    QueuedWindowMessages queue;
    g_hand_raised = 0;
    run_from_receive_buffer(queue, do_hand_button_422_from_server, "ann", 0);
    EXPECT_EQ(g_hand_raised, 1);
    run_from_receive_buffer(queue, do_hand_button_423_from_server, "ann", 0);
    EXPECT_EQ(g_hand_raised, 0);

    g_room_number = 4;
    g_current_room_name.set("Design");
    run_from_receive_buffer(queue, do_kicked_out_from_server, "", 0);
    EXPECT_EQ(g_room_number, -1);
    EXPECT_TRUE(g_current_room_name.empty());


    std::string text(300, 't');
    run_from_receive_buffer(queue, do_server_text_792_from_server, text, 0);
    EXPECT_EQ(g_server_text_792.get().size(), 127u);

    run_from_receive_buffer(queue, do_784_from_server, "", 3);
    EXPECT_EQ(g_enter_full_screen, 1);
    run_from_receive_buffer(queue, do_784_from_server, "", 2);
    EXPECT_EQ(g_enter_full_screen, 0);

    run_from_receive_buffer(queue, do_customer_id_from_server, "  42", 0);
    EXPECT_EQ(g_my_customer_id, 42);
    run_from_receive_buffer(queue, do_customer_id_from_server, "-5", 0);
    EXPECT_EQ(g_my_customer_id, 0);
}

TEST(ControlHandlers, RoomPasswordAnswerGoesToTheDialogWhileItIsOpen)
{
    QueuedWindowMessages queue;
    RecordingWindow page, dialog;
    WindowSlotBinding page_binding(WindowSlot::members_page, &page);
    run_from_receive_buffer(queue, do_set_room_password_ok_from_server, "", 0);
    {
        WindowSlotBinding dialog_binding(WindowSlot::meeting_room, &dialog);
        run_from_receive_buffer(queue, do_set_room_password_failed_from_server, "", 0);
    }
    ASSERT_EQ(page.received.size(), 1u);
    EXPECT_EQ(page.received[0].msg, WM_MY_MSG_SET_ROOM_PASSWORD_OK);
    ASSERT_EQ(dialog.received.size(), 1u);
    EXPECT_EQ(dialog.received[0].msg, WM_MY_MSG_SET_ROOM_PASSWORD_FAILED);
}

TEST(ControlHandlers, ZoomNoticesCheckTheirIndex)
{
    QueuedWindowMessages queue;
    LogCapture log;
    RecordingWindow page, video;
    WindowSlotBinding page_binding(WindowSlot::members_page, &page);
    WindowSlotBinding video_binding(WindowSlot::video_view, &video);
    run_from_receive_buffer(queue, push_zoom_one_person_from_server, "-3", 0);
    EXPECT_TRUE(page.received.empty());
    EXPECT_TRUE(log.contains("customer_index:-3 < 0 in push_zoom_one_person_from_server.\n"));

    g_zoomed_customer_id = 9;
    run_from_receive_buffer(queue, do_restore_zoom_from_server, "", 0);
    EXPECT_EQ(g_zoomed_customer_id, -1);
    ASSERT_EQ(page.received.size(), 1u);
    EXPECT_EQ(page.received[0].msg, WM_MY_MSG_REPAINT);
    ASSERT_EQ(video.received.size(), 1u);
}

TEST(ControlHandlers, InstallPutsEveryHandlerIntoTheMainDispatch)
{
    QueuedWindowMessages queue;
    reset_receive_handlers();
    install_control_handlers();
    for (int number : { MSG_HELLO_MAIN, MSG_LOGIN_OK, MSG_ROOM_ENTERED, MSG_MEMBER_LIST_FIRST, MSG_PRIVATE_CHAT,
                        MSG_REST_ROOM_CHAT, MSG_HAND_BUTTON_422, MSG_MEMBER_STATE, MSG_PROBE, MSG_784, MSG_SERVER_LIST,
                        MSG_SERVER_ADDRESS, MSG_SERVER_LIST_SAVE, MSG_NEW_VERSION, MSG_SERVER_VERSION,
                        MSG_SERVER_VERSION_TEXT, MSG_SERVER_HELLO })
        EXPECT_TRUE(has_receive_handler(ReceiveConnection::main, number)) << number;
    RecordingWindow frame;
    WindowSlotBinding binding(WindowSlot::main_frame, &frame);
    std::string body = "  -1:Nowhere";
    EXPECT_TRUE(run_from_receive_buffer(queue, [](const char* b, int len, int f2) {
        return dispatch_received_message(ReceiveConnection::main, MSG_ROOM_ENTERED, b, len, f2);
    }, body));
    ASSERT_EQ(frame.received.size(), 2u);
    EXPECT_EQ(frame.received[1].msg, WM_MY_MSG_JOIN_ROOM_FAILED);
    reset_receive_handlers();
}
