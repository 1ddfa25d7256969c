#include "core/connections.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/server_notices.h"
#include "core/server_table.h"
#include "core/settings.h"
#include "core/window_messages.h"
#include "tests/support/queued_window_messages.h"
#include "tests/support/temp_home.h"

#include <arpa/inet.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string show_name(int index) { return server_entry[static_cast<size_t>(index)].show_name.data(); }
std::string host(int index) { return server_entry[static_cast<size_t>(index)].host.data(); }
int port(int index) { return server_entry[static_cast<size_t>(index)].port; }
int in_use(int index) { return server_entry[static_cast<size_t>(index)].in_use; }

std::string stored(const char* name)
{
    std::string value;
    reg_read(server_list_section, name, value, 256);
    return value;
}

// As the receive thread runs it: from its buffer, posts delivered once the
// buffer holds the next message.
void feed(void (*handler)(const char*, int), const std::string& body)
{
    QueuedWindowMessages queue;
    run_from_receive_buffer(queue, [handler](const char* b, int len, int) { handler(b, len); }, body);
}

class ServerTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        load_default_servers();
    }
    void TearDown() override { set_message_box_presenter(nullptr); }

    TempHome home;
    ScriptedMessageBoxes boxes;
};

struct Received {
    uint32_t msg;
    std::string text;
};

class RecordingWindow : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        std::string text;
        if (wparam != 0 && lparam > 0)
            text.assign(reinterpret_cast<const char*>(wparam), static_cast<size_t>(lparam));
        received.push_back({ msg, text });
        return 0;
    }
    std::vector<Received> received;
};

} // namespace

TEST_F(ServerTable, DefaultsHoldTheFourLocalServersAndNothingElse)
{
    // The local server is the last built-in entry: the connect dialog's first line.
    EXPECT_EQ(show_name(3), "Local server");
    EXPECT_EQ(port(3), 9081);
    for (int i = 0; i < server_builtin_count; ++i) {
        EXPECT_EQ(in_use(i), 1) << i;
        EXPECT_EQ(host(i), "127.0.0.1") << i;
        if (i < 3) {
            EXPECT_EQ(port(i), 9082 + i) << i;
        }
        EXPECT_FALSE(show_name(i).empty()) << i;
    }
    for (int i = server_builtin_count; i < server_count; ++i) {
        EXPECT_EQ(in_use(i), 0) << i;
        EXPECT_EQ(host(i), "") << i;
        EXPECT_EQ(port(i), 9081) << i;
    }
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ServerTable, ListFromServerIsStoredSavedAndLoadedAgain)
{
    feed(do_server_list_from_server, "First:127.0.0.21:9081");
    feed(do_server_address_item_from_server, "Second:host.example:9100");
    feed(do_server_address_item_from_server, "Third:127.0.0.1:7000:extra");
    do_server_list_save_from_server();

    EXPECT_EQ(show_name(4), "First");
    EXPECT_EQ(host(5), "host.example");
    EXPECT_EQ(port(5), 9100);
    EXPECT_EQ(port(6), 7000);
    EXPECT_EQ(in_use(7), 0);
    EXPECT_EQ(stored("show4"), "First");
    EXPECT_EQ(stored("addr5"), "host.example");
    EXPECT_EQ(stored("port6"), "7000");
    EXPECT_EQ(stored("show7"), "");

    load_default_servers();
    EXPECT_EQ(in_use(6), 1);
    EXPECT_EQ(show_name(6), "Third");
    EXPECT_EQ(port(4), 9081);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ServerTable, NewListReplacesTheHandedOutEntries)
{
    feed(do_server_list_from_server, "A:a:1");
    feed(do_server_address_item_from_server, "B:b:2");
    feed(do_server_list_from_server, "C:c:3");
    EXPECT_EQ(show_name(4), "C");
    EXPECT_EQ(in_use(5), 0);
    EXPECT_EQ(in_use(3), 1);
}

