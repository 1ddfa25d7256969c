// The pictures of the whiteboard's slots on the file connection: the upload
// and download against a stand-in server that says exactly what a test
// wants, and then between clients (this process and others, each with its
// own user folder) through a real tamblo-server.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"
#include "tests/core/loopback.h"
#include "tests/support/child_process.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/whiteboard/board_picture_clients.h"
#include "tests/whiteboard/board_picture_util.h"
#include "whiteboard/board_file.h"
#include "whiteboard/board_messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <dirent.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::vector<std::string> files_in(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir))
            if (e->d_name[0] != '.')
                names.emplace_back(e->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The records of a recording file: type and body.
std::vector<std::pair<uint32_t, std::string>> records_of(const std::string& file)
{
    std::vector<std::pair<uint32_t, std::string>> out;
    size_t at = record_file_head_len;
    while (at + record_separator_len + record_head_len <= file.size()) {
        record_head head;
        std::memcpy(&head, file.data() + at + record_separator_len, sizeof head);
        at += record_separator_len + record_head_len;
        out.emplace_back(head.type, file.substr(at, head.length));
        at += head.length;
    }
    return out;
}

// The program's file connection against a stand-in server on loopback: the
// test reads what the client sends and writes what it likes back.
class FileConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        board_model_setup();
        reset_receive_handlers();
        install_board_bmp_transfer();
        // A marker the stand-in server sends after a case: once it is
        // handled, so is every message before it.
        set_file_handler(MSG_NET_SPEED_673, [this](const char*, int, int) { ++markers; });
        g_server_host.set("127.0.0.1");
        g_server_port = listener.port();
        g_my_customer_id = 4321;
        g_connected_to_server = 1;
        g_main_connection_lost = 0;
        reader = std::thread([] { g_file_thread(); });
        server = listener.accept_one();
        ASSERT_GE(server, 0);
        auto [head, body] = next_wire_message(server);
        ASSERT_EQ(head, "   0:   0:  83:   6:");
        ASSERT_EQ(body, "  4321");
    }
    void TearDown() override
    {
        if (server >= 0)
            ::close(server);
        g_file_sock.close_socket();
        if (reader.joinable())
            reader.join();
        reset_receive_handlers();
        g_my_customer_id = -1;
        g_connected_to_server = 0;
        board_model_free();
    }

    void send(int field2, int number, const std::string& body = {})
    {
        ASSERT_TRUE(write_bytes(server, scrambled_message(WireHead { 0, field2, number, static_cast<int>(body.size()) }, body)));
    }
    // Sends a marker and waits until the client has handled all before it.
    void settle()
    {
        int seen = markers;
        send(0, MSG_NET_SPEED_673);
        ASSERT_TRUE(wait_until([&] { return markers > seen; }));
    }
    // The picture of page 1, slot 2 as it was before: files and fields.
    std::string slot_state()
    {
        const bmp_slot& s = g_board[1].bitmaps[2];
        return std::string(reinterpret_cast<const char*>(&s), sizeof s) + file_bytes(home.user_folder() + "bmp/1/2")
            + "|" + file_bytes(home.user_folder() + "bmp/1/2.bmp");
    }

    TempHome home;
    ScriptedMessageBoxes boxes;
    std::atomic<int> markers { 0 };
    LoopbackListener listener;
    std::thread reader;
    int server = -1;
};

