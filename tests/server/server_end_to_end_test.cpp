// The real tamblo-server process with headless peers on loopback.

#include "core/messages.h"
#include "core/text_util.h"
#include "core/wire_head.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Writes all of bytes unless the peer stops taking them for wait_ms.
bool write_within(int fd, const std::string& bytes, int wait_ms)
{
    size_t done = 0;
    while (done < bytes.size()) {
        pollfd p { fd, POLLOUT, 0 };
        if (::poll(&p, 1, wait_ms) <= 0)
            return false;
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        done += n > 0 ? static_cast<size_t>(n) : 0;
    }
    return true;
}

// A plain descriptor for what a well-behaved peer never does.
class RawConnection {
public:
    // source: the local loopback address to connect from (another machine on the same server).
    RawConnection(uint16_t port, int receive_buffer_bytes = 0, const char* source = nullptr)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receive_buffer_bytes > 0)
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer_bytes, sizeof receive_buffer_bytes);
        if (source) {
            sockaddr_in from {};
            from.sin_family = AF_INET;
            ::inet_pton(AF_INET, source, &from.sin_addr);
            ::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from);
        }
        sockaddr_in at {};
        at.sin_family = AF_INET;
        at.sin_port = htons(port);
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
    }
    ~RawConnection() { ::close(fd_); }
    bool connected() const { return connected_; }
    bool write(const std::string& bytes) { return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size()); }
    // Reads and discards until the server closes the connection; false after wait_ms.
    bool await_closed(int wait_ms = 5000)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
        char sink[4096];
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p { fd_, POLLIN, 0 };
            if (::poll(&p, 1, 20) > 0 && ::recv(fd_, sink, sizeof sink, 0) <= 0)
                return true;
        }
        return false;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

size_t occurrences_in(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::string message(int field2, int number, const std::string& body = {})
{
    std::string wire = format_wire_head(WireHead { 0, field2, number, static_cast<int>(body.size()) }) + body;
    scramble_message_body(wire.data() + wire_head_len, static_cast<int>(body.size()));
    return wire;
}

class ServerEndToEnd : public ::testing::Test {
protected:
    void start(std::vector<std::string> args = {}) { server_ = std::make_unique<ServerProcess>(std::move(args)); }

    HeadlessPeer& peer(bool main_only = false)
    {
        peers_.push_back(std::make_unique<HeadlessPeer>("peer " + std::to_string(peers_.size())));
        EXPECT_EQ(peers_.back()->connect("127.0.0.1", server_->port(), main_only), 0);
        return *peers_.back();
    }
    HeadlessPeer& peer_in(const std::string& room)
    {
        HeadlessPeer& p = peer(true);
        EXPECT_GT(p.join_room(room), 0);
        return p;
    }

    void TearDown() override
    {
        peers_.clear();
        if (server_)
            server_->stop();
    }

    // to shares a window and lets others steer; from steers it. Remote input
    // passes only that way.
    void steer(HeadlessPeer& from, HeadlessPeer& to)
    {
        from.send(PeerChannel::main, MSG_SHARE_APP_STOP, from.customer_id());
        in_step(from);
        to.clear();
        to.send(PeerChannel::main, MSG_SHARE_APP_ALLOW_CONTROL, to.customer_id());
        to.send(PeerChannel::main, MSG_SHARE_APP_START, to.customer_id());
        ASSERT_TRUE(to.await_number(MSG_202));
        from.clear();
        from.send(PeerChannel::main, MSG_REQUEST_APP_CONTROL, to.customer_id());
        ASSERT_TRUE(from.await_number(MSG_APP_CONTROL_ALLOWED));
    }

    // A relayed remote-mouse message from one member to the share it steers
    // still arrives: the server survived and routes.
    void expect_relay_works(HeadlessPeer& from, HeadlessPeer& to)
    {
        steer(from, to);
        to.clear();
        ASSERT_EQ(from.send(PeerChannel::main, MSG_REMOTE_APP_MOUSE_MOVE, to.customer_id(), "  10:  20"), 0);
        auto got = to.await_number(MSG_REMOTE_APP_MOUSE_MOVE);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->head.address, from.customer_id());
    }

    // Waits for the answer to a repeated 80: whatever the server queued
    // for this peer before has arrived by then.
    void in_step(HeadlessPeer& p)
    {
        size_t before = p.count(MSG_HELLO_MAIN);
        ASSERT_EQ(p.send(PeerChannel::main, MSG_HELLO_MAIN), 0);
        ASSERT_TRUE(p.await_count(MSG_HELLO_MAIN, before + 1));
    }

    TempHome home_;
    std::unique_ptr<ServerProcess> server_;
    std::vector<std::unique_ptr<HeadlessPeer>> peers_;
};

