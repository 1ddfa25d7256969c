#include "core/connections.h"
#include "core/global_state.h"
#include "core/lan_multicast.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "tests/core/loopback.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <future>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

bool in_private_network() { return std::getenv("TAMBLO_NETNS") && std::string(std::getenv("TAMBLO_NETNS")) == "1"; }

std::string datagram(const char* head, const std::string& body) { return std::string(head) + body; }

void reset_election()
{
    g_master_idle_count = 0;
    g_master_electing = 0;
    g_master_electing_count = 0;
    g_is_multicast_master = 0;
}

struct RoomGuard {
    explicit RoomGuard(int room) { g_room_number = room; }
    ~RoomGuard()
    {
        g_room_number = -1;
        reset_election();
    }
};

int32_t le_address(const char* dotted)
{
    in_addr a {};
    ::inet_pton(AF_INET, dotted, &a);
    const auto* b = reinterpret_cast<const uint8_t*>(&a.s_addr);
    return static_cast<int32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t(b[3]) << 24));
}

} // namespace

TEST(MulticastFilter, TakesOnlyWellFormedDatagramsOfTheOwnRoom)
{
    std::string body_12(12, 'x');
    std::string big_body(10000, 'y');
    struct Case {
        const char* name;
        std::string data;
        int room;
        bool want;
        int want_len;
    } cases[] = {
        { "own room", datagram("   6:   0: 981:  12:", body_12), 6, true, 12 },
        { "other room", datagram("   5:   0: 981:  12:", body_12), 6, false, 0 },
        { "in no room", datagram("   5:   0: 981:  12:", body_12), -1, false, 0 },
        { "minus in head", datagram("   6:  -1: 981:  12:", body_12), 6, false, 0 },
        { "negative room", datagram("  -6:   0: 981:  12:", body_12), -6, false, 0 },
        { "letter in head", datagram("   6:   0: 98a:  12:", body_12), 6, false, 0 },
        { "colon missing", datagram("   6:   0  981:  12:", body_12), 6, false, 0 },
        { "blank field", datagram("   6:    : 981:  12:", body_12), 6, false, 0 },
        { "shorter than a head", "   6:   0: 981:  1", 6, false, 0 },
        { "length wider than its field", datagram("   6:   0: 215:12000:", big_body), 6, false, 0 },
        { "largest length", datagram("   6:   0: 215:9999:", big_body), 6, true, 9999 },
        { "body shorter than its length", datagram("   6:   0: 981:  12:", "short"), 6, false, 0 },
        { "empty body", datagram("   6:   0: 981:   0:", ""), 6, true, 0 },
    };
    for (const Case& c : cases) {
        WireHead head {};
        int body_len = -1;
        EXPECT_EQ(multicast_datagram_accepted(c.data.data(), static_cast<int>(c.data.size()), c.room, head, body_len), c.want) << c.name;
        if (c.want) {
            EXPECT_EQ(body_len, c.want_len) << c.name;
            EXPECT_EQ(head.spare, c.room) << c.name;
        }
    }
}

TEST(MulticastElection, OutsideARoomNothingIsSentAndTheCountersStayZero)
{
    reset_election();
    g_room_number = -1;
    int sent = 0;
    g_master_idle_count = 7;
    g_is_multicast_master = 1;
    for (int i = 0; i < 30; ++i)
        multicast_master_step([&](int) { return ++sent; });
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(g_master_idle_count.load(), 0);
    EXPECT_EQ(g_master_electing.load(), 0);
    EXPECT_EQ(g_master_electing_count.load(), 0);
    EXPECT_EQ(g_is_multicast_master.load(), 0);
}

