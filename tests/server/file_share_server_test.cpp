// The server's file store through the real tamblo-server and headless
// peers: uploads become listed only when whole, downloads come in pieces as
// they are read, names never leave their area, and what is cut off leaves
// nothing behind.

#include "core/messages.h"
#include "core/text_util.h"
#include "tests/support/headless_peer.h"
#include "tests/support/random_bytes.h"
#include "tests/support/server_process.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Entry {
    std::string name;
    long long size = 0;
    bool operator==(const Entry&) const = default;
};

// A fresh folder for the server's store, removed at the end.
class DataDir {
public:
    DataDir()
    {
        char pattern[] = "/tmp/tamblo-files-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~DataDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    // Every file under the folder, as paths relative to it.
    std::vector<std::string> files() const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(path_))
            if (e.is_regular_file())
                out.push_back(fs::relative(e.path(), path_).string());
        std::sort(out.begin(), out.end());
        return out;
    }
    std::vector<std::string> parts() const
    {
        std::vector<std::string> out;
        for (const std::string& f : files())
            if (f.rfind("parts/", 0) == 0)
                out.push_back(f);
        return out;
    }

private:
    std::string path_;
};

class FileStore : public ::testing::Test {
protected:
    void start(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args { "--data-dir", data_.path() };
        args.insert(args.end(), extra.begin(), extra.end());
        server_ = std::make_unique<ServerProcess>(args);
    }
    std::unique_ptr<HeadlessPeer> member(const std::string& name, const std::string& room = "Lobby")
    {
        auto peer = std::make_unique<HeadlessPeer>(name);
        EXPECT_EQ(peer->connect("127.0.0.1", server_->port()), 0);
        EXPECT_GE(peer->join_room(room), 0);
        return peer;
    }
    static void upload(HeadlessPeer& p, const std::string& name, const std::string& data, bool end = true)
    {
        p.send(PeerChannel::file, MSG_FILE_UPLOAD_BEGIN, 0, name);
        for (size_t at = 0; at < data.size(); at += 1000)
            p.send(PeerChannel::file, MSG_FILE_UPLOAD_DATA, 0, std::string_view(data).substr(at, 1000));
        if (end)
            p.send(PeerChannel::file, MSG_FILE_UPLOAD_END);
    }
    // The list as the server sends it; a request for no file follows the 157,
    // and its answer (154 "-1", 156) marks the list's end.
    static std::vector<Entry> list(HeadlessPeer& p)
    {
        p.clear();
        p.send(PeerChannel::file, MSG_FILE_LIST_REFRESH);
        p.send(PeerChannel::file, MSG_FILE_DOWNLOAD_REQUEST, 0, "no such file, marks the end");
        EXPECT_TRUE(p.await_number(MSG_FILE_DOWNLOAD_END).has_value());
        std::vector<Entry> out;
        for (const ArrivedMessage& m : p.arrived()) {
            if (m.head.number != MSG_FILE_LIST_FIRST && m.head.number != MSG_FILE_LIST_ADD)
                continue;
            EXPECT_EQ(m.head.number == MSG_FILE_LIST_FIRST, out.empty());
            size_t nul = m.body.find('\0');
            EXPECT_NE(nul, std::string::npos);
            EXPECT_EQ(m.body.size(), nul + 1 + 14);
            out.push_back({ m.body.substr(0, nul), std::stoll(m.body.substr(m.body.size() - 14)) });
        }
        p.clear();
        return out;
    }
    // 153, then everything up to its 156: the size announced and the bytes.
    static std::pair<long long, std::string> download(HeadlessPeer& p, const std::string& name)
    {
        p.clear();
        p.send(PeerChannel::file, MSG_FILE_DOWNLOAD_REQUEST, 0, name);
        EXPECT_TRUE(p.await_number(MSG_FILE_DOWNLOAD_END, 20000).has_value());
        long long size = -2;
        std::string bytes;
        for (const ArrivedMessage& m : p.arrived()) {
            if (m.head.number == MSG_FILE_DOWNLOAD_BEGIN)
                size = std::stoll(m.body);
            if (m.head.number == MSG_FILE_DOWNLOAD_DATA) {
                EXPECT_LE(m.body.size(), 8000u);
                bytes += m.body;
            }
        }
        p.clear();
        return { size, bytes };
    }

