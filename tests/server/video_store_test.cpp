// The server's store of each member's video, without sockets: uploads,
// numbering, what a request gets, refusals and bounds.
#include "media/video_frame_head.h"
#include "server/video_store.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A frame whose head says kind and whose six streams are filler of the given lengths.
std::string frame_bytes(int kind, std::array<int32_t, 6> lengths = { 10, 5, 5, 3, 3, 3 }, int size_index = 1)
{
    VideoFrameHead head;
    head.frame_kind = kind;
    head.quality = 70;
    head.size_index = size_index;
    head.lengths = lengths;
    size_t total = video_frame_head_len;
    for (int32_t len : lengths)
        total += static_cast<size_t>(len);
    std::string out(total, 'x');
    write_video_frame_head(head, reinterpret_cast<uint8_t*>(out.data()));
    return out;
}

// Uploads a frame in chunks of chunk bytes; the refusals joined.
std::string upload(MemberVideo& video, int kind, const std::string& frame, size_t chunk = 900)
{
    std::string said = video.begin(kind);
    for (size_t at = 0; at < frame.size(); at += chunk)
        said += video.append(std::string_view(frame).substr(at, chunk));
    said += video.end(kind);
    return said;
}

std::vector<std::pair<int, int>> ids(const std::vector<const StoredVideoFrame*>& frames)
{
    std::vector<std::pair<int, int>> out;
    for (const StoredVideoFrame* f : frames)
        out.emplace_back(f->key_id, f->frame_id);
    return out;
}

using Ids = std::vector<std::pair<int, int>>;

TEST(MemberVideo, NumbersFramesByTheirKeyAndAnswersWhatTheRequesterLacks)
{
    MemberVideo video;
    EXPECT_TRUE(video.answer(0, 0).empty()); // nothing yet: the request waits
    ASSERT_EQ(upload(video, 1, frame_bytes(1)), "");
    ASSERT_EQ(upload(video, 0, frame_bytes(0)), "");
    ASSERT_EQ(upload(video, 0, frame_bytes(0)), "");
    ASSERT_NE(video.latest(), nullptr);
    EXPECT_EQ(video.latest()->key_id, 1);
    EXPECT_EQ(video.latest()->frame_id, 3);
    EXPECT_EQ(video.latest_key()->frame_id, 1);

    struct Case {
        int key_id, frame_id;
        Ids want;
    };
    const Case cases[] = {
        { 0, 0, { { 1, 1 }, { 1, 3 } } },  // a newcomer: the key frame first, then the latest
        { 1, 1, { { 1, 3 } } },            // has the key: only the latest
        { 1, 2, { { 1, 3 } } },
        { 1, 3, {} },                      // has the latest: waits
        { 7, 3, { { 1, 1 }, { 1, 3 } } },  // another key than the member's: key first
    };
    for (const Case& c : cases)
        EXPECT_EQ(ids(video.answer(c.key_id, c.frame_id)), c.want) << c.key_id << ":" << c.frame_id;

    // A new key frame: everyone holding the old key gets the new one alone.
    ASSERT_EQ(upload(video, 1, frame_bytes(1)), "");
    EXPECT_EQ(ids(video.answer(1, 3)), (Ids { { 2, 4 } }));
    EXPECT_EQ(ids(video.answer(2, 4)), Ids {});
}