TEST(MulticastElection, CandidateAfterElevenQuietStepsMasterFromTheSixthElectingStep)
{
    reset_election();
    RoomGuard room(6);
    std::vector<int> sent;
    auto step = [&] { multicast_master_step([&](int number) { sent.push_back(number); return 32; }); };
    for (int i = 0; i < 10; ++i)
        step();
    EXPECT_EQ(g_master_electing.load(), 0);
    EXPECT_TRUE(sent.empty());
    step();  // the 11th quiet step
    EXPECT_EQ(g_master_electing.load(), 1);
    EXPECT_EQ(g_master_idle_count.load(), 0);
    for (int i = 0; i < 5; ++i)
        step();
    EXPECT_EQ(sent, std::vector<int>(5, MSG_MASTER_ELECTING));
    EXPECT_EQ(g_is_multicast_master.load(), 0);
    step();
    EXPECT_EQ(g_is_multicast_master.load(), 1);
    EXPECT_EQ(g_master_electing.load(), 0);
    sent.clear();
    for (int i = 0; i < 3; ++i)
        step();
    EXPECT_EQ(sent, std::vector<int>(3, MSG_MASTER_STABLE));
}

TEST(MulticastElection, HigherAddressesAndOtherMastersSendBackToIdle)
{
    const int32_t low = le_address("127.0.0.5");
    const int32_t high = le_address("127.0.0.200");  // negative as a signed number
    ASSERT_LT(high, 0);
    auto electing_state = [] {
        g_master_idle_count = 3;
        g_master_electing = 1;
        g_master_electing_count = 2;
        g_is_multicast_master = 1;
    };
    auto cleared = [] {
        return g_master_idle_count == 0 && g_master_electing == 0 && g_master_electing_count == 0 && g_is_multicast_master == 0;
    };
    const uint16_t own_port = g_multicast_send_sock.local_port();
    struct Case {
        const char* name;
        int32_t own;
        int number;
        MulticastSender from;
        bool want_cleared;
    } cases[] = {
        { "980 from higher (unsigned)", low, MSG_MASTER_ELECTING, { high, 4000 }, true },
        { "980 from lower", high, MSG_MASTER_ELECTING, { low, 4000 }, false },
        { "981 from another master", high, MSG_MASTER_STABLE, { low, 4000 }, true },
        { "980 same machine, higher port", low, MSG_MASTER_ELECTING, { low, static_cast<uint16_t>(own_port + 1) }, true },
        { "981 same machine, other client", low, MSG_MASTER_STABLE, { low, static_cast<uint16_t>(own_port + 1) }, true },
    };
    for (const Case& c : cases) {
        g_my_ip_address = c.own;
        electing_state();
        if (c.number == MSG_MASTER_ELECTING)
            do_master_electing_from_multicast(c.from);
        else
            do_master_stable_from_multicast(c.from);
        EXPECT_EQ(cleared(), c.want_cleared) << c.name;
    }
    reset_election();
    g_my_ip_address = 0;
}

TEST(MulticastAddress, OwnAddressIsTheMainConnectionsLocalAddress)
{
    TempHome home;
    int32_t before = get_my_ip_address();
    if (in_private_network()) {
        EXPECT_EQ(before, 0);  // only loopback in the namespace
    }
    LoopbackListener listener;
    g_main_sock.host.set("127.0.0.1");
    g_main_sock.port = listener.port();
    ASSERT_EQ(g_main_sock.connect_server(), 0);
    EXPECT_EQ(get_my_ip_address(), 0x0100007f);
    in_addr lo {};
    ::inet_pton(AF_INET, "127.0.0.1", &lo);
    EXPECT_EQ(multicast_interface_address(), lo.s_addr);
    g_main_sock.close_socket();
    EXPECT_EQ(get_my_ip_address(), before);
}

TEST(MulticastSockets, BadLengthsAreRefused)
{
    ScriptedMessageBoxes boxes;
    Cwf_multicast_recv_socket recv_sock;
    char buffer[16] = {};
    EXPECT_EQ(recv_sock.my_recv(buffer, 0), -1);
    Cwf_multicast_send_socket send_sock;
    EXPECT_EQ(send_sock.my_send("x", 1), -1);  // no socket
    send_sock.set_group(multicast_group_address, multicast_group_port);
    ASSERT_EQ(send_sock.do_open(), 0);
    EXPECT_NE(send_sock.local_port(), 0);
    EXPECT_EQ(send_sock.my_send("x", 0), -1);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "recv max_len<=0 at Cwf_multicast_recv_socket::my_recv!",
                                                         "send len<=0 at Cwf_multicast_send_socket::my_send!" }));
    g_room_number = -1;
    EXPECT_EQ(send_multicast_cmd("abc", 3, 981, 0), -1);
}

