// The server's video store through the real tamblo-server: members upload
// frames on their application connections and others in the room pull
// them; headless peers on loopback.
#include "core/messages.h"
#include "media/video_frame_head.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

std::string frame_bytes(int kind, int32_t y_len, char fill)
{
    VideoFrameHead head;
    head.frame_kind = kind;
    head.size_index = 1;
    head.lengths = { y_len, 7, 7, 3, 3, 3 };
    size_t total = video_frame_head_len + static_cast<size_t>(y_len) + 23;
    std::string out(total, fill);
    write_video_frame_head(head, reinterpret_cast<uint8_t*>(out.data()));
    return out;
}

void upload(HeadlessPeer& p, int kind, const std::string& frame, size_t chunk = video_chunk_limit)
{
    ASSERT_EQ(p.send(PeerChannel::app, MSG_VIDEO_FRAME_BEGIN, kind), 0);
    for (size_t at = 0; at < frame.size(); at += chunk)
        ASSERT_EQ(p.send(PeerChannel::app, MSG_VIDEO_FRAME_DATA, kind, std::string_view(frame).substr(at, chunk)), 0);
    ASSERT_EQ(p.send(PeerChannel::app, MSG_VIDEO_FRAME_END, kind), 0);
}

struct Received {
    int sender = -1;
    std::string ids;
    std::string bytes;
    size_t largest_chunk = 0;
};

// The frames that arrived on the application connection, in order.
std::vector<Received> frames_of(const HeadlessPeer& p)
{
    std::vector<Received> out;
    Received current;
    for (const ArrivedMessage& m : p.arrived()) {
        if (m.channel != PeerChannel::app)
            continue;
        if (m.head.number == MSG_VIDEO_DCT_BEGIN) {
            current = {};
        } else if (m.head.number == MSG_VIDEO_DCT_DATA) {
            current.bytes += m.body;
            current.largest_chunk = std::max(current.largest_chunk, m.body.size());
        } else if (m.head.number == MSG_VIDEO_DCT_END) {
            current.sender = m.head.address;
            current.ids = m.body;
            out.push_back(current);
        }
    }
    return out;
}

class VideoServer : public ::testing::Test {
protected:
    void SetUp() override { server_ = std::make_unique<ServerProcess>(); }
    void TearDown() override
    {
        peers_.clear();
        server_->stop();
    }
    HeadlessPeer& peer_in(const std::string& room)
    {
        peers_.push_back(std::make_unique<HeadlessPeer>("peer " + std::to_string(peers_.size())));
        HeadlessPeer& p = *peers_.back();
        EXPECT_EQ(p.connect("127.0.0.1", server_->port()), 0);
        EXPECT_GT(p.join_room(room), 0);
        return p;
    }
    void request(HeadlessPeer& from, const HeadlessPeer& member, const char* ids)
    {
        ASSERT_EQ(from.send(PeerChannel::app, MSG_VIDEO_FRAME_REQUEST, member.customer_id(), ids), 0);
    }
    // Waits until the peer holds count frames.
    bool await_frames(HeadlessPeer& p, size_t count, int wait_ms = 5000)
    {
        return p.await_count(MSG_VIDEO_DCT_END, count, wait_ms);
    }

    TempHome home_;
    std::unique_ptr<ServerProcess> server_;
    std::vector<std::unique_ptr<HeadlessPeer>> peers_;
};

