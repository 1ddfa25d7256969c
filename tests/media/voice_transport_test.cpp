// Sending talk blocks on the voice connection and over peer links, and the
// peer links themselves: hello, garbage, peers that go away.
#include "core/connections.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/messages.h"
#include "core/peer_links.h"
#include "core/settings.h"
#include "media/record_sound.h"
#include "media/voice_receive.h"
#include "media/voice_codec.h"
#include "media/voice_state.h"
#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cmath>
#include <cstring>
#include <future>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

std::vector<uint8_t> sound_block()
{
    std::vector<uint8_t> pcm(talk_block_samples), coded(talk_coded_block_bytes + 128);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<uint8_t>(128 + 60 * std::sin(static_cast<double>(i) / 3));
    int len = 0;
    audio_encode_block(pcm.data(), coded.data(), talk_block_samples, &len, 2);
    coded.resize(static_cast<size_t>(len));
    return coded;
}

class VoiceConnection : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_voice_sock.host.set("127.0.0.1");
        g_voice_sock.port = listener.port();
        ASSERT_EQ(g_voice_sock.connect_server(), 0);
        server_fd = listener.accept_one();
        ASSERT_GE(server_fd, 0);
        g_my_customer_id = 12;
        g_talk_allowed = 1;
        g_private_voice_chat = 0;
        g_private_voice_partner_id = -1;
        g_audio_quality = 2;
    }
    void TearDown() override
    {
        g_voice_sock.close_socket();
        ::close(server_fd);
    }
    // The next message as it arrived: head text and unscrambled body.
    std::pair<std::string, std::string> next_message()
    {
        std::string head = read_bytes(server_fd, wire_head_len, 2000);
        WireHead h;
        if (!parse_wire_head(head.data(), h))
            return { head, "" };
        std::string body = read_bytes(server_fd, static_cast<size_t>(h.length), 2000);
        scramble_message_body(body.data(), static_cast<int>(body.size()));
        return { head, body };
    }
    bool nothing_arrives()
    {
        return read_bytes(server_fd, 1, 300).empty();
    }
    TempHome home;
    LoopbackListener listener;
    int server_fd = -1;
};

} // namespace

TEST_F(VoiceConnection, SilenceGoesAsHeadOnlyAndSoundAsCompressedBlock)
{
    std::vector<uint8_t> coded = sound_block();
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 0);
    EXPECT_EQ(next_message().first, "   0:   0: 614:   0:");
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 1);
    auto [head, body] = next_message();
    WireHead h;
    ASSERT_TRUE(parse_wire_head(head.data(), h));
    EXPECT_EQ(h.number, 616);
    EXPECT_EQ(h.address, 0);
    ASSERT_GT(body.size(), 5u);
    EXPECT_EQ(body.substr(0, 5), "   2:");
    std::vector<uint8_t> back(talk_unz_buffer_bytes);
    size_t back_len = back.size();
    ASSERT_EQ(z_uncompress_talk_data(reinterpret_cast<const uint8_t*>(body.data() + 5), body.size() - 5, back.data(), &back_len),
              talk_coded_block_bytes);
    EXPECT_TRUE(std::equal(coded.begin(), coded.end(), back.begin()));
}

TEST_F(VoiceConnection, NothingGoesWhenTalkIsNotAllowedAndPrivateChatIsOff)
{
    g_talk_allowed = 0;
    std::vector<uint8_t> coded = sound_block();
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 1);
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 0);
    EXPECT_TRUE(nothing_arrives());
}

TEST_F(VoiceConnection, PrivateVoiceWithoutPeerLinkGoesToThePartnerThroughTheServer)
{
    g_talk_allowed = 0;
    g_private_voice_chat = 1;
    g_private_voice_partner_id = 77;
    std::vector<uint8_t> coded = sound_block();
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 0);
    EXPECT_EQ(next_message().first, "   0:  77: 615:   0:");
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 1);
    auto [head, body] = next_message();
    EXPECT_EQ(head.substr(0, 15), "   0:  77: 617:");
}

