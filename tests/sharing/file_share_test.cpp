// Files in share through the client core, without windows: the real
// tamblo-server, this process as one client (its connection threads, upload
// thread and file-connection receivers) and headless peers as the others.

#include "core/connection_threads.h"
#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/window_messages.h"
#include "platform/sys/clock.h"
#include "sharing/file_share.h"
#include "shell/connect_flow.h"
#include "shell/login_rules.h"
#include "shell/room_rules.h"
#include "tests/support/child_process.h"
#include "tests/support/headless_peer.h"
#include "tests/support/random_bytes.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <csignal>
#include <thread>

namespace {

namespace fs = std::filesystem;

bool wait_for(const std::function<bool()>& done, int wait_ms = 10000)
{
    for (int waited = 0; !done() && waited < wait_ms; waited += 5)
        platform::sleep_ms(5);
    return done();
}

void write_file(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<std::string> files_in(const std::string& folder)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec))
        if (e.is_regular_file())
            out.push_back(fs::relative(e.path(), folder).string());
    std::sort(out.begin(), out.end());
    return out;
}

// What the files page is told, recorded on the file thread (no window bridge).
class ListRecorder : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        std::lock_guard hold(lock_);
        std::string name;
        long long size = 0;
        if ((msg == WM_MY_MSG_FILE_LIST_FIRST || msg == WM_MY_MSG_FILE_LIST_ADD)
            && parse_file_list_entry(reinterpret_cast<const char*>(wparam), static_cast<int>(lparam), name, size)) {
            if (msg == WM_MY_MSG_FILE_LIST_FIRST)
                entries_.clear();
            entries_.emplace_back(name, size);
        }
        if (msg == WM_MY_MSG_FILE_LIST_CHANGED)
            ++changes_;
        if (msg == WM_MY_MSG_CLIPBOARD_OFFERED)
            ++offers_;
        return 0;
    }
    std::vector<std::pair<std::string, long long>> entries() const
    {
        std::lock_guard hold(lock_);
        return entries_;
    }
    int changes() const { return changes_; }
    int offers() const { return offers_; }

private:
    mutable std::mutex lock_;
    std::vector<std::pair<std::string, long long>> entries_;
    std::atomic<int> changes_ { 0 };
    std::atomic<int> offers_ { 0 };
};

