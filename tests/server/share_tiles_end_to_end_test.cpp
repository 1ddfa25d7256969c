// The share's tiles and remote control through the real server: tiles kept
// and announced, sent on request, a late joiner told every tile, a new share
// starting clean; bad uploads dropped whole; remote input passed on only
// from the member the server lets steer, and only to the sharer.

#include "core/messages.h"
#include "server/share_room_state.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

class ShareTilesEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto* peer : { &ann_, &bob_ }) {
            ASSERT_EQ(peer->connect("127.0.0.1", server_.port()), 0);
            ASSERT_GT(peer->join_room("Tiles"), 0);
        }
        for (auto* peer : { &ann_, &bob_ })
            peer->clear();
    }

    void share_app(bool allow_control)
    {
        // a second share waits for its own 202, not the first one's
        const size_t shares_before = ann_.count(MSG_202);
        ann_.send(PeerChannel::main, allow_control ? MSG_SHARE_APP_ALLOW_CONTROL : MSG_SHARE_APP_DENY_CONTROL, ann_.customer_id());
        ann_.send(PeerChannel::main, MSG_SHARE_APP_START, ann_.customer_id());
        ASSERT_TRUE(ann_.await_count(MSG_202, shares_before + 1));
    }

    // Begin, the data in pieces of 900 bytes, end "%4d:%8d".
    void upload(int tile, int version, const std::string& bytes, int first = MSG_SHARE_APP_TILE_BEGIN)
    {
        ann_.send(PeerChannel::app, first, tile);
        for (size_t at = 0; at < bytes.size(); at += 900)
            ann_.send(PeerChannel::app, first + 1, tile, bytes.substr(at, 900));
        char end[32];
        std::snprintf(end, sizeof end, "%4d:%8d", version, static_cast<int>(bytes.size()));
        ann_.send(PeerChannel::app, first + 2, tile, end);
    }

    // The bytes the server sends back for a tile (220-222 on the application connection).
    std::string fetch(HeadlessPeer& peer, int tile, std::string* end_body = nullptr)
    {
        peer.clear();
        peer.send(PeerChannel::app, MSG_SHARE_APP_TILE_REQUEST, tile);
        auto end = peer.await_number(MSG_SHARE_APP_ONE_FILE_END, 3000);
        if (!end)
            return "<none>";
        if (end_body)
            *end_body = end->body;
        std::string bytes;
        for (const ArrivedMessage& m : peer.arrived())
            if (m.head.number == MSG_SHARE_APP_ONE_FILE_DATA && m.head.address == tile && m.channel == PeerChannel::app)
                bytes += m.body;
        return bytes;
    }

    // No answer for tile while the probe, asked for after it, is answered:
    // the server answers one connection's requests in order.
    bool absent(HeadlessPeer& peer, int tile, int probe)
    {
        peer.clear();
        peer.send(PeerChannel::app, MSG_SHARE_APP_TILE_REQUEST, tile);
        peer.send(PeerChannel::app, MSG_SHARE_APP_TILE_REQUEST, probe);
        auto end = peer.await_number(MSG_SHARE_APP_ONE_FILE_END, 3000);
        return end && end->head.address == probe && peer.count(MSG_SHARE_APP_ONE_FILE_BEGIN) == 1;
    }

    static std::string pattern(size_t n, char seed)
    {
        std::string s(n, '\0');
        for (size_t i = 0; i < n; ++i)
            s[i] = static_cast<char>(seed + i * 7);
        return s;
    }

    ServerProcess server_;
    HeadlessPeer ann_ { "ann" };
    HeadlessPeer bob_ { "bob" };
};

} // namespace

TEST_F(ShareTilesEndToEnd, ATileIsAnnouncedKeptInItsLatestVersionAndSentOnRequest)
{
    share_app(false);
    const int tile = 2 * 256 + 3;
    upload(tile, 1, pattern(1800, 'a'));  // two pieces of 900
    auto notice = bob_.await_number(MSG_SHARE_APP_TILE_NOTICE);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->head.address, tile);
    EXPECT_EQ(notice->body, "   1:    1800");
    EXPECT_EQ(ann_.count(MSG_SHARE_APP_TILE_NOTICE), 0u);

    const std::string second = pattern(9001, 'q');
    upload(tile, 2, second);
    ASSERT_TRUE(bob_.await_count(MSG_SHARE_APP_TILE_NOTICE, 2));
    std::string end;
    EXPECT_EQ(fetch(bob_, tile, &end), second);
    EXPECT_EQ(end, "   2:    9001");
    EXPECT_TRUE(absent(bob_, 0, tile));  // never sent

    upload(0, 1, "");  // an empty tile file: begin, no data, end with 0
    ASSERT_TRUE(bob_.await_count(MSG_SHARE_APP_TILE_NOTICE, 1));
    EXPECT_EQ(fetch(bob_, 0), "");
}