TEST_F(ServerEndToEnd, NewClientGetsItsIdTheGreetingAndEachQueryOnce)
{
    start({ "--greeting", "Hello from the test." });
    HeadlessPeer& p = peer();
    EXPECT_GE(p.customer_id(), 1000);
    EXPECT_LE(p.customer_id(), 9999);
    auto hello = p.await_number(MSG_SERVER_HELLO);
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->body, "Hello from the test.");
    ASSERT_TRUE(p.await_number(MSG_QUERY_645));
    for (int query : { MSG_QUERY_621, MSG_QUERY_627, MSG_QUERY_635, MSG_QUERY_645 })
        EXPECT_EQ(p.count(query), 1u) << query;
    for (int answer : { MSG_ANSWER_622, MSG_ANSWER_628, MSG_ANSWER_636, MSG_ANSWER_646 })
        EXPECT_TRUE(server_->wait_for_log("client " + std::to_string(p.customer_id()) + ": answer " + std::to_string(answer)));
    std::string id = std::to_string(p.customer_id());
    for (const char* channel : { "app", "voice", "file" })
        EXPECT_TRUE(server_->wait_for_log("client " + id + ": " + channel + " connection from 127.0.0.1")) << channel;
}

TEST_F(ServerEndToEnd, KeepAliveIsAcceptedOnEveryConnection)
{
    start();
    HeadlessPeer& a = peer();
    HeadlessPeer& b = peer();
    a.join_room("r");
    b.join_room("r");
    for (PeerChannel channel : { PeerChannel::main, PeerChannel::app, PeerChannel::voice, PeerChannel::file })
        ASSERT_EQ(a.send(channel, MSG_KEEP_ALIVE), 0);
    expect_relay_works(a, b);
    for (PeerChannel channel : { PeerChannel::main, PeerChannel::app, PeerChannel::voice, PeerChannel::file })
        EXPECT_TRUE(a.is_open(channel));
    EXPECT_EQ(server_->log_text().find("message 1000"), std::string::npos);
}

TEST_F(ServerEndToEnd, RelaysNoBodyLongerThanAClientCanTake)
{
    start();
    HeadlessPeer& sender = peer_in("r");
    HeadlessPeer& receiver = peer_in("r");
    steer(sender, receiver);
    receiver.clear();
    ASSERT_EQ(sender.send(PeerChannel::main, MSG_REMOTE_APP_MOUSE_MOVE, wire_to_all, std::string(8173, 'o')), 0);
    ASSERT_EQ(sender.send(PeerChannel::main, MSG_REMOTE_APP_MOUSE_MOVE, wire_to_all, std::string(8172, 'f')), 0);
    auto got = receiver.await_number(MSG_REMOTE_APP_MOUSE_MOVE);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->body, std::string(8172, 'f'));
    EXPECT_TRUE(server_->wait_for_log("message 62 of 8173 bytes dropped: longer than a client can take"));
    in_step(receiver);
    EXPECT_EQ(receiver.count(MSG_REMOTE_APP_MOUSE_MOVE), 1u);
}

TEST_F(ServerEndToEnd, ClientOutsideAnyRoomRelaysNothing)
{
    start();
    HeadlessPeer& roomless = peer(true);
    HeadlessPeer& member = peer_in("r");
    ASSERT_EQ(roomless.send(PeerChannel::main, MSG_REMOTE_APP_MOUSE_MOVE, member.customer_id(), "   1:   1"), 0);
    EXPECT_TRUE(server_->wait_for_log("message 62 dropped: the sender is in no room"));
    EXPECT_EQ(member.count(MSG_REMOTE_APP_MOUSE_MOVE), 0u);
}

struct VoiceCase {
    int number;
    bool is_private;
};

