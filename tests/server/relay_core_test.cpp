// The relay core in-process, with families registered the way family files
// register theirs, and headless peers on loopback.

#include "core/messages.h"
#include "server/message_table.h"
#include "server/server_core.h"
#include "server/server_families.h"
#include "server/server_log.h"
#include "tests/support/headless_peer.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr int test_count_number = 9000;  // a test family's own message
constexpr int test_flood_self_number = 9001;  // answers its sender until the sender's queue overflows
constexpr int test_addressed_number = 9002;   // relayed by field 2: 999 the room, an id that member

struct CountState {
    int seen = 0;
};

struct LeavingRecord {
    std::mutex lock;
    std::vector<std::pair<int, int>> left;  // customer id, room number at the time
};

// What a handler saw after its own send had the sender dropped.
struct FloodSeen {
    std::mutex lock;
    bool done = false;
    bool dropping = false;
    size_t left_during_handler = 0;
    bool room_still_there = false;
    bool still_a_member = false;
};

class RelayCore : public ::testing::Test {
protected:
    void SetUp() override
    {
        MessageTable table;
        // The whiteboard rule: the whole room, field 2 stays the board index.
        table.add_relay(MSG_BOARD_POINT, RelayRule { RelayTo::whole_room, Field2Out::keep }, "test board");
        // A chat-like rule: every other member whatever field 2 says.
        table.add_relay(MSG_CHAT_TEXT, RelayRule { RelayTo::room_others, Field2Out::sender_id }, "test chat");
        table.add_relay(test_addressed_number, RelayRule { RelayTo::field2, Field2Out::sender_id }, "test addressed");
        set_server_log_tap([this](const std::string& line) {
            std::lock_guard lock(log_lock_);
            log_ += line + "\n";
        });
        table.add_handler(test_count_number, [](ServerCore& server, Client& sender, const IncomingMessage&) {
            int seen = ++sender.state<CountState>().seen;
            server.send_data(sender, test_count_number, std::to_string(seen));
        }, "test count");
        table.add_handler(test_flood_self_number, [this](ServerCore& server, Client& sender, const IncomingMessage&) {
            Room* room = sender.room();
            int room_number = room ? room->number() : -1;
            const std::string block(8000, 'f');
            for (int i = 0; i < 100000 && !sender.dropping(); ++i)
                server.send_data(sender, test_flood_self_number, block);
            std::scoped_lock lock(flood_.lock, leaving_.lock);
            flood_.done = true;
            flood_.dropping = sender.dropping();
            flood_.left_during_handler = leaving_.left.size();
            flood_.room_still_there = room && server.find_room(room_number) == room;
            flood_.still_a_member = room && sender.room() == room && room->member(sender.customer_id()) == &sender;
        }, "test flood");
        table.on_client_leaving([this](ServerCore&, Client& client) {
            std::lock_guard lock(leaving_.lock);
            leaving_.left.emplace_back(client.customer_id(), client.room() ? client.room()->number() : -1);
        });
        install_server_families(table);
        ServerConfig config;
        config.listen_port = 0;
        server_ = std::make_unique<ServerCore>(config, std::move(table));
        ASSERT_EQ(server_->start(), 0);
        thread_ = std::thread([this] { server_->run(); });
    }

    void TearDown() override
    {
        peers_.clear();
        server_->stop();
        thread_.join();
        set_server_log_tap({});
    }

    std::string log_text()
    {
        server_log_flush(2000);
        std::lock_guard lock(log_lock_);
        return log_;
    }

    // Waits for the answer to a repeated 80: whatever the server queued
    // for this peer before has arrived by then.
    void in_step(HeadlessPeer& p)
    {
        size_t before = p.count(MSG_HELLO_MAIN);
        ASSERT_EQ(p.send(PeerChannel::main, MSG_HELLO_MAIN), 0);
        ASSERT_TRUE(p.await_count(MSG_HELLO_MAIN, before + 1));
    }

    HeadlessPeer& peer_in(const std::string& room)
    {
        peers_.push_back(std::make_unique<HeadlessPeer>("peer " + std::to_string(peers_.size())));
        HeadlessPeer& peer = *peers_.back();
        EXPECT_EQ(peer.connect("127.0.0.1", server_->port(), true), 0);
        EXPECT_GT(peer.join_room(room), 0);
        return peer;
    }

