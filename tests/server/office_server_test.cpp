// Office documents through the real server and headless peers: an
// announcement of a whole file of the room reaches the others with the
// sharer's name, one whose upload runs waits for it, the sharer's place
// passes only from the sharer, and a sharer who closes, leaves or goes away
// ends the share for the others.

#include "core/messages.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class OfficeServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto* peer : { &ann_, &bob_, &cid_ }) {
            ASSERT_EQ(peer->connect("127.0.0.1", server_.port()), 0);
            ASSERT_GT(peer->join_room("Office"), 0);
        }
        for (auto* peer : { &ann_, &bob_, &cid_ })
            peer->clear();
    }

    void upload(HeadlessPeer& p, const std::string& name, bool end = true)
    {
        p.send(PeerChannel::file, MSG_FILE_UPLOAD_BEGIN, 0, name);
        p.send(PeerChannel::file, MSG_FILE_UPLOAD_DATA, 0, "slides");
        if (end)
            finish_upload(p, name);
    }
    void finish_upload(HeadlessPeer& p, const std::string& name)
    {
        p.send(PeerChannel::file, MSG_FILE_UPLOAD_END);
        ASSERT_TRUE(server_.wait_for_log("stored " + name));
    }

    ServerProcess server_;
    HeadlessPeer ann_ { "ann" };
    HeadlessPeer bob_ { "bob" };
    HeadlessPeer cid_ { "cid" };
};

} // namespace

TEST_F(OfficeServer, AnAnnouncedFileReachesTheOthersWithTheSharersName)
{
    struct Kind {
        int share, shared;
        const char* name;
    };
    const Kind kinds[] = {
        { MSG_PPT_SHARE_FILE, MSG_PPT_SHARED, "deck.ppt" },
        { MSG_WORD_SHARE_FILE, MSG_WORD_SHARED, "letter.doc" },
        { MSG_EXCEL_SHARE_FILE, MSG_EXCEL_SHARED, "book.xls" },
    };
    for (const Kind& k : kinds) {
        upload(bob_, k.name);
        bob_.send(PeerChannel::main, k.share, 0, k.name);
        for (HeadlessPeer* viewer : { &ann_, &cid_ }) {
            auto announced = viewer->await_number(k.share);
            ASSERT_TRUE(announced) << k.name;
            EXPECT_EQ(announced->body, k.name);
            EXPECT_EQ(announced->head.address, bob_.customer_id());
            auto shared = viewer->await_number(k.shared);
            ASSERT_TRUE(shared);
            EXPECT_NE(shared->body.find("bob"), std::string::npos) << shared->body;
            // The name follows the announcement, which sets the file's local name.
            std::vector<int> order;
            for (const ArrivedMessage& m : viewer->arrived())
                if (m.head.number == k.share || m.head.number == k.shared)
                    order.push_back(m.head.number);
            EXPECT_EQ(order, (std::vector<int> { k.share, k.shared }));
        }
    }
    EXPECT_EQ(bob_.count(MSG_PPT_SHARE_FILE) + bob_.count(MSG_PPT_SHARED), 0u);
}

