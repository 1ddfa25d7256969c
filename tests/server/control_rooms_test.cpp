#include "server/control_rooms.h"

#include "core/messages.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct Sent {
    int to;
    int field2;
    int number;
    std::string body;
    bool operator==(const Sent&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Sent& s)
{
    return os << "{to " << s.to << ", f2 " << s.field2 << ", " << s.number << ", \"" << s.body << "\"}";
}

class Recorder : public ControlOutput {
public:
    void send_to(int id, int field2, int number, std::string_view body) override
    {
        sent.push_back({ id, field2, number, std::string(body) });
        // The core drops a client whose queue is full in the middle of the send.
        if (id == drop_on_send && rooms) {
            drop_on_send = -1;
            rooms->client_gone(id);
        }
    }
    int drop_on_send = -1;
    ControlRooms* rooms = nullptr;
    void log_line(const std::string& line) override { log.push_back(line); }
    int room_opened(const std::string& name) override
    {
        opened.push_back(name);
        return static_cast<int>(opened.size());
    }
    void room_closed(int number) override { closed.push_back(number); }
    void member_entered(int id, int number) override { where[id] = number; }
    void member_left(int id) override { where.erase(id); }
    void private_voice_agreed(int id, int partner) override { links.emplace_back(id, partner); }
    std::vector<std::pair<int, int>> links;

    // What one client got, in order, and forget it.
    std::vector<Sent> take(int id)
    {
        std::vector<Sent> mine, rest;
        for (Sent& s : sent)
            (s.to == id ? mine : rest).push_back(s);
        sent = rest;
        return mine;
    }
    std::vector<int> numbers(int id)
    {
        std::vector<int> out;
        for (const Sent& s : take(id))
            out.push_back(s.number);
        return out;
    }
    std::vector<Sent> sent;
    std::vector<std::string> log;
    std::vector<std::string> opened;
    std::vector<int> closed;
    std::map<int, int> where; // customer id -> room number
};

std::string record(const std::string& name, int id)
{
    char id_text[8];
    std::snprintf(id_text, sizeof id_text, "%4d", id);
    return name + std::string(1, '\0') + id_text;
}

class Rooms : public ::testing::Test {
protected:
    explicit Rooms(ControlConfig config = default_control_config())
        : rooms(std::move(config), out, [this] { return now; })
    {
    }
    void login(int id, const std::string& name)
    {
        rooms.client_identified(id);
        rooms.handle(id, 0, MSG_LOGIN, name + ":code");
        ASSERT_EQ(out.take(id), (std::vector<Sent> { { id, 0, MSG_LOGIN_OK, name } }));
    }
    void join(int id, const std::string& room, const std::string& password = "")
    {
        rooms.handle(id, 0, MSG_ROOM_JOIN, room + ":" + password);
    }
    void clear() { out.sent.clear(); }

    int64_t now = 1000;
    Recorder out;
    ControlRooms rooms;
};

ControlConfig two_rooms()
{
    ControlConfig c = default_control_config();
    c.rooms.push_back({ "Board", "secret", "boss" });
    c.servers.push_back({ "Second", "127.0.0.1", 9082 });
    c.servers.push_back({ "Third", "127.0.0.1", 9083 });
    c.company_text = "Kelo Inc";
    c.logo_file = "logo.gif";
    c.newest_version = { 1, 9, 5 };
    c.server_version_text = "tamblo-server 1.9.4";
    return c;
}

class ConfiguredRooms : public Rooms {
protected:
    ConfiguredRooms() : Rooms(two_rooms()) {}
};

} // namespace

TEST_F(Rooms, LoginNeedsIdentificationAndAUniqueWellFormedName)
{
    rooms.handle(5, 0, MSG_LOGIN, "ann:code");
    EXPECT_TRUE(out.sent.empty());
    login(1, "ann");
    rooms.client_identified(2);
    for (std::string body : std::vector<std::string> { "ann:x", "nocolon", ":code", "   :code", std::string(40, 'n') + ":" + std::string(30, 'c') }) {
        rooms.handle(2, 0, MSG_LOGIN, body);
        EXPECT_EQ(out.numbers(2), std::vector<int> { MSG_LOGIN_FAILED }) << body;
    }
    // Before a login only the version and server-list requests are answered.
    rooms.handle(2, 0, MSG_ROOM_LIST_REFRESH, "");
    EXPECT_EQ(out.numbers(2), std::vector<int> { MSG_NOT_LOGGED_IN });
    rooms.handle(2, 0, MSG_990, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_NEW_VERSION, "   1:   9:   4" } }));
    // A name frees up at logout.
    rooms.handle(1, 0, MSG_LOGOUT, "");
    EXPECT_EQ(out.numbers(1), std::vector<int> { MSG_NOT_LOGGED_IN });
    login(2, "ann");
}