// Closing from another thread wakes a receive waiting on the socket, so the
// waiter never goes on with a descriptor number a new socket may reuse.
TEST(MulticastSockets, CloseWakesAReceiveWaitingOnTheSocket)
{
    ScriptedMessageBoxes boxes;
    // A port of its own: the group's port hears the other tests' elections.
    const uint16_t port = unused_loopback_port();
    Cwf_multicast_recv_socket recv_sock;
    recv_sock.set_group(multicast_group_address, port);
    ASSERT_EQ(recv_sock.do_open(), 0);
    std::promise<int> received;
    std::future<int> result = received.get_future();
    std::thread waiter([&] {
        char buffer[64] = {};
        received.set_value(recv_sock.my_recv(buffer, sizeof buffer));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    recv_sock.close();
    bool woke = result.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    if (!woke) {
        // Unblock it for the test to end: a datagram to the port.
        int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
        ::sendto(fd, "x", 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        ::close(fd);
    }
    waiter.join();
    ASSERT_TRUE(woke) << "the receive went on waiting on a closed socket";
    EXPECT_EQ(result.get(), -1);
}

TEST(MulticastSockets, ARoomCommandCrossesTheGroupOnLoopback)
{
    if (!in_private_network())
        GTEST_SKIP() << "multicast runs only inside the private network namespace of make test";
    TempHome home;
    LoopbackListener listener;
    g_main_sock.host.set("127.0.0.1");
    g_main_sock.port = listener.port();
    ASSERT_EQ(g_main_sock.connect_server(), 0);
    RoomGuard room(31);
    // Two receivers on one machine share the port.
    Cwf_multicast_recv_socket first, second;
    for (Cwf_multicast_recv_socket* r : { &first, &second }) {
        r->set_group(multicast_group_address, multicast_group_port);
        ASSERT_EQ(r->do_open(), 0);
        in_addr lo {};
        ::inet_pton(AF_INET, "127.0.0.1", &lo);
        EXPECT_EQ(r->joined_interface(), lo.s_addr);
    }
    std::string body = "tile bytes 0123456789";
    ASSERT_EQ(send_multicast_cmd(body.data(), static_cast<int>(body.size()), 215, 257), static_cast<int>(20 + body.size()));
    for (Cwf_multicast_recv_socket* r : { &first, &second }) {
        bool taken = false;
        for (int tries = 0; tries < 20 && !taken; ++tries) {
            ASSERT_EQ(r->wait_readable(2000), 1);
            char buffer[multicast_recv_buffer_len] = {};
            uint16_t port = 0;
            int got = r->my_recv(buffer, multicast_recv_max, nullptr, &port);
            WireHead head {};
            int body_len = 0;
            // Other tests of this run may use the group in their own rooms.
            if (!multicast_datagram_accepted(buffer, got, 31, head, body_len))
                continue;
            taken = true;
            EXPECT_EQ(ntohs(port), g_multicast_send_sock.local_port());
            EXPECT_EQ(head.address, 257);
            EXPECT_EQ(head.number, 215);
            ASSERT_EQ(body_len, static_cast<int>(body.size()));
            EXPECT_NE(std::string(buffer + 20, body.size()), body);  // scrambled on the wire
            scramble_message_body(buffer + 20, body_len);
            EXPECT_EQ(std::string(buffer + 20, body.size()), body);
        }
        EXPECT_TRUE(taken);
    }
    g_main_sock.close_socket();
}

// Several clients on one machine, each its own process with its own main
// connection, elect over the real group and port.
TEST(MulticastElection, ClientsInOneRoomElectExactlyOneMasterAndKeepIt)
{
    if (!in_private_network())
        GTEST_SKIP() << "multicast runs only inside the private network namespace of make test";
    TempHome home;
    LoopbackListener server;
    // Steps long enough that a client descheduled on a busy machine is not
    // taken for gone (a master is given up after 10 silent steps).
    const int step_ms = 100;
    const int steps = 75;
    struct Peer {
        int room;
        std::string out;
        std::unique_ptr<ChildProcess> process;
    };
    std::vector<Peer> peers;
    for (int room : { 41, 41, 41, 42 }) {
        Peer p { room, home.root() + "/peer" + std::to_string(peers.size()) + ".txt", nullptr };
        p.process = std::make_unique<ChildProcess>(std::vector<std::string> {
            TAMBLO_LAN_PEER, std::to_string(room), std::to_string(step_ms), std::to_string(steps), std::to_string(server.port()), p.out });
        ASSERT_TRUE(p.process->started());
        peers.push_back(std::move(p));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(step_ms * steps + 3000));
    // Each peer wrote one line per step: "<master flag> <own send port>".
    std::vector<std::vector<int>> flags(peers.size());
    for (size_t i = 0; i < peers.size(); ++i) {
        std::istringstream lines(read_file(peers[i].out));
        int master = 0, port = 0;
        while (lines >> master >> port)
            flags[i].push_back(master);
        ASSERT_GE(flags[i].size(), static_cast<size_t>(steps)) << "peer " << i << " stopped early";
    }
    // Over the last 40 steps (well after the 17 an election takes) exactly one
    // client of room 41 is master, always the same one; room 42 has its own.
    int masters_41 = 0;
    for (size_t i = 0; i < 3; ++i) {
        std::vector<int> tail(flags[i].end() - 40, flags[i].end());
        bool always = std::all_of(tail.begin(), tail.end(), [](int f) { return f == 1; });
        bool never = std::all_of(tail.begin(), tail.end(), [](int f) { return f == 0; });
        EXPECT_TRUE(always || never) << "peer " << i << " changed its role late";
        masters_41 += always ? 1 : 0;
    }
    EXPECT_EQ(masters_41, 1);
    EXPECT_EQ(flags[3].back(), 1);
}

// The program's own receive loop: it joins once the main connection exists
// and again after a reconnect, and hands election messages to their handlers.
TEST(MulticastReceiveLoop, JoinsOnceConnectedAndAgainAfterAReconnect)
{
    if (!in_private_network())
        GTEST_SKIP() << "multicast runs only inside the private network namespace of make test";
    TempHome home;
    LoopbackListener server;
    ASSERT_TRUE(start_multicast_recv_thread());
    for (int waited_ms = 0; waited_ms < 3000 && g_multicast_recv_sock.open == 0; waited_ms += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(g_multicast_recv_sock.open.load(), 1);
    EXPECT_EQ(g_multicast_recv_sock.joined_interface(), 0u);  // no main connection yet

    RoomGuard room(51);
    in_addr lo {};
    ::inet_pton(AF_INET, "127.0.0.1", &lo);
    // Another master of the room announces itself from a higher address; the
    // loop must take it and send this client back to idle.
    auto heard_other_master = [&] {
        g_my_ip_address = le_address("127.0.0.1");
        g_is_multicast_master = 1;
        std::string body = format_text("%12d", le_address("127.0.0.9"));
        for (int tries = 0; tries < 100 && g_is_multicast_master == 1; ++tries) {
            send_multicast_cmd(body.data(), 12, MSG_MASTER_STABLE, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return g_is_multicast_master == 0;
    };
    for (int round = 0; round < 2; ++round) {
        g_main_sock.host.set("127.0.0.1");
        g_main_sock.port = server.port();
        ASSERT_EQ(g_main_sock.connect_server(), 0);
        for (int waited_ms = 0; waited_ms < 3000 && g_multicast_recv_sock.joined_interface() != lo.s_addr; waited_ms += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(g_multicast_recv_sock.joined_interface(), lo.s_addr) << round;
        EXPECT_TRUE(heard_other_master()) << round;
        g_main_sock.close_socket();
        // Give the loop time to see the connection gone before the next round.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
}