namespace {

// A listener whose queue of connections is full and that never accepts: the
// system drops further attempts and the caller's connect retries for minutes.
class ListenerThatNeverAccepts {
public:
    ListenerThatNeverAccepts()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 0) != 0
            || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        // Connect until one attempt no longer completes: the queue is full.
        for (int i = 0; i < 8; ++i) {
            int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
            pollfd p { c, POLLOUT, 0 };
            if (::poll(&p, 1, 300) != 1) {
                ::close(c);
                full_ = true;
                break;
            }
            queued_.push_back(c);
        }
    }
    ~ListenerThatNeverAccepts()
    {
        for (int c : queued_)
            ::close(c);
        ::close(fd_);
    }
    bool full() const { return full_; }
    uint16_t port() const { return port_; }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
    bool full_ = false;
    std::vector<int> queued_;
};

} // namespace

// The receive thread that runs the 86 must not stop for the system's two
// minutes of retries: the link gives up after a few seconds and the private
// voice goes through the server.
TEST_F(VoiceConnection, PeerThatNeverAcceptsGivesUpSoonAndVoiceGoesThroughTheServer)
{
    ListenerThatNeverAccepts stuck;
    ASSERT_TRUE(stuck.full());
    std::string address = "127.0.0.1:" + std::to_string(stuck.port());
    auto result = std::make_shared<std::promise<int>>();
    std::future<int> connected = result->get_future();
    // Detached: on a connect without a time-out it would outlive the case.
    std::thread([result, address] { result->set_value(peer_connect(77, address.data(), static_cast<int>(address.size()))); })
        .detach();
    ASSERT_EQ(connected.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "peer_connect still waits";
    EXPECT_EQ(connected.get(), -1);
    EXPECT_EQ(peer_slot_exists(77), 0);
    for (auto& slot : g_peer_slots)
        EXPECT_EQ(slot.in_use.load(), 0);

    g_talk_allowed = 0;
    g_private_voice_chat = 1;
    g_private_voice_partner_id = 77;
    std::vector<uint8_t> coded = sound_block();
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 1);
    EXPECT_EQ(next_message().first.substr(0, 15), "   0:  77: 617:");
}