TEST_F(ConfiguredRooms, AccessCodeIsCheckedWhenConfigured)
{
    ControlConfig c = two_rooms();
    c.access_code = "letmein";
    Recorder o;
    ControlRooms r(c, o);
    r.client_identified(1);
    r.handle(1, 0, MSG_LOGIN, "ann:wrong");
    r.handle(1, 0, MSG_LOGIN, "ann:letmein");
    EXPECT_EQ(o.numbers(1), (std::vector<int> { MSG_LOGIN_FAILED, MSG_LOGIN_OK }));
}

TEST_F(Rooms, RoomListCreateAndTheChangeNotice)
{
    login(1, "ann");
    login(2, "ben");
    rooms.client_identified(3); // not logged in: hears nothing
    rooms.handle(1, 0, MSG_ROOM_CREATE, "Design");
    EXPECT_EQ(out.numbers(1), std::vector<int> { MSG_ROOM_LIST_CHANGED });
    EXPECT_EQ(out.numbers(2), std::vector<int> { MSG_ROOM_LIST_CHANGED });
    EXPECT_TRUE(out.take(3).empty());
    for (std::string bad : std::vector<std::string> { "Design", "a:b", "", "   ", std::string(64, 'r') }) {
        rooms.handle(1, 0, MSG_ROOM_CREATE, bad);
        EXPECT_EQ(out.numbers(1), std::vector<int> { MSG_CREATE_ROOM_FAILED }) << bad;
    }
    rooms.handle(2, 0, MSG_ROOM_LIST_REFRESH, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_ROOM_LIST_FIRST, "Lobby" }, { 2, 0, MSG_ROOM_LIST_ADD, "Design" } }));
}

TEST_F(Rooms, FirstToJoinIsChairmanAndMembersCarryTheirFlags)
{
    login(1, "ann");
    login(2, "ben");
    join(1, "Lobby");
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 0, MSG_ROOM_ENTERED, "   1:Lobby" }, { 1, 0, MSG_CHAIRMAN_APPROVED, "ann" } }));
    join(2, "Lobby");
    EXPECT_EQ(out.numbers(2), std::vector<int> { MSG_ROOM_ENTERED });
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 0, MSG_MEMBER_JOINED, "ben" }, { 1, 0, MSG_MEMBERS_NOTICE_116, "" } }));
    rooms.handle(2, 0, MSG_MEMBER_LIST_REFRESH, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, member_flag_chairman, MSG_MEMBER_LIST_FIRST, record("ann", 1) },
                                                { 2, 0, MSG_MEMBER_LIST_ADD, record("ben", 2) },
                                                { 2, 0, MSG_MEMBERS_NOTICE_780, "" } }));
    EXPECT_EQ(rooms.room_of(2), 1);
    EXPECT_EQ(out.where, (std::map<int, int> { { 1, 1 }, { 2, 1 } }));
}

TEST_F(ConfiguredRooms, JoinChecksTheRoomAndItsPassword)
{
    login(1, "ann");
    join(1, "Nowhere");
    join(1, "Board", "wrong");
    join(1, "Board");
    rooms.handle(1, 0, MSG_ROOM_JOIN, "no colon");
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 0, MSG_ROOM_ENTERED, "  -1:Nowhere" },
                                                { 1, 0, MSG_ROOM_ENTERED, "  -2:Board" },
                                                { 1, 0, MSG_ROOM_ENTERED, "  -2:Board" },
                                                { 1, 0, MSG_ROOM_ENTERED, "  -1:" } }));
    EXPECT_EQ(rooms.room_of(1), -1);
    // A chairman password keeps the first member from becoming chairman.
    join(1, "Board", "secret");
    EXPECT_EQ(out.numbers(1), std::vector<int> { MSG_ROOM_ENTERED });
    rooms.handle(1, 0, MSG_REQUEST_CHAIRMAN, "guess");
    rooms.handle(1, 0, MSG_REQUEST_CHAIRMAN, "boss");
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 0, MSG_CHAIRMAN_DENIED, "" }, { 1, 0, MSG_CHAIRMAN_APPROVED, "ann" },
                                                { 1, 1, MSG_MEMBER_STATE, "1" } }));
}