TEST_F(ServerEndToEnd, RoomTalkReachesTheOthersAndPrivateVoiceOnlyThePartner)
{
    start();
    HeadlessPeer& talker = peer();
    HeadlessPeer& partner = peer();
    HeadlessPeer& third = peer();
    for (HeadlessPeer* p : { &talker, &partner, &third })
        ASSERT_GT(p->join_room("r"), 0);
    const VoiceCase cases[] = {
        { MSG_TALK_LPC10, false }, { MSG_TALK_LPC10_B, true }, { MSG_TALK_Z, false }, { MSG_TALK_Z_B, true },
        { MSG_TALK_SILENCE, false }, { MSG_TALK_SILENCE_B, true }, { MSG_TALK_DCT_Z, false }, { MSG_TALK_DCT_Z_B, true },
    };
    for (const VoiceCase& c : cases) {
        std::string body = c.number == MSG_TALK_SILENCE || c.number == MSG_TALK_SILENCE_B ? "" : "   2:block";
        ASSERT_EQ(talker.send(PeerChannel::voice, c.number, c.is_private ? partner.customer_id() : 0, body), 0);
        // Private voice named to the whole room reaches nobody.
        if (c.is_private) {
            ASSERT_EQ(talker.send(PeerChannel::voice, c.number, wire_to_all, body), 0);
        }
    }
    // A last public block marks the end: what was sent before it has been relayed by then.
    ASSERT_EQ(talker.send(PeerChannel::voice, MSG_TALK_SILENCE, 0), 0);
    for (HeadlessPeer* p : { &partner, &third })
        ASSERT_TRUE(p->await_count(MSG_TALK_SILENCE, 2));
    for (const VoiceCase& c : cases) {
        size_t public_copies = c.number == MSG_TALK_SILENCE ? 2u : 1u;
        EXPECT_EQ(partner.count(c.number), c.is_private ? 1u : public_copies) << c.number;
        EXPECT_EQ(third.count(c.number), c.is_private ? 0u : public_copies) << c.number;
        EXPECT_EQ(talker.count(c.number), 0u) << c.number;
        auto got = partner.await_number(c.number, 0);
        ASSERT_TRUE(got) << c.number;
        EXPECT_EQ(got->channel, PeerChannel::voice) << c.number;
        EXPECT_EQ(got->head.address, talker.customer_id()) << c.number;
    }
}

struct PoolCase {
    size_t text_len;
    int pool_size;
    const char* logged;
};

TEST_F(ServerEndToEnd, BoardTextsItsOwnPoolRefusesAreNotRelayed)
{
    start();
    HeadlessPeer& writer = peer_in("r");
    HeadlessPeer& viewer = peer_in("r");
    // Every client keeps the same pools as the server: a text the server has
    // no entry for has none on the clients either, and each would complain.
    const PoolCase cases[] = {
        { 400, 40, "long text pool" },
        { 1, 500, "short text pool" },
    };
    const std::string action(44, '\0');
    size_t relayed = 0;
    for (const PoolCase& c : cases) {
        for (int i = 0; i < c.pool_size + 5; ++i)
            ASSERT_EQ(writer.send(PeerChannel::main, MSG_BOARD_TEXT, 0, action + std::string(c.text_len, 't')), 0);
        relayed += static_cast<size_t>(c.pool_size);
        // A point drawn after the texts arrives after whatever of them was relayed.
        ASSERT_EQ(writer.send(PeerChannel::main, MSG_BOARD_POINT, 0, action), 0);
        for (HeadlessPeer* p : { &writer, &viewer }) {
            ASSERT_TRUE(p->await_count(MSG_BOARD_POINT, &c == cases ? 1 : 2)) << c.logged;
            EXPECT_EQ(p->count(MSG_BOARD_TEXT), relayed) << c.logged;
        }
        EXPECT_TRUE(server_->wait_for_log(c.logged));
        EXPECT_EQ(occurrences_in(server_->log_text(), c.logged), 1u) << c.logged;
    }
}

struct BadInput {
    const char* name;
    std::string bytes;   // sent after the client's 80 (or instead of it)
    bool after_hello;
    const char* logged;  // part of the server's log line
};

