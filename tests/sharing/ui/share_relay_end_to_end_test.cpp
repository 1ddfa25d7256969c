// Tiles over the LAN group: two viewers in one room on one machine (the
// private network namespace's loopback), each its own process, elect one
// LAN master; the sharer is elsewhere (it sends only to the server), so the
// master passes the server's tiles on to the group and the other viewer gets
// them from there. When the master leaves, the other one takes over.

#include "core/file_util.h"
#include "core/messages.h"
#include "tests/sharing/ui/share_peer_client.h"
#include "tests/support/headless_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

bool in_private_network() { return std::getenv("TAMBLO_NETNS") && std::string(std::getenv("TAMBLO_NETNS")) == "1"; }

} // namespace

TEST(ShareRelayEndToEnd, TheMasterPassesTheServersTilesToTheGroupAndHandsOverWhenItLeaves)
{
    if (!in_private_network())
        GTEST_SKIP() << "multicast runs only inside the private network namespace of make test";
    TempHome home;
    ServerProcess server;
    // Other tests' servers number their first rooms from 1 and may use the
    // group too: this room's number lies beyond theirs.
    HeadlessPeer sharer("sharer");
    ASSERT_EQ(sharer.connect("127.0.0.1", server.port()), 0);
    for (int i = 0; i < 40; ++i)
        ASSERT_GT(sharer.join_room("pad" + std::to_string(i)), 0);
    int room = sharer.join_room("Relay");
    ASSERT_GT(room, 40);
    sharer.send(PeerChannel::main, MSG_SHARE_APP_START, sharer.customer_id());
    ASSERT_TRUE(sharer.await_number(MSG_202));

    std::vector<std::unique_ptr<SharePeerClient>> viewers;
    for (const char* name : { "/b", "/c" })
        viewers.push_back(std::make_unique<SharePeerClient>(server.port(), "Relay", home.root() + name,
                                                            std::vector<std::string> { "TAMBLO_SHARE_PEER_MULTICAST=1" }));
    for (auto& v : viewers)
        ASSERT_TRUE(v->joined());
    ASSERT_TRUE(pump_until([&] { return viewers[0]->master() != viewers[1]->master(); }, 20000))
        << viewers[0]->state() << " / " << viewers[1]->state();
    SharePeerClient& master = viewers[0]->master() ? *viewers[0] : *viewers[1];
    SharePeerClient& other = viewers[0]->master() ? *viewers[1] : *viewers[0];

    // A tile file as a sharer makes it.
    const std::string picture = slurp(TAMBLO_TEST_SOURCE_DIR "/README.md").substr(0, 5000);
    std::ofstream(home.root() + "/tile") << picture;
    ASSERT_EQ(z_compress_file(home.root() + "/tile", home.root() + "/tile.gz"), 0);
    const std::string z = slurp(home.root() + "/tile.gz");
    auto upload = [&](int field2, int version) {
        sharer.send(PeerChannel::app, MSG_SHARE_APP_TILE_BEGIN, field2);
        for (size_t at = 0; at < z.size(); at += 900)
            sharer.send(PeerChannel::app, MSG_SHARE_APP_TILE_DATA, field2, z.substr(at, 900));
        char end[32];
        std::snprintf(end, sizeof end, "%4d:%8d", version, static_cast<int>(z.size()));
        sharer.send(PeerChannel::app, MSG_SHARE_APP_TILE_END, field2, end);
    };
    upload(0, 1);
    for (SharePeerClient* v : { &master, &other })
        EXPECT_TRUE(pump_until([&] { return slurp(v->user_file("bmp/wnd_0_0.bmp")) == picture; }));
    // The other viewer's copy came over the group, from the master.
    EXPECT_TRUE(pump_until([&] { return slurp(other.user_file("bmp/wnd_0_0_mul")) == z; }));
    EXPECT_FALSE(std::filesystem::exists(master.user_file("bmp/wnd_0_0_mul")));

    // The master leaves: the other one takes over and relays the next tile itself.
    master.stop();
    ASSERT_TRUE(pump_until([&] { return other.master(); }, 20000)) << other.state();
    // Its countdown still says tiles come by the group, so it leaves the
    // announcement alone; the viewer tick asks for the tile while the sharer
    // goes on announcing its window, as a sharer does every second.
    upload(1, 1);
    auto last_rect = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    EXPECT_TRUE(pump_until([&] {
        if (std::chrono::steady_clock::now() - last_rect > std::chrono::milliseconds(500)) {
            sharer.send(PeerChannel::main, MSG_SHARE_APP_WINDOW_RECT, 0, "   0:   0: 500: 500");
            last_rect = std::chrono::steady_clock::now();
        }
        return slurp(other.user_file("bmp/wnd_0_1.bmp")) == picture;
    }, 15000));
}