TEST_F(ShareTilesEndToEnd, ALateJoinerGetsTheCounterListAndANewShareStartsClean)
{
    share_app(false);
    upload(0, 3, pattern(100, 'x'));
    upload(4 * 256 + 4, 1, pattern(50, 'y'));
    ASSERT_TRUE(bob_.await_count(MSG_SHARE_APP_TILE_NOTICE, 2));

    HeadlessPeer cid("cid");
    ASSERT_EQ(cid.connect("127.0.0.1", server_.port()), 0);
    ASSERT_GT(cid.join_room("Tiles"), 0);
    auto list = cid.await_number(MSG_APP_TILE_COUNTER);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->body.size(), 25u * 13);
    EXPECT_EQ(list->body.substr(0, 13), "   3:     100");
    EXPECT_EQ(list->body.substr(24 * 13), "   1:      50");
    EXPECT_EQ(list->body.substr(13, 13), "   0:       0");
    EXPECT_EQ(fetch(cid, 4 * 256 + 4), pattern(50, 'y'));

    // The viewer's 227 is answered with the list too, to the sharer as well.
    ann_.send(PeerChannel::main, MSG_APP_VIEWER_ALIVE);
    EXPECT_TRUE(ann_.await_number(MSG_APP_TILE_COUNTER));

    // A share that ends frees its tiles; the next starts with none and tells the others so.
    ann_.send(PeerChannel::main, MSG_SHARE_APP_STOP, ann_.customer_id());
    ASSERT_TRUE(bob_.await_number(MSG_SHARE_APP_ENDED));
    bob_.clear();
    share_app(false);
    EXPECT_TRUE(bob_.await_number(MSG_APP_TILES_RESET));
    upload(1, 1, "new");
    ASSERT_TRUE(bob_.await_number(MSG_SHARE_APP_TILE_NOTICE));
    EXPECT_TRUE(absent(bob_, 0, 1));
}

TEST_F(ShareTilesEndToEnd, BadUploadsAreDroppedWholeAndTheNextGoodOneIsKept)
{
    share_app(false);
    struct Case {
        const char* what;
        std::function<void()> send;
    };
    const Case cases[] = {
        { "data without a begin", [&] {
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_DATA, 0, "abc");
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_END, 0, "   1:       3");
         } },
        { "a chunk over 900 bytes", [&] {
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_BEGIN, 0);
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_DATA, 0, std::string(901, 'z'));
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_END, 0, "   1:     901");
         } },
        { "a tile outside the grid", [&] { upload(5 * 256, 1, "abc"); } },
        { "an end whose size differs", [&] {
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_BEGIN, 0);
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_DATA, 0, "abc");
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_END, 0, "   1:       4");
         } },
        { "another tile's data", [&] {
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_BEGIN, 0);
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_DATA, 1, "abc");
             ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_END, 0, "   1:       3");
         } },
        { "a desktop tile while a window is shared", [&] { upload(0, 1, "abc", MSG_SHARE_DESK_TILE_BEGIN); } },
        { "a tile over the bound of 4 MiB", [&] { upload(0, 1, std::string(share_tile_limit + 1, 'b')); } },
        { "a tile from someone who does not share", [&] {
             bob_.send(PeerChannel::app, MSG_SHARE_APP_TILE_BEGIN, 0);
             bob_.send(PeerChannel::app, MSG_SHARE_APP_TILE_DATA, 0, "abc");
             bob_.send(PeerChannel::app, MSG_SHARE_APP_TILE_END, 0, "   1:       3");
         } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bob_.clear();
        c.send();
        // A begin without its end is thrown away by the next begin.
        ann_.send(PeerChannel::app, MSG_SHARE_APP_TILE_BEGIN, 1);
        upload(1, 7, "good");
        auto notice = bob_.await_number(MSG_SHARE_APP_TILE_NOTICE);
        ASSERT_TRUE(notice);
        EXPECT_EQ(notice->head.address, 1);
        EXPECT_EQ(bob_.count(MSG_SHARE_APP_TILE_NOTICE), 1u);
        EXPECT_EQ(bob_.count(MSG_SHARE_DESK_TILE_NOTICE), 0u);
        EXPECT_TRUE(absent(bob_, 0, 1));
        EXPECT_EQ(fetch(bob_, 1), "good");
    }
}