TEST_F(ServerTable, ShorterListDoesNotBringOldEntriesBackAtTheNextStart)
{
    feed(do_server_list_from_server, "A:a:1");
    feed(do_server_address_item_from_server, "B:b:2");
    feed(do_server_address_item_from_server, "C:c:3");
    do_server_list_save_from_server();
    feed(do_server_list_from_server, "D:d:4");
    do_server_list_save_from_server();

    load_default_servers();
    EXPECT_EQ(show_name(4), "D");
    EXPECT_EQ(in_use(5), 0);
    EXPECT_EQ(in_use(6), 0);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ServerTable, MalformedItemIsRefusedAndChangesNothing)
{
    const char* bad_items[] = {
        "no colon", "Name:host-without-port", "Name::9081", "Name:host:", "Name:host:abc", "Name:host:0",
        "Name:host:70000", "Name:host:-5",
    };
    feed(do_server_address_item_from_server, "Kept:k:1");
    for (const char* item : bad_items) {
        boxes.clear();
        EXPECT_EQ(do_server_address_from_server(item), -1) << item;
        EXPECT_EQ(boxes.texts(), std::vector<std::string> { "address from server format not correct." }) << item;
        EXPECT_EQ(show_name(4), "Kept");
        EXPECT_EQ(in_use(5), 0) << item;
    }
}

TEST_F(ServerTable, FirstItemWithoutSecondColonLeavesTheHandedOutEntriesEmpty)
{
    feed(do_server_list_from_server, "Old:o:1");
    feed(do_server_list_from_server, "Name:host");
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "address from server format not correct." });
    for (int i = server_builtin_count; i < server_count; ++i)
        EXPECT_EQ(in_use(i), 0) << i;
    EXPECT_EQ(in_use(0), 1);
}

TEST_F(ServerTable, FullTableDropsTheItem)
{
    for (int i = server_builtin_count; i < server_count; ++i)
        ASSERT_EQ(do_server_address_from_server("S:h:" + std::to_string(1000 + i)), 0);
    EXPECT_EQ(do_server_address_from_server("Extra:h:1"), -1);
    EXPECT_EQ(port(19), 1019);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ServerTable, LongTextsAreCutToTheFieldLimit)
{
    std::string name(300, 'n');
    ASSERT_EQ(do_server_address_from_server(name + ":h:1"), 0);
    EXPECT_EQ(show_name(4).size(), 127u);
    EXPECT_EQ(do_server_address_from_server("N:" + std::string(128, 'h') + ":1"), -1);
}

TEST_F(ServerTable, StoredEntryWithAnEmptyValueIsNotLoaded)
{
    struct Case {
        const char* show;
        const char* addr;
        const char* port;
        bool loaded;
    };
    const Case cases[] = {
        { "Good", "127.1.1.1", "9090", true },
        { "No address", "", "9090", false },
        { "", "127.1.1.1", "9090", false },
        { "No port", "127.1.1.1", "", false },
        { "Bad port", "127.1.1.1", "http", false },
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        int index = 4 + static_cast<int>(i);
        reg_write(server_list_section, ("show" + std::to_string(index)).c_str(), cases[i].show);
        reg_write(server_list_section, ("addr" + std::to_string(index)).c_str(), cases[i].addr);
        reg_write(server_list_section, ("port" + std::to_string(index)).c_str(), cases[i].port);
    }
    load_default_servers();
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(in_use(4 + static_cast<int>(i)), cases[i].loaded ? 1 : 0) << cases[i].show;
    EXPECT_EQ(host(4), "127.1.1.1");
    EXPECT_EQ(port(4), 9090);
}

TEST_F(ServerTable, InitGlobalStateRunsTheInstalledStep)
{
    install_server_table();
    reg_write(server_list_section, "show9", "Stored");
    reg_write(server_list_section, "addr9", "s");
    reg_write(server_list_section, "port9", "1");
    server_entry[0].in_use = 0;
    init_global_state();
    global_state_steps() = GlobalStateSteps {};
    free_global_resources();
    EXPECT_EQ(in_use(0), 1);
    EXPECT_EQ(show_name(9), "Stored");
}