    DataDir data_;
    std::unique_ptr<ServerProcess> server_;
};

TEST_F(FileStore, AnUploadIsListedWhenWholeDownloadsInPiecesAndGoesWithItsDelete)
{
    start();
    auto ann = member("ann"); // the first in the room: its chairman
    auto bob = member("bob");
    auto cy = member("cy");
    const std::string first = random_bytes(25000, 1);
    upload(*bob, "report.bin", first, false);
    // Not listed while it is on its way.
    EXPECT_EQ(list(*cy), std::vector<Entry> {});
    EXPECT_EQ(data_.parts().size(), 1u);
    bob->send(PeerChannel::file, MSG_FILE_UPLOAD_END);
    // The whole room hears of it, the uploader too.
    for (HeadlessPeer* p : { ann.get(), bob.get(), cy.get() })
        EXPECT_TRUE(p->await_number(MSG_FILE_LIST_CHANGED).has_value());
    ann->clear();
    upload(*cy, "notes.txt", "hello");
    ASSERT_TRUE(ann->await_number(MSG_FILE_LIST_CHANGED).has_value());
    EXPECT_EQ(list(*ann), (std::vector<Entry> { { "report.bin", 25000 }, { "notes.txt", 5 } }));
    EXPECT_TRUE(data_.parts().empty());
    auto [size, bytes] = download(*cy, "report.bin");
    EXPECT_EQ(size, 25000);
    EXPECT_TRUE(bytes == first);
    // The same name again replaces the file, in its new place at the end.
    const std::string second = random_bytes(1001, 2);
    ann->clear();
    upload(*bob, "report.bin", second);
    ASSERT_TRUE(ann->await_number(MSG_FILE_LIST_CHANGED).has_value());
    EXPECT_EQ(list(*ann), (std::vector<Entry> { { "notes.txt", 5 }, { "report.bin", 1001 } }));
    EXPECT_TRUE(download(*ann, "report.bin").second == second);
    // Only the uploader or the chairman deletes: cy's refusal is answered with the list.
    cy->clear();
    cy->send(PeerChannel::file, MSG_FILE_DELETE, 0, "report.bin");
    EXPECT_TRUE(cy->await_number(MSG_FILE_LIST_FIRST).has_value());
    EXPECT_TRUE(cy->await_number(MSG_FILE_LIST_ADD).has_value()); // the answer's second and last entry
    EXPECT_TRUE(server_->wait_for_log("delete of \"report.bin\" refused: only its uploader or the chairman deletes it"));
    EXPECT_EQ(list(*cy).size(), 2u);
    bob->clear();
    ann->send(PeerChannel::file, MSG_FILE_DELETE, 0, "report.bin"); // the chairman
    cy->send(PeerChannel::file, MSG_FILE_DELETE, 0, "notes.txt");   // its uploader
    ASSERT_TRUE(bob->await_count(MSG_FILE_LIST_CHANGED, 2));
    EXPECT_EQ(list(*bob), std::vector<Entry> {});
    EXPECT_EQ(download(*bob, "report.bin").first, -1);
    // Nothing but the empty area is left on disk.
    EXPECT_EQ(data_.files(), std::vector<std::string> {});
}