namespace {

// A peer server on a free loopback port, started once per process: every
// case of one program talks to the server the first case started.
class PeerLinks : public ::testing::Test {
protected:
    void SetUp() override
    {
        static uint16_t server_port = 0;
        set_peer_talk_handler([this](const WireHead& h, const char* body, int len) {
            std::lock_guard<std::mutex> hold(lock);
            talk.emplace_back(h, std::string(body, static_cast<size_t>(len)));
        });
        if (server_port == 0) {
            port = static_cast<uint16_t>(peer_listen_port());  // TempHome gave this program its own
            ASSERT_EQ(start_peer_threads(), 0);
            uint32_t taken_before = slots_taken();
            ASSERT_TRUE(eventually([this] { return listening(); }, 10000));
            // The probe that got through is accepted as a peer and goes again;
            // wait for both, so that it cannot take a slot during the case.
            ASSERT_TRUE(eventually([taken_before] { return slots_taken() == taken_before + 1 && slots_in_use() == 0; }));
            server_port = port;
        }
        port = server_port;
        ASSERT_TRUE(eventually([] { return slots_in_use() == 0; }));
        g_my_customer_id = 21;
        g_audio_quality = 2;
    }
    void TearDown() override
    {
        // Links a case left open would hold slots in the next case. A reader
        // frees its slot once the link is shut; a slot nothing was read
        // from has no reader and is freed here.
        for (auto& s : g_peer_slots) {
            s.sock.close_socket();
            if (!s.reader_busy)
                peer_slot_reset(s);
        }
        EXPECT_TRUE(eventually([] { return slots_in_use() == 0; }));
        set_peer_talk_handler(nullptr);
    }
    // How often a slot was taken, over all slots.
    static uint32_t slots_taken()
    {
        uint32_t n = 0;
        for (auto& s : g_peer_slots)
            n += s.generation;
        return n;
    }
    bool listening() const
    {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        // With nobody listening, a probe whose own port happens to be the
        // peer port connects to itself.
        sockaddr_in own {};
        socklen_t own_len = sizeof own;
        ok = ok && ::getsockname(fd, reinterpret_cast<sockaddr*>(&own), &own_len) == 0 && own.sin_port != a.sin_port;
        ::close(fd);
        return ok;
    }
    int raw_peer() const
    {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    template <typename F>
    static bool eventually(F f, int wait_ms = 3000)
    {
        for (int i = 0; i < wait_ms / 10; ++i) {
            if (f())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return f();
    }
    static int slots_in_use()
    {
        int n = 0;
        for (auto& s : g_peer_slots)
            n += s.in_use;
        return n;
    }
    size_t talk_count()
    {
        std::lock_guard<std::mutex> hold(lock);
        return talk.size();
    }
    TempHome home;
    uint16_t port = 0;
    std::mutex lock;
    std::vector<std::pair<WireHead, std::string>> talk;
};

} // namespace

TEST_F(PeerLinks, LinkToSelfCarriesHelloAndPrivateTalk)
{
    std::string address = "127.0.0.1:" + std::to_string(port);
    ASSERT_EQ(peer_connect(30, address.data(), static_cast<int>(address.size())), 0);
    EXPECT_EQ(peer_slot_index(30), 0);
    // The accepted end learns who we are from the hello.
    ASSERT_TRUE(eventually([] { return peer_slot_exists(21) == 1; }));
    int accepted = peer_slot_index(21);
    ASSERT_GT(accepted, 0);
    EXPECT_NE(g_peer_slots[static_cast<size_t>(accepted)].port.load(), port);  // the peer's source port
    EXPECT_EQ(g_peer_slots[0].port.load(), port);
    // A second 86 for the same peer changes nothing.
    EXPECT_EQ(peer_connect(30, address.data(), static_cast<int>(address.size())), 0);
    EXPECT_EQ(slots_in_use(), 2);

    g_talk_allowed = 0;
    g_private_voice_chat = 1;
    g_private_voice_partner_id = 30;
    std::vector<uint8_t> coded = sound_block();
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 1);
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 0);
    ASSERT_TRUE(eventually([&] { return talk_count() >= 2; }));
    std::lock_guard<std::mutex> hold(lock);
    EXPECT_EQ(talk[0].first.number, 617);
    EXPECT_EQ(talk[0].first.address, 21);  // the sender's own id on a link
    EXPECT_EQ(talk[0].second.substr(0, 5), "   2:");
    EXPECT_EQ(talk[1].first.number, 615);
}

TEST_F(PeerLinks, MappedAndPlainAddressesWithAPortReachThePeer)
{
    // A dual-stack server sees its IPv4 clients as "::ffff:a.b.c.d".
    const std::string forms[] = { "127.0.0.1:" + std::to_string(port), "::ffff:127.0.0.1:" + std::to_string(port) };
    int peer_id = 40;
    for (const std::string& address : forms) {
        ASSERT_EQ(peer_connect(peer_id, address.data(), static_cast<int>(address.size())), 0) << address;
        int index = peer_slot_index(peer_id);
        ASSERT_GE(index, 0) << address;
        EXPECT_EQ(g_peer_slots[static_cast<size_t>(index)].address.get(), "127.0.0.1") << address;
        EXPECT_EQ(g_peer_slots[static_cast<size_t>(index)].port.load(), port) << address;
        ++peer_id;
    }
}

struct AddressCase {
    const char* text;
    const char* host;
    int port;
};