TEST_F(FileConnectionTest, AnUploadGoesInPiecesOfAThousandThenItsEndAndItIsRecorded)
{
    const std::string record = home.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(record), 0);
    std::string z_path;
    std::string bmp_path;
    ASSERT_TRUE(board_bmp_paths(1, 3, z_path, bmp_path));
    std::string content;
    for (int i = 0; i < 2500; ++i)
        content.push_back(static_cast<char>(i * 37));
    {
        std::FILE* f = std::fopen(z_path.c_str(), "wb");
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    std::memcpy(g_board[1].bitmaps[3].z_path.data(), z_path.data(), z_path.size());
    g_board[1].bitmaps[3].used = 1;
    bmp_set_upload_position({ 1, 3, 7, 9 });
    ASSERT_EQ(bmp_upload_one_file(1, 3), 0);
    EXPECT_EQ(bmp_upload_one_file(1, 3), -1);
    auto expect_message = [&](const std::string& head, const std::string& body) {
        auto got = next_wire_message(server);
        EXPECT_EQ(got.first, head);
        EXPECT_EQ(got.second, body);
    };
    expect_message("   0:   1: 300:   4:", "   3");
    expect_message("   0:   1: 301:1000:", content.substr(0, 1000));
    expect_message("   0:   1: 301:1000:", content.substr(1000, 1000));
    expect_message("   0:   1: 301: 500:", content.substr(2000));
    expect_message("   0:   1: 302:   0:", "");
    ASSERT_TRUE(bmp_wait_upload_done(5000));
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Should not be here, upload_thread still running." });
    EXPECT_EQ(bmp_take_upload_position().board, -1) << "the thread took the place";

    // The refusals, each a box and nothing sent.
    boxes.clear();
    EXPECT_EQ(bmp_upload_one_file(10, 0), -1);
    EXPECT_EQ(bmp_upload_one_file(1, 10), -1);
    EXPECT_EQ(bmp_upload_one_file(1, 4), -1);
    std::remove(z_path.c_str());
    g_bmp_uploading = 1;
    EXPECT_EQ(g_bmp_upload_thread(1, 3), -1);
    EXPECT_EQ(g_bmp_uploading, 0);
    recorder().stop();
    g_file_sock.close_socket();
    g_bmp_uploading = 1;
    EXPECT_EQ(g_bmp_upload_thread(1, 3), -1);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "board_num error in bmp_upload_one_file",
                                                         "bmp_index error in bmp_upload_one_file",
                                                         "path is blank in bmp_upload_one_file",
                                                         "failed to open target file in bmp upload thread.",
                                                         "File sock connection lost, need reconnect to server" }));

    // The recording holds the picture: page, slot, size, then the file.
    auto records = records_of(file_bytes(record));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].first, record_type_board_bmp);
    int32_t sub[3] = { 1, 3, 2500 };
    EXPECT_EQ(records[0].second, std::string(reinterpret_cast<const char*>(sub), sizeof sub) + content);
}

