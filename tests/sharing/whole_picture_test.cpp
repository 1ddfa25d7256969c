// Whole pictures and the desktop picture's difference on the client: the
// downloads into their ".part" files, replaced only when whole and good,
// and the difference that answers the server's signatures, uploaded by one
// sender at a time on the application connection (a loopback peer here).

#include "core/connections.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/wire_head.h"
#include "sharing/file_diff.h"
#include "sharing/whole_picture.h"
#include "tests/core/loopback.h"
#include "tests/support/random_bytes.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

void write_all(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

template <class F>
bool eventually(F done, std::chrono::milliseconds wait = 5s)
{
    auto until = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < until) {
        if (done())
            return true;
        std::this_thread::sleep_for(5ms);
    }
    return done();
}

struct Message {
    int number = 0;
    std::string body;
};

class WholePicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        ASSERT_EQ(create_work_folders(), 0);
        g_share_app_sock.host.set("127.0.0.1");
        g_share_app_sock.port = listener_.port();
        ASSERT_EQ(g_share_app_sock.connect_server(), 0);
        peer_ = listener_.accept_one();
        ASSERT_GE(peer_, 0);
    }
    void TearDown() override
    {
        eventually([] { return !desk_diff_sender_running(); });
        whole_pictures_connection_ended();
        g_share_app_sock.close_socket();
        ::close(peer_);
        set_message_box_presenter(nullptr);
    }

    // The bytes gzipped as a file, the way the server packs a picture.
    std::string gzip_of(const std::string& plain)
    {
        write_all(home_.root() + "/plain", plain);
        EXPECT_EQ(z_compress_file(home_.root() + "/plain", home_.root() + "/packed"), 0);
        return read_file(home_.root() + "/packed");
    }

    // Begin, the data in pieces of 8000 bytes, end: as the application connection hands them over.
    void download(ShareGrid grid, const std::string& bytes)
    {
        const int begin = grid == ShareGrid::app ? MSG_SHARE_APP_FILE_BEGIN : MSG_SHARE_DESK_FILE_BEGIN;
        dispatch_received_message(ReceiveConnection::app, begin, "", 0, 0);
        for (size_t at = 0; at < bytes.size(); at += 8000) {
            std::string piece = bytes.substr(at, 8000);
            dispatch_received_message(ReceiveConnection::app, begin + 1, piece.data(), static_cast<int>(piece.size()), 0);
        }
        dispatch_received_message(ReceiveConnection::app, begin + 2, "", 0, 0);
    }

    void signatures(const std::string& bytes)
    {
        dispatch_received_message(ReceiveConnection::app, MSG_DESK_CS_BEGIN, "", 0, 0);
        for (size_t at = 0; at < bytes.size(); at += 8000) {
            std::string piece = bytes.substr(at, 8000);
            dispatch_received_message(ReceiveConnection::app, MSG_DESK_CS_DATA, piece.data(), static_cast<int>(piece.size()), 0);
        }
        dispatch_received_message(ReceiveConnection::app, MSG_DESK_CS_END, "", 0, 0);
    }

    // One upload of the difference as the peer receives it: 454, the pieces of 455, 456.
    bool next_upload(std::string& diff)
    {
        diff.clear();
        auto [head, body] = next_wire_message(peer_);
        WireHead h;
        if (head.empty() || !parse_wire_head(head.data(), h) || h.number != MSG_DESK_DIFF_UPLOAD_BEGIN || !body.empty())
            return false;
        for (;;) {
            auto [next_head, next_body] = next_wire_message(peer_);
            if (next_head.empty() || !parse_wire_head(next_head.data(), h))
                return false;
            if (h.number == MSG_DESK_DIFF_UPLOAD_END)
                return next_body.empty();
            if (h.number != MSG_DESK_DIFF_UPLOAD_DATA || next_body.empty() || next_body.size() > static_cast<size_t>(desk_diff_chunk_limit))
                return false;
            diff += next_body;
        }
    }

    bool parts_left() const
    {
        for (const std::string& p : { whole_picture_z_path(ShareGrid::app), whole_picture_path(ShareGrid::app),
                                      whole_picture_z_path(ShareGrid::desk), whole_picture_path(ShareGrid::desk), desk_signature_path() })
            if (file_exists(p + ".part"))
                return true;
        return false;
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    LoopbackListener listener_;
    int peer_ = -1;
};

} // namespace

