// The web host of the real tamblo-server: join pages, forms into the spool,
// plain files under the root, and its bounds against odd, huge, slow and
// traversing requests.

#include "core/http_util.h"
#include "dialogs/invite_link.h"
#include "server/web_pages.h"
#include "tests/support/http_exchange.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string get(const std::string& target, const std::string& extra_head = "")
{
    return "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" + extra_head + "\r\n";
}

std::string post(const std::string& path, const std::string& body,
                 const std::string& type = "application/x-www-form-urlencoded")
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: " + type + "\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::vector<fs::path> spool_files(const fs::path& spool)
{
    std::vector<fs::path> out;
    for (const auto& entry : fs::directory_iterator(spool))
        out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

std::string field(const std::string& body, const std::string& name)
{
    std::vector<std::pair<std::string, std::string>> fields;
    EXPECT_TRUE(parse_query_fields(body, fields)) << body;
    for (auto& [n, v] : fields)
        if (n == name)
            return v;
    ADD_FAILURE() << name << " not in " << body;
    return {};
}

class WebHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::path(home_.root()) / "site";
        spool_ = fs::path(home_.root()) / "spool";
        fs::create_directories(root_);
        fs::create_directories(spool_);
        server_ = std::make_unique<ServerProcess>(
            std::vector<std::string> { "--web", "127.0.0.1:0", "--web-root", root_.string(), "--web-spool", spool_.string() });
        port_ = server_->web_port();
        ASSERT_NE(port_, 0) << server_->log_text();
    }

    TempHome home_;
    fs::path root_;
    fs::path spool_;
    std::unique_ptr<ServerProcess> server_;
    uint16_t port_ = 0;
};

TEST_F(WebHostTest, JoinPagesCarryTheMeetingIntoTheLauncherLink)
{
    MeetingLink m { "127.0.0.1", "Local 服务器", 9081, "se&cr=et", "<script>alert(1)</script> 会议室", "p&w=d#+%" };
    // The links as the invitation dialogs make them, without the host.
    InviteValues v { m.host, m.display_name, m.port, m.code, m.room, m.password };
    std::string invitation = invite_url_link("", v);
    std::string query = invitation.substr(invitation.find('?'));
    struct Case {
        std::string target;
        const char* lang;
        const char* join_text;
    } cases[] = {
        { invitation, "en", "Join Meeting" },
        { web_link_page_path_ch + query, "zh-CN", "加入会议" },
        { email_join_link("", v), "en", "Join Meeting" },
    };
    for (const Case& c : cases) {
        HttpReply reply = parse_http_reply(http_exchange(port_, get(c.target)));
        ASSERT_EQ(reply.status, 200) << c.target << "\n" << reply.head;
        EXPECT_EQ(reply.header("Content-Type"), "text/html; charset=utf-8");
        EXPECT_NE(reply.body.find(std::string("<html lang=\"") + c.lang + "\">"), std::string::npos);
        EXPECT_EQ(reply.body.find("<script>"), std::string::npos) << "the room name is text on the page";
        EXPECT_NE(reply.body.find("&lt;script&gt;alert(1)&lt;/script&gt; 会议室"), std::string::npos);
        const std::string marker = "<a id=\"join\" href=\"";
        size_t at = reply.body.find(marker);
        ASSERT_NE(at, std::string::npos) << reply.body;
        size_t end = reply.body.find('"', at + marker.size());
        std::string href = html_unescape(reply.body.substr(at + marker.size(), end - at - marker.size()));
        EXPECT_EQ(href, launch_link(m));
        EXPECT_NE(reply.body.find(std::string(">") + c.join_text + "</a>"), std::string::npos);
        EXPECT_NE(reply.body.find("href=\"http://127.0.0.1/home/release/tamblo_install.deb\""), std::string::npos);
    }
    // Queries and their secrets stay out of the log.
    EXPECT_EQ(server_->log_text().find("se&cr"), std::string::npos);
    EXPECT_EQ(server_->log_text().find("%73"), std::string::npos);

    // A link that does not hold together gets the page that says so, in its language.
    struct Bad {
        std::string target;
        const char* text;
    } bad[] = {
        { std::string(web_email_page_path) + "?s=h&sp=99999", "This meeting link is not valid." },
        { std::string(web_email_page_path) + "?sp=1", "This meeting link is not valid." },
        { std::string(web_link_page_path) + "?%73%3d%6", "This meeting link is not valid." },
        { std::string(web_link_page_path_ch) + "?%73%3d%68%26%73%70%3d%31%26%73%3d%67", "此会议链接无效。" },
        { std::string(web_email_page_path) + "?s=h&sp=1&mr=%ff", "This meeting link is not valid." },
    };
    for (const Bad& b : bad) {
        HttpReply reply = parse_http_reply(http_exchange(port_, get(b.target)));
        EXPECT_EQ(reply.status, 400) << b.target;
        EXPECT_NE(reply.body.find(b.text), std::string::npos) << b.target;
    }
}

