#include "core/company_logo.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/settings.h"
#include "core/web_host.h"
#include "core/window_messages.h"
#include "tests/core/loopback.h"
#include "tests/support/child_process.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace {

class RecordingFrame : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t, intptr_t) override
    {
        std::lock_guard lock(lock_);
        messages_.push_back(msg);
        changed_.notify_all();
        return 0;
    }
    bool wait_for(uint32_t msg, int wait_ms)
    {
        std::unique_lock lock(lock_);
        return changed_.wait_for(lock, std::chrono::milliseconds(wait_ms),
                                 [&] { return std::find(messages_.begin(), messages_.end(), msg) != messages_.end(); });
    }
    size_t count()
    {
        std::lock_guard lock(lock_);
        return messages_.size();
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<uint32_t> messages_;
};

std::string odd_reply_body(size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; ++i)
        out += static_cast<char>(i % 256);
    return out;
}

} // namespace

TEST(CompanyLogo, NamesAndFileNames)
{
    struct Case {
        const char* name;
        bool acceptable;
        const char* file_name;
    } cases[] = {
        { "acme.gif", true, "company_logo.gif" },
        { "a.very.long.name.jpeg", true, "company_logo.jpeg" },
        { "no_extension_at_all", true, "company_logo" },
        { "x.toolongext", true, "company_logo" },
        { "../etc/passwd", false, nullptr },
        { "sub/logo.gif", false, nullptr },
        { "..", false, nullptr },
        { "logo.gif HTTP/1.0\r\nHost: x", false, nullptr },
        { "a\\b.gif", false, nullptr },
        { "", false, nullptr },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(logo_name_acceptable(c.name), c.acceptable) << c.name;
        if (c.file_name) {
            EXPECT_EQ(company_logo_file_name_for(c.name), c.file_name) << c.name;
        }
    }
}

TEST(CompanyLogo, RefusedNamesStartNoDownload)
{
    TempHome home;
    LogCapture log;
    g_company_logo_path.set("/home/company_logo/old.gif");
    for (const char* name : { "../x.gif", "a/b.gif", "..", "a b.gif" }) {
        EXPECT_EQ(do_company_logo_from_server(name, static_cast<int>(std::strlen(name))), -1) << name;
        EXPECT_TRUE(log.contains(std::string("logo file name refused in do_company_logo_from_server: ") + name + "\n")) << name;
    }
    EXPECT_EQ(g_company_logo_path.get(), "/home/company_logo/old.gif");
    EXPECT_EQ(do_company_logo_from_server(nullptr, 0), -1);

    // 791 on the main connection reaches the same handler.
    install_company_logo_handler();
    EXPECT_TRUE(dispatch_received_message(ReceiveConnection::main, MSG_COMPANY_LOGO, "../y.gif", 8, 0));
    EXPECT_TRUE(log.contains("logo file name refused in do_company_logo_from_server: ../y.gif\n"));
    reset_receive_handlers();
}

TEST(WebHost, TheSettingsElseTheConferenceServerOnPort80)
{
    TempHome home;
    g_server_host.set("meet.example.test");
    struct Case {
        const char* host;  // nullptr: not set
        const char* port;
        const char* name;
        int want_port;
        const char* url;
    } cases[] = {
        { nullptr, nullptr, "meet.example.test", 80, "http://meet.example.test/a" },
        { "127.0.0.1", nullptr, "127.0.0.1", 80, "http://127.0.0.1/a" },
        { "127.0.0.1", "8080", "127.0.0.1", 8080, "http://127.0.0.1:8080/a" },
        { "web.example.test", "0", "web.example.test", 80, "http://web.example.test/a" },
        { "web.example.test", "70000", "web.example.test", 80, "http://web.example.test/a" },
        { "web.example.test", "x", "web.example.test", 80, "http://web.example.test/a" },
        { "::1", "81", "::1", 81, "http://[::1]:81/a" },
    };
    for (const Case& c : cases) {
        reg_write("general", "web_host", c.host ? c.host : "");
        reg_write("general", "web_port", c.port ? c.port : "");
        EXPECT_EQ(web_host_name(), c.name);
        EXPECT_EQ(web_host_port(), c.want_port) << (c.port ? c.port : "");
        EXPECT_EQ(web_host_url("/a"), c.url);
    }
    g_server_host.clear();
}

