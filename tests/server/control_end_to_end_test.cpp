// A whole meeting's control flow: the real tamblo-server with a test
// configuration, the client core (its connection, builders and handlers)
// and headless peers, all on loopback.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/server_notices.h"
#include "core/server_table.h"
#include "core/settings.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <condition_variable>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <thread>

namespace {

struct Shown {
    WindowSlot slot;
    uint32_t msg;
    intptr_t lparam;
    std::string text;
};

// Every window the handlers reach, recording what they were told (on the
// client's receive thread: no window-message bridge is installed).
class Windows {
public:
    Windows()
    {
        for (WindowSlot slot : { WindowSlot::main_frame, WindowSlot::meeting_room, WindowSlot::members_page,
                                 WindowSlot::chat_view, WindowSlot::rest_room })
            targets_.push_back(std::make_unique<Target>(*this, slot));
    }
    bool await(WindowSlot slot, uint32_t msg, Shown* out = nullptr, const std::string& text = {}, int wait_ms = 5000)
    {
        std::unique_lock lock(lock_);
        auto match = [&] {
            for (size_t i = 0; i < shown_.size(); ++i) {
                if (shown_[i].slot == slot && shown_[i].msg == msg && (text.empty() || shown_[i].text == text)) {
                    if (out)
                        *out = shown_[i];
                    shown_.erase(shown_.begin() + static_cast<std::ptrdiff_t>(i));
                    return true;
                }
            }
            return false;
        };
        return changed_.wait_for(lock, std::chrono::milliseconds(wait_ms), match);
    }
    size_t count(uint32_t msg)
    {
        std::lock_guard lock(lock_);
        return static_cast<size_t>(std::count_if(shown_.begin(), shown_.end(), [&](const Shown& s) { return s.msg == msg; }));
    }

private:
    class Target : public WindowTarget {
    public:
        Target(Windows& owner, WindowSlot slot) : owner_(owner), slot_(slot), binding_(slot, this) {}
        intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
        {
            std::string text;
            // Bodies come with their length; member names and records end at a zero.
            bool by_length = msg != WM_MY_MSG_MEMBER_LIST_FIRST && msg != WM_MY_MSG_MEMBER_LIST_ADD && lparam > 0;
            if (wparam > 0x10000)
                text = by_length ? std::string(reinterpret_cast<const char*>(wparam), static_cast<size_t>(lparam))
                                 : std::string(reinterpret_cast<const char*>(wparam));
            {
                std::lock_guard lock(owner_.lock_);
                owner_.shown_.push_back({ slot_, msg, lparam, text });
            }
            owner_.changed_.notify_all();
            return 0;
        }