TEST_F(ShareTilesEndToEnd, RemoteInputComesOnlyFromTheMemberWhoSteersAndGoesOnlyToTheSharer)
{
    HeadlessPeer cid("cid");
    ASSERT_EQ(cid.connect("127.0.0.1", server_.port(), true), 0);
    ASSERT_GT(cid.join_room("Tiles"), 0);

    // A share without control: the request is refused and input is dropped.
    share_app(false);
    bob_.send(PeerChannel::main, MSG_REQUEST_APP_CONTROL, ann_.customer_id());
    EXPECT_TRUE(bob_.await_number(MSG_APP_CONTROL_REFUSED));
    bob_.send(PeerChannel::main, MSG_REMOTE_DESK_MOUSE_MOVE, ann_.customer_id(), "  10:  10");
    ann_.send(PeerChannel::main, MSG_SHARE_APP_STOP, ann_.customer_id());
    ASSERT_TRUE(bob_.await_number(MSG_SHARE_APP_ENDED));

    share_app(true);
    bob_.send(PeerChannel::main, MSG_REQUEST_APP_CONTROL, ann_.customer_id());
    ASSERT_TRUE(bob_.await_number(MSG_APP_CONTROL_ALLOWED));
    cid.send(PeerChannel::main, MSG_REQUEST_APP_CONTROL, ann_.customer_id());
    EXPECT_TRUE(cid.await_number(MSG_APP_CONTROL_REFUSED));  // someone else steers

    // cid has no grant: nothing of its input reaches anyone, whatever field 2 says.
    cid.send(PeerChannel::main, MSG_REMOTE_DESK_LBUTTON_DOWN, ann_.customer_id(), "  11:  12");
    cid.send(PeerChannel::main, MSG_REMOTE_DESK_KEY, 999, "        65:         0");
    // bob steers: his input reaches the sharer only, with his id; the desktop key's 0 in field 2 too.
    bob_.send(PeerChannel::main, MSG_REMOTE_DESK_LBUTTON_DOWN, 999, "  21:  22");
    bob_.send(PeerChannel::main, MSG_REMOTE_DESK_KEY, 0, "        66:         0");
    bob_.send(PeerChannel::main, MSG_REMOTE_KEY_INPUT, 0, std::string(28, '\0'));
    ASSERT_TRUE(ann_.await_number(MSG_REMOTE_KEY_INPUT));
    auto down = ann_.await_number(MSG_REMOTE_DESK_LBUTTON_DOWN);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->body, "  21:  22");
    EXPECT_EQ(down->head.address, bob_.customer_id());
    auto key = ann_.await_number(MSG_REMOTE_DESK_KEY);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->body, "        66:         0");
    EXPECT_EQ(ann_.count(MSG_REMOTE_DESK_LBUTTON_DOWN), 1u);
    EXPECT_EQ(ann_.count(MSG_REMOTE_DESK_KEY), 1u);
    EXPECT_EQ(ann_.count(MSG_REMOTE_KEY_INPUT), 1u);
    EXPECT_EQ(ann_.count(MSG_REMOTE_DESK_MOUSE_MOVE), 0u);
    EXPECT_EQ(cid.count(MSG_REMOTE_DESK_LBUTTON_DOWN), 0u);

    // Given up, bob's input is dropped and cid may steer.
    bob_.send(PeerChannel::main, MSG_RELEASE_APP_CONTROL, ann_.customer_id());
    bob_.send(PeerChannel::main, MSG_REMOTE_DESK_LBUTTON_UP, 0, "  21:  22");
    cid.clear();
    cid.send(PeerChannel::main, MSG_REQUEST_APP_CONTROL, ann_.customer_id());
    EXPECT_TRUE(cid.await_number(MSG_APP_CONTROL_ALLOWED));
    cid.send(PeerChannel::main, MSG_REMOTE_DESK_LBUTTON_UP, 0, "  31:  32");
    auto up = ann_.await_number(MSG_REMOTE_DESK_LBUTTON_UP);
    ASSERT_TRUE(up);
    EXPECT_EQ(up->body, "  31:  32");
    EXPECT_EQ(up->head.address, cid.customer_id());
}