TEST(CompanyLogo, DownloadsFromTheServersWebHostAndRefusesOddReplies)
{
    TempHome home;
    LogCapture log;
    RecordingFrame frame;
    WindowSlotBinding binding(WindowSlot::logo_frame, &frame);
    reg_write("general", "web_host", "127.0.0.1");

    // The real web host and the whole path from the handler.
    std::string site = home.root() + "/site";
    std::filesystem::create_directories(site + "/home/company_logo");
    std::string picture = odd_reply_body(70000);
    std::ofstream(site + "/home/company_logo/acme.png", std::ios::binary) << picture;
    {
        ServerProcess web({ "--web", "127.0.0.1:0", "--web-root", site });
        ASSERT_NE(web.web_port(), 0);
        reg_write_int("general", "web_port", web.web_port());
        ASSERT_EQ(do_company_logo_from_server("acme.png", 8), 0);
        ASSERT_TRUE(frame.wait_for(WM_MY_MSG_LOGO_READY, 10000));
        EXPECT_EQ(g_company_logo_file_name.get(), "company_logo.png");
        EXPECT_EQ(company_logo_file_path(), home.user_folder() + "bmp/logo/company_logo.png");
        EXPECT_EQ(read_file(company_logo_file_path()), picture);

        // A name the server does not have: its error page is not taken for the logo.
        g_company_logo_path.set("/home/company_logo/none.png");
        EXPECT_EQ(download_company_logo(), -1);
        EXPECT_TRUE(log.contains("web host answered 404 in g_download_company_logo_thread.\n"));
        EXPECT_EQ(read_file(company_logo_file_path()), picture);
    }

    std::string request_log = home.root() + "/requests.txt";
    std::string script = std::string(TAMBLO_TEST_SOURCE_DIR) + "/tests/support/odd_http_server.py";
    uint16_t odd_port = unused_loopback_port();
    ChildProcess odd({ "python3", script, std::to_string(odd_port), request_log });
    ASSERT_TRUE(odd.started());
    ASSERT_TRUE(wait_for_loopback_port(odd_port, 10000));
    reg_write_int("general", "web_port", odd_port);
    std::filesystem::remove(request_log);
    struct Case {
        const char* name;
        int want;
        size_t body_len;       // of a complete download
        const char* log_line;  // of a refused one
    } cases[] = {
        { "mixed.gif", 0, 10, nullptr },
        { "two_lengths.gif", 0, 6, nullptr },
        { "no_length.png", 0, 10240, nullptr },
        { "cut.gif", -1, 0, "reply shorter than its length 5000 in g_download_company_logo_thread.\n" },
        { "longer.gif", -1, 0, "reply shorter than its length 101 in g_download_company_logo_thread.\n" },
        { "long_line.gif", -1, 0, "reply head line over 2047 bytes in g_download_company_logo_thread.\n" },
        { "head_only.gif", -1, 0, "connection closed in reply head in g_download_company_logo_thread.\n" },
        { "huge_length.gif", -1, 0, "logo length 2000000000 over 16777216 bytes in g_download_company_logo_thread.\n" },
    };
    for (const Case& c : cases) {
        std::string user = home.user_folder();
        std::filesystem::remove_all(user + "bmp/logo");
        g_company_logo_file_name.clear();
        size_t before = frame.count();
        g_company_logo_path.set(std::string("/home/company_logo/") + c.name);
        EXPECT_EQ(download_company_logo(), c.want) << c.name;
        std::string file = user + "bmp/logo/" + company_logo_file_name_for(c.name);
        if (c.want == 0) {
            EXPECT_EQ(read_file(file), odd_reply_body(c.body_len)) << c.name;
            EXPECT_EQ(frame.count(), before + 1) << c.name;
        } else {
            EXPECT_FALSE(file_exists(file)) << c.name;
            EXPECT_FALSE(file_exists(file + ".part")) << c.name;
            EXPECT_EQ(frame.count(), before) << c.name;
            EXPECT_TRUE(log.contains(c.log_line)) << c.name;
        }
    }
    EXPECT_EQ(read_file(request_log).substr(0, 43), "GET /home/company_logo/mixed.gif HTTP/1.0\r\n");
    EXPECT_EQ(read_file(request_log).substr(43, 2), "\r\n");

    odd.stop();
    g_company_logo_path.set("/home/company_logo/mixed.gif");
    EXPECT_EQ(download_company_logo(), -1);
    EXPECT_TRUE(log.contains("failed to connect server in download_company_logo\n"));
    g_company_logo_path.clear();
    g_company_logo_file_name.clear();
}