TEST_F(WebHostTest, FormsAreKeptOneFileEachAsPosted)
{
    // As long as the dialog takes, in characters, several bytes each in part.
    const char* pieces[] = { "a", "&", "=", "+", " ", "1", "中", "%" };
    std::string long_text;
    for (int i = 0; i < 10229; ++i)
        long_text += pieces[i % 8];
    std::string typed_name = "Zoë & Co = 1+1";
    struct Case {
        const char* path;
        std::vector<std::pair<std::string, std::string>> fields;
        const char* kind;
        const char* answer;
    } cases[] = {
        { web_feedback_post_path, { { "name", typed_name }, { "email", "z@example.test" }, { "content", long_text } }, "feedback",
          "Thank you. Your message has been received." },
        { web_feedback_post_path, { { "name", "" }, { "email", "" }, { "content", "" } }, "feedback",
          "Thank you. Your message has been received." },
        { web_tell_friend_post_path,
          { { "name", "Ann" }, { "email", "a@x" }, { "friend_name", "Bob" }, { "friend_email", "b@x" }, { "subject", "Hi" },
            { "content", "Line 1\r\nLine 2" } },
          "tell_friend", "Thank you. Your message has been received." },
        { web_tell_friend_post_path_ch,
          { { "name", "安" }, { "email", "a@x" }, { "friend_name", "博" }, { "friend_email", "b@x" }, { "subject", "你好" },
            { "content", "内容" } },
          "tell_friend_ch", "谢谢。您的留言已收到。" },
    };
    for (const Case& c : cases) {
        std::string body;
        for (const auto& [name, value] : c.fields) {
            std::string encoded;
            url_encode(value, encoded);
            body += (body.empty() ? "" : "&") + name + "=" + encoded;
        }
        std::vector<fs::path> before = spool_files(spool_);
        HttpReply reply = parse_http_reply(http_exchange(port_, post(c.path, body)));
        EXPECT_EQ(reply.status, 200) << c.path << reply.head;
        EXPECT_NE(reply.body.find(c.answer), std::string::npos);
        std::vector<fs::path> after = spool_files(spool_);
        ASSERT_EQ(after.size(), before.size() + 1);
        fs::path kept = after.back();
        for (const fs::path& p : after)
            if (std::find(before.begin(), before.end(), p) == before.end())
                kept = p;
        EXPECT_EQ(kept.filename().string().rfind(std::string(c.kind) + "-", 0), 0u) << kept;
        EXPECT_EQ(kept.extension(), ".form");
        std::string stored = read_file(kept);
        EXPECT_EQ(stored, body);
        for (const auto& [name, value] : c.fields)
            EXPECT_EQ(field(stored, name), value) << name;
    }

    // Refused forms leave nothing in the spool.
    size_t kept_count = spool_files(spool_).size();
    struct Refused {
        std::string request;
        int status;
    } refused[] = {
        { post(web_feedback_post_path, "name=a&email=b"), 400 },
        { post(web_feedback_post_path, "name=a&email=b&content=c&content=d"), 400 },
        { post(web_feedback_post_path, "name=a&email=b&content=%e4%bd"), 400 },
        { post(web_feedback_post_path, "name=a&email=b&content=%zz"), 400 },
        { post(web_feedback_post_path, "name=a&email=b&content=c", "text/plain"), 415 },
        { post(web_feedback_post_path, "name=a&email=b&content=" + std::string(70000, 'x')), 413 },
        { post("/cgi-bin/brenmo/customer/other.pl", "name=a"), 404 },
    };
    for (const Refused& r : refused)
        EXPECT_EQ(parse_http_reply(http_exchange(port_, r.request)).status, r.status) << r.request.substr(0, 200);
    // A chunked body is held to the same bound as one with a length.
    std::string chunked = "POST " + std::string(web_feedback_post_path)
        + " HTTP/1.1\r\nHost: h\r\nContent-Type: application/x-www-form-urlencoded\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 20; ++i)
        chunked += "1000\r\n" + std::string(4096, 'a') + "\r\n";
    chunked += "0\r\n\r\n";
    EXPECT_EQ(parse_http_reply(http_exchange(port_, chunked)).status, 413);
    EXPECT_EQ(spool_files(spool_).size(), kept_count);

    // The plain form page posts to the same place.
    HttpReply form = parse_http_reply(http_exchange(port_, get(web_feedback_form_path)));
    EXPECT_EQ(form.status, 200);
    EXPECT_NE(form.body.find(std::string("action=\"") + web_feedback_post_path + "\""), std::string::npos);
    for (const char* name : { "name=\"name\"", "name=\"email\"", "name=\"content\"" })
        EXPECT_NE(form.body.find(name), std::string::npos) << name;
}