TEST_F(FileStore, NamesThatAreNotPlainOrTooLongAreRefusedAndWriteNothing)
{
    start();
    auto ann = member("ann");
    const std::string long_name(64, 'n');
    for (std::string name : { std::string(), std::string("."), std::string(".."), std::string("a/b"), std::string("../up"),
                              std::string("a\\b"), std::string("a\0b", 3), long_name }) {
        upload(*ann, name, "data that goes nowhere");
        ASSERT_TRUE(server_->wait_for_log("refused: not a plain file name of 1 to 63 bytes")) << name;
    }
    ann->send(PeerChannel::file, MSG_FILE_DOWNLOAD_REQUEST, 0, "../../etc/passwd");
    EXPECT_TRUE(ann->await_number(MSG_FILE_DOWNLOAD_BEGIN).has_value());
    EXPECT_EQ(ann->await_number(MSG_FILE_DOWNLOAD_BEGIN)->body, "-1");
    EXPECT_EQ(list(*ann), std::vector<Entry> {});
    EXPECT_EQ(data_.files(), std::vector<std::string> {});
    EXPECT_TRUE(fs::is_empty(fs::path(data_.path()) / "parts"));
    // 63 bytes go through, and come back by their whole name.
    const std::string longest(63, 'k');
    upload(*ann, longest, "fits");
    ASSERT_TRUE(ann->await_number(MSG_FILE_LIST_CHANGED).has_value());
    EXPECT_EQ(list(*ann), (std::vector<Entry> { { longest, 4 } }));
    EXPECT_EQ(download(*ann, longest).second, "fits");
}

TEST_F(FileStore, MessagesOutOfTurnAreLoggedAndChangeNothing)
{
    start();
    auto ann = member("ann");
    upload(*ann, "kept.txt", "kept");
    ASSERT_TRUE(ann->await_number(MSG_FILE_LIST_CHANGED).has_value());
    ann->clear();
    ann->send(PeerChannel::file, MSG_FILE_UPLOAD_DATA, 0, "no upload begun");
    ann->send(PeerChannel::file, MSG_FILE_UPLOAD_END);
    ann->send(PeerChannel::file, MSG_FILE_DELETE, 0, "missing.txt");
    EXPECT_TRUE(ann->await_number(MSG_FILE_LIST_FIRST).has_value()); // the refusal's answer
    ann->send(PeerChannel::main, MSG_FILE_UPLOAD_BEGIN, 0, "wrong connection");
    EXPECT_TRUE(server_->wait_for_log("upload data with no upload begun: dropped"));
    EXPECT_TRUE(server_->wait_for_log("upload end with no upload begun: ignored"));
    EXPECT_TRUE(server_->wait_for_log("delete of \"missing.txt\" refused: no such file"));
    EXPECT_TRUE(server_->wait_for_log("file message 150 on its main connection: ignored"));
    EXPECT_EQ(list(*ann), (std::vector<Entry> { { "kept.txt", 4 } }));
    // Not in a room: nothing is taken.
    HeadlessPeer outside("outside");
    ASSERT_EQ(outside.connect("127.0.0.1", server_->port()), 0);
    ASSERT_EQ(outside.login("outside"), 0);
    upload(outside, "sneaked.txt", "x");
    EXPECT_TRUE(server_->wait_for_log("upload of \"sneaked.txt\" refused: in no room"));
    EXPECT_EQ(list(*ann).size(), 1u);
    EXPECT_TRUE(data_.parts().empty());
}