TEST_F(Rooms, RoomOperationsNeedARoomAndRolesNeedTheRole)
{
    login(1, "ann");
    login(2, "ben");
    for (int number : { MSG_MEMBER_LIST_REFRESH, MSG_ROOM_LEAVE, MSG_CHAT_TEXT, MSG_RAISE_HAND, MSG_MEETING_START })
        rooms.handle(1, 0, number, "x");
    EXPECT_TRUE(out.sent.empty());
    join(1, "Lobby");
    join(2, "Lobby");
    clear();
    // ben is no chairman.
    rooms.handle(2, 0, MSG_KICK_MEMBER, "ann");
    rooms.handle(2, 0, MSG_MEETING_START, "");
    rooms.handle(2, 0, MSG_MODE_CHAIRMAN, "");
    rooms.handle(2, 1, MSG_SET_PRESENTER, "");
    rooms.handle(2, 0, MSG_ROOM_OPTION_781, "");
    rooms.handle(2, 0, MSG_BOARD_NUMBER, "");
    EXPECT_TRUE(out.take(1).empty());
    rooms.handle(2, 0, MSG_ROOM_SET_PASSWORD, ":new");
    rooms.handle(2, 0, MSG_SET_CHAIRMAN_PASSWORD, ":new");
    EXPECT_EQ(out.numbers(2), (std::vector<int> { MSG_SET_ROOM_PASSWORD_FAILED, MSG_SET_CHAIRMAN_PASSWORD_FAILED }));
    EXPECT_TRUE(out.sent.empty());
}

TEST_F(Rooms, ChairmanRemovesAMember)
{
    login(1, "ann");
    login(2, "ben");
    login(3, "cy");
    join(1, "Lobby");
    join(2, "Lobby");
    join(3, "Lobby");
    clear();
    rooms.handle(1, 0, MSG_KICK_MEMBER, "ann"); // not oneself
    rooms.handle(1, 0, MSG_KICK_MEMBER, "nobody");
    EXPECT_TRUE(out.sent.empty());
    rooms.handle(1, 0, MSG_KICK_MEMBER, "ben");
    EXPECT_EQ(out.numbers(2), std::vector<int> { MSG_KICKED_OUT });
    EXPECT_EQ(out.take(3), (std::vector<Sent> { { 3, 0, MSG_MEMBER_LEFT, "ben" }, { 3, 0, MSG_MEMBERS_NOTICE_116, "" } }));
    EXPECT_EQ(rooms.room_of(2), -1);
    clear();
    rooms.handle(2, 0, MSG_CHAT_TEXT, "still here?");
    EXPECT_TRUE(out.take(1).empty());
}

TEST_F(Rooms, PasswordsAreSetByTheChairmanWithTheOldOne)
{
    login(1, "ann");
    login(2, "ben");
    join(1, "Lobby");
    clear();
    rooms.handle(1, 0, MSG_ROOM_SET_PASSWORD, "wrong:new");
    rooms.handle(1, 0, MSG_ROOM_SET_PASSWORD, ":" + std::string(17, 'p'));
    rooms.handle(1, 0, MSG_ROOM_SET_PASSWORD, ":open sesame");
    rooms.handle(1, 0, MSG_SET_CHAIRMAN_PASSWORD, ":boss");
    EXPECT_EQ(out.numbers(1), (std::vector<int> { MSG_SET_ROOM_PASSWORD_FAILED, MSG_SET_ROOM_PASSWORD_FAILED,
                                                  MSG_SET_ROOM_PASSWORD_OK, MSG_SET_CHAIRMAN_PASSWORD_OK }));
    join(2, "Lobby");
    join(2, "Lobby", "open sesame");
    auto got = out.take(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].body, "  -2:Lobby");
    EXPECT_EQ(got[1].body, "   1:Lobby");
}

TEST_F(Rooms, MeetingStartsForTheRoomAndLateComersLearnTheTime)
{
    login(1, "ann");
    login(2, "ben");
    join(1, "Lobby");
    clear();
    rooms.handle(1, 0, MSG_MEETING_START, "");
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 0, MSG_MEETING_STARTED, "" }, { 1, 0, MSG_MEETING_ELAPSED_TIME, "0" } }));
    now += 75;
    join(2, "Lobby");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_ROOM_ENTERED, "   1:Lobby" }, { 2, 0, MSG_MEETING_STARTED, "" },
                                                { 2, 0, MSG_MEETING_ELAPSED_TIME, "75" } }));
    clear();
    // In chairman control mode only the chairman stops it; in free mode anyone.
    rooms.handle(1, 0, MSG_MODE_CHAIRMAN, "");
    rooms.handle(2, 0, MSG_MEETING_STOP, "");
    EXPECT_EQ(out.numbers(2), std::vector<int> { MSG_MODE_CHAIRMAN });
    rooms.handle(1, 0, MSG_MODE_FREE, "");
    rooms.handle(2, 0, MSG_MEETING_STOP, "");
    EXPECT_EQ(out.numbers(1), (std::vector<int> { MSG_MODE_CHAIRMAN, MSG_MODE_FREE, MSG_MEETING_STOPPED }));
}