    TempHome home_;
    std::unique_ptr<ServerCore> server_;
    std::thread thread_;
    std::vector<std::unique_ptr<HeadlessPeer>> peers_;
    LeavingRecord leaving_;
    FloodSeen flood_;
    std::mutex log_lock_;
    std::string log_;
};

auto from_sender_with(int number, int field2)
{
    return [number, field2](const ArrivedMessage& m) { return m.head.number == number && m.head.address == field2; };
}

TEST_F(RelayCore, WholeRoomKindReachesTheSenderTooAndKeepsTheBoardIndex)
{
    HeadlessPeer& drawer = peer_in("a");
    HeadlessPeer& viewer = peer_in("a");
    HeadlessPeer& stranger = peer_in("b");
    std::string action(44, 'x');
    ASSERT_EQ(drawer.send(PeerChannel::main, MSG_BOARD_POINT, 3, action), 0);

    for (HeadlessPeer* member : { &drawer, &viewer }) {
        auto got = member->await(from_sender_with(MSG_BOARD_POINT, 3));
        ASSERT_TRUE(got);
        EXPECT_EQ(got->body, action);
    }
    // The stranger's own echo comes after anything the server queued for it before.
    ASSERT_EQ(stranger.send(PeerChannel::main, MSG_BOARD_POINT, 7, "mark"), 0);
    ASSERT_TRUE(stranger.await(from_sender_with(MSG_BOARD_POINT, 7)));
    EXPECT_EQ(stranger.count(MSG_BOARD_POINT), 1u);
}

TEST_F(RelayCore, RoomOthersKindIgnoresField2AndNeverCrossesRooms)
{
    HeadlessPeer& talker = peer_in("a");
    HeadlessPeer& listener = peer_in("a");
    HeadlessPeer& stranger = peer_in("b");
    ASSERT_EQ(talker.send(PeerChannel::main, MSG_CHAT_TEXT, stranger.customer_id(), "hello"), 0);

    auto got = listener.await(from_sender_with(MSG_CHAT_TEXT, talker.customer_id()));
    ASSERT_TRUE(got);
    EXPECT_EQ(got->body, "hello");
    ASSERT_EQ(stranger.send(PeerChannel::main, MSG_BOARD_POINT, 1, "mark"), 0);
    ASSERT_TRUE(stranger.await_number(MSG_BOARD_POINT));
    EXPECT_EQ(stranger.count(MSG_CHAT_TEXT), 0u);
    ASSERT_EQ(talker.send(PeerChannel::main, MSG_BOARD_POINT, 1, "mark"), 0);
    ASSERT_TRUE(talker.await_number(MSG_BOARD_POINT));
    EXPECT_EQ(talker.count(MSG_CHAT_TEXT), 0u);
}

TEST_F(RelayCore, Field2AddressesTheRoomOrOneMemberAndIsRewrittenToTheSender)
{
    HeadlessPeer& sender = peer_in("alpha");
    HeadlessPeer& one = peer_in("alpha");
    HeadlessPeer& two = peer_in("alpha");
    HeadlessPeer& stranger = peer_in("beta");

    // 999: every other member of the sender's room.
    ASSERT_EQ(sender.send(PeerChannel::main, test_addressed_number, wire_to_all, "to all"), 0);
    // An id: that member only.
    ASSERT_EQ(sender.send(PeerChannel::main, test_addressed_number, two.customer_id(), "to two"), 0);
    // A member of another room: dropped and logged.
    ASSERT_EQ(sender.send(PeerChannel::main, test_addressed_number, stranger.customer_id(), "to the stranger"), 0);
    // Alone in its room: 999 reaches nobody.
    ASSERT_EQ(stranger.send(PeerChannel::main, test_addressed_number, wire_to_all, "alone"), 0);
    in_step(sender);
    in_step(stranger);
    for (HeadlessPeer* p : { &sender, &one, &two, &stranger })
        in_step(*p);

    for (HeadlessPeer* member : { &one, &two }) {
        auto got = member->await_number(test_addressed_number, 0);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->head.address, sender.customer_id());
        EXPECT_EQ(got->body, "to all");
    }
    EXPECT_EQ(one.count(test_addressed_number), 1u);
    EXPECT_EQ(two.count(test_addressed_number), 2u);
    EXPECT_TRUE(two.await([](const ArrivedMessage& m) { return m.head.number == test_addressed_number && m.body == "to two"; }, 0));
    EXPECT_EQ(sender.count(test_addressed_number), 0u);
    EXPECT_EQ(stranger.count(test_addressed_number), 0u);
    EXPECT_NE(log_text().find("message 9002 to " + std::to_string(stranger.customer_id()) + " dropped: no such member in room"),
              std::string::npos);
}