    private:
        Windows& owner_;
        WindowSlot slot_;
        WindowSlotBinding binding_;
    };

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Shown> shown_;
    std::vector<std::unique_ptr<Target>> targets_;
};

// The client core as the program runs it: its main receive thread with the
// control handlers in the dispatch. Public chat lines are the chat view's
// (not built here), so the test takes them itself.
class ClientCore {
public:
    explicit ClientCore(uint16_t port)
    {
        g_server_host.set("127.0.0.1");
        g_server_port = port;
        g_first_connect_notices_sent = 0;
        reset_receive_handlers();
        install_control_handlers();
        set_main_handler(MSG_CHAT_TEXT, [this](const char* body, int len, int) {
            std::lock_guard lock(lock_);
            chat_.emplace_back(body, static_cast<size_t>(len));
            changed_.notify_all();
        });
        thread_ = std::thread([] { g_recv_thread(); });
        for (int tries = 0; tries < 500 && g_my_customer_id < 0; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        connected_ = g_my_customer_id >= 0;
    }
    ~ClientCore()
    {
        g_main_sock.close_socket();
        if (thread_.joinable())
            thread_.join();
        reset_receive_handlers();
        g_my_customer_id = -1;
    }
    bool connected() const { return connected_; }
    // Public chat lines that came back.
    bool await_chat(const std::string& body, int wait_ms = 5000)
    {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, std::chrono::milliseconds(wait_ms),
                                 [&] { return std::find(chat_.begin(), chat_.end(), body) != chat_.end(); });
    }

private:
    bool connected_ = false;
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::string> chat_;
};

std::string style_bytes() { return std::string { '\0', '\x40', '\x40', '\xe0', '\x0a', '\x00' }; }

class ControlEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        std::ofstream(config_path_) << "[general]\n"
                                       "greeting = Welcome to the test meeting\n"
                                       "newest_version = 1.9.5\n"
                                       "[room]\nname = Lobby\n"
                                       "[room]\nname = Board\npassword = pw\nchairman_password = boss\n"
                                       "[servers]\nserver = Second:127.0.0.1:9082\nserver = Third:127.0.0.1:9083\n";
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--config", config_path_, "--report-port", "8999" });
        ASSERT_TRUE(server_->wait_for_log("report datagrams on 127.0.0.1:8999"));
        load_default_servers();
        g_room_number = -1;
        g_logged_in = 0;
    }
    void TearDown() override
    {
        peers_.clear();
        server_->stop();
        set_message_box_presenter(nullptr);
    }
    HeadlessPeer& peer(const std::string& name)
    {
        peers_.push_back(std::make_unique<HeadlessPeer>(name));
        HeadlessPeer& p = *peers_.back();
        EXPECT_EQ(p.connect("127.0.0.1", server_->port(), true), 0);
        EXPECT_EQ(p.login(name), 0);
        return p;
    }
    // The first message of that number carrying that body.
    static bool has(HeadlessPeer& p, int number, const std::string& body, int wait_ms = 5000)
    {
        return p.await([&](const ArrivedMessage& m) { return m.head.number == number && m.body == body; }, wait_ms).has_value();
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    Windows windows_;
    std::string config_path_ = home_.root() + "/server.ini";
    std::unique_ptr<ServerProcess> server_;
    std::vector<std::unique_ptr<HeadlessPeer>> peers_;
};

} // namespace