TEST_F(Rooms, HandsGoToTheSenderTheRoomAndTheMemberState)
{
    login(1, "ann");
    login(2, "ben");
    join(1, "Lobby");
    join(2, "Lobby");
    clear();
    rooms.handle(2, 0, MSG_RAISE_HAND, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_HAND_BUTTON_422, "ben" }, { 2, 2, MSG_MEMBER_STATE, "4" } }));
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 0, MSG_HAND_RAISED, "ben" }, { 1, 2, MSG_MEMBER_STATE, "4" } }));
    rooms.handle(2, 0, MSG_LOWER_HAND, "");
    EXPECT_EQ(out.numbers(2), (std::vector<int> { MSG_HAND_BUTTON_423, MSG_MEMBER_STATE }));
    EXPECT_EQ(out.numbers(1), (std::vector<int> { MSG_HAND_LOWERED, MSG_MEMBER_STATE }));
}

TEST_F(Rooms, PresenterByRequestApplicationAndHandOver)
{
    login(1, "ann");
    login(2, "ben");
    login(3, "cy");
    join(1, "Lobby");
    join(2, "Lobby");
    join(3, "Lobby");
    clear();
    rooms.handle(2, 0, MSG_REQUEST_PRESENTER, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 2, MSG_MEMBER_STATE, "2" }, { 2, 0, MSG_PRESENTER_APPROVED, "ben" } }));
    EXPECT_EQ(out.numbers(3), (std::vector<int> { MSG_BECOME_PRESENTER, MSG_MEMBER_STATE }));
    clear();
    rooms.handle(1, 0, MSG_MODE_CHAIRMAN, "");
    clear();
    // cy must apply now; the chairman hears it and accepts.
    rooms.handle(3, 0, MSG_REQUEST_PRESENTER, "");
    EXPECT_EQ(out.numbers(3), std::vector<int> { MSG_PRESENTER_DENIED });
    rooms.handle(3, 0, MSG_APPLY_PRESENTER, "");
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 3, MSG_PRESENTER_APPLY, "cy" } }));
    rooms.handle(1, 3, MSG_PRESENTER_ACCEPT, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_PRESENTER_CLEAR, "ben" }, { 2, 2, MSG_MEMBER_STATE, "0" },
                                                { 2, 0, MSG_BECOME_PRESENTER, "cy" }, { 2, 3, MSG_MEMBER_STATE, "2" } }));
    EXPECT_EQ(out.take(3).back(), (Sent { 3, 0, MSG_PRESENTER_APPROVED, "cy" }));
    clear();
    rooms.handle(1, 2, MSG_PRESENTER_DENIED, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_PRESENTER_DENIED, "ann" } }));
    // The chairman names and removes the presenter.
    rooms.handle(1, 2, MSG_SET_PRESENTER, "");
    EXPECT_EQ(out.take(2).back(), (Sent { 2, 0, MSG_PRESENTER_SET, "" }));
    clear();
    rooms.handle(1, 2, MSG_REMOVE_PRESENTER, "");
    EXPECT_EQ(out.take(2).front(), (Sent { 2, 0, MSG_PRESENTER_CLEAR, "ben" }));
    clear();
    rooms.handle(3, 0, MSG_GIVE_UP_PRESENTER, ""); // cy no longer is
    EXPECT_TRUE(out.sent.empty());
}