TEST_F(WebHostTest, FilesOnlyFromUnderTheRoot)
{
    std::string package(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < package.size(); ++i)
        package[i] = static_cast<char>(i * 7 % 251);
    write_file(root_ / "home/release/tamblo_install.deb", package);
    write_file(root_ / "home/release/tamblo_install.deb.sig", "sig");
    write_file(fs::path(home_.root()) / "secret.txt", "secret");
    fs::create_symlink(fs::path(home_.root()) / "secret.txt", root_ / "home/out.txt");
    fs::create_symlink(root_ / "home/release/tamblo_install.deb.sig", root_ / "home/in.sig");
    fs::create_directories(root_ / "home/empty");

    HttpReply deb = parse_http_reply(http_exchange(port_, get(web_package_path)));
    EXPECT_EQ(deb.status, 200);
    EXPECT_EQ(deb.header("Content-Type"), "application/vnd.debian.binary-package");
    EXPECT_EQ(deb.header("Content-Length"), std::to_string(package.size()));
    EXPECT_TRUE(deb.body == package);
    HttpReply sig = parse_http_reply(http_exchange(port_, get("/home/in.sig")));
    EXPECT_EQ(sig.status, 200) << "a link that stays under the root is followed";
    EXPECT_EQ(sig.body, "sig");
    HttpReply head = parse_http_reply(http_exchange(port_, "HEAD /home/release/tamblo_install.deb.sig HTTP/1.0\r\n\r\n"));
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.body, "");

    struct Case {
        std::string target;
        int status;
    } cases[] = {
        { "/home/out.txt", 404 },
        { "/home/../../secret.txt", 400 },
        { "/home/%2e%2e/%2e%2e/secret.txt", 400 },
        { "/home/release/..%2f..%2f..%2fsecret.txt", 400 },
        { "/home/empty", 404 },
        { "/home/empty/", 404 },
        { "/", 404 },
        { "/home/none.gif", 404 },
        { "/home/a%00b", 400 },
        { "/home\\..\\secret.txt", 400 },
    };
    for (const Case& c : cases) {
        HttpReply reply = parse_http_reply(http_exchange(port_, get(c.target)));
        EXPECT_EQ(reply.status, c.status) << c.target;
        EXPECT_EQ(reply.body.find("secret"), std::string::npos) << c.target;
    }
}