TEST_F(ServerTable, UnwritableStoreShowsItsBoxOnce)
{
    // The store's folder cannot be made: a file stands where it should be.
    std::string blocker = home.root() + "/blocker";
    std::ofstream(blocker) << "x";
    platform::RegistryStore store(blocker + "/kelo/tamblo.ini");
    use_registry_store(&store);
    feed(do_server_list_from_server, "A:a:1");
    feed(do_server_address_item_from_server, "B:b:2");
    EXPECT_EQ(server_list_save(), -1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "create key 'servers' failed!" });
    use_registry_store(nullptr);
}

TEST_F(ServerTable, FailedShowNameWriteStopsTheSave)
{
    // The folder exists but the file cannot be replaced: the store is a folder.
    std::string path = home.root() + "/config/kelo/as_folder.ini";
    std::filesystem::create_directories(path + "/x");
    platform::RegistryStore store(path);
    use_registry_store(&store);
    feed(do_server_list_from_server, "A:a:1");
    feed(do_server_address_item_from_server, "B:b:2");
    EXPECT_EQ(server_list_save(), -1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "set value failed!" });
    use_registry_store(nullptr);
}

TEST(ServerVersion, NewerThanTheOwnVersion)
{
    struct Case {
        int major, minor, build;
        bool newer;
    };
    const Case cases[] = {
        { 1, 9, 4, false }, { 0, 99, 99, false }, { 1, 8, 99, false }, { 1, 9, 5, true },
        { 1, 10, 0, true }, { 2, 0, 0, true },    { -1, 0, 0, false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(version_is_newer(c.major, c.minor, c.build), c.newer) << c.major << "." << c.minor << "." << c.build;
}

TEST(ServerVersion, AnnouncedNewerVersionOffersTheUpdate)
{
    RecordingWindow frame;
    WindowSlotBinding binding(WindowSlot::main_frame, &frame);
    feed(do_new_version_from_server, "   1:   9:   4");
    EXPECT_TRUE(frame.received.empty());
    EXPECT_EQ(g_newest_version_build, 4);
    feed(do_new_version_from_server, "   1:  10:   0");
    ASSERT_EQ(frame.received.size(), 1u);
    EXPECT_EQ(frame.received[0].msg, WM_MY_MSG_NEW_VERSION);
    feed(do_new_version_from_server, "garbage");
    EXPECT_EQ(frame.received.size(), 1u);
    EXPECT_EQ(g_newest_version_minor, 10);
}

TEST(ServerVersion, ServerVersionIsStoredWithDots)
{
    TempHome home;
    feed(do_server_version_from_server, "       3:      12:     407");
    std::string value;
    reg_read("general", "server_version", value, 241);
    EXPECT_EQ(value, "       3.      12.     407");
}

TEST(ReportDatagram, TextArrivesWithItsTerminatingZero)
{
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);

    EXPECT_EQ(send_udp_datagram("127.0.0.1:127.0.0.1:9081", "127.0.0.1", ntohs(addr.sin_port)), 0);
    pollfd p { fd, POLLIN, 0 };
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    char buffer[100] = {};
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    EXPECT_EQ(n, 25);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), std::string("127.0.0.1:127.0.0.1:9081", 25));
    ::close(fd);

    EXPECT_EQ(send_udp_datagram("x", "127.0.0.1", 0), -1);
    EXPECT_EQ(send_udp_datagram("x", "127.0.0.1", 70000), -1);
}

TEST(ReportDatagram, EndpointIsTheConnectedServerUnlessTheSettingsNameAnother)
{
    TempHome home;
    g_main_sock.host.set("127.0.0.5");
    EXPECT_EQ(report_endpoint_host(), "127.0.0.5");
    reg_write("general", "report_host", "127.0.0.6");
    EXPECT_EQ(report_endpoint_host(), "127.0.0.6");
    g_main_sock.host.clear();
}