TEST_F(Rooms, TalkIsTakenInFreeModeAndGivenInChairmanControlMode)
{
    login(1, "ann");
    login(2, "ben");
    join(1, "Lobby");
    join(2, "Lobby");
    clear();
    rooms.handle(2, 2, MSG_ALLOW_TALK, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_ALLOW_TALK, "" }, { 2, 0, MSG_TALKER_CHANGED, "ben" },
                                                { 2, 2, MSG_MEMBER_STATE, "8" } }));
    clear();
    rooms.handle(2, 0, MSG_TAKE_OVER_MIC, "");
    EXPECT_EQ(out.numbers(1), (std::vector<int> { MSG_TALKER_GAVE_UP, MSG_MEMBER_STATE }));
    clear();
    rooms.handle(1, 0, MSG_MODE_CHAIRMAN, "");
    clear();
    rooms.handle(2, 2, MSG_ALLOW_TALK, "");
    EXPECT_TRUE(out.sent.empty());
    rooms.handle(1, 2, MSG_ALLOW_TALK, "");
    EXPECT_EQ(out.take(2).front(), (Sent { 2, 0, MSG_ALLOW_TALK, "" }));
    clear();
    rooms.handle(1, 1, MSG_ALLOW_TALK, ""); // the chairman takes over: ben is stopped
    EXPECT_EQ(out.take(2).front(), (Sent { 2, 0, MSG_DISALLOW_TALK, "" }));
    clear();
    rooms.handle(1, 1, MSG_DISALLOW_TALK, "");
    EXPECT_EQ(out.numbers(1), (std::vector<int> { MSG_DISALLOW_TALK, MSG_TALKER_GAVE_UP, MSG_MEMBER_STATE }));
    rooms.handle(2, 0, MSG_TALK_START, "");
    EXPECT_EQ(out.numbers(2), (std::vector<int> { MSG_TALKER_GAVE_UP, MSG_MEMBER_STATE, MSG_TALK_START }));
}

TEST_F(Rooms, ChatIsEchoedWithItsWriterKeptAndPrivateLinesFindTheirMember)
{
    login(1, "ann");
    login(2, "ben");
    login(3, "cy");
    join(1, "Lobby");
    join(2, "Lobby");
    rooms.handle(3, 0, MSG_ROOM_CREATE, "Other");
    join(3, "Other");
    clear();
    std::string style = std::string(1, '\0') + "\x40\x40\xe0\x0a\x01";
    rooms.handle(2, 0, MSG_CHAT_TEXT, "hello\r\n" + style);
    Sent line { 0, 0, MSG_CHAT_TEXT, "ben: hello\r\n" + style };
    line.to = 1;
    EXPECT_EQ(out.take(1), std::vector<Sent> { line });
    line.to = 2;
    EXPECT_EQ(out.take(2), std::vector<Sent> { line });
    EXPECT_TRUE(out.take(3).empty());
    rooms.handle(1, 0, MSG_CHAT_TEXT, "second");
    clear();
    rooms.handle(2, 0, MSG_CHAT_RELOAD, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_CHAT_RELOAD_FIRST, "ben: hello\r\n" + style },
                                                { 2, 0, MSG_CHAT_RELOAD_ADD, "ann: second" } }));
    rooms.handle(1, 0, MSG_PRIVATE_CHAT_SEND, "ben:psst" + style);
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_PRIVATE_CHAT, "ann:psst" + style } }));
    rooms.handle(1, 0, MSG_PRIVATE_CHAT_SEND, "cy:across rooms");
    EXPECT_EQ(out.numbers(1), std::vector<int> { MSG_MAIN_FRAME_NOTICE_128 });
    EXPECT_TRUE(out.take(3).empty());
    rooms.handle(1, 0, MSG_CHAT_TEXT, std::string(8173, 'x'));
    EXPECT_TRUE(out.sent.empty());
    // The longest line keeps its style and fits the receive buffer.
    rooms.handle(1, 0, MSG_CHAT_TEXT, std::string(8166, 'x') + style);
    auto echoed = out.take(1);
    ASSERT_EQ(echoed.size(), 1u);
    EXPECT_EQ(echoed[0].body.size(), 8172u);
    EXPECT_EQ(echoed[0].body.substr(8166), style);
}

TEST_F(Rooms, NothingCrossesRooms)
{
    login(1, "ann");
    login(2, "ben");
    login(3, "cy");
    join(1, "Lobby");
    join(2, "Lobby");
    rooms.handle(3, 0, MSG_ROOM_CREATE, "Other");
    join(3, "Other");
    clear();
    rooms.handle(1, 0, MSG_SHOW_POINTER, "");
    EXPECT_TRUE(out.take(1).empty()); // not back to the sender
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_SHOW_POINTER, "" } }));
    rooms.handle(1, 3, MSG_PRIVATE_VOICE_REQUEST, "");
    rooms.handle(1, 3, MSG_SET_PRESENTER, "");
    rooms.handle(1, 3, MSG_ALLOW_TALK, "");
    rooms.handle(1, 0, MSG_KICK_MEMBER, "cy");
    EXPECT_TRUE(out.sent.empty());
    rooms.handle(1, 2, MSG_PRIVATE_VOICE_REQUEST, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 1, MSG_PRIVATE_VOICE_REQUEST, "" } }));
    // The presenter's board pushes reach the room with their board index.
    rooms.handle(1, 0, MSG_REQUEST_PRESENTER, "");
    clear();
    rooms.handle(1, 4, MSG_BOARD_SELECT, "  10:  20");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 4, MSG_BOARD_SELECT, "  10:  20" } }));
    EXPECT_TRUE(out.sent.empty());
}