TEST_F(WebHostTest, MalformedHugeAndCrowdedRequestsGetTheirErrorsAndALineEach)
{
    struct Case {
        std::string request;
        int status;
    } cases[] = {
        { "GARBAGE\r\n\r\n", 400 },
        { "GET /x HTTP/1.1\r\nHost: h\r\n" + std::string(9000, 'a') + "\r\n\r\n", 431 },
        { "GET /x HTTP/1.1\r\nHost: h\r\n" + [] {
              std::string lines;
              for (int i = 0; i < 400; ++i)
                  lines += "X-Filler: 0123456789\r\n";
              return lines;
          }() + "\r\n",
          431 },
        { "GET /" + std::string(9000, 'a') + " HTTP/1.0\r\n\r\n", 431 },
        { "POST /cgi-bin/brenmo/customer/feed_back2.pl HTTP/1.1\r\nHost: h\r\nContent-Length: 1073741825\r\n\r\n", 413 },
        { "POST /cgi-bin/brenmo/customer/feed_back2.pl HTTP/1.1\r\nHost: h\r\nContent-Length: -5\r\n\r\n", 400 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse_http_reply(http_exchange(port_, c.request)).status, c.status) << c.request.substr(0, 60);
    EXPECT_TRUE(server_->wait_for_log("web: 127.0.0.1 431 Request Header Fields Too Large"));
    EXPECT_TRUE(server_->wait_for_log("web: 127.0.0.1 - - 400") || server_->wait_for_log("web: 127.0.0.1 GARBAGE"));

    // Sixty-four connections at once are served; one more is told to come back.
    std::vector<int> held;
    for (int i = 0; i < 64; ++i) {
        int fd = connect_loopback(port_);
        ASSERT_GE(fd, 0);
        held.push_back(fd);
    }
    HttpReply crowded = parse_http_reply(http_exchange(port_, get(web_feedback_form_path)));
    EXPECT_EQ(crowded.status, 503);
    EXPECT_TRUE(server_->wait_for_log("503 over 64 connections"));
    ::close(held.back());
    held.pop_back();
    HttpReply served;
    for (int i = 0; i < 200 && served.status != 200; ++i) {
        served = parse_http_reply(http_exchange(port_, get(web_feedback_form_path)));
        if (served.status != 200)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(served.status, 200) << "a freed place is taken again";
    for (int fd : held)
        ::close(fd);
}

TEST_F(WebHostTest, SlowAndSilentClientsAreCutAfterTenSeconds)
{
    // Both at once: a client that says nothing, and one that trickles its
    // head a byte a second; neither keeps its place past the idle time.
    std::string silent_reply, slow_reply;
    auto started = std::chrono::steady_clock::now();
    std::thread silent([&] { silent_reply = http_exchange(port_, "", 20000); });
    std::thread slow([&] {
        int fd = connect_loopback(port_);
        std::string head = "GET /home/none HTTP/1.1\r\nHost: h\r\nX-Slow: 012345678901234567890\r\n\r\n";
        for (char c : head) {
            if (::send(fd, &c, 1, MSG_NOSIGNAL) != 1)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
        char piece[4096];
        ssize_t n = 0;
        while ((n = ::recv(fd, piece, sizeof piece, 0)) > 0)
            slow_reply.append(piece, static_cast<size_t>(n));
        ::close(fd);
    });
    silent.join();
    slow.join();
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(silent_reply, "") << "a connection that never asks is closed quietly";
    EXPECT_EQ(parse_http_reply(slow_reply).status, 408);
    EXPECT_LT(seconds, 19);
}

TEST(WebHost, OffUnlessAskedAndStopsWithConnectionsOpen)
{
    TempHome home;
    {
        ServerProcess plain;
        EXPECT_EQ(plain.log_text().find("web:"), std::string::npos);
    }
    // Without a spool the forms are refused, not claimed.
    ServerProcess server({ "--web", "127.0.0.1:0" });
    uint16_t port = server.web_port();
    ASSERT_NE(port, 0);
    EXPECT_TRUE(server.wait_for_log("web: no --web-spool: the forms are refused"));
    EXPECT_EQ(parse_http_reply(http_exchange(port, post(web_feedback_post_path, "name=a&email=b&content=c"))).status, 503);
    EXPECT_EQ(parse_http_reply(http_exchange(port, get(web_package_path))).status, 404);
    int idle = connect_loopback(port);
    ASSERT_GE(idle, 0);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(server.stop(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    ::close(idle);
}

TEST(WebHost, OptionsAreChecked)
{
    TempHome home;
    struct Case {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        { { "--web", "nonsense" }, "--web wants HOST:PORT" },
        { { "--web-root", "/tmp" }, "--web-root and --web-spool need --web HOST:PORT" },
        { { "--web", "127.0.0.1:0", "--web-root", home.root() + "/missing" }, "is not a folder" },
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv { ServerProcess::binary_path(), "--listen", "127.0.0.1:0", "--report-port", "0" };
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::string command;
        for (const std::string& a : argv)
            command += "'" + a + "' ";
        FILE* out = ::popen((command + "2>&1").c_str(), "r");
        ASSERT_NE(out, nullptr);
        std::string text;
        char piece[4096];
        size_t n = 0;
        while ((n = std::fread(piece, 1, sizeof piece, out)) > 0)
            text.append(piece, n);
        int status = ::pclose(out);
        EXPECT_NE(status, 0) << text;
        EXPECT_NE(text.find(c.error), std::string::npos) << text;
    }
}

} // namespace