TEST_F(FileStore, SizeLimitQuotaCancelAndALostUploaderLeaveNoPart)
{
    start({ "--room-files-mib", "2" });
    auto ann = member("ann");
    // Past the room's quota: the part goes at once.
    upload(*ann, "big.bin", random_bytes(3 * 1024 * 1024, 3));
    EXPECT_TRUE(server_->wait_for_log("upload of big.bin dropped after"));
    EXPECT_TRUE(server_->wait_for_log("the room's files would pass its quota"));
    // A cancel on the file connection, then the end: nothing stored.
    upload(*ann, "cancelled.bin", random_bytes(5000, 4), false);
    ann->send(PeerChannel::file, MSG_FILE_UPLOAD_CANCEL);
    ann->send(PeerChannel::file, MSG_FILE_UPLOAD_END);
    EXPECT_TRUE(server_->wait_for_log("upload of cancelled.bin dropped after 5000 bytes: cancelled"));
    // The main connection's copy of a cancel is not the one acted on.
    upload(*ann, "main-cancel.bin", "abc", false);
    ann->send(PeerChannel::main, MSG_FILE_UPLOAD_CANCEL);
    ann->send(PeerChannel::file, MSG_FILE_UPLOAD_END);
    ASSERT_TRUE(ann->await_number(MSG_FILE_LIST_CHANGED).has_value());
    // A new 150 drops the one before.
    upload(*ann, "first.bin", "aaaa", false);
    upload(*ann, "second.bin", "bb");
    EXPECT_TRUE(server_->wait_for_log("upload of first.bin dropped after 4 bytes: a new upload began"));
    ASSERT_TRUE(ann->await_count(MSG_FILE_LIST_CHANGED, 2));
    EXPECT_EQ(list(*ann), (std::vector<Entry> { { "main-cancel.bin", 3 }, { "second.bin", 2 } }));
    // An uploader that goes before its end.
    auto bob = member("bob");
    upload(*bob, "half.bin", random_bytes(4000, 5), false);
    ASSERT_TRUE(server_->wait_for_log("upload of half.bin begun"));
    bob->close();
    EXPECT_TRUE(server_->wait_for_log("upload of half.bin dropped after"));
    EXPECT_TRUE(data_.parts().empty());
    EXPECT_EQ(list(*ann).size(), 2u);
}

TEST_F(FileStore, TwentyMillionBytesAreTakenAndOneMoreIsNot)
{
    start({ "--room-files-mib", "100" });
    auto ann = member("ann");
    const std::string exact = random_bytes(20000000, 6);
    upload(*ann, "exact.bin", exact);
    upload(*ann, "over.bin", exact + "!");
    EXPECT_TRUE(server_->wait_for_log("upload of over.bin dropped after 20000000 bytes: longer than 20000000 bytes", 20000));
    ASSERT_TRUE(ann->await_number(MSG_FILE_LIST_CHANGED, 20000).has_value());
    EXPECT_EQ(list(*ann), (std::vector<Entry> { { "exact.bin", 20000000 } }));
    auto [size, bytes] = download(*ann, "exact.bin");
    EXPECT_EQ(size, 20000000);
    EXPECT_TRUE(bytes == exact);
    EXPECT_TRUE(data_.parts().empty());
}

TEST_F(FileStore, ADownloadIsTheFileAsItWasAskedForAndACancelEndsIt)
{
    start();
    auto ann = member("ann");
    auto bob = member("bob");
    const std::string v1 = random_bytes(6000000, 7);
    upload(*ann, "moving.bin", v1);
    ASSERT_TRUE(bob->await_number(MSG_FILE_LIST_CHANGED, 10000).has_value());
    bob->clear();
    ann->clear();
    bob->send(PeerChannel::file, MSG_FILE_DOWNLOAD_REQUEST, 0, "moving.bin");
    ASSERT_TRUE(bob->await_number(MSG_FILE_DOWNLOAD_BEGIN).has_value());
    // Deleted and uploaded anew while it runs: the reader still gets the old bytes.
    ann->send(PeerChannel::file, MSG_FILE_DELETE, 0, "moving.bin");
    upload(*ann, "moving.bin", "new");
    ASSERT_TRUE(bob->await_number(MSG_FILE_DOWNLOAD_END, 20000).has_value());
    std::string got;
    for (const ArrivedMessage& m : bob->arrived())
        if (m.head.number == MSG_FILE_DOWNLOAD_DATA)
            got += m.body;
    EXPECT_TRUE(got == v1);
    // 163 on the file connection stops one under way; its 156 still comes.
    const std::string big = random_bytes(8000000, 8);
    upload(*ann, "big.bin", big);
    ASSERT_TRUE(ann->await_count(MSG_FILE_LIST_CHANGED, 3, 10000));
    bob->clear();
    bob->send(PeerChannel::file, MSG_FILE_DOWNLOAD_REQUEST, 0, "big.bin");
    bob->send(PeerChannel::file, MSG_FILE_DOWNLOAD_CANCEL);
    ASSERT_TRUE(bob->await_number(MSG_FILE_DOWNLOAD_END).has_value());
    size_t pieces = bob->count(MSG_FILE_DOWNLOAD_DATA);
    EXPECT_LT(pieces * 8000, big.size());
    EXPECT_EQ(bob->count(MSG_FILE_DOWNLOAD_END), 1u);
    // Nothing else follows it.
    EXPECT_FALSE(bob->await_count(MSG_FILE_DOWNLOAD_DATA, pieces + 1, 300));
}

