// Tile transfer and the viewer's bookkeeping: this process as the sharer or
// as the viewer through the real tamblo-server, a headless peer on the other
// side; the receivers fed bad input directly.

#include "core/connections.h"
#include "core/control_messages.h"
#include "core/file_util.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "sharing/share_viewer.h"
#include "sharing/sharing_messages.h"
#include "sharing/tile_capture.h"
#include "sharing/tile_transfer.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return in ? s.str() : std::string("<missing>");
}

bool exists(const std::string& path) { return std::ifstream(path).good(); }

void write_all(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

DeviceBitmap pattern_tile(int w, int h, uint8_t seed)
{
    DeviceBitmap b;
    b.width = w;
    b.height = h;
    b.bits_per_pixel = 32;
    b.stride_bytes = w * 4;
    b.bits.resize(static_cast<size_t>(w * h * 4));
    for (size_t i = 0; i < b.bits.size(); ++i)
        b.bits[i] = static_cast<uint8_t>(seed + i * 13 + i / 97);
    return b;
}

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

class TileTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        reset_receive_handlers();
        clear_app_sharing();
        clear_share_viewer();
        ASSERT_EQ(create_work_folders(), 0);
        install_share_viewer_parts();
        set_main_handler(MSG_HELLO_MAIN, do_customer_id_from_server);
        set_main_handler(MSG_ROOM_ENTERED, do_room_entered_from_server);
    }
    void TearDown() override
    {
        for (Cwf_socket* socket : { &g_main_sock, &g_share_app_sock })
            socket->close_socket();
        for (auto& thread : threads_)
            thread.wait();
        for (int i = 0; i < 200 && (g_app_sender_running || g_desk_sender_running); ++i)
            std::this_thread::sleep_for(5ms);
        reset_receive_handlers();
        clear_app_sharing();
        clear_share_viewer();
        set_message_box_presenter(nullptr);
        g_my_customer_id = -1;
        g_room_number = -1;
    }

    // This process joins the open room "Lobby" on the server with its main and application connections.
    void join(ServerProcess& server)
    {
        g_server_host.set("127.0.0.1");
        g_server_port = server.port();
        g_connected_to_server = 1;
        g_my_customer_id = -1;
        g_login_name.set("me");
        g_access_code.set("any");
        g_room_name.set("Lobby");
        g_room_password.set("");
        g_room_number = -1;
        g_auto_login = 1;
        threads_.push_back(std::async(std::launch::async, g_recv_thread).share());
        threads_.push_back(std::async(std::launch::async, g_share_app_thread).share());
        ASSERT_TRUE(eventually([] { return g_room_number >= 0; }));
        ASSERT_TRUE(eventually([] { return g_share_app_sock.connected.load() != 0; }));
        ASSERT_TRUE(server.wait_for_log("app connection from"));
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    LogCapture log_;
    std::vector<std::shared_future<int>> threads_;
};

} // namespace

