// Sharing through the real server: one share a room, the answers to the
// requests, the sharer's announcements reaching the others, and the end of
// a share when its sharer stops, leaves the room or goes away.

#include "core/messages.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"

#include <gtest/gtest.h>

namespace {

class ShareEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto* peer : { &ann_, &bob_, &cid_ }) {
            ASSERT_EQ(peer->connect("127.0.0.1", server_.port(), true), 0);
            ASSERT_GT(peer->join_room("Share"), 0);
        }
        for (auto* peer : { &ann_, &bob_, &cid_ })
            peer->clear();
    }
    ServerProcess server_;
    HeadlessPeer ann_ { "ann" };
    HeadlessPeer bob_ { "bob" };
    HeadlessPeer cid_ { "cid" };
};

} // namespace

TEST_F(ShareEndToEnd, OneShareARoomAndTheOthersAreRefused)
{
    ann_.send(PeerChannel::main, MSG_SHARE_APP_ALLOW_CONTROL, ann_.customer_id());
    ann_.send(PeerChannel::main, MSG_SHARE_APP_START, ann_.customer_id());
    EXPECT_TRUE(ann_.await_number(MSG_202));
    bob_.send(PeerChannel::main, MSG_SHARE_APP_START, bob_.customer_id());
    EXPECT_TRUE(bob_.await_number(MSG_SHARE_APP_REFUSED));
    bob_.send(PeerChannel::main, MSG_SHARE_DESK_START);
    EXPECT_TRUE(bob_.await_number(MSG_SHARE_DESK_REFUSED));
    ann_.send(PeerChannel::main, MSG_SHARE_DESK_START);
    EXPECT_TRUE(ann_.await_number(MSG_SHARE_DESK_REFUSED));  // a window is already shared

    ann_.send(PeerChannel::main, MSG_SHARE_APP_STOP, ann_.customer_id());
    EXPECT_TRUE(bob_.await_number(MSG_SHARE_APP_ENDED));
    EXPECT_TRUE(cid_.await_number(MSG_SHARE_APP_ENDED));
    bob_.send(PeerChannel::main, MSG_SHARE_DESK_START);
    EXPECT_TRUE(bob_.await_number(MSG_SHARE_DESK_ALLOWED));
    cid_.send(PeerChannel::main, MSG_SHARE_APP_START, cid_.customer_id());
    EXPECT_TRUE(cid_.await_number(MSG_SHARE_APP_REFUSED));
    EXPECT_EQ(ann_.count(MSG_SHARE_APP_ENDED), 0u);  // the sharer who stopped is not told
}

TEST_F(ShareEndToEnd, TheSharersAnnouncementsReachTheOthersAndNobodyElsesDo)
{
    ann_.send(PeerChannel::main, MSG_SHARE_APP_START, ann_.customer_id());
    ASSERT_TRUE(ann_.await_number(MSG_202));
    ann_.send(PeerChannel::main, MSG_SHARE_APP_WINDOW_RECT, 0, "  10:  20: 300: 200");
    ann_.send(PeerChannel::main, MSG_SHARE_CURSOR_POS, 0, " 100: 120");
    auto rect = bob_.await_number(MSG_SHARE_APP_WINDOW_RECT);
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->body, "  10:  20: 300: 200");
    EXPECT_TRUE(cid_.await_number(MSG_SHARE_CURSOR_POS));
    // Not the sharer, a desktop size from a window's sharer, a bad body: dropped.
    bob_.send(PeerChannel::main, MSG_SHARE_APP_WINDOW_RECT, 0, "   0:   0: 100: 100");
    ann_.send(PeerChannel::main, MSG_SHARE_DESK_SIZE, 0, " 800: 600");
    ann_.send(PeerChannel::main, MSG_SHARE_APP_WINDOW_RECT, 0, "10:20:300:200");
    ann_.send(PeerChannel::main, MSG_SHARE_CURSOR_POS, 0, " 101: 121");
    ASSERT_TRUE(bob_.await_count(MSG_SHARE_CURSOR_POS, 2));
    EXPECT_EQ(bob_.count(MSG_SHARE_APP_WINDOW_RECT), 1u);
    EXPECT_EQ(bob_.count(MSG_SHARE_DESK_SIZE), 0u);
    EXPECT_EQ(ann_.count(MSG_SHARE_APP_WINDOW_RECT), 0u);
}

TEST_F(ShareEndToEnd, AnOverlayRepaintReachesTheSharerOfItsKindAlone)
{
    ann_.send(PeerChannel::main, MSG_SHARE_APP_START, ann_.customer_id());
    ASSERT_TRUE(ann_.await_number(MSG_202));
    // The desktop's kind while a window is shared, and one with a body: dropped.
    // Each member's messages are handled in order, so its last one marks the rest.
    bob_.send(PeerChannel::main, MSG_DESK_OVERLAY_REPAINT);
    bob_.send(PeerChannel::main, MSG_APP_OVERLAY_REPAINT, 0, "x");
    bob_.send(PeerChannel::main, MSG_APP_OVERLAY_REPAINT);
    cid_.send(PeerChannel::main, MSG_APP_OVERLAY_REPAINT);
    ASSERT_TRUE(ann_.await_count(MSG_APP_OVERLAY_REPAINT, 2));
    for (const ArrivedMessage& m : ann_.arrived())
        if (m.head.number == MSG_APP_OVERLAY_REPAINT)
            EXPECT_TRUE(m.body.empty());

    // Once the share has ended nothing goes anywhere; the desktop's sharer gets the desktop's kind.
    ann_.send(PeerChannel::main, MSG_SHARE_APP_STOP, ann_.customer_id());
    ASSERT_TRUE(bob_.await_number(MSG_SHARE_APP_ENDED));
    bob_.send(PeerChannel::main, MSG_APP_OVERLAY_REPAINT);
    cid_.send(PeerChannel::main, MSG_SHARE_DESK_START);
    ASSERT_TRUE(cid_.await_number(MSG_SHARE_DESK_ALLOWED));
    bob_.send(PeerChannel::main, MSG_DESK_OVERLAY_REPAINT);
    EXPECT_TRUE(cid_.await_number(MSG_DESK_OVERLAY_REPAINT));
    EXPECT_EQ(ann_.count(MSG_APP_OVERLAY_REPAINT), 2u);
    EXPECT_EQ(ann_.count(MSG_DESK_OVERLAY_REPAINT), 0u);
    EXPECT_EQ(bob_.count(MSG_APP_OVERLAY_REPAINT) + bob_.count(MSG_DESK_OVERLAY_REPAINT), 0u);
}

TEST_F(ShareEndToEnd, ASharerWhoLeavesTheRoomOrGoesAwayEndsTheShareForEveryone)
{
    ann_.send(PeerChannel::main, MSG_SHARE_DESK_START);
    ASSERT_TRUE(ann_.await_number(MSG_SHARE_DESK_ALLOWED));
    ann_.send(PeerChannel::main, MSG_ROOM_LEAVE);
    EXPECT_TRUE(bob_.await_number(MSG_SHARE_DESK_ENDED));
    EXPECT_TRUE(cid_.await_number(MSG_SHARE_DESK_ENDED));

    bob_.send(PeerChannel::main, MSG_SHARE_APP_START, bob_.customer_id());
    ASSERT_TRUE(bob_.await_number(MSG_202));
    bob_.close();
    EXPECT_TRUE(cid_.await_number(MSG_SHARE_APP_ENDED));
    cid_.send(PeerChannel::main, MSG_SHARE_APP_START, cid_.customer_id());
    EXPECT_TRUE(cid_.await_number(MSG_202));
}