TEST_F(ControlEndToEnd, ConnectGreetsReportsAndHandsOutServersAndVersions)
{
    ClientCore client(server_->port());
    ASSERT_TRUE(client.connected());
    Shown connected;
    ASSERT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_CONNECTED, &connected));
    EXPECT_EQ(connected.text, "Welcome to the test meeting");
    std::string address = "127.0.0.1:127.0.0.1:" + std::to_string(server_->port());
    EXPECT_TRUE(server_->wait_for_log("report from 127.0.0.1: " + address));
    EXPECT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_NEW_VERSION));
    EXPECT_TRUE(server_->wait_for_log("report from 127.0.0.1: " + address + ":       1.       9.       4:tamblo-server 1.9.4"));

    ASSERT_EQ(send_login("alice", "any"), 0);
    ASSERT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_LOGIN_SUCCESS));
    EXPECT_EQ(g_login_name.get(), "alice");
    // After the login the client asks for the server list; the server's end of list stores it.
    for (int tries = 0; tries < 500 && server_entry_copy(5).in_use == 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(std::string(server_entry_copy(4).show_name.data()), "Second");
    EXPECT_EQ(server_entry_copy(5).port, 9083);
    for (int tries = 0; tries < 500; ++tries) {
        std::string stored;
        reg_read(server_list_section, "port5", stored, 256); // the last value written
        if (stored == "9083")
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string stored;
    reg_read(server_list_section, "addr5", stored, 256);
    EXPECT_EQ(stored, "127.0.0.1");
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(ControlEndToEnd, MeetingWithRoomsMembersHandsRolesChatAndRemoval)
{
    ClientCore client(server_->port());
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_CONNECTED));
    ASSERT_EQ(send_login("alice", ""), 0);
    ASSERT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_LOGIN_SUCCESS));
    HeadlessPeer& bob = peer("bob");
    HeadlessPeer& cy = peer("cy");

    // The room list, and a room of our own.
    send_get_meeting_room_list();
    EXPECT_TRUE(windows_.await(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_FIRST, nullptr, "Lobby"));
    EXPECT_TRUE(windows_.await(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_ADD, nullptr, "Board"));
    send_create_meeting_room("Design");
    EXPECT_TRUE(windows_.await(WindowSlot::meeting_room, WM_MY_MSG_ROOM_LIST_CHANGED));
    EXPECT_TRUE(bob.await_number(MSG_ROOM_LIST_CHANGED));
    send_create_meeting_room("Design");
    EXPECT_TRUE(windows_.await(WindowSlot::meeting_room, WM_MY_MSG_CREATE_ROOM_FAILED));

    // Joining without the room password fails, with it succeeds; the meeting-room dialog is open.
    send_join_meeting_room("Board", "");
    ASSERT_TRUE(windows_.await(WindowSlot::meeting_room, WM_MY_MSG_ROOM_CURRENT));
    EXPECT_EQ(g_room_number, -1);
    send_join_meeting_room("Board", "pw");
    ASSERT_TRUE(windows_.await(WindowSlot::meeting_room, WM_MY_MSG_ROOM_CURRENT));
    EXPECT_GT(g_room_number, 0);
    EXPECT_EQ(g_current_room_name.get(), "Board");
    // 581 after the entry brings the server's probe, which the client answers.
    EXPECT_TRUE(server_->wait_for_log("probe answered by"));

    // The room has a chairman password: the chairman asks with it.
    send_cmd_data(MSG_REQUEST_CHAIRMAN, "wrong");
    EXPECT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_CHAIRMAN_DENIED));
    send_cmd_data(MSG_REQUEST_CHAIRMAN, "boss");
    EXPECT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_CHAIRMAN_APPROVED, nullptr, "alice"));

    EXPECT_LT(bob.join_room("Board", "nope"), 0);
    bob.clear();
    EXPECT_GT(bob.join_room("Board", "pw"), 0);
    EXPECT_GT(cy.join_room("Lobby"), 0);
    EXPECT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_MEMBER_JOINED, nullptr, "bob"));
    EXPECT_TRUE(windows_.await(WindowSlot::members_page, WM_MY_MSG_MEMBERS_NOTICE_116));

    // Member list with the flags in head field 2 (alice is chairman).
    send_get_member_list();
    Shown first, added;
    ASSERT_TRUE(windows_.await(WindowSlot::members_page, WM_MY_MSG_MEMBER_LIST_FIRST, &first));
    EXPECT_EQ(first.text, "alice");
    EXPECT_EQ(first.lparam, 1);
    ASSERT_TRUE(windows_.await(WindowSlot::members_page, WM_MY_MSG_MEMBER_LIST_ADD, &added));
    EXPECT_EQ(added.text, "bob");
    EXPECT_EQ(added.lparam, 0);

    // Hands: bob's shows as a notice and a member state; alice's own sets her flag.
    bob.send(PeerChannel::main, MSG_RAISE_HAND);
    EXPECT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_HAND_RAISED, nullptr, "bob"));
    // (alice's own chairman flag came as a member state before.)
    Shown state;
    while (windows_.await(WindowSlot::members_page, WM_MY_MSG_MEMBER_STATE, &state) && state.lparam != 4) {
    }
    EXPECT_EQ(state.lparam, 4);
    send_cmd(MSG_RAISE_HAND);
    EXPECT_TRUE(windows_.await(WindowSlot::members_page, WM_MY_MSG_HAND_BUTTON));
    EXPECT_EQ(g_hand_raised, 1);

    // Roles: bob asks to present in free mode; alice starts the meeting.
    bob.send(PeerChannel::main, MSG_REQUEST_PRESENTER);
    EXPECT_TRUE(has(bob, MSG_PRESENTER_APPROVED, "bob"));
    EXPECT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_BECOME_PRESENTER));
    EXPECT_EQ(g_new_presenter_name.get(), "bob");
    bob.send(PeerChannel::main, MSG_MEETING_START);
    send_start_meeting();
    EXPECT_TRUE(windows_.await(WindowSlot::members_page, WM_MY_MSG_MEETING_STARTED));
    EXPECT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_MEETING_TIME));
    EXPECT_TRUE(bob.await_number(MSG_MEETING_STARTED));
    EXPECT_EQ(bob.count(MSG_MEETING_STARTED), 1u);

    // Chat comes back to its writer too; private lines reach only their member.
    send_chat_text("hello everyone\r\n", 0x40, 0x40, 0xe0, 10, 0);
    std::string line = "alice: hello everyone\r\n" + style_bytes();
    EXPECT_TRUE(client.await_chat(line));
    EXPECT_TRUE(has(bob, MSG_CHAT_TEXT, line));
    bob.send(PeerChannel::main, MSG_PRIVATE_CHAT_SEND, 0, "alice:psst" + style_bytes());
    EXPECT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_PRIVATE_CHAT_FROM_SERVER, nullptr, "bob:psst" + style_bytes()));
    send_private_chat("bob", "hi bob", 0x40, 0x40, 0xe0, 10, 0);
    EXPECT_TRUE(has(bob, MSG_PRIVATE_CHAT, "alice:hi bob" + style_bytes()));
    send_private_chat("cy", "across rooms");

    // Removal: bob is put out of the room; alice hears he left.
    send_boost_member("bob");
    EXPECT_TRUE(bob.await_number(MSG_KICKED_OUT));
    EXPECT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_MEMBER_LEFT, nullptr, "bob"));

    // Leaving, then the rest room: alice and bob are outside every room, cy is not.
    send_leave_meeting_room();
    EXPECT_TRUE(windows_.await(WindowSlot::members_page, WM_MY_MSG_LEAVE_ROOM_OK));
    send_rest_room_chat("anyone here?\r\n");
    EXPECT_TRUE(windows_.await(WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_CHAT, nullptr, "alice: anyone here?\r\n"));
    EXPECT_TRUE(has(bob, MSG_REST_ROOM_CHAT, "alice: anyone here?\r\n"));

    // Nothing of room Board reached cy in room Lobby.
    for (int number : { MSG_CHAT_TEXT, MSG_HAND_RAISED, MSG_PRIVATE_CHAT, MSG_MEMBER_JOINED, MSG_MEETING_STARTED,
                        MSG_BECOME_PRESENTER, MSG_REST_ROOM_CHAT })
        EXPECT_EQ(cy.count(number), 0u) << number;

    send_logout();
    EXPECT_TRUE(windows_.await(WindowSlot::main_frame, WM_MY_MSG_NOT_LOGGED_IN));
    EXPECT_EQ(g_logged_in, 0);
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(ControlEndToEnd, UntrustedInputIsRefusedAndTheServerGoesOn)
{
    HeadlessPeer& bob = peer("bob");
    HeadlessPeer& eve = peer("eve");
    EXPECT_GT(bob.join_room("Lobby"), 0);
    // A second login under another name, a name with ':' cut off, an over-long login.
    eve.send(PeerChannel::main, MSG_LOGIN, 0, "mallory:x");
    eve.send(PeerChannel::main, MSG_LOGIN, 0, std::string(100, 'e') + ":x");
    EXPECT_TRUE(eve.await_count(MSG_LOGIN_FAILED, 2));
    // Outside any room: no room operation, no relay.
    eve.send(PeerChannel::main, MSG_CHAT_TEXT, 0, "hello?");
    eve.send(PeerChannel::main, MSG_RAISE_HAND);
    eve.send(PeerChannel::main, MSG_KICK_MEMBER, 0, "bob");
    // Roles it does not hold.
    EXPECT_GT(eve.join_room("Lobby"), 0);
    eve.send(PeerChannel::main, MSG_KICK_MEMBER, 0, "bob");
    eve.send(PeerChannel::main, MSG_BOARD_SELECT, 0, "   0:   0");
    eve.send(PeerChannel::main, MSG_ROOM_SET_PASSWORD, 0, ":locked");
    EXPECT_TRUE(eve.await_number(MSG_SET_ROOM_PASSWORD_FAILED));
    bob.send(PeerChannel::main, MSG_CHAT_TEXT, 0, "still fine");
    EXPECT_TRUE(has(eve, MSG_CHAT_TEXT, "bob: still fine"));
    EXPECT_TRUE(has(bob, MSG_CHAT_TEXT, "bob: still fine"));
    EXPECT_EQ(bob.count(MSG_KICKED_OUT), 0u);
    EXPECT_EQ(bob.count(MSG_BOARD_SELECT), 0u);
    EXPECT_EQ(bob.count(MSG_CHAT_TEXT), 1u);
    EXPECT_TRUE(server_->wait_for_log("not the chairman"));
    EXPECT_TRUE(server_->wait_for_log("in no room"));
}