TEST_F(Rooms, RestRoomHoldsWhoIsInNoRoom)
{
    login(1, "ann");
    login(2, "ben");
    login(3, "cy");
    join(3, "Lobby");
    clear();
    rooms.handle(3, 0, MSG_REST_ROOM_REFRESH, "");
    EXPECT_EQ(out.take(3), (std::vector<Sent> { { 3, 0, MSG_REST_ROOM_LIST_FIRST, "ann" }, { 3, 0, MSG_REST_ROOM_LIST_ADD, "ben" } }));
    rooms.handle(1, 0, MSG_REST_ROOM_CHAT_SEND, "hi\r\n");
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 0, MSG_REST_ROOM_CHAT, "ann: hi\r\n" } }));
    EXPECT_EQ(out.numbers(2), std::vector<int> { MSG_REST_ROOM_CHAT });
    EXPECT_TRUE(out.take(3).empty());
    rooms.handle(3, 0, MSG_REST_ROOM_CHAT_SEND, "from a room");
    rooms.handle(1, 0, MSG_REST_ROOM_CHAT_SEND, std::string(1001, 'x'));
    EXPECT_TRUE(out.sent.empty());
}

TEST_F(Rooms, LeavingFreesRolesAndClosesCreatedRooms)
{
    login(1, "ann");
    login(2, "ben");
    rooms.handle(1, 0, MSG_ROOM_CREATE, "Design");
    join(1, "Design");
    join(2, "Design");
    clear();
    rooms.handle(1, 0, MSG_ROOM_LEAVE, "");
    EXPECT_EQ(out.numbers(1), std::vector<int> { MSG_LEAVE_ROOM_OK });
    EXPECT_EQ(out.numbers(2), (std::vector<int> { MSG_MEMBER_LEFT, MSG_MEMBERS_NOTICE_116 }));
    rooms.handle(2, 0, MSG_REQUEST_CHAIRMAN, "");
    EXPECT_EQ(out.numbers(2), (std::vector<int> { MSG_CHAIRMAN_APPROVED, MSG_MEMBER_STATE }));
    rooms.client_gone(2);
    EXPECT_EQ(out.numbers(1), std::vector<int> { MSG_ROOM_LIST_CHANGED });
    EXPECT_EQ(out.closed, std::vector<int> { 2 });
    EXPECT_TRUE(out.where.empty());
    rooms.handle(1, 0, MSG_ROOM_LIST_REFRESH, "");
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 0, MSG_ROOM_LIST_FIRST, "Lobby" } }));
    // A name is free again once its client is gone.
    login(3, "ben");
}

TEST_F(Rooms, ClientDroppedDuringASendLeavesAfterTheMessage)
{
    login(1, "ann");
    login(2, "ben");
    login(3, "cy");
    join(1, "Lobby");
    join(2, "Lobby");
    join(3, "Lobby");
    clear();
    out.rooms = &rooms;
    out.drop_on_send = 2;
    rooms.handle(1, 0, MSG_CHAT_TEXT, "hi");
    EXPECT_EQ(out.take(3), (std::vector<Sent> { { 3, 0, MSG_CHAT_TEXT, "ann: hi" }, { 3, 0, MSG_MEMBER_LEFT, "ben" },
                                                { 3, 0, MSG_MEMBERS_NOTICE_116, "" } }));
    EXPECT_EQ(rooms.room_of(2), -1);
    login(4, "ben");
}

TEST_F(Rooms, MovingToAnotherRoomLeavesTheFirstQuietly)
{
    login(1, "ann");
    login(2, "ben");
    rooms.handle(1, 0, MSG_ROOM_CREATE, "Design");
    join(1, "Lobby");
    join(2, "Lobby");
    clear();
    join(2, "Design");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_ROOM_ENTERED, "   2:Design" }, { 2, 0, MSG_CHAIRMAN_APPROVED, "ben" } }));
    EXPECT_EQ(out.numbers(1), (std::vector<int> { MSG_MEMBER_LEFT, MSG_MEMBERS_NOTICE_116 }));
}