TEST_F(VideoServer, LateJoinerGetsTheKeyFrameFirstThenTheLatestAndWaitsForNews)
{
    HeadlessPeer& a = peer_in("video");
    const std::string key = frame_bytes(1, 2000, 'k');
    const std::string delta1 = frame_bytes(0, 30, 'd');
    const std::string delta2 = frame_bytes(0, 40, 'e');
    upload(a, 1, key);
    upload(a, 0, delta1);
    upload(a, 0, delta2);
    HeadlessPeer& b = peer_in("video");

    request(b, a, "   0:   0");
    ASSERT_TRUE(await_frames(b, 2));
    std::vector<Received> got = frames_of(b);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].sender, a.customer_id());
    EXPECT_EQ(got[0].ids, "1:1");
    EXPECT_EQ(got[0].bytes, key);
    EXPECT_LE(got[0].largest_chunk, video_chunk_limit);
    EXPECT_EQ(got[1].ids, "1:3");
    EXPECT_EQ(got[1].bytes, delta2);

    // Holding the latest, the request waits for the next frame and gets it at once.
    request(b, a, "   1:   3");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(frames_of(b).size(), 2u);
    auto sent_at = std::chrono::steady_clock::now();
    upload(a, 0, delta1);
    ASSERT_TRUE(await_frames(b, 3));
    EXPECT_LT(std::chrono::steady_clock::now() - sent_at, std::chrono::seconds(2));
    got = frames_of(b);
    EXPECT_EQ(got[2].ids, "1:4");
    EXPECT_EQ(got[2].bytes, delta1);
    // Only the one who asked got anything: the sender itself did not.
    EXPECT_EQ(a.count(MSG_VIDEO_DCT_END), 0u);
}

TEST_F(VideoServer, RequestsOutsideTheRoomAndRefusedFramesBringNothing)
{
    HeadlessPeer& a = peer_in("video");
    HeadlessPeer& b = peer_in("video");
    HeadlessPeer& stranger = peer_in("elsewhere");
    upload(a, 1, frame_bytes(1, 100, 'k'));

    request(stranger, a, "   0:   0");
    EXPECT_TRUE(server_->wait_for_log("asks for the video of " + std::to_string(a.customer_id()) + ", who is not in its room"));
    request(b, a, "nonsense");
    EXPECT_TRUE(server_->wait_for_log("a video request for " + std::to_string(a.customer_id()) + " with the body"));

    // Too big, chunks too big, a begin without an end: refused and logged.
    upload(a, 1, frame_bytes(1, 39961 - 23, 'x'));
    EXPECT_TRUE(server_->wait_for_log("a frame over 40000 bytes: refused"));
    upload(a, 0, frame_bytes(0, 1000, 'x'), 950);
    EXPECT_TRUE(server_->wait_for_log("a chunk of 950 bytes"));
    ASSERT_EQ(a.send(PeerChannel::app, MSG_VIDEO_FRAME_BEGIN, 0), 0);
    ASSERT_EQ(a.send(PeerChannel::app, MSG_VIDEO_FRAME_DATA, 0, "part"), 0);
    upload(a, 0, frame_bytes(0, 10, 'g'));
    EXPECT_TRUE(server_->wait_for_log("a begin without an end"));

    // What b gets is the key and the one good frame after it.
    request(b, a, "   0:   0");
    ASSERT_TRUE(await_frames(b, 2));
    std::vector<Received> got = frames_of(b);
    EXPECT_EQ(got[0].ids, "1:1");
    EXPECT_EQ(got[1].ids, "1:2");
    EXPECT_EQ(got[1].bytes, frame_bytes(0, 10, 'g'));
    EXPECT_EQ(stranger.count(MSG_VIDEO_DCT_END), 0u);
}

TEST_F(VideoServer, MemberWhoLeavesTakesItsFramesAlong)
{
    HeadlessPeer& a = peer_in("video");
    HeadlessPeer& b = peer_in("video");
    upload(a, 1, frame_bytes(1, 100, 'k'));
    ASSERT_EQ(a.send(PeerChannel::main, MSG_ROOM_LEAVE), 0);
    ASSERT_TRUE(server_->wait_for_log("client " + std::to_string(a.customer_id()) + " left room"));
    a.clear();
    ASSERT_GT(a.join_room("video"), 0);

    // Back in the room, nothing of before is kept: the request waits for a new key frame.
    request(b, a, "   0:   0");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(b.count(MSG_VIDEO_DCT_END), 0u);
    upload(a, 0, frame_bytes(0, 10, 'd')); // changed blocks need the key that went away
    EXPECT_TRUE(server_->wait_for_log("changed blocks without a key frame"));
    upload(a, 1, frame_bytes(1, 50, 'n'));
    ASSERT_TRUE(await_frames(b, 1));
    std::vector<Received> got = frames_of(b);
    EXPECT_EQ(got[0].ids, "2:2");
    EXPECT_EQ(got[0].bytes, frame_bytes(1, 50, 'n'));
}

} // namespace