TEST_F(FileConnectionTest, ADownloadChangesTheSlotOnlyWhenWholeAndNeverLeavesThePictureFolder)
{
    ASSERT_TRUE(put_test_picture(1, 2, 8, 40, 30, 5, 6));
    const std::string before = slot_state();
    std::string good_z = file_bytes(g_board[1].bitmaps[2].z_path.data());
    ASSERT_TRUE(put_test_picture(0, 0, 9, 50, 20, 0, 0));
    const std::string other_z = file_bytes(g_board[0].bitmaps[0].z_path.data());
    const std::string other_bmp = file_bytes(g_board[0].bitmaps[0].path.data());
    bmp_reset_one_entry(g_board[0].bitmaps[0]);

    struct Case {
        const char* name;
        std::function<void()> send_it;
    };
    const std::string half = other_z.substr(0, other_z.size() / 2);
    const std::vector<Case> cases = {
        { "data without a begin", [&] { send(1, MSG_BMP_DOWNLOAD_DATA, other_z); } },
        { "an end without a begin", [&] { send(1, MSG_BMP_DOWNLOAD_END); } },
        { "a slot beyond 9", [&] { send(1, MSG_BMP_DOWNLOAD_BEGIN, "12"); send(1, MSG_BMP_DOWNLOAD_DATA, other_z); send(1, MSG_BMP_DOWNLOAD_END); } },
        { "a negative slot", [&] { send(1, MSG_BMP_DOWNLOAD_BEGIN, "-1"); send(1, MSG_BMP_DOWNLOAD_END); } },
        { "a path for a slot", [&] { send(1, MSG_BMP_DOWNLOAD_BEGIN, "../../x"); send(1, MSG_BMP_DOWNLOAD_END); } },
        { "a page beyond 9", [&] { send(10, MSG_BMP_DOWNLOAD_BEGIN, "2"); send(10, MSG_BMP_DOWNLOAD_END); } },
        { "a negative page", [&] { send(-1, MSG_BMP_DOWNLOAD_BEGIN, "2"); send(-1, MSG_BMP_DOWNLOAD_END); } },
        { "a cut file", [&] { send(1, MSG_BMP_DOWNLOAD_BEGIN, "2"); send(1, MSG_BMP_DOWNLOAD_DATA, half); send(1, MSG_BMP_DOWNLOAD_END); } },
        { "an empty file", [&] { send(1, MSG_BMP_DOWNLOAD_BEGIN, "2"); send(1, MSG_BMP_DOWNLOAD_END); } },
        { "a file beyond the bound",
          [&] {
              send(1, MSG_BMP_DOWNLOAD_BEGIN, "2");
              std::string piece(8000, 'z');
              for (long long sent = 0; sent <= board_bmp_file_limit; sent += 8000)
                  send(1, MSG_BMP_DOWNLOAD_DATA, piece);
              send(1, MSG_BMP_DOWNLOAD_END);
          } },
        { "a begin that a new begin ends", [&] { send(1, MSG_BMP_DOWNLOAD_BEGIN, "2"); send(1, MSG_BMP_DOWNLOAD_DATA, half); send(1, MSG_BMP_DOWNLOAD_BEGIN, "11"); send(1, MSG_BMP_DOWNLOAD_END); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.send_it();
        settle();
        EXPECT_EQ(slot_state(), before);
        EXPECT_FALSE(bmp_download_open());
        EXPECT_EQ(files_in(home.user_folder() + "bmp/1"), (std::vector<std::string> { "2", "2.bmp" }));
        EXPECT_EQ(files_in(home.user_folder() + "bmp"), (std::vector<std::string> { "0", "1" }));
    }

    // A whole one, recorded; the slot of the same index takes it.
    const std::string record = home.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(record), 0);
    send(0, MSG_BMP_DOWNLOAD_BEGIN, "0");
    send(0, MSG_BMP_DOWNLOAD_DATA, other_z.substr(0, other_z.size() / 2));
    send(0, MSG_BMP_DOWNLOAD_DATA, other_z.substr(other_z.size() / 2));
    send(0, MSG_BMP_DOWNLOAD_END);
    settle();
    recorder().stop();
    EXPECT_EQ(g_board[0].bitmaps[0].used, 1u);
    EXPECT_EQ(file_bytes(g_board[0].bitmaps[0].z_path.data()), other_z);
    EXPECT_EQ(file_bytes(g_board[0].bitmaps[0].path.data()), other_bmp);
    EXPECT_EQ(std::string(g_board[0].bitmaps[0].path.data()), home.user_folder() + "bmp/0/0.bmp");
    auto records = records_of(file_bytes(record));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].first, record_type_board_bmp);
    EXPECT_EQ(records[0].second.substr(12), other_z);

    // A connection that ends half way leaves no file behind and the slot as it was.
    send(1, MSG_BMP_DOWNLOAD_BEGIN, "2");
    send(1, MSG_BMP_DOWNLOAD_DATA, good_z.substr(0, 100));
    settle();
    EXPECT_TRUE(bmp_download_open());
    ::close(server);
    server = -1;
    reader.join();
    EXPECT_FALSE(bmp_download_open());
    EXPECT_EQ(slot_state(), before);
    EXPECT_EQ(files_in(home.user_folder() + "bmp/1"), (std::vector<std::string> { "2", "2.bmp" }));
    EXPECT_TRUE(boxes.texts().empty()) << ::testing::PrintToString(boxes.texts());
}

// ---- through a real tamblo-server ----

class PicturesThroughServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        board_model_setup();
        put_view_font();
        g_offline_board = 0;
    }
    void TearDown() override
    {
        client.close();
        board_model_free();
    }

    // This client's board, waited for while its own messages come back.
    std::string own_board_after(const std::function<bool()>& settled)
    {
        EXPECT_TRUE(wait_until(settled));
        return board_state_text();
    }

    TempHome home;
    ScriptedMessageBoxes boxes;
    ServerProcess server;
    PictureClient client;
};