TEST_F(TileTransfer, TheSharersTilesReachTheServerWholeAndAChangeGoesAgain)
{
    ServerProcess server;
    join(server);
    ASSERT_EQ(send_share_app_start(g_my_customer_id), 0);
    ASSERT_TRUE(server.wait_for_log("shares an application"));
    g_sharing_app = 1;
    HeadlessPeer viewer("viewer");
    ASSERT_EQ(viewer.connect("127.0.0.1", server.port()), 0);
    ASSERT_GT(viewer.join_room("Lobby"), 0);

    // Tiles big enough for several data messages each, written as a capture pass writes them.
    for (int r = 0; r < app_grid_size; ++r)
        for (int c = 0; c < app_grid_size; ++c) {
            ASSERT_EQ(write_tile_files(ShareGrid::app, r, c, pattern_tile(40, 30, static_cast<uint8_t>(r * 5 + c)), 75), 0);
            ++tile_of(ShareGrid::app, r, c).version;
            ++tile_of(ShareGrid::app, r, c).pending;
        }
    start_tile_sender(ShareGrid::app);
    ASSERT_TRUE(viewer.await_count(MSG_SHARE_APP_TILE_NOTICE, 25));
    ASSERT_TRUE(eventually([] { return g_app_sender_running == 0; }));

    auto fetch = [&viewer](int field2) {
        viewer.clear();
        viewer.send(PeerChannel::app, MSG_SHARE_APP_TILE_REQUEST, field2);
        auto end = viewer.await_number(MSG_SHARE_APP_ONE_FILE_END);
        std::string bytes;
        for (const ArrivedMessage& m : viewer.arrived())
            if (m.head.number == MSG_SHARE_APP_ONE_FILE_DATA)
                bytes += m.body;
        return std::make_pair(end ? end->body : std::string(), bytes);
    };
    for (int r = 0; r < app_grid_size; ++r)
        for (int c = 0; c < app_grid_size; ++c) {
            auto [end, bytes] = fetch(tile_number(r, c));
            EXPECT_EQ(bytes, read_all(tile_z_path(ShareGrid::app, r, c))) << r << ":" << c;
            EXPECT_EQ(end.substr(0, 5), "   1:");
            EXPECT_EQ(tile_of(ShareGrid::app, r, c).pending, 0);
        }

    // One tile changes: only it goes again, with its new version.
    viewer.clear();
    ASSERT_EQ(write_tile_files(ShareGrid::app, 3, 1, pattern_tile(40, 30, 200), 75), 0);
    ++tile_of(ShareGrid::app, 3, 1).version;
    ++tile_of(ShareGrid::app, 3, 1).pending;
    start_tile_sender(ShareGrid::app);
    auto notice = viewer.await_number(MSG_SHARE_APP_TILE_NOTICE);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->head.address, tile_number(3, 1));
    EXPECT_EQ(notice->body.substr(0, 5), "   2:");
    EXPECT_EQ(fetch(tile_number(3, 1)).second, read_all(tile_z_path(ShareGrid::app, 3, 1)));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(viewer.count(MSG_SHARE_APP_TILE_NOTICE), 0u);  // after the clear in fetch: nothing else was sent
}

TEST_F(TileTransfer, TheViewerAsksForAnnouncedTilesAndUnpacksThem)
{
    ServerProcess server;
    join(server);
    HeadlessPeer sharer("sharer");
    ASSERT_EQ(sharer.connect("127.0.0.1", server.port()), 0);
    ASSERT_GT(sharer.join_room("Lobby"), 0);
    sharer.send(PeerChannel::main, MSG_SHARE_APP_START, sharer.customer_id());
    ASSERT_TRUE(sharer.await_number(MSG_202));

    // A tile file as a sharer makes it: a picture, gzipped.
    const std::string picture = read_all(TAMBLO_TEST_SOURCE_DIR "/README.md").substr(0, 3000);
    const std::string source = home_.root() + "/tile.bmp", packed = home_.root() + "/tile.bmp.gz";
    write_all(source, picture);
    ASSERT_EQ(z_compress_file(source, packed), 0);
    const std::string z = read_all(packed);
    auto upload = [&sharer](int field2, int version, const std::string& bytes) {
        sharer.send(PeerChannel::app, MSG_SHARE_APP_TILE_BEGIN, field2);
        for (size_t at = 0; at < bytes.size(); at += 900)
            sharer.send(PeerChannel::app, MSG_SHARE_APP_TILE_DATA, field2, bytes.substr(at, 900));
        char end[32];
        std::snprintf(end, sizeof end, "%4d:%8d", version, static_cast<int>(bytes.size()));
        sharer.send(PeerChannel::app, MSG_SHARE_APP_TILE_END, field2, end);
    };
    upload(tile_number(1, 2), 1, z);
    viewer_tile& view = view_tile_of(ShareGrid::app, 1, 2);
    // The version is taken before the file is unpacked; fresh follows the unpacking.
    ASSERT_TRUE(eventually([&view] { return view.local_version == 1 && tile_of(ShareGrid::app, 1, 2).fresh == 1; }));
    EXPECT_EQ(view.local_size, static_cast<int>(z.size()));
    EXPECT_EQ(view.server_version, 1);
    EXPECT_EQ(read_all(tile_picture_path(ShareGrid::app, 1, 2)), picture);
    EXPECT_EQ(tile_of(ShareGrid::app, 1, 2).fresh, 1);

    // A late joiner's counter list and the first rectangle ask for every tile held.
    clear_share_viewer();
    std::remove(tile_picture_path(ShareGrid::app, 1, 2).c_str());
    upload(tile_number(4, 4), 3, z);
    ASSERT_TRUE(eventually([] { return view_tile_of(ShareGrid::app, 4, 4).local_version == 3; }));
    ASSERT_EQ(send_app_viewer_alive(), 0);
    ASSERT_TRUE(eventually([] { return view_tile_of(ShareGrid::app, 1, 2).server_version == 1; }));
    do_share_app_window_rect_from_server("  10:  20: 500: 400", 19, 0);
    ASSERT_TRUE(eventually([] { return view_tile_of(ShareGrid::app, 1, 2).local_version == 1; }));
    EXPECT_EQ(read_all(tile_picture_path(ShareGrid::app, 1, 2)), picture);
    EXPECT_EQ(g_view_share_width, 500);
    EXPECT_EQ(g_current_board, 9);
}