TEST_F(ConfiguredRooms, RefusedEntryFromARoomLeavesThatRoomToo)
{
    // The client takes a refused 105 for "in no room"; the server agrees.
    login(1, "ann");
    login(2, "ben");
    join(1, "Lobby");
    join(2, "Lobby");
    clear();
    join(2, "Board", "wrong");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_ROOM_ENTERED, "  -2:Board" } }));
    EXPECT_EQ(rooms.room_of(2), -1);
    EXPECT_EQ(out.numbers(1), (std::vector<int> { MSG_MEMBER_LEFT, MSG_MEMBERS_NOTICE_116 }));
    rooms.handle(1, 0, MSG_CHAT_TEXT, std::string("hi") + '\0' + "12345");
    EXPECT_EQ(out.numbers(2), std::vector<int> {});
}

TEST_F(ConfiguredRooms, ServerListVersionsAndCompanyTexts)
{
    rooms.client_identified(1);
    rooms.handle(1, 0, MSG_SERVER_LIST_REQUEST, "");
    rooms.handle(1, 0, MSG_990, "");
    rooms.handle(1, 0, MSG_SERVER_VERSION_REQUEST, "");
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 0, MSG_SERVER_LIST, "Second:127.0.0.1:9082" },
                                                { 1, 0, MSG_SERVER_ADDRESS, "Third:127.0.0.1:9083" },
                                                { 1, 0, MSG_SERVER_LIST_SAVE, "" },
                                                { 1, 0, MSG_NEW_VERSION, "   1:   9:   5" },
                                                { 1, 0, MSG_SERVER_VERSION, "       1:       9:       4" },
                                                { 1, 0, MSG_SERVER_VERSION_TEXT, "tamblo-server 1.9.4" } }));
    login(2, "ann");
    rooms.handle(2, 0, MSG_790, "");
    EXPECT_EQ(out.take(2), (std::vector<Sent> { { 2, 0, MSG_SERVER_TEXT_792, "Kelo Inc" }, { 2, 0, MSG_COMPANY_LOGO, "logo.gif" } }));
}

TEST(ControlConfigFile, ReadsRoomsServersAndTexts)
{
    char path[] = "/tmp/tamblo-config-XXXXXX";
    int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    auto write = [&](const std::string& text) { std::ofstream(path) << text; };
    write("; test server\n[general]\ngreeting = Hello there\nnewest_version = 2.0.1\ncompany_text=Kelo\n"
          "[room]\nname = Lobby\n[room]\nname=Board\npassword=pw\nchairman_password=boss\n"
          "[servers]\nserver = Far:127.0.0.9:9100\n");
    ControlConfig config;
    std::string error;
    ASSERT_TRUE(read_control_config(path, config, error)) << error;
    EXPECT_EQ(config.greeting, "Hello there");
    EXPECT_EQ(config.newest_version, (std::array<int, 3> { 2, 0, 1 }));
    ASSERT_EQ(config.rooms.size(), 2u);
    EXPECT_EQ(config.rooms[1].chairman_password, "boss");
    ASSERT_EQ(config.servers.size(), 1u);
    EXPECT_EQ(config.servers[0].port, 9100);

    const char* bad[] = {
        "[room]\nname=a:b\n", "[room]\npassword=x\n", "[room]\nname=A\n[room]\nname=A\n", "[general]\nnewest_version=1.9\n",
        "[servers]\nserver=NoPort:host\n", "[nowhere]\n", "greeting=outside\n", "[general]\nlogo_file=../x.gif\n",
        "[room]\nname=A\npassword=12345678901234567\n",
    };
    for (const char* text : bad) {
        write(text);
        EXPECT_FALSE(read_control_config(path, config, error)) << text;
        EXPECT_FALSE(error.empty());
    }
    ::unlink(path);
    EXPECT_FALSE(read_control_config(path, config, error));
    EXPECT_EQ(default_control_config().rooms.at(0).name, "Lobby");
}