TEST_F(RelayCore, FamilyStateIsKeptPerClient)
{
    HeadlessPeer& one = peer_in("a");
    HeadlessPeer& two = peer_in("a");
    for (int i = 0; i < 3; ++i)
        one.send(PeerChannel::main, test_count_number);
    two.send(PeerChannel::main, test_count_number);
    ASSERT_TRUE(one.await([](const ArrivedMessage& m) { return m.head.number == test_count_number && m.body == "3"; }));
    ASSERT_TRUE(two.await_number(test_count_number));
    EXPECT_EQ(two.arrived().back().body, "1");
}

TEST_F(RelayCore, LeavingEventSeesTheRoomBeforeTheClientLeavesIt)
{
    peer_in("a");
    HeadlessPeer& goes = peer_in("a");
    int gone_id = goes.customer_id();
    goes.close();
    // Once the server has processed the close, a message to the gone id finds nobody.
    for (int tries = 0; tries < 200; ++tries) {
        {
            std::lock_guard lock(leaving_.lock);
            if (!leaving_.left.empty())
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard lock(leaving_.lock);
    ASSERT_EQ(leaving_.left.size(), 1u);
    EXPECT_EQ(leaving_.left[0].first, gone_id);
    EXPECT_GT(leaving_.left[0].second, 0);
}

TEST_F(RelayCore, ClientDroppedInsideAHandlerLeavesOnlyAfterTheHandlerReturns)
{
    // Alone in a room it made: leaving closes the room and frees its state,
    // which the handler still holds.
    HeadlessPeer& asker = peer_in("own room");
    asker.set_listener([](const ArrivedMessage& m) { return m.head.number != test_flood_self_number; });
    ASSERT_EQ(asker.send(PeerChannel::main, test_flood_self_number), 0);
    EXPECT_TRUE(asker.await_closed(PeerChannel::main));
    // The connection closes while the handler still runs.
    for (int tries = 0; tries < 500; ++tries) {
        std::scoped_lock lock(flood_.lock, leaving_.lock);
        if (flood_.done && !leaving_.left.empty())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::scoped_lock lock(flood_.lock, leaving_.lock);
    ASSERT_TRUE(flood_.done);
    EXPECT_TRUE(flood_.dropping);
    EXPECT_EQ(flood_.left_during_handler, 0u);
    EXPECT_TRUE(flood_.room_still_there);
    EXPECT_TRUE(flood_.still_a_member);
    ASSERT_EQ(leaving_.left.size(), 1u);
    EXPECT_EQ(leaving_.left[0].first, asker.customer_id());
    EXPECT_GT(leaving_.left[0].second, 0);
}

// Listening on every IPv6 address, the server sees its IPv4 clients as
// IPv4-mapped addresses; the peer-link address it hands out stays dotted.
TEST(DualStackServer, PeerLinkAddressOfAnIPv4ClientIsDotted)
{
    TempHome home;
    MessageTable table;
    install_server_families(table);
    ServerConfig config;
    config.listen_host = "::";
    config.listen_port = 0;
    ServerCore server(config, std::move(table));
    if (server.start() != 0)
        GTEST_SKIP() << "no IPv6 here";
    std::thread thread([&server] { server.run(); });
    {
        HeadlessPeer asker("asker");
        HeadlessPeer partner("partner");
        for (HeadlessPeer* p : { &asker, &partner }) {
            ASSERT_EQ(p->connect("127.0.0.1", server.port(), true), 0);
            ASSERT_GT(p->join_room("r"), 0);
        }
        // Each names the other with 85: the one who answered links to the asker.
        ASSERT_EQ(asker.send(PeerChannel::main, MSG_PRIVATE_VOICE_85, partner.customer_id()), 0);
        ASSERT_TRUE(partner.await_number(MSG_PRIVATE_VOICE_85));
        ASSERT_EQ(partner.send(PeerChannel::main, MSG_PRIVATE_VOICE_85, asker.customer_id()), 0);
        auto open = partner.await_number(MSG_PEER_OPEN);
        ASSERT_TRUE(open);
        EXPECT_EQ(open->head.address, asker.customer_id());
        EXPECT_EQ(open->body.rfind("127.0.0.1", 0), 0u) << open->body;
    }
    server.stop();
    thread.join();
}

} // namespace