TEST_F(PicturesThroughServer, PastedPicturesReachEveryMemberAndLateJoinersAndFollowMovesOrderAndDeletion)
{
    PeerClient b(home.root(), "bea", server.port(), "pictures");
    ASSERT_TRUE(b.wait_joined()) << b.state();
    ASSERT_EQ(client.connect_and_join(server.port(), "pictures"), 0);
    ASSERT_TRUE(server.wait_for_log("file connection from"));

    // Two pastes: the second upload, started while the first runs, is refused.
    ASSERT_TRUE(put_test_picture(0, 0, 4, 300, 200, 120, 80));
    ASSERT_TRUE(put_test_picture(0, 1, 5, 90, 140, 500, 60));
    bmp_set_upload_position({ 0, 0, 120, 80 });
    {
        // The first upload cannot end while its connection's sends wait.
        std::lock_guard<platform::TimedMutex> hold(g_file_sock.send_lock);
        ASSERT_EQ(bmp_upload_one_file(0, 0), 0);
        EXPECT_EQ(bmp_upload_one_file(0, 1), -1);
    }
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Should not be here, upload_thread still running." });
    ASSERT_TRUE(bmp_wait_upload_done(5000));
    bmp_set_upload_position({ 0, 1, 500, 60 });
    ASSERT_EQ(bmp_upload_one_file(0, 1), 0);
    ASSERT_TRUE(bmp_wait_upload_done(5000));
    std::string shown = board_state_text();
    ASSERT_NE(shown.find("slot 0 1 at 500 60 z 0 picture"), std::string::npos) << shown;
    EXPECT_TRUE(b.wait_shows(shown)) << b.board() << "\nwanted\n" << shown;

    // Moving and ordering come back here too, and reach the other member.
    send_bmp_pos(0, 0, 300, 210);
    send_bmp_z_order(0, 1, -1);
    shown = own_board_after([] { return g_board[0].bitmaps[1].z_order == -1 && g_board[0].bitmaps[0].x == 300; });
    EXPECT_TRUE(b.wait_shows(shown)) << b.board();

    // A member who comes later finds both where they are now.
    PeerClient c(home.root(), "cai", server.port(), "pictures");
    EXPECT_TRUE(c.wait_shows(shown)) << c.board() << "\nwanted\n" << shown;

    send_bmp_delete(0, 0);
    shown = own_board_after([] { return g_board[0].bitmaps[0].used == 0; });
    EXPECT_TRUE(b.wait_shows(shown)) << b.board();
    EXPECT_TRUE(c.wait_shows(shown)) << c.board();
    {
        PeerClient d(home.root(), "dan", server.port(), "pictures");
        EXPECT_TRUE(d.wait_shows(shown)) << d.board();
    }

    // Clearing the page frees its pictures for good.
    send_board_clear(0);
    shown = own_board_after([] { return g_board[0].bitmaps[1].used == 0; });
    EXPECT_TRUE(b.wait_shows(shown)) << b.board();
    PeerClient e(home.root(), "eve", server.port(), "pictures");
    ASSERT_TRUE(e.wait_joined());
    EXPECT_TRUE(e.wait_shows(shown)) << e.board();
    EXPECT_EQ(boxes.texts().size(), 1u);
}

TEST_F(PicturesThroughServer, AWholeBoardUploadedMakesEveryMembersPageTheFilesPage)
{
    PeerClient b(home.root(), "bob", server.port(), "upload");
    ASSERT_TRUE(b.wait_joined());
    ASSERT_EQ(client.connect_and_join(server.port(), "upload"), 0);
    ASSERT_TRUE(server.wait_for_log("file connection from"));
    // What the room shows first: a line and a picture on page 2.
    send_board_line(2, 9, 9, 9, 1, 1, 800, 800, 5, 1);
    ASSERT_TRUE(put_test_picture(2, 5, 7, 60, 60, 10, 10));
    bmp_set_upload_position({ 2, 5, 10, 10 });
    ASSERT_EQ(bmp_upload_one_file(2, 5), 0);
    ASSERT_TRUE(bmp_wait_upload_done(5000));
    std::string first = own_board_after([] { return g_board[2].visible_count == 1; });
    ASSERT_TRUE(b.wait_shows(first)) << b.board();

    // The file: strokes, texts in two fonts, two pictures.
    g_offline_board = 1;
    send_board_clear(2);
    g_current_board = 2;
    send_board_point(2, 0, 0, 255, 50, 60, 4);
    for (int i = 0; i < 30; ++i)
        send_board_line(2, 0, 90, 0, 50 + i * 3, 60, 53 + i * 3, 64, 2, (i + 1) % 10 == 0 ? 1 : 0);
    send_board_font(make_logfont("DejaVu Serif", -18));
    send_board_text(2, 70, 300, g_board[2].font_index, "Agenda", 0, 0, 0);
    send_board_font(make_logfont("Noto Sans CJK SC", -24));
    send_board_text(2, 70, 340, g_board[2].font_index, "议程：白板上传", 0, 0, 0);
    send_board_text(2, 70, 400, 0, "plain", 0, 0, 0);
    g_offline_board = 0;
    ASSERT_TRUE(put_test_picture(2, 0, 11, 80, 50, 700, 100));
    ASSERT_TRUE(put_test_picture(2, 6, 12, 40, 70, 900, 300));
    g_board[2].bitmaps[6].z_order = 3;
    g_current_board = 0;
    const std::string bod = home.root() + "/agenda.bod";
    std::memcpy(g_board[2].file_path.data(), bod.data(), bod.size());
    ASSERT_EQ(board_file_save(2), 0);
    ASSERT_EQ(board_file_load(2), 0);
    const std::string file_board = board_state_text();

    ASSERT_EQ(board_upload_board_to_server(2), 0);
    EXPECT_EQ(g_board_uploading, -1);
    EXPECT_TRUE(b.wait_shows(file_board)) << b.board() << "\nwanted\n" << file_board;
    // This client's own page came back from the server as the file's.
    EXPECT_TRUE(wait_until([&] { return board_state_text() == file_board; })) << board_state_text() << "\nwanted\n" << file_board;
    EXPECT_EQ(boxes.texts(), std::vector<std::string> {});
}