TEST(MemberVideo, RefusesWhatDoesNotFitOrComesOutOfOrder)
{
    MemberVideo video;
    ASSERT_EQ(upload(video, 1, frame_bytes(1)), "");
    const int good = video.latest()->frame_id;

    // A frame of exactly 40000 bytes is taken; one byte more is not.
    std::string exact = frame_bytes(1, { 39960, 0, 0, 0, 0, 0 });
    ASSERT_EQ(exact.size(), 40000u);
    EXPECT_EQ(upload(video, 1, exact), "");
    EXPECT_EQ(video.latest()->frame_id, good + 1);
    std::string over = frame_bytes(1, { 39961, 0, 0, 0, 0, 0 });
    EXPECT_NE(upload(video, 1, over).find("over 40000"), std::string::npos);
    EXPECT_EQ(video.latest()->frame_id, good + 1);

    struct Case {
        const char* what;
        std::function<std::string(MemberVideo&)> run;
        const char* said;
    };
    const Case cases[] = {
        { "chunk over 900", [](MemberVideo& v) { return upload(v, 0, frame_bytes(0, { 950, 0, 0, 0, 0, 0 }), 901); },
          "a chunk of 901 bytes" },
        { "empty chunk",
          [](MemberVideo& v) {
              std::string said = v.begin(0);
              said += v.append("");
              return said + v.end(0);
          },
          "a chunk of 0 bytes" },
        { "begin without an end",
          [](MemberVideo& v) {
              v.begin(0);
              v.append(frame_bytes(0));
              std::string said = v.begin(0);
              return said + v.end(0);
          },
          "a begin without an end" },
        { "data without a begin",
          [](MemberVideo& v) {
              std::string said = v.append("abc");
              said += v.append("def");
              return said + v.end(0);
          },
          "data without a begin" },
        { "end without a begin", [](MemberVideo& v) { return v.end(0); }, "an end without a begin" },
        { "lengths that do not add up",
          [](MemberVideo& v) {
              std::string f = frame_bytes(0);
              f.pop_back();
              return upload(v, 0, f);
          },
          "do not add up" },
        { "head of another kind than the begin", [](MemberVideo& v) { return upload(v, 0, frame_bytes(1)); },
          "head says kind 1" },
        { "size index 3", [](MemberVideo& v) { return upload(v, 1, frame_bytes(1, { 1, 1, 1, 1, 1, 1 }, 3)); },
          "size index" },
        { "changed blocks of another size than the key",
          [](MemberVideo& v) { return upload(v, 0, frame_bytes(0, { 1, 1, 1, 1, 1, 1 }, 2)); }, "without a key frame" },
    };
    for (const Case& c : cases) {
        int before = video.latest()->frame_id;
        std::string said = c.run(video);
        EXPECT_NE(said.find(c.said), std::string::npos) << c.what << ": " << said;
        EXPECT_EQ(video.latest()->frame_id, before) << c.what;
        EXPECT_FALSE(video.uploading()) << c.what;
        // Every refusal is said once: the stray data's later chunks are quiet.
        EXPECT_EQ(said.find(c.said), said.rfind(c.said)) << c.what << ": " << said;
    }
    // Still in step after all of it.
    EXPECT_EQ(upload(video, 0, frame_bytes(0)), "");
}

TEST(MemberVideo, ChangedBlocksBeforeAnyKeyAreRefused)
{
    MemberVideo video;
    EXPECT_NE(upload(video, 0, frame_bytes(0)).find("without a key frame"), std::string::npos);
    EXPECT_EQ(video.latest(), nullptr);
}

TEST(MemberVideo, StoreStaysWithinThreeFramesAndForgetsOnLeaving)
{
    MemberVideo video;
    std::string big = frame_bytes(1, { 39960, 0, 0, 0, 0, 0 });
    for (int i = 0; i < 20; ++i) {
        upload(video, i % 3 == 0 ? 1 : 0, frame_bytes(i % 3 == 0 ? 1 : 0, { 39960, 0, 0, 0, 0, 0 }));
        video.begin(0);
        video.append(std::string(900, 'y'));
        EXPECT_LE(video.stored_bytes(), 3 * video_frame_limit);
    }
    for (int requester = 0; requester < 300; ++requester)
        video.wait_for_next({ requester, 0, 0 });
    EXPECT_EQ(video.waiting_count(), MemberVideo::waiting_limit);
    video.wait_for_next({ 5, 1, 1 }); // the newest request of one requester replaces its older one
    EXPECT_EQ(video.waiting_count(), MemberVideo::waiting_limit);

    int last = video.latest()->frame_id;
    video.clear();
    EXPECT_EQ(video.latest(), nullptr);
    EXPECT_EQ(video.stored_bytes(), 0u);
    EXPECT_EQ(video.waiting_count(), 0u);
    // Numbers go on: a receiver that held the old frames takes the new ones.
    ASSERT_EQ(upload(video, 1, big), "");
    EXPECT_GT(video.latest()->frame_id, last);
}

TEST(VideoRequestIds, ReadsTheClientsFieldsAndRefusesTheRest)
{
    struct Case {
        const char* body;
        int rc, key, frame;
    };
    const Case cases[] = {
        { "   0:   0", 0, 0, 0 },   { "  12:  345", 0, 12, 345 }, { "12345:678901", 0, 12345, 678901 },
        { "  -1:  -1", 0, -1, -1 }, { "3:4", 0, 3, 4 },           { "", -1, 0, 0 },
        { "   1", -1, 0, 0 },       { "1:", -1, 0, 0 },           { "a:1", -1, 0, 0 },
        { "1:2:3", -1, 0, 0 },      { "1 :2", -1, 0, 0 },
    };
    for (const Case& c : cases) {
        int key = 0;
        int frame = 0;
        EXPECT_EQ(parse_video_request_ids(c.body, key, frame), c.rc) << c.body;
        if (c.rc == 0) {
            EXPECT_EQ(key, c.key) << c.body;
            EXPECT_EQ(frame, c.frame) << c.body;
        }
    }
}

} // namespace