TEST_F(ServerEndToEnd, BadInputDropsOnlyThatClient)
{
    start();
    HeadlessPeer& a = peer_in("r");
    HeadlessPeer& b = peer_in("r");
    const BadInput cases[] = {
        { "colon missing", "   0;   0:  62:   0:", true, "malformed head at 4" },
        { "letters in a field", "   0:  ab:  62:   0:", true, "malformed head at 7" },
        { "empty field", "   0:    :  62:   0:", true, "malformed head at 8" },
        { "length too wide for its field", "   0:   0:  62:10000", true, "malformed head at 19" },
        { "negative length", "   0:   0:  62:  -5:", true, "negative body length -5" },
        { "body shorter than announced, then close", "   0:   0:  62: 100:short", true, "in the middle of a message" },
        { "identity before 80", message(0, MSG_CLIENT_IDENTITY, "127.0.0.1"), false, "message 84 before identification" },
        { "chat before 80", message(999, MSG_CHAT_TEXT, "hi"), false, "message 41 before identification" },
        { "voice with an unknown id", message(0, MSG_HELLO_VOICE, "  9876"), false, "identification 81 with unknown id \"  9876\"" },
        { "app with a malformed id", message(0, MSG_HELLO_APP, "12ab"), false, "identification 82 with unknown id \"12ab\"" },
        { "file with an empty id", message(0, MSG_HELLO_FILE), false, "identification 83 with unknown id \"\"" },
    };
    for (const BadInput& c : cases) {
        HeadlessPeer bad("bad");
        ASSERT_EQ(bad.open_only(PeerChannel::main, "127.0.0.1", server_->port()), 0) << c.name;
        if (c.after_hello) {
            bad.send(PeerChannel::main, MSG_HELLO_MAIN);
            ASSERT_TRUE(bad.await_number(MSG_HELLO_MAIN)) << c.name;
            bad.join_room("r");
        }
        ASSERT_EQ(bad.send_raw(PeerChannel::main, c.bytes), 0) << c.name;
        if (std::string(c.name).find("then close") != std::string::npos)
            ::shutdown(bad.socket(PeerChannel::main).m_sock.load(), SHUT_WR);
        EXPECT_TRUE(bad.await_closed(PeerChannel::main)) << c.name;
        EXPECT_TRUE(server_->wait_for_log(c.logged)) << c.name << "\n" << server_->log_text();
        expect_relay_works(a, b);
        EXPECT_EQ(b.count(MSG_REMOTE_APP_MOUSE_MOVE), 1u) << c.name;
    }
    EXPECT_TRUE(server_->running());
}

TEST_F(ServerEndToEnd, ClientThatDoesNotReadIsDropped)
{
    start({ "--send-queue-kib", "256" });
    HeadlessPeer& sender = peer_in("r");
    HeadlessPeer& reader = peer_in("r");
    const std::string body(1000, 'z');
    RawConnection sleeper(server_->port(), 4096);
    ASSERT_TRUE(sleeper.connected());
    // Room 1 is the open "Lobby" of a server without a configuration; "r" is
    // room 2. The sleeper shares a window that the sender steers, so the
    // sender's input goes to it.
    ASSERT_TRUE(sleeper.write(message(0, MSG_HELLO_MAIN) + message(0, MSG_LOGIN, "sleeper:") + message(0, MSG_ROOM_JOIN, "r:")
                              + message(1002, MSG_SHARE_APP_ALLOW_CONTROL) + message(1002, MSG_SHARE_APP_START)));
    ASSERT_TRUE(server_->wait_for_log("client 1002 joined room 2"));
    ASSERT_TRUE(server_->wait_for_log("share: 1002 shares an application in room 2"));
    sender.send(PeerChannel::main, MSG_REQUEST_APP_CONTROL, 1002);
    ASSERT_TRUE(sender.await_number(MSG_APP_CONTROL_ALLOWED));

    // The sender waits for the server every 100 messages; the sleeper never
    // reads, so its queue grows past the bound. Filled with one member's
    // messages, a queue is held for a while before its reader is judged, so
    // the sender goes on until then.
    bool dropped = false;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until && !dropped) {
        for (int i = 0; i < 100; ++i)
            sender.send(PeerChannel::main, MSG_REMOTE_APP_MOUSE_MOVE, 1002, body);
        in_step(sender);
        dropped = server_->log_text().find("client 1002 dropped") != std::string::npos;
    }
    EXPECT_TRUE(dropped);
    EXPECT_TRUE(server_->wait_for_log("client 1002 dropped: its main send queue is full"));
    EXPECT_TRUE(server_->wait_for_log("it does not read"));
    expect_relay_works(sender, reader);
    std::string log = server_->log_text();
    EXPECT_EQ(log.find("dropped:"), log.rfind("dropped:")) << log;
}