TEST_F(Rooms, PrivateVoiceLinksOnceBothSidesSent85)
{
    login(1, "ann");
    login(2, "ben");
    login(3, "cy");
    join(1, "Lobby");
    join(2, "Lobby");
    join(3, "Lobby");
    rooms.handle(1, 2, MSG_PRIVATE_VOICE_REQUEST, "");
    rooms.handle(1, 2, MSG_PRIVATE_VOICE_85, "");
    rooms.handle(3, 2, MSG_PRIVATE_VOICE_85, "");
    EXPECT_TRUE(out.links.empty());
    rooms.handle(2, 1, MSG_PRIVATE_VOICE_85, "");  // ben answers ann
    EXPECT_EQ(out.links, (std::vector<std::pair<int, int>> { { 2, 1 } }));
    rooms.handle(2, 1, MSG_PRIVATE_VOICE_85, "");  // once per agreement
    EXPECT_EQ(out.links.size(), 1u);
}

TEST_F(Rooms, AServerWithoutAListStillEndsItSoTheAskerStopsWaiting)
{
    rooms.client_identified(1);
    rooms.handle(1, 0, MSG_SERVER_LIST_REQUEST, "");
    EXPECT_EQ(out.take(1), (std::vector<Sent> { { 1, 0, MSG_SERVER_LIST_SAVE, "" } }));
}

TEST_F(Rooms, LateJoinerGetsTheRoomsRecentChatWithinItsBounds)
{
    login(1, "ann");
    login(2, "ben");
    join(1, "Lobby");
    join(2, "Lobby");
    rooms.handle(1, 0, MSG_CHAT_TEXT, "early");
    clear();
    // Leaving and coming back brings the chat along.
    rooms.handle(2, 0, MSG_ROOM_LEAVE, "");
    join(2, "Lobby");
    std::vector<Sent> got = out.take(2);
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got.back(), (Sent { 2, 0, MSG_CHAT_RELOAD_FIRST, "ann: early" }));

    // The kept chat stays within 200 lines and 64 KiB: the oldest lines go.
    for (int i = 0; i < 300; ++i)
        rooms.handle(1, 0, MSG_CHAT_TEXT, "line " + std::to_string(i));
    clear();
    rooms.handle(2, 0, MSG_CHAT_RELOAD, "");
    got = out.take(2);
    ASSERT_EQ(got.size(), control_chat_history_lines);
    EXPECT_EQ(got.front(), (Sent { 2, 0, MSG_CHAT_RELOAD_FIRST, "ann: line 100" }));
    EXPECT_EQ(got.back().body, "ann: line 299");
    for (int i = 0; i < 20; ++i)
        rooms.handle(1, 0, MSG_CHAT_TEXT, std::string(8000, 'a' + static_cast<char>(i)));
    clear();
    rooms.handle(2, 0, MSG_CHAT_RELOAD, "");
    got = out.take(2);
    size_t bytes = 0;
    for (const Sent& line : got)
        bytes += line.body.size();
    EXPECT_LE(bytes, control_chat_history_bytes);
    EXPECT_EQ(got.size(), control_chat_history_bytes / 8005);
    EXPECT_EQ(got.back().body, "ann: " + std::string(8000, 'a' + 19));
    EXPECT_EQ(got.front().number, MSG_CHAT_RELOAD_FIRST);
}

TEST_F(Rooms, EveryFlagChangeReachesTheWholeRoom)
{
    login(1, "ann");
    login(2, "ben");
    join(1, "Lobby");
    join(2, "Lobby");
    clear();
    // What one member heard of the flags; the rest is forgotten.
    auto states = [this](int to) {
        std::vector<std::pair<int, std::string>> out_states;
        for (const Sent& s : out.take(to))
            if (s.number == MSG_MEMBER_STATE)
                out_states.emplace_back(s.field2, s.body);
        clear();
        return out_states;
    };
    rooms.handle(2, 0, MSG_RAISE_HAND, "");
    EXPECT_EQ(states(1), (std::vector<std::pair<int, std::string>> { { 2, "4" } }));
    rooms.handle(1, 2, MSG_SET_PRESENTER, "");
    EXPECT_EQ(states(1), (std::vector<std::pair<int, std::string>> { { 2, "6" } }));
    rooms.handle(1, 2, MSG_ALLOW_TALK, "");
    EXPECT_EQ(states(2), (std::vector<std::pair<int, std::string>> { { 2, "14" } }));
    rooms.handle(1, 0, MSG_GIVE_UP_CHAIRMAN, "");
    EXPECT_EQ(states(2), (std::vector<std::pair<int, std::string>> { { 1, "0" } }));
    rooms.handle(2, 0, MSG_REQUEST_CHAIRMAN, "");
    EXPECT_EQ(states(1), (std::vector<std::pair<int, std::string>> { { 2, "15" } }));
    clear();
}