TEST(PeerAddress, SplitsAtTheLastColonAndUnmapsIPv4)
{
    const AddressCase cases[] = {
        { "127.0.0.1", "127.0.0.1", 8199 },
        { "127.0.0.1:9000", "127.0.0.1", 9000 },
        { "::ffff:127.0.0.1", "127.0.0.1", 8199 },
        { "::ffff:127.0.0.1:9000", "127.0.0.1", 9000 },
        { "127.0.0.1:0", "127.0.0.1", 8199 },
        { "127.0.0.1:65536", "127.0.0.1", 8199 },
        { "localhost:9001", "localhost", 9001 },
        { "", "", 8199 },
    };
    for (const AddressCase& c : cases) {
        PeerAddress got = peer_address_split(c.text);
        EXPECT_EQ(got.host, c.host) << c.text;
        EXPECT_EQ(got.port, c.port) << c.text;
    }
}

TEST_F(PeerLinks, GarbageAndPeersThatCloseMidMessageFreeTheirSlots)
{
    LogCapture log;
    int garbage = raw_peer();
    ASSERT_GE(garbage, 0);
    ASSERT_TRUE(eventually([] { return slots_in_use() == 1; }));
    write_bytes(garbage, "this is not a wire head at all, not even close");
    ASSERT_TRUE(eventually([&] { return log.contains("g_peer_one_client_thread command format error at:4.\n"); }));
    ::close(garbage);
    EXPECT_TRUE(eventually([] { return slots_in_use() == 0; }));

    int half = raw_peer();
    ASSERT_TRUE(eventually([] { return slots_in_use() == 1; }));
    write_bytes(half, scrambled_message(WireHead { 0, 44, 617, 100 }, std::string(100, 'q')).substr(0, 40));
    ::close(half);
    EXPECT_TRUE(eventually([] { return slots_in_use() == 0; }));
    EXPECT_EQ(talk_count(), 0u);

    int overlong = raw_peer();
    write_bytes(overlong, scrambled_message(WireHead { 0, 44, MSG_PEER_HELLO, 0 }, ""));
    ASSERT_TRUE(eventually([] { return peer_slot_exists(44) == 1; }));
    ::close(overlong);
    EXPECT_TRUE(eventually([] { return peer_slot_exists(44) == 0 && slots_in_use() == 0; }));
}