TEST_F(ServerEndToEnd, MemberWhoFloodsIsDroppedNotTheSlowReaders)
{
    start({ "--send-queue-kib", "256" });
    HeadlessPeer& flooder = peer_in("r");
    HeadlessPeer& slow_one = peer_in("r");
    HeadlessPeer& slow_two = peer_in("r");
    // Well-behaved readers on a slow line: every message is read, a little late.
    std::atomic<int> read_by_slow { 0 };
    for (HeadlessPeer* p : { &slow_one, &slow_two }) {
        p->set_listener([&read_by_slow](const ArrivedMessage& m) {
            if (m.head.number != MSG_REMOTE_APP_MOUSE_MOVE || m.body.size() != 1000)
                return true;
            if (++read_by_slow % 20 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return false;
        });
    }
    // Far faster than it reads: some megabytes at once, to the share it steers.
    steer(flooder, slow_one);
    std::string flood;
    for (int i = 0; i < 1000; ++i)
        flood += message(wire_to_all, MSG_REMOTE_APP_MOUSE_MOVE, std::string(1000, 'z'));
    int fd = flooder.socket(PeerChannel::main).m_sock.load();
    std::string flooder_id = std::to_string(flooder.customer_id());
    for (int round = 0; round < 40 && server_->log_text().find("client " + flooder_id + " dropped") == std::string::npos; ++round)
        write_within(fd, flood, 1000);
    EXPECT_TRUE(server_->wait_for_log("client " + flooder_id + " dropped: it sends faster than client"));
    EXPECT_TRUE(flooder.await_closed(PeerChannel::main));
    for (HeadlessPeer* p : { &slow_one, &slow_two }) {
        EXPECT_TRUE(p->is_open(PeerChannel::main));
        EXPECT_EQ(server_->log_text().find("client " + std::to_string(p->customer_id()) + " dropped"), std::string::npos)
            << server_->log_text();
    }
    expect_relay_works(slow_one, slow_two);
    expect_relay_works(slow_two, slow_one);
}

TEST_F(ServerEndToEnd, MemberWhoAsksForReloadsAndNeverReadsIsDroppedAndItsRoomClosed)
{
    start({ "--send-queue-kib", "16" });
    RawConnection sleeper(server_->port(), 4096);
    ASSERT_TRUE(sleeper.connected());
    ASSERT_TRUE(sleeper.write(message(0, MSG_HELLO_MAIN) + message(0, MSG_LOGIN, "sleeper:")
                              + message(0, MSG_ROOM_CREATE, "fonts") + message(0, MSG_ROOM_JOIN, "fonts:")));
    ASSERT_TRUE(server_->wait_for_log("client 1000 joined room 2"));
    // Each reload answers with every font of the room: the answers outgrow the queue at once.
    std::string uploads;
    for (int i = 0; i < 50; ++i)
        uploads += message(0, MSG_BOARD_FONT_UPLOAD, std::string(60, static_cast<char>('A' + i)));
    ASSERT_TRUE(sleeper.write(uploads));
    std::string reloads;
    for (int i = 0; i < 100; ++i)
        reloads += message(0, MSG_BOARD_RELOAD);
    for (int i = 0; i < 20 && server_->log_text().find("client 1000 dropped") == std::string::npos; ++i)
        sleeper.write(reloads);
    EXPECT_TRUE(server_->wait_for_log("client 1000 dropped: its main send queue is full"));
    EXPECT_TRUE(server_->wait_for_log("room 2 removed"));
    std::string log = server_->log_text();
    ASSERT_TRUE(server_->running()) << log.substr(log.size() - std::min<size_t>(log.size(), 4000));
    // Still serving, and the room is gone with its drawing.
    HeadlessPeer& late = peer_in("fonts");
    late.send(PeerChannel::main, MSG_BOARD_RELOAD, 0);
    EXPECT_TRUE(server_->wait_for_log(format_text("client %d: board 0 reloaded with 0 actions", late.customer_id())));
    in_step(late);
    EXPECT_EQ(late.count(MSG_BOARD_FONT), 0u);
    EXPECT_TRUE(server_->running());
}

TEST_F(ServerEndToEnd, MessagesWithoutHandlerAreLoggedOnlyAFewTimesPerClient)
{
    start();
    HeadlessPeer& a = peer(true);
    HeadlessPeer& b = peer(true);
    for (int round = 0; round < 3; ++round) {
        for (int number = 9100; number < 9200; ++number)
            ASSERT_EQ(a.send(PeerChannel::main, number), 0);
    }
    ASSERT_EQ(b.send(PeerChannel::main, 9100), 0);
    in_step(a);
    in_step(b);
    // The log is written behind the server's work: wait for each line looked for.
    const std::string further = format_text("client %d: further messages without a handler are not logged", a.customer_id());
    ASSERT_TRUE(server_->wait_for_log(further));
    ASSERT_TRUE(server_->wait_for_log(format_text("client %d: message 9100 on its main connection has no handler", b.customer_id())));
    std::string log = server_->log_text();
    size_t lines_of_a = 0;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        lines_of_a += line.find(format_text("client %d: message", a.customer_id())) != std::string::npos
            && line.find("has no handler") != std::string::npos;
    EXPECT_GE(lines_of_a, 1u);
    EXPECT_LE(lines_of_a, 20u) << log;
    EXPECT_EQ(occurrences_in(log, further), 1u);
}

TEST_F(ServerEndToEnd, ConnectionThatNamesNoClientIsClosed)
{
    start({ "--identify-timeout-ms", "200" });
    HeadlessPeer silent("silent");
    ASSERT_EQ(silent.open_only(PeerChannel::main, "127.0.0.1", server_->port()), 0);
    EXPECT_TRUE(silent.await_closed(PeerChannel::main, 5000));
    EXPECT_TRUE(server_->wait_for_log("named no client within 200 ms"));
}

TEST_F(ServerEndToEnd, SilentClientIsDroppedAndOneThatKeepsAliveStays)
{
    start({ "--idle-timeout-s", "1" });
    HeadlessPeer& silent = peer(true);
    HeadlessPeer& alive = peer();
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    while (std::chrono::steady_clock::now() < until) {
        // Keep-alive on the voice connection only: any connection counts.
        alive.send(PeerChannel::voice, MSG_KEEP_ALIVE);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_TRUE(silent.await_closed(PeerChannel::main, 1000));
    EXPECT_TRUE(server_->wait_for_log("client " + std::to_string(silent.customer_id()) + " dropped: nothing heard for 1000 ms"));
    EXPECT_TRUE(alive.is_open(PeerChannel::main));
    EXPECT_EQ(server_->log_text().find("client " + std::to_string(alive.customer_id()) + " dropped"), std::string::npos);
}

TEST_F(ServerEndToEnd, RunningOutOfDescriptorsNeitherSpinsNorStopsTheServer)
{
    start({ "--identify-timeout-ms", "300" });
    rlimit few { 24, 24 };
    ASSERT_EQ(::prlimit(server_->pid(), RLIMIT_NOFILE, &few, nullptr), 0);
    {
        std::vector<std::unique_ptr<RawConnection>> crowd;
        for (int i = 0; i < 40; ++i)
            crowd.push_back(std::make_unique<RawConnection>(server_->port()));
        ASSERT_TRUE(server_->wait_for_log("accept failed"));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_LT(occurrences_in(server_->log_text(), "accept failed"), 20u) << "retries are paced";
    }
    // The crowd is gone and the silent ones time out: a client gets in again.
    HeadlessPeer& late = peer(true);
    EXPECT_GE(late.customer_id(), 1000);
    EXPECT_TRUE(server_->running()) << server_->log_text();
}

TEST_F(ServerEndToEnd, ReconnectedConnectionReplacesTheOldOne)
{
    start();
    HeadlessPeer& p = peer();
    HeadlessPeer again("again");
    ASSERT_EQ(again.open_only(PeerChannel::app, "127.0.0.1", server_->port()), 0);
    char id[8];
    std::snprintf(id, sizeof id, "%6d", p.customer_id());
    again.send(PeerChannel::app, MSG_HELLO_APP, 0, id);
    EXPECT_TRUE(p.await_closed(PeerChannel::app));
    EXPECT_TRUE(server_->wait_for_log("app connection replaced"));
    EXPECT_TRUE(p.is_open(PeerChannel::main));
}

TEST_F(ServerEndToEnd, OnlyTheMainConnectionsMachineMayBindAClientsOtherConnections)
{
    start();
    HeadlessPeer& victim = peer();
    HeadlessPeer& main_only = peer(true);
    struct Intrusion {
        HeadlessPeer* target;
        int number;
        PeerChannel taken;
    };
    const Intrusion cases[] = {
        { &victim, MSG_HELLO_APP, PeerChannel::app },
        { &victim, MSG_HELLO_VOICE, PeerChannel::voice },
        { &victim, MSG_HELLO_FILE, PeerChannel::file },
        // Not bound yet: nobody else may take it first either.
        { &main_only, MSG_HELLO_VOICE, PeerChannel::voice },
    };
    for (const Intrusion& c : cases) {
        RawConnection intruder(server_->port(), 0, "127.0.0.2");
        ASSERT_TRUE(intruder.connected());
        char id[8];
        std::snprintf(id, sizeof id, "%6d", c.target->customer_id());
        ASSERT_TRUE(intruder.write(message(0, c.number, id)));
        EXPECT_TRUE(intruder.await_closed()) << c.number;
        EXPECT_TRUE(server_->wait_for_log(format_text("identification %d for client %d refused: its main connection comes from 127.0.0.1",
                                                      c.number, c.target->customer_id()))) << server_->log_text();
        if (c.target == &victim) {
            EXPECT_FALSE(victim.await_closed(c.taken, 100)) << c.number;
        }
    }
    EXPECT_EQ(server_->log_text().find("connection replaced"), std::string::npos);
    EXPECT_EQ(server_->log_text().find("voice connection from 127.0.0.2"), std::string::npos);
}

TEST_F(ServerEndToEnd, LosingTheMainConnectionClosesTheOthers)
{
    start();
    HeadlessPeer& p = peer();
    ::shutdown(p.socket(PeerChannel::main).m_sock.load(), SHUT_RDWR);
    for (PeerChannel channel : { PeerChannel::app, PeerChannel::voice, PeerChannel::file })
        EXPECT_TRUE(p.await_closed(channel));
}

TEST_F(ServerEndToEnd, StopsCleanlyOnSigtermAndSigint)
{
    for (int signal_number : { SIGTERM, SIGINT }) {
        start();
        HeadlessPeer& p = peer();
        ::kill(server_->pid(), signal_number);
        EXPECT_TRUE(p.await_closed(PeerChannel::main));
        EXPECT_TRUE(server_->wait_for_log("stopped"));
        int status = server_->wait_exit();
        EXPECT_TRUE(WIFEXITED(status)) << signal_number;
        EXPECT_EQ(WEXITSTATUS(status), 0) << signal_number;
        peers_.clear();
    }
}

// tamblo-server with its standard output on a pipe the test reads only
// when it likes, as under a supervisor that has stopped reading.
class PipedServer {
public:
    PipedServer()
    {
        int ends[2] = { -1, -1 };
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return;
        read_fd_ = ends[0];
        std::string binary = ServerProcess::binary_path();
        std::vector<std::string> args { binary, "--listen", "127.0.0.1:0", "--report-port", "0" };
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        if (::posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        const std::string marker = "listening on 127.0.0.1:";
        while (pid_ > 0 && read_some(2000) > 0) {
            size_t at = out_.find(marker);
            if (at != std::string::npos && out_.find('\n', at) != std::string::npos) {
                port_ = static_cast<uint16_t>(std::atoi(out_.c_str() + at + marker.size()));
                break;
            }
        }
    }
    ~PipedServer()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(read_fd_);
    }
    uint16_t port() const { return port_; }
    // Reads what is there within wait_ms; the bytes read, 0 at the end.
    ssize_t read_some(int wait_ms)
    {
        pollfd p { read_fd_, POLLIN, 0 };
        if (::poll(&p, 1, wait_ms) <= 0)
            return -1;
        char piece[65536];
        ssize_t n = ::read(read_fd_, piece, sizeof piece);
        if (n > 0)
            out_.append(piece, static_cast<size_t>(n));
        return n;
    }
    void read_all_there_is()
    {
        while (read_some(200) > 0) {
        }
    }
    const std::string& out() const { return out_; }
    // SIGTERM; true when it ended by itself within wait_ms.
    bool stop(int wait_ms)
    {
        ::kill(pid_, SIGTERM);
        for (int waited = 0; waited < wait_ms; waited += 10) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

private:
    pid_t pid_ = -1;
    int read_fd_ = -1;
    uint16_t port_ = 0;
    std::string out_;
};

TEST(ServerLog, AnUnreadLogNeverStopsTheServer)
{
    TempHome home;
    PipedServer server;
    ASSERT_NE(server.port(), 0) << server.out();
    // Some megabytes of log lines (each dropped board message is one), far
    // more than the pipe holds.
    HeadlessPeer noisy("noisy");
    ASSERT_EQ(noisy.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_GT(noisy.join_room("Lobby"), 0);
    std::string flood;
    for (int i = 0; i < 2000; ++i)
        flood += message(99, MSG_BOARD_POINT, std::string(44, 'p'));
    int fd = noisy.socket(PeerChannel::main).m_sock.load();
    for (int round = 0; round < 20; ++round)
        ASSERT_TRUE(write_within(fd, flood, 3000)) << "the server stopped reading at round " << round;
    // Answered once the server has handled (and logged) all of it.
    ASSERT_EQ(noisy.send(PeerChannel::main, MSG_HELLO_MAIN), 0);
    EXPECT_TRUE(noisy.await_count(MSG_HELLO_MAIN, 2, 3000));

    HeadlessPeer late("late");
    EXPECT_EQ(late.connect("127.0.0.1", server.port(), true, 3000), 0);
    late.close();
    // Once read again, the log says how much it could not hold.
    server.read_all_there_is();
    EXPECT_NE(server.out().find("log lines dropped"), std::string::npos);
    EXPECT_TRUE(server.stop(5000));
}

std::string run_and_read(const std::string& args, int& exit_code)
{
    std::string command = ServerProcess::binary_path() + " " + args + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char piece[256];
    while (pipe && std::fgets(piece, sizeof piece, pipe))
        out += piece;
    int status = pipe ? ::pclose(pipe) : -1;
    exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST(ServerCommandLine, HelpVersionAndBadOptions)
{
    int code = -1;
    EXPECT_NE(run_and_read("--help", code).find("--listen HOST:PORT"), std::string::npos);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(run_and_read("--version", code).rfind("tamblo-server ", 0), 0u);
    EXPECT_EQ(code, 0);
    EXPECT_NE(run_and_read("--listen nowhere", code).find("--listen wants HOST:PORT"), std::string::npos);
    EXPECT_EQ(code, 2);
}

struct HelpCase {
    const char* args;
    const char* says;
};

TEST(ServerCommandLine, HelpNamesTheReportPortInUse)
{
    const HelpCase cases[] = {
        { "--help", "Report datagrams to UDP port 8999 of the listening address are logged" },
        { "--report-port 9100 --help", "Report datagrams to UDP port 9100 of the listening address are logged" },
        { "--help --report-port 9100", "Report datagrams to UDP port 9100 of the listening address are logged" },
        { "--report-port 0 --help", "No report datagrams are taken (--report-port 0)" },
    };
    for (const HelpCase& c : cases) {
        int code = -1;
        std::string out = run_and_read(c.args, code);
        EXPECT_EQ(code, 0) << c.args;
        EXPECT_NE(out.find(c.says), std::string::npos) << c.args << "\n" << out;
        if (std::string(c.says).find("8999") == std::string::npos) {
            EXPECT_EQ(out.find("UDP port 8999"), std::string::npos) << c.args << "\n" << out;
        }
    }
}

} // namespace