TEST_F(PicturesThroughServer, TheServerKeepsNoMoreThanItsBoundsAndNothingForBadRequests)
{
    ServerProcess small({ "--room-pictures-kib", "64" });
    PeerClient b(home.root(), "ben", small.port(), "bounded");
    ASSERT_TRUE(b.wait_joined());
    ASSERT_EQ(client.connect_and_join(small.port(), "bounded"), 0);
    ASSERT_TRUE(small.wait_for_log("file connection from"));
    // Noise that does not compress: the file is larger than the room keeps.
    std::string z_path;
    std::string bmp_path;
    ASSERT_TRUE(board_bmp_paths(0, 4, z_path, bmp_path));
    {
        std::FILE* f = std::fopen(z_path.c_str(), "wb");
        uint32_t v = 12345;
        for (int i = 0; i < 100 * 1024; ++i) {
            v = v * 1103515245 + 12345;
            std::fputc(static_cast<int>(v >> 24), f);
        }
        std::fclose(f);
    }
    std::memcpy(g_board[0].bitmaps[4].z_path.data(), z_path.data(), z_path.size());
    g_board[0].bitmaps[4].used = 1;
    ASSERT_EQ(bmp_upload_one_file(0, 4), 0);
    ASSERT_TRUE(bmp_wait_upload_done(5000));
    EXPECT_TRUE(small.wait_for_log("picture 4 of board 0 refused: the pictures kept for the room or the server are at their bound"));
    // Then a small one in the same room is kept: the refused one took nothing.
    ASSERT_TRUE(put_test_picture(0, 2, 3, 20, 20, 1, 1));
    ASSERT_EQ(bmp_upload_one_file(0, 2), 0);
    ASSERT_TRUE(bmp_wait_upload_done(5000));
    EXPECT_TRUE(small.wait_for_log("picture 2 of board 0 kept in room"));
    EXPECT_TRUE(wait_until([&] { return b.board().find("slot 0 2 ") != std::string::npos; })) << b.board();
    EXPECT_EQ(b.board().find("slot 0 4 "), std::string::npos);

    // Requests for what is not there, and data with no upload open.
    send_wire_message(g_file_sock, 0, MSG_BMP_DOWNLOAD_REQUEST, "   7");
    send_wire_message(g_file_sock, 0, MSG_BMP_UPLOAD_DATA, "stray bytes");
    send_wire_message(g_file_sock, 0, MSG_BMP_UPLOAD_END, {});
    send_wire_message(g_file_sock, 0, MSG_BMP_UPLOAD_BEGIN, "  44");
    send_wire_message(g_file_sock, 12, MSG_BMP_UPLOAD_BEGIN, "   1");
    EXPECT_TRUE(small.wait_for_log("picture 7 of board 0 asked for: there is none"));
    EXPECT_TRUE(small.wait_for_log("picture upload for board 0, slot 44 dropped: out of range"));
    EXPECT_TRUE(small.wait_for_log("picture upload for board 12, slot 1 dropped: out of range"));
    EXPECT_EQ(small.stop(), 0);
}

} // namespace