TEST_F(OfficeServer, AnnouncementsTheRulesRefuseAreLoggedAndNeverPassedOn)
{
    upload(ann_, "deck.ppt");
    struct Case {
        std::string name;
        const char* log;
    };
    const Case cases[] = {
        { "missing.ppt", "dropped: no such file in its room" },
        { "../deck.ppt", "dropped: not a plain file name" },
        { "..", "dropped: not a plain file name" },
        { "a\\deck.ppt", "dropped: not a plain file name" },
        { "deck\t.ppt", "dropped: not a plain file name" },
        { std::string(64, 'n'), "dropped: not a plain file name" },
        { "", "dropped: not a plain file name" },
    };
    for (const Case& c : cases) {
        ann_.send(PeerChannel::main, MSG_PPT_SHARE_FILE, 0, c.name);
        EXPECT_TRUE(server_.wait_for_log(c.log)) << c.name;
    }
    // Chairman control: only the presenter shares. Ann entered first and is the chairman.
    ann_.send(PeerChannel::main, MSG_MODE_CHAIRMAN);
    ASSERT_TRUE(bob_.await_number(MSG_MODE_CHAIRMAN));
    upload(bob_, "notes.doc");
    bob_.send(PeerChannel::main, MSG_WORD_SHARE_FILE, 0, "notes.doc");
    EXPECT_TRUE(server_.wait_for_log("dropped: only the presenter shares in chairman control mode"));
    ann_.send(PeerChannel::main, MSG_SET_PRESENTER, bob_.customer_id());
    ASSERT_TRUE(bob_.await_number(MSG_PRESENTER_SET));
    bob_.send(PeerChannel::main, MSG_WORD_SHARE_FILE, 0, "notes.doc");
    ASSERT_TRUE(cid_.await_number(MSG_WORD_SHARE_FILE));
    // Only that one announcement came through, after the other refusals.
    EXPECT_EQ(cid_.count(MSG_PPT_SHARE_FILE), 0u);
    EXPECT_EQ(cid_.count(MSG_PPT_SHARED), 0u);
    EXPECT_EQ(cid_.count(MSG_WORD_SHARE_FILE), 1u);
}

TEST_F(OfficeServer, AnAnnouncementWaitsForItsUploadAndIsDroppedWithIt)
{
    upload(ann_, "late.ppt", false);
    ann_.send(PeerChannel::main, MSG_PPT_SHARE_FILE, 0, "late.ppt");
    ASSERT_TRUE(server_.wait_for_log("\"late.ppt\" waits for its upload"));
    EXPECT_FALSE(bob_.await_number(MSG_PPT_SHARE_FILE, 200));
    finish_upload(ann_, "late.ppt");
    auto announced = bob_.await_number(MSG_PPT_SHARE_FILE);
    ASSERT_TRUE(announced);
    EXPECT_EQ(announced->body, "late.ppt");
    EXPECT_TRUE(bob_.await_number(MSG_PPT_SHARED));

    upload(ann_, "gone.xls", false);
    ann_.send(PeerChannel::main, MSG_EXCEL_SHARE_FILE, 0, "gone.xls");
    ASSERT_TRUE(server_.wait_for_log("\"gone.xls\" waits for its upload"));
    ann_.send(PeerChannel::file, MSG_FILE_UPLOAD_CANCEL);
    ann_.send(PeerChannel::file, MSG_FILE_UPLOAD_END);
    EXPECT_TRUE(server_.wait_for_log("\"gone.xls\" dropped: its upload did not complete"));
    EXPECT_FALSE(bob_.await_number(MSG_EXCEL_SHARE_FILE, 300));
}