TEST_F(PeerLinks, EleventhLinkReplacesTheOldest)
{
    std::vector<int> peers;
    for (int i = 0; i < 10; ++i) {
        peers.push_back(raw_peer());
        write_bytes(peers.back(), scrambled_message(WireHead { 0, 300 + i, MSG_PEER_HELLO, 0 }, ""));
        ASSERT_TRUE(eventually([i] { return peer_slot_exists(300 + i) == 1; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    // Peer 300 has the oldest activity; keep the others fresh.
    for (int i = 1; i < 10; ++i)
        write_bytes(peers[static_cast<size_t>(i)], scrambled_message(WireHead { 0, 300 + i, 999, 0 }, ""));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    int eleventh = raw_peer();
    write_bytes(eleventh, scrambled_message(WireHead { 0, 400, MSG_PEER_HELLO, 0 }, ""));
    ASSERT_TRUE(eventually([] { return peer_slot_exists(400) == 1; }));
    EXPECT_EQ(peer_slot_exists(300), 0);
    EXPECT_EQ(peer_slot_exists(305), 1);
    for (int fd : peers)
        ::close(fd);
    ::close(eleventh);
}

TEST(PeerPort, SettingNamesThePortElse8199)
{
    TempHome home;
    ::unsetenv("TAMBLO_PEER_PORT");
    EXPECT_EQ(peer_listen_port(), 8199);
    EXPECT_EQ(peer_port_setting(), 8199);
    reg_write_int("general", "peer_port", 8201);
    EXPECT_EQ(peer_listen_port(), 8201);
    EXPECT_EQ(peer_port_setting(), 8201);
    ::setenv("TAMBLO_PEER_PORT", "8300", 1);
    EXPECT_EQ(peer_listen_port(), 8300);
    EXPECT_EQ(peer_port_setting(), 8201);  // the server hears of the setting only
}

namespace {

struct TalkRecord {
    uint32_t type = 0;
    std::vector<int32_t> head;  // the six or four words of the body head
    size_t data_len = 0;
};

std::vector<TalkRecord> talk_records(const std::string& path)
{
    std::vector<TalkRecord> out;
    std::string bytes = read_file(path);
    size_t at = record_file_head_len;
    while (at + record_separator_len + record_head_len <= bytes.size()) {
        record_head h {};
        std::memcpy(&h, bytes.data() + at + record_separator_len, sizeof h);
        size_t body = at + record_separator_len + record_head_len;
        TalkRecord r;
        r.type = h.type;
        size_t words = h.type == record_type_transform_talk ? 6 : h.type == record_type_lpc10_talk ? 4 : 3;
        for (size_t w = 0; w < words && body + 4 * (w + 1) <= bytes.size(); ++w) {
            int32_t v = 0;
            std::memcpy(&v, bytes.data() + body + 4 * w, 4);
            r.head.push_back(v);
        }
        r.data_len = h.length - 4 * words;
        out.push_back(r);
        at = body + h.length;
    }
    return out;
}

} // namespace

TEST_F(VoiceConnection, PublicTalkIsRecordedPrivateNever)
{
    std::string path = home.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    std::vector<uint8_t> coded = sound_block();
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 1);
    auto sent = next_message();
    g_private_voice_chat = 1;
    g_private_voice_partner_id = 77;
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 1);
    next_message();
    // What arrives: the public block is recorded with its speaker, the private one not.
    dispatch_talk_message(MSG_TALK_DCT_Z, sent.second.data(), static_cast<int>(sent.second.size()), 40);
    dispatch_talk_message(MSG_TALK_DCT_Z_B, sent.second.data(), static_cast<int>(sent.second.size()), 40);
    recorder().stop();

    std::vector<TalkRecord> records = talk_records(path);
    ASSERT_EQ(records.size(), 2u);
    int z_len = static_cast<int>(sent.second.size()) - 5;
    for (const TalkRecord& r : records) {
        EXPECT_EQ(r.type, record_type_transform_talk);
        EXPECT_EQ(r.data_len, static_cast<size_t>(z_len));
    }
    EXPECT_EQ(records[0].head, (std::vector<int32_t> { z_len, 12, 8000, 2, 0, 0 }));
    EXPECT_EQ(records[1].head, (std::vector<int32_t> { z_len, 40, 8000, 2, 0, 0 }));
}

// The speaker's own record waits 50 ms for the recording file, then the
// record is skipped while the block still goes out.
TEST_F(VoiceConnection, SpeakersRecordGivesUpAfterFiftyMilliseconds)
{
    std::string path = home.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    std::atomic<bool> held { false }, release { false };
    std::thread holder([&] {
        std::lock_guard<platform::TimedMutex> hold(g_record_file_lock);
        held = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    while (!held)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    LogCapture log;
    std::vector<uint8_t> coded = sound_block();
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 1);
    release = true;
    holder.join();
    WireHead h;
    ASSERT_TRUE(parse_wire_head(next_message().first.data(), h));
    EXPECT_EQ(h.number, MSG_TALK_DCT_Z);
    EXPECT_TRUE(log.contains("send_talk_data: record lock not obtained in 50 ms, record dropped\n"));
    recorder().stop();
    EXPECT_TRUE(talk_records(path).empty());
}

TEST_F(VoiceConnection, TalkNotAllowedIsNeitherSentNorRecorded)
{
    std::string path = home.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    g_talk_allowed = 0;
    std::vector<uint8_t> coded = sound_block();
    send_talk_data(coded.data(), static_cast<int>(coded.size()), 1);
    recorder().stop();
    EXPECT_TRUE(nothing_arrives());
    EXPECT_TRUE(talk_records(path).empty());
}