TEST_F(WholePicture, APictureReplacesTheLastOneOnlyWhenItArrivedWholeAndUnpacks)
{
    install_whole_pictures();
    const std::string first = random_bytes(30000, 1), second = random_bytes(20000, 2);
    for (ShareGrid grid : { ShareGrid::app, ShareGrid::desk }) {
        int version = whole_picture_version(grid);
        download(grid, gzip_of(first));
        EXPECT_EQ(read_file(whole_picture_path(grid)), first);
        EXPECT_EQ(read_file(whole_picture_z_path(grid)), gzip_of(first));
        EXPECT_GT(whole_picture_version(grid), version);

        struct Case {
            const char* what;
            std::string bytes;
        };
        const std::string good = gzip_of(second);
        std::string bomb = gzip_of(std::string(static_cast<size_t>(network_picture_limit) + 1, 'a'));
        const Case bad[] = {
            { "a gzip file cut short", good.substr(0, good.size() / 2) },
            { "a gzip file whose data are damaged", good.substr(0, 20) + std::string(200, '\x55') + good.substr(220) },
            { "more than the bound unpacked", bomb },
        };
        for (const Case& c : bad) {
            version = whole_picture_version(grid);
            download(grid, c.bytes);
            EXPECT_EQ(read_file(whole_picture_path(grid)), first) << c.what;
            EXPECT_EQ(read_file(whole_picture_z_path(grid)), gzip_of(first)) << c.what;
            EXPECT_EQ(whole_picture_version(grid), version) << c.what;
            EXPECT_FALSE(parts_left()) << c.what;
        }
    }
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(WholePicture, AHalfDownloadIsDeletedByANewBeginOrTheConnectionsEnd)
{
    install_whole_pictures();
    const std::string picture = gzip_of(random_bytes(5000, 3));
    download(ShareGrid::desk, picture);
    const std::string piece = "half of a picture";
    const std::string next = random_bytes(3000, 10);
    dispatch_received_message(ReceiveConnection::app, MSG_SHARE_DESK_FILE_BEGIN, "", 0, 0);
    dispatch_received_message(ReceiveConnection::app, MSG_SHARE_DESK_FILE_DATA, piece.data(), static_cast<int>(piece.size()), 0);
    EXPECT_TRUE(parts_left());
    download(ShareGrid::desk, gzip_of(next));  // begun anew: the half picture does not lead it
    EXPECT_EQ(read_file(whole_picture_path(ShareGrid::desk)), next);
    download(ShareGrid::desk, picture);
    dispatch_received_message(ReceiveConnection::app, MSG_SHARE_DESK_FILE_BEGIN, "", 0, 0);
    dispatch_received_message(ReceiveConnection::app, MSG_SHARE_DESK_FILE_DATA, piece.data(), static_cast<int>(piece.size()), 0);
    dispatch_received_message(ReceiveConnection::app, MSG_DESK_CS_BEGIN, "", 0, 0);
    EXPECT_TRUE(file_exists(desk_signature_path() + ".part"));
    dispatch_connection_ended(ReceiveConnection::app);
    EXPECT_FALSE(parts_left());
    EXPECT_EQ(read_file(whole_picture_z_path(ShareGrid::desk)), picture);

    // Data and ends with no open file change nothing.
    dispatch_received_message(ReceiveConnection::app, MSG_SHARE_DESK_FILE_DATA, piece.data(), static_cast<int>(piece.size()), 0);
    dispatch_received_message(ReceiveConnection::app, MSG_SHARE_DESK_FILE_END, "", 0, 0);
    dispatch_received_message(ReceiveConnection::app, MSG_DESK_CS_END, "", 0, 0);
    EXPECT_FALSE(parts_left());
    EXPECT_EQ(read_file(whole_picture_z_path(ShareGrid::desk)), picture);
    EXPECT_FALSE(desk_diff_sender_running());
}

TEST_F(WholePicture, SignaturesAreAnsweredWithTheDifferenceOfTheHeldPicture)
{
    install_whole_pictures();
    const std::string held = gzip_of(random_bytes(40000, 4));
    download(ShareGrid::desk, held);

    struct Case {
        const char* what;
        std::string server_copy;
    };
    std::string edited = held;
    edited.replace(9000, 300, random_bytes(700, 5));
    const Case cases[] = {
        { "the same picture", held },
        { "an edited copy", edited },
        { "another picture", gzip_of(random_bytes(30000, 6)) },
    };
    for (const Case& c : cases) {
        signatures(make_diff_signatures(c.server_copy));
        std::string diff, rebuilt;
        ASSERT_TRUE(next_upload(diff)) << c.what;
        EXPECT_EQ(read_file(desk_diff_path()), diff) << c.what;
        ASSERT_EQ(apply_desk_diff(c.server_copy, diff, rebuilt), DiffApplyResult::ok) << c.what;
        EXPECT_EQ(rebuilt, held) << c.what;
        if (c.server_copy == held) {
            EXPECT_LT(diff.size(), held.size() / 20) << "an unchanged picture travels as copies";
        }
    }

    // Without a picture the difference fails and the upload is empty: the server reads that as no copy.
    ::unlink(whole_picture_z_path(ShareGrid::desk).c_str());
    signatures(make_diff_signatures(held));
    std::string diff;
    ASSERT_TRUE(next_upload(diff));
    EXPECT_TRUE(diff.empty());
}

TEST_F(WholePicture, SignaturesArrivingWhileADifferenceGoesOutWaitForIt)
{
    install_whole_pictures();
    const std::string held = gzip_of(random_bytes(60000, 7));
    download(ShareGrid::desk, held);
    const std::string first_copy = gzip_of(random_bytes(60000, 8));
    std::string second_copy = held;
    second_copy[100] ^= 1;
    {
        // The connection's sends wait while the test holds its lock.
        std::lock_guard<platform::TimedMutex> hold(g_share_app_sock.send_lock);
        signatures(make_diff_signatures(first_copy));
        ASSERT_TRUE(eventually([] { return desk_diff_sender_running(); }));
        signatures(make_diff_signatures(second_copy));
    }
    // Two whole uploads one after the other; the last describes the held picture against the second copy.
    std::string one, two;
    ASSERT_TRUE(next_upload(one));
    ASSERT_TRUE(next_upload(two));
    // A difference names blocks by number, so one made against either copy applies to both: only the
    // bytes tell which it was. The first may have been made after the second signatures replaced the first.
    auto rebuilds_held = [&](const std::string& copy, const std::string& diff) {
        std::string rebuilt;
        return apply_desk_diff(copy, diff, rebuilt) == DiffApplyResult::ok && rebuilt == held;
    };
    EXPECT_TRUE(rebuilds_held(second_copy, two));
    EXPECT_TRUE(rebuilds_held(first_copy, one) || rebuilds_held(second_copy, one));
}

TEST_F(WholePicture, OverManySignaturesOnlyTheFirstAreUsed)
{
    install_whole_pictures();
    const std::string held = gzip_of(random_bytes(3000, 9));
    download(ShareGrid::desk, held);
    std::string sigs;
    const std::string one = make_diff_signatures(std::string(500, 'z'));
    for (int i = 0; i < diff_signature_limit + 50; ++i)
        sigs += one;
    sigs += make_diff_signatures(held);  // past the limit: never read
    sigs += "cut";
    signatures(sigs);
    std::string diff, rebuilt;
    ASSERT_TRUE(next_upload(diff));
    ASSERT_EQ(apply_desk_diff("", diff, rebuilt), DiffApplyResult::ok) << "literals only";
    EXPECT_EQ(rebuilt, held);
}