TEST_F(OfficeServer, OnlyTheSharersPlaceAndCloseGoToTheOthers)
{
    upload(ann_, "book.xls");
    ann_.send(PeerChannel::main, MSG_EXCEL_SHARE_FILE, 0, "book.xls");
    ASSERT_TRUE(bob_.await_number(MSG_EXCEL_SHARED));
    struct Case {
        HeadlessPeer* from;
        int number;
        std::string body;
        bool passes;
    };
    const Case cases[] = {
        { &ann_, MSG_EXCEL_SHEET, "   2:  12:40000", true },
        { &ann_, MSG_EXCEL_CHART, "   3", true },
        { &bob_, MSG_EXCEL_SHEET, "   1:   1:   1", false },
        { &ann_, MSG_EXCEL_SHEET, "   2:  12", false },
        { &ann_, MSG_EXCEL_SHEET, "two:1:1", false },
        { &ann_, MSG_EXCEL_CHART, "", false },
        { &ann_, MSG_PPT_SLIDE, "   1:   0", false },  // not the sharer of a presentation
        { &ann_, MSG_EXCEL_SHEET, "   3:   1:99999", true },
    };
    size_t passed = 0;
    for (const Case& c : cases) {
        c.from->send(PeerChannel::main, c.number, 999, c.body);
        passed += c.passes ? 1 : 0;
    }
    ASSERT_TRUE(cid_.await_count(MSG_EXCEL_SHEET, 2));
    std::vector<ArrivedMessage> got;
    for (const ArrivedMessage& m : cid_.arrived())
        if (m.head.number == MSG_EXCEL_SHEET || m.head.number == MSG_EXCEL_CHART || m.head.number == MSG_PPT_SLIDE)
            got.push_back(m);
    ASSERT_EQ(got.size(), passed);
    EXPECT_EQ(got[0].body, "   2:  12:40000");
    EXPECT_EQ(got[0].head.address, ann_.customer_id());
    EXPECT_EQ(got[1].body, "   3");
    EXPECT_EQ(got[2].body, "   3:   1:99999");
    EXPECT_TRUE(server_.wait_for_log("dropped (not the room's sharer)"));
    EXPECT_TRUE(server_.wait_for_log("dropped (malformed body)"));

    // The close ends the share: the former sharer's place goes nowhere.
    bob_.send(PeerChannel::main, MSG_EXCEL_CLOSE, 999);
    ann_.send(PeerChannel::main, MSG_EXCEL_CLOSE, 999);
    auto closed = cid_.await_number(MSG_EXCEL_CLOSE);
    ASSERT_TRUE(closed);
    EXPECT_EQ(closed->head.address, ann_.customer_id());
    ann_.send(PeerChannel::main, MSG_EXCEL_SHEET, 999, "   1:   1:   1");
    ASSERT_TRUE(server_.wait_for_log("message 542 from " + std::to_string(ann_.customer_id()) + " dropped (not the room's sharer)"));
    EXPECT_EQ(cid_.count(MSG_EXCEL_CLOSE), 1u);
    EXPECT_EQ(cid_.count(MSG_EXCEL_SHEET), 2u);

    // What the viewers say of a share they cannot follow stays with the server.
    bob_.send(PeerChannel::main, MSG_EXCEL_541);
    EXPECT_TRUE(server_.wait_for_log("could not follow the share (541)"));
    EXPECT_EQ(ann_.count(MSG_EXCEL_541), 0u);
}

TEST_F(OfficeServer, ASharerWhoLeavesOrGoesAwayEndsItsSharesForTheOthers)
{
    upload(ann_, "deck.ppt");
    upload(ann_, "letter.doc");
    ann_.send(PeerChannel::main, MSG_PPT_SHARE_FILE, 0, "deck.ppt");
    ann_.send(PeerChannel::main, MSG_WORD_SHARE_FILE, 0, "letter.doc");
    ASSERT_TRUE(bob_.await_number(MSG_WORD_SHARED));
    ann_.send(PeerChannel::main, MSG_ROOM_LEAVE);
    for (int close : { MSG_PPT_CLOSE, MSG_WORD_CLOSE }) {
        auto m = bob_.await_number(close);
        ASSERT_TRUE(m) << close;
        EXPECT_EQ(m->head.address, ann_.customer_id());
        EXPECT_TRUE(cid_.await_number(close));
    }
    EXPECT_EQ(bob_.count(MSG_EXCEL_CLOSE), 0u);

    upload(bob_, "book.xls");
    bob_.send(PeerChannel::main, MSG_EXCEL_SHARE_FILE, 0, "book.xls");
    ASSERT_TRUE(cid_.await_number(MSG_EXCEL_SHARED));
    const int bob_id = bob_.customer_id();
    bob_.close();
    auto closed = cid_.await_number(MSG_EXCEL_CLOSE);
    ASSERT_TRUE(closed);
    EXPECT_EQ(closed->head.address, bob_id);
}