TEST_F(TileTransfer, BadTileMessagesLeaveNoFileAndChangeNothing)
{
    const std::string z_path = tile_z_path(ShareGrid::app, 0, 1);
    const std::string group_path = tile_group_z_path(ShareGrid::app, 0, 1);
    struct Case {
        const char* what;
        std::function<void()> send;
        const char* logged;
    };
    const Case cases[] = {
        { "data and end without a begin", [] {
             tile_receive_data(ShareGrid::app, TileWay::server, "abc", 3, 1);
             tile_receive_end(ShareGrid::app, TileWay::server, "   1:       3", 13, 1);
         }, nullptr },
        { "a begin without an end, then the next begin", [] {
             tile_receive_begin(ShareGrid::app, TileWay::server, 1);
             tile_receive_data(ShareGrid::app, TileWay::server, "abc", 3, 1);
             tile_receive_begin(ShareGrid::app, TileWay::server, 2);
             tile_receive_end(ShareGrid::app, TileWay::server, "   1:       0", 13, 2);
         }, "tile 2 begun before the end of tile 1: its part is thrown away.\n" },
        { "a tile outside the grid", [] {
             tile_receive_begin(ShareGrid::app, TileWay::server, 5 * 256 + 1);
             tile_receive_data(ShareGrid::app, TileWay::server, "abc", 3, 5 * 256 + 1);
         }, "tile 1281 outside the grid: begin ignored.\n" },
        { "a chunk over 900 bytes", [] {
             tile_receive_begin(ShareGrid::app, TileWay::server, 1);
             std::string big(901, 'x');
             tile_receive_data(ShareGrid::app, TileWay::server, big.data(), 901, 1);
             tile_receive_end(ShareGrid::app, TileWay::server, "   1:     901", 13, 1);
         }, "tile data for 1 (901 bytes) does not belong to tile 1: the tile is thrown away.\n" },
        { "another tile's data", [] {
             tile_receive_begin(ShareGrid::app, TileWay::server, 1);
             tile_receive_data(ShareGrid::app, TileWay::server, "abc", 3, 2);
         }, "tile data for 2 (3 bytes) does not belong to tile 1: the tile is thrown away.\n" },
        { "a group datagram cut short", [] {
             on_multicast_tile_message(WireHead { 1, 1, MSG_SHARE_APP_TILE_BEGIN, 0 }, "", 0);
             on_multicast_tile_message(WireHead { 1, 1, MSG_SHARE_APP_TILE_DATA, 500 }, "abc", 3);
         }, "multicast tile message 216 cut short (3 of 500 bytes): dropped.\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.send();
        EXPECT_FALSE(exists(z_path));
        EXPECT_FALSE(exists(group_path));
        EXPECT_FALSE(exists(tile_picture_path(ShareGrid::app, 0, 1)));
        EXPECT_EQ(view_tile_of(ShareGrid::app, 0, 1).local_version, 0);
        EXPECT_EQ(tile_of(ShareGrid::app, 0, 1).fresh, 0);
        if (c.logged)
            EXPECT_TRUE(log_.contains(c.logged));
    }

    // A broken gzip file: the size mismatch is logged, and the tile asked for again.
    const char broken[] = "\x1f\x8b\x08\x00broken";
    tile_receive_begin(ShareGrid::app, TileWay::server, 1);
    tile_receive_data(ShareGrid::app, TileWay::server, broken, 10, 1);
    tile_receive_end(ShareGrid::app, TileWay::server, "   4:       5", 13, 1);
    EXPECT_TRUE(log_.contains("file_size mismatch in do_share_app_one_file_end_from_server. actual size:10, server size:5\n"));
    EXPECT_EQ(view_tile_of(ShareGrid::app, 0, 1).local_version, 0);
    EXPECT_EQ(view_tile_of(ShareGrid::app, 0, 1).notices, 1);
    EXPECT_EQ(tile_of(ShareGrid::app, 0, 1).fresh, 0);

    // The sharer skips its own tiles from the group.
    g_sharing_app = 1;
    g_multicast_countdown = 0;
    on_multicast_tile_message(WireHead { 1, 1, MSG_SHARE_APP_TILE_BEGIN, 0 }, "", 0);
    EXPECT_FALSE(exists(group_path));
    EXPECT_EQ(g_multicast_countdown, 0);
}

TEST_F(TileTransfer, TheStalestTileIsAskedForFirstAndOnlyWhenAhead)
{
    auto set = [](int r, int c, int server, int local, int notices) {
        viewer_tile& t = view_tile_of(ShareGrid::app, r, c);
        t.server_version = server;
        t.local_version = local;
        t.notices = notices;
    };
    // Ties: the first in row order.
    set(0, 3, 5, 2, 1);
    set(2, 0, 5, 2, 1);
    set(4, 4, 9, 0, 0);  // furthest ahead, but not announced
    EXPECT_TRUE(request_stalest_tile(ShareGrid::app));
    EXPECT_EQ(view_tile_of(ShareGrid::app, 0, 3).notices, 0);
    EXPECT_EQ(view_tile_of(ShareGrid::app, 2, 0).notices, 1);
    EXPECT_TRUE(request_stalest_tile(ShareGrid::app));
    EXPECT_EQ(view_tile_of(ShareGrid::app, 2, 0).notices, 0);
    // Announced but not ahead: nothing.
    set(1, 1, 3, 3, 4);
    EXPECT_FALSE(request_stalest_tile(ShareGrid::app));
    EXPECT_EQ(view_tile_of(ShareGrid::app, 1, 1).notices, 4);

    // While tiles arrive by multicast an announcement only lowers the countdown.
    g_multicast_countdown = 3;
    do_share_app_tile_notice_from_server("   7:     100", 13, tile_number(1, 1));
    EXPECT_EQ(g_multicast_countdown, 2);
    EXPECT_EQ(view_tile_of(ShareGrid::app, 1, 1).server_version, 3);
    g_multicast_countdown = 0;
    do_share_app_tile_notice_from_server("   7:     100", 13, tile_number(1, 1));
    EXPECT_EQ(view_tile_of(ShareGrid::app, 1, 1).server_version, 7);
    EXPECT_EQ(view_tile_of(ShareGrid::app, 1, 1).notices, 0);  // asked for

    // A counter list equal to the local pairs raises nothing; a reset clears all.
    clear_share_viewer();
    std::string list;
    for (int i = 0; i < 25; ++i)
        list += "   0:       0";
    do_app_tile_counter_from_server(list.data(), static_cast<int>(list.size()), 0);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(view_tile_of(ShareGrid::app, i / 5, i % 5).notices, 0);
    list.replace(13 * 7, 13, "   2:      40");
    do_app_tile_counter_from_server(list.data(), static_cast<int>(list.size()), 0);
    EXPECT_EQ(view_tile_of(ShareGrid::app, 1, 2).notices, 1);
    EXPECT_EQ(view_tile_of(ShareGrid::app, 1, 2).server_version, 2);
    do_app_tiles_reset_from_server(nullptr, 0, 0);
    EXPECT_EQ(view_tile_of(ShareGrid::app, 1, 2).notices, 0);
    EXPECT_EQ(view_tile_of(ShareGrid::app, 1, 2).server_version, 0);
}