TEST_F(FileStore, ClipboardOffersReachTheOthersOnlyForClipboardFiles)
{
    start();
    auto ann = member("ann");
    auto bob = member("bob");
    ann->send(PeerChannel::main, MSG_CLIPBOARD_OFFER, 999, "clip_9_10_11_12.nclp.z");
    auto offer = bob->await_number(MSG_CLIPBOARD_OFFER);
    ASSERT_TRUE(offer.has_value());
    EXPECT_EQ(offer->body, "clip_9_10_11_12.nclp.z");
    EXPECT_EQ(offer->head.address, ann->customer_id());
    for (const char* bad : { "notes.txt", "../clip_1.nclp.z", ".nclp.z", "a/clip.nclp.z" })
        ann->send(PeerChannel::main, MSG_CLIPBOARD_OFFER, 999, bad);
    ann->send(PeerChannel::file, MSG_CLIPBOARD_OFFER, 999, "clip_1_1_1_1.nclp.z");
    ann->send(PeerChannel::main, MSG_CLIPBOARD_OFFER, 999, "clip_2_2_2_2.nclp.z");
    ASSERT_TRUE(bob->await_count(MSG_CLIPBOARD_OFFER, 2));
    EXPECT_EQ(bob->arrived().back().body, "clip_2_2_2_2.nclp.z");
    EXPECT_EQ(bob->count(MSG_CLIPBOARD_OFFER), 2u);
    EXPECT_EQ(ann->count(MSG_CLIPBOARD_OFFER), 0u);
}

TEST_F(FileStore, ACreatedRoomsFilesGoWithItAndARestartKeepsNothing)
{
    // What an earlier run left in the store's own folders is gone.
    fs::create_directories(fs::path(data_.path()) / "rooms" / "7");
    std::ofstream(fs::path(data_.path()) / "rooms" / "7" / "old.txt") << "old";
    std::ofstream(fs::path(data_.path()) / "mine.txt") << "not the store's";
    start();
    auto ann = member("ann", "Workshop");
    EXPECT_EQ(data_.files(), std::vector<std::string> { "mine.txt" });
    upload(*ann, "w.txt", "workshop notes");
    ASSERT_TRUE(ann->await_number(MSG_FILE_LIST_CHANGED).has_value());
    ASSERT_EQ(data_.files().size(), 2u);
    // Areas are named by a number, never by the room's name.
    EXPECT_EQ(data_.files()[1].rfind("rooms/", 0), 0u);
    EXPECT_EQ(data_.files()[1].find("Workshop"), std::string::npos);
    ann->close();
    EXPECT_TRUE(server_->wait_for_log("'s 1 files removed with it"));
    EXPECT_EQ(data_.files(), std::vector<std::string> { "mine.txt" });
    auto bob = member("bob", "Workshop");
    EXPECT_EQ(list(*bob), std::vector<Entry> {});
}

} // namespace