class ClientFileShare : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        reset_receive_handlers();
        install_control_handlers();
        install_file_share_handlers();
        init_global_state();
        file_share_windows() = {};
        g_file_transfer.download_state = static_cast<int>(DownloadState::idle);
        char pattern[] = "/tmp/tamblo-client-files-XXXXXX";
        data_dir_ = ::mkdtemp(pattern);
        work_ = home_.root() + "/work/";
        fs::create_directories(work_);
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--data-dir", data_dir_, "--room-files-mib", "200" });
        g_server_host.set("127.0.0.1");
        g_server_port = server_->port();
        ASSERT_EQ(connect_to_current_server(), 0);
        ASSERT_TRUE(wait_for([] { return g_my_customer_id >= 0 && g_file_sock.m_sock != 0; }));
        ASSERT_TRUE(server_->wait_for_log(format_text("client %d: file connection", g_my_customer_id.load())));
        ASSERT_EQ(send_login_from_dialog("ann", "code"), 0);
        ASSERT_TRUE(wait_for([] { return g_logged_in == 1; }));
        ASSERT_EQ(join_room("Lobby", "", false), 0);
        ASSERT_TRUE(wait_for([] { return g_room_number >= 0; }));
        peer_ = std::make_unique<HeadlessPeer>("bob");
        ASSERT_EQ(peer_->connect("127.0.0.1", server_->port()), 0);
        ASSERT_GE(peer_->join_room("Lobby"), 0);
    }
    void TearDown() override
    {
        disconnect_server();
        stop_connection_watchdog();
        wait_for([] { return receive_threads_running(ReceiveConnection::file) == 0; });
        peer_.reset();
        server_.reset();
        reset_receive_handlers();
        set_message_box_presenter(nullptr);
        std::error_code ec;
        fs::remove_all(data_dir_, ec);
    }
    // The peer's view of the room's files.
    std::vector<std::pair<std::string, long long>> peer_list()
    {
        peer_->clear();
        peer_->send(PeerChannel::file, MSG_FILE_LIST_REFRESH);
        peer_->send(PeerChannel::file, MSG_FILE_DOWNLOAD_REQUEST, 0, "-end-");
        EXPECT_TRUE(peer_->await_number(MSG_FILE_DOWNLOAD_END).has_value());
        std::vector<std::pair<std::string, long long>> out;
        for (const ArrivedMessage& m : peer_->arrived()) {
            std::string name;
            long long size = 0;
            if ((m.head.number == MSG_FILE_LIST_FIRST || m.head.number == MSG_FILE_LIST_ADD)
                && parse_file_list_entry(m.body.c_str(), static_cast<int>(m.body.size()), name, size))
                out.emplace_back(name, size);
        }
        return out;
    }
    std::string peer_download(const std::string& name)
    {
        peer_->clear();
        peer_->send(PeerChannel::file, MSG_FILE_DOWNLOAD_REQUEST, 0, name);
        EXPECT_TRUE(peer_->await_number(MSG_FILE_DOWNLOAD_END, 30000).has_value());
        std::string bytes;
        for (const ArrivedMessage& m : peer_->arrived())
            if (m.head.number == MSG_FILE_DOWNLOAD_DATA)
                bytes += m.body;
        return bytes;
    }
    // The server stopped and let go again: what it has not sent by then
    // (a 20 MB file is more than every buffer between us holds) waits.
    void freeze_server() { ::kill(server_->pid(), SIGSTOP); }
    void thaw_server() { ::kill(server_->pid(), SIGCONT); }
    static void spin_until(const std::function<bool()>& done)
    {
        auto start = std::chrono::steady_clock::now();
        while (!done() && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
            std::this_thread::yield();
    }
    std::vector<std::string> parts() const
    {
        std::vector<std::string> out;
        for (const std::string& f : files_in(data_dir_))
            if (f.rfind("parts/", 0) == 0)
                out.push_back(f);
        return out;
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    std::string data_dir_;
    std::string work_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<HeadlessPeer> peer_;
};

TEST_F(ClientFileShare, FilesOfEverySizeUpToTheLimitComeBackByteForByte)
{
    ListRecorder page;
    WindowSlotBinding binding(WindowSlot::files_page, &page);
    const size_t sizes[] = { 0, 1, 1000, 1001, 20000000 };
    unsigned seed = 10;
    for (size_t size : sizes) {
        const std::string name = format_text("file_%zu.bin", size);
        const std::string bytes = random_bytes(size, seed++);
        write_file(work_ + name, bytes);
        const int changes = page.changes();
        ASSERT_EQ(file_share_upload(work_ + name), 0) << size;
        EXPECT_EQ(g_file_transfer.upload_sent, static_cast<long long>(size));
        // Listed for everyone once whole, the uploader's page too.
        ASSERT_TRUE(wait_for([&] { return page.changes() > changes; })) << size;
        // Another member downloads the same bytes...
        EXPECT_TRUE(peer_download(name) == bytes) << size;
        // ...and so does this client, to a file of its own under the chosen name.
        const std::string local = work_ + "copy_" + name;
        ASSERT_EQ(file_share_download(name, local), IDOK) << size;
        EXPECT_EQ(download_state(), DownloadState::done);
        EXPECT_EQ(g_file_transfer.download_total, static_cast<long long>(size));
        std::ifstream in(local, std::ios::binary);
        std::string back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(back == bytes) << size;
        EXPECT_FALSE(fs::exists(local + ".part")) << size;
    }
    EXPECT_EQ(peer_list().size(), std::size(sizes));
    EXPECT_TRUE(boxes_.texts().empty());
    EXPECT_TRUE(parts().empty());
    // The list the page gets after a refresh: name and size, oldest first.
    ASSERT_EQ(send_file_list_refresh(), 0);
    ASSERT_TRUE(wait_for([&] { return page.entries().size() == std::size(sizes); }));
    EXPECT_EQ(page.entries().front(), (std::pair<std::string, long long> { "file_0.bin", 0 }));
    EXPECT_EQ(page.entries().back(), (std::pair<std::string, long long> { "file_20000000.bin", 20000000 }));
}

TEST_F(ClientFileShare, OneByteOverTheLimitIsRefusedWithItsSize)
{
    write_file(work_ + "over.bin", random_bytes(20000001, 3));
    EXPECT_EQ(file_share_upload(work_ + "over.bin"), -1);
    EXPECT_EQ(boxes_.texts(),
              std::vector<std::string> { "Our current file upload size limit is 20Mbytes.\nYour file size is:20000001" });
    EXPECT_TRUE(peer_list().empty());
}

TEST_F(ClientFileShare, UploadRefusalsComeBeforeAnythingIsSent)
{
    struct Case {
        std::function<void()> setup;
        std::string path;
        std::string box;
    };
    const std::string long_name = work_ + std::string(64, 'x');
    write_file(long_name, "x");
    const Case cases[] = {
        { [] { g_logged_in = 0; }, work_ + "a", "You have to login to upload files." },
        { [] { g_logged_in = 1; g_room_number = -1; }, work_ + "a", "You have to enter a meeting room to upload files." },
        { {}, "   ", "Filename should not be blank, click browse to choose." },
        { {}, "", "Filename should not be blank, click browse to choose." },
        { {}, work_ + "missing.bin", "failed to open file to read." },
        { {}, work_, "Bad file handle while open file\n" },
        { {}, long_name,
          "The file name " + std::string(64, 'x') + " is longer than 63 characters. Please rename the file to upload it." },
    };
    const int room = g_room_number;
    for (const Case& c : cases) {
        g_logged_in = 1;
        g_room_number = room;
        if (c.setup)
            c.setup();
        boxes_.clear();
        EXPECT_EQ(file_share_upload(c.path), -1) << c.box;
        EXPECT_EQ(boxes_.texts(), std::vector<std::string> { c.box });
    }
    g_room_number = room;
    EXPECT_TRUE(peer_list().empty());
    EXPECT_TRUE(parts().empty());
}

TEST_F(ClientFileShare, ACancelledUploadLeavesNothingListedAndNoPart)
{
    write_file(work_ + "big.bin", random_bytes(20000000, 4));
    // The server held still while the cancel comes, so the upload cannot
    // end first however fast the loopback is.
    std::thread canceller([this] {
        spin_until([] { return g_file_transfer.upload_sent > 0; });
        freeze_server();
        upload_cancel_from_dialog();
        thaw_server();
    });
    EXPECT_EQ(file_share_upload(work_ + "big.bin"), -1);
    canceller.join();
    EXPECT_LT(g_file_transfer.upload_sent, 20000000);
    EXPECT_TRUE(server_->wait_for_log("upload of big.bin dropped after"));
    EXPECT_TRUE(server_->wait_for_log(": cancelled"));
    EXPECT_TRUE(peer_list().empty());
    EXPECT_TRUE(parts().empty());
}

TEST_F(ClientFileShare, AnUploaderKilledMidWayLeavesNothingListedAndNoPart)
{
    write_file(work_ + "killed.bin", random_bytes(20000000, 5));
    {
        ChildProcess uploader({ TAMBLO_FILE_SHARE_PEER, std::to_string(server_->port()), "cy", "Lobby", work_ + "killed.bin" });
        ASSERT_TRUE(server_->wait_for_log("upload of killed.bin begun", 10000));
        uploader.stop();
    }
    EXPECT_TRUE(server_->wait_for_log("upload of killed.bin dropped after"));
    EXPECT_FALSE(server_->wait_for_log("stored killed.bin", 200));
    EXPECT_TRUE(peer_list().empty());
    EXPECT_TRUE(parts().empty());
}

TEST_F(ClientFileShare, DownloadsThatDoNotFinishLeaveNoFileAndSayWhy)
{
    const std::string bytes = random_bytes(20000000, 6);
    write_file(work_ + "source.bin", bytes);
    ASSERT_EQ(file_share_upload(work_ + "source.bin"), 0);
    const std::string local = work_ + "copy.bin";

    // Cancelled by the user while it runs.
    std::thread canceller([this] {
        spin_until([] { return download_state() == DownloadState::running; });
        freeze_server();
        download_cancel_from_dialog();
        thaw_server();
    });
    EXPECT_EQ(file_share_download("source.bin", local), IDCANCEL);
    canceller.join();
    EXPECT_EQ(download_state(), DownloadState::cancelled);
    EXPECT_FALSE(fs::exists(local));
    EXPECT_FALSE(fs::exists(local + ".part"));
    // What was still on its way for the cancelled one does not mix into the next.
    ASSERT_EQ(file_share_download("source.bin", local), IDOK);
    std::ifstream in(local, std::ios::binary);
    std::string back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(back == bytes);
    fs::remove(local);

    // A name the room does not have.
    EXPECT_EQ(file_share_download("gone.bin", local), IDCANCEL);
    EXPECT_EQ(download_state(), DownloadState::missing);
    EXPECT_EQ(download_outcome_text(), "gone.bin is no longer in share.");
    EXPECT_FALSE(fs::exists(local + ".part"));

    // The file connection closed under it.
    std::thread cutter([this] {
        spin_until([] { return download_state() == DownloadState::running; });
        freeze_server();
        g_file_sock.close_socket();
        thaw_server();
    });
    EXPECT_EQ(file_share_download("source.bin", local), IDCANCEL);
    cutter.join();
    EXPECT_EQ(download_state(), DownloadState::lost);
    EXPECT_EQ(download_outcome_text(), "The connection to the server was lost: the download of source.bin was not finished.");
    EXPECT_FALSE(fs::exists(local));
    EXPECT_FALSE(fs::exists(local + ".part"));
}

TEST_F(ClientFileShare, TheFileConnectionsBadInputIsDroppedWithoutHarm)
{
    ListRecorder page;
    WindowSlotBinding binding(WindowSlot::files_page, &page);
    struct Entry {
        std::string body;
        bool ok;
        std::string name;
        long long size;
    };
    const Entry entries[] = {
        { std::string("a.txt\0", 6) + "            12", true, "a.txt", 12 },
        { std::string("b.txt\0", 6) + "             0", true, "b.txt", 0 },
        { std::string("b.txt") + "            12", false, "", 0 },             // no zero byte
        { std::string("c.txt\0", 6) + "          abcd", false, "", 0 },        // no number
        { std::string("c.txt\0", 6) + "12", false, "", 0 },                    // no room for a size
        { std::string("\0", 1) + "            12", false, "", 0 },             // no name
        { std::string(".\0", 2) + "            12", false, "", 0 },
        { std::string("..\0", 3) + "            12", false, "", 0 },
        { std::string("a/b\0", 4) + "            12", false, "", 0 },
        { std::string("d.txt\0", 6) + "           -12", false, "", 0 },        // a size below 0
        { std::string(80, 'e') + std::string("\0", 1) + "             7", true, std::string(63, 'e'), 7 },
    };
    for (const Entry& e : entries) {
        std::string name;
        long long size = -1;
        EXPECT_EQ(parse_file_list_entry(e.body.c_str(), static_cast<int>(e.body.size()), name, size), e.ok) << e.body;
        if (e.ok) {
            EXPECT_EQ(name, e.name);
            EXPECT_EQ(size, e.size);
        }
    }
    // Data with no download open, an end with none, and a begin never asked for.
    do_file_download_data_from_server("stray", 5, 0);
    do_file_download_end_from_server("", 0, 0);
    do_file_download_begin_from_server("12", 2, 0);
    EXPECT_EQ(download_state(), DownloadState::idle);
    // Clipboard offers for other files are no offers.
    for (std::string bad : { "notes.txt", "../clip.nclp.z", "a/clip.nclp.z", ".nclp.z", "" })
        do_clipboard_offer_from_server(bad.c_str(), static_cast<int>(bad.size()), 0);
    EXPECT_EQ(page.offers(), 0);
    std::string good = "clip_1_2_3_4.nclp.z";
    do_clipboard_offer_from_server(good.c_str(), static_cast<int>(good.size()), 0);
    EXPECT_EQ(page.offers(), 1);
    EXPECT_EQ(g_clipboard_file_name.get(), good);
}

TEST(FileShareNames, BareNamesAndClipboardNames)
{
    struct Case {
        const char* path;
        const char* bare;
    };
    const Case cases[] = {
        { "/home/ann/report.doc", "report.doc" }, { "C:\\docs\\a.txt", "a.txt" }, { "c:a.txt", "a.txt" },
        { "plain", "plain" },                     { "dir/", "" },                 { "a\\b/c:d", "d" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(share_bare_name(c.path), c.bare) << c.path;
    EXPECT_EQ(clipboard_file_name(9, 14, 5, 59), "clip_9_14_5_59.nclp");
    EXPECT_TRUE(is_clipboard_file_name("clip_9_14_5_59.nclp.z"));
    EXPECT_FALSE(is_clipboard_file_name("clip_9_14_5_59.nclp"));
    EXPECT_FALSE(is_clipboard_file_name("../clip.nclp.z"));
    EXPECT_FALSE(is_clipboard_file_name(std::string(60, 'c') + ".nclp.z"));
    TempHome home;
    EXPECT_EQ(clipboard_local_path("clip_1_1_1_1.nclp.z"), home.user_folder() + "share/clip_1_1_1_1.nclp.z");
    EXPECT_EQ(clipboard_local_path("../x.nclp.z"), "");
}

} // namespace
