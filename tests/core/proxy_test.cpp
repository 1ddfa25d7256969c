// Connects through real proxies started here on 127.0.0.1 (tinyproxy, dante,
// microsocks), and through a scripted proxy for the replies no real proxy
// gives on demand; the scripted one checks every handshake byte it receives.

#include "core/head_reader.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "core/wf_socket.h"
#include "tests/core/loopback.h"
#include "tests/support/proxy_process.h"
#include "tests/support/temp_home.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const HeadReaderLines test_lines { "proxy_test", "proxy_test command format error at:%d.\n", "content is:%s.\n" };

std::string hex(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes)
        out += format_text("%02x ", c);
    return out;
}

void use_proxy_settings(int type, uint16_t port, const std::string& user = "", const std::string& password = "")
{
    reg_write_int("proxy", "use_proxy", 1);
    reg_write_int("proxy", "proxy_ip", static_cast<int>((127u << 24) | 1u));
    reg_write_int("proxy", "proxy_port", port);
    reg_write_int("proxy", "proxy_type", type);
    reg_write("proxy", "proxy_user_name", user);
    reg_write("proxy", "proxy_password", password);
}

class ProxyTest : public ::testing::Test {
protected:
    ProxyTest()
    {
        set_message_box_presenter(&boxes_);
        sock_.name.set("main_sock");
        sock_.host.set("127.0.0.1");
        sock_.port = destination_.port();
    }
    ~ProxyTest() override
    {
        sock_.close_socket();
        set_message_box_presenter(nullptr);
    }
    // One scrambled message each way between sock_ and the far end at fd.
    void carries_messages_both_ways(int far_end)
    {
        std::string body = "through the proxy: a body longer than one key";
        std::string message = format_wire_head({ 0, 999, 41, static_cast<int>(body.size()) }) + body;
        std::string on_wire = message.substr(0, 20) + body;
        scramble_message_body(on_wire.data() + 20, static_cast<int>(body.size()));
        ASSERT_EQ(sock_.my_send_fixed_len(message.data(), static_cast<int>(message.size())),
                  static_cast<int>(message.size()));
        EXPECT_EQ(read_bytes(far_end, on_wire.size()), on_wire);

        ASSERT_TRUE(write_bytes(far_end, scrambled_message({ 0, 7, 105, 0 }, "back again")));
        SocketByteSource source(sock_);
        std::vector<char> buffer(wire_recv_buffer_len);
        WireHead head;
        ASSERT_EQ(read_wire_message(source, buffer.data(), buffer.size(), test_lines, head), HeadReadResult::message);
        EXPECT_EQ(head.number, 105);
        EXPECT_EQ(std::string(buffer.data() + 20, static_cast<size_t>(head.length)), "back again");
    }

    TempHome home_;
    LogCapture log_;
    ScriptedMessageBoxes boxes_;
    LoopbackListener destination_;
    Cwf_socket sock_;
};

// Real proxies.

struct RealProxy {
    const char* name;
    const char* program;
    int type;
    const char* user;
    const char* password;
    std::unique_ptr<ProxyProcess> (*start)(const TempHome&, uint16_t);
};

const RealProxy real_proxies[] = {
    { "tinyproxy_http_connect", "/usr/bin/tinyproxy", proxy_type_http_connect, "", "",
      [](const TempHome& h, uint16_t p) { return start_tinyproxy(h, p, false); } },
    { "dante_socks4", "/usr/sbin/danted", proxy_type_socks4, "", "", start_danted },
    { "dante_socks5_no_auth", "/usr/sbin/danted", proxy_type_socks5, "", "", start_danted },
    { "microsocks_socks5_user_password", "/usr/bin/microsocks", proxy_type_socks5, "alice", "wonderland",
      start_microsocks },
};

void PrintTo(const RealProxy& proxy, std::ostream* out) { *out << proxy.name; }

class RealProxyTest : public ProxyTest, public ::testing::WithParamInterface<RealProxy> {};

TEST_P(RealProxyTest, ConnectsToTheListenerAndCarriesScrambledMessages)
{
    const RealProxy& proxy = GetParam();
    if (!have_program(proxy.program))
        GTEST_SKIP() << proxy.program << " is missing: run tools/install-deps.sh";
    uint16_t proxy_port = unused_loopback_port();
    auto process = proxy.start(home_, proxy_port);
    ASSERT_TRUE(process->ready()) << proxy.name << " did not start; see " << home_.root();
    use_proxy_settings(proxy.type, proxy_port, proxy.user, proxy.password);

    ASSERT_EQ(sock_.connect_server(), 0) << proxy.name << " " << ::testing::PrintToString(boxes_.texts());
    EXPECT_EQ(sock_.connected, 1);
    EXPECT_EQ(sock_.local_address.get(), "127.0.0.1");
    int far_end = destination_.accept_one();
    ASSERT_GE(far_end, 0);
    carries_messages_both_ways(far_end);
    ::close(far_end);
    EXPECT_TRUE(boxes_.texts().empty());
}

INSTANTIATE_TEST_SUITE_P(Proxies, RealProxyTest, ::testing::ValuesIn(real_proxies),
                         [](const ::testing::TestParamInfo<RealProxy>& info) { return std::string(info.param.name); });

TEST_F(ProxyTest, TinyproxyWithBasicAuthAnswers407AndTheConnectFails)
{
    if (!have_program("/usr/bin/tinyproxy"))
        GTEST_SKIP() << "tinyproxy is missing: run tools/install-deps.sh";
    uint16_t proxy_port = unused_loopback_port();
    auto process = start_tinyproxy(home_, proxy_port, true);
    ASSERT_TRUE(process->ready());
    use_proxy_settings(proxy_type_http_connect, proxy_port);
    EXPECT_EQ(sock_.connect_server(), -1);
    EXPECT_EQ(sock_.m_sock, 0);
    EXPECT_EQ(sock_.connected, 0);
    EXPECT_TRUE(boxes_.texts().empty()) << "a refused status line has no message";
    EXPECT_EQ(destination_.accept_one(200), -1);
}

TEST_F(ProxyTest, MicrosocksRefusesAWrongPassword)
{
    if (!have_program("/usr/bin/microsocks"))
        GTEST_SKIP() << "microsocks is missing: run tools/install-deps.sh";
    uint16_t proxy_port = unused_loopback_port();
    auto process = start_microsocks(home_, proxy_port);
    ASSERT_TRUE(process->ready());
    use_proxy_settings(proxy_type_socks5, proxy_port, "alice", "not the password");
    EXPECT_EQ(sock_.connect_server(), -1);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "Authentication to socks5 proxy failed." });
    EXPECT_EQ(sock_.m_sock, 0);
}

TEST_F(ProxyTest, DanteReportsARefusedDestination)
{
    if (!have_program("/usr/sbin/danted"))
        GTEST_SKIP() << "danted is missing: run tools/install-deps.sh";
    uint16_t proxy_port = unused_loopback_port();
    auto process = start_danted(home_, proxy_port);
    ASSERT_TRUE(process->ready());
    use_proxy_settings(proxy_type_socks5, proxy_port);
    sock_.port = unused_loopback_port();
    EXPECT_EQ(sock_.connect_server(), -1);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "Connection refused" });

    boxes_.clear();
    use_proxy_settings(proxy_type_socks4, proxy_port);
    EXPECT_EQ(sock_.connect_server(), -1);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "connect to proxy request rejected or failed" });
}

// The scripted proxy.

struct Step {
    enum Kind { expect, send, pause, close } kind;
    std::string bytes;
    int pause_ms = 0;
};

Step expect_bytes(std::string bytes) { return { Step::expect, std::move(bytes) }; }
Step send_bytes(std::string bytes) { return { Step::send, std::move(bytes) }; }
Step pause_ms(int ms) { return { Step::pause, {}, ms }; }
Step close_connection() { return { Step::close, {} }; }

// Accepts one connection and plays the steps; a byte that differs from what
// it expects is recorded and ends the connection, so the client never hangs.
class ScriptedProxy {
public:
    explicit ScriptedProxy(std::vector<Step> steps, int accept_wait_ms = 3000)
        : steps_(std::move(steps)), accept_wait_ms_(accept_wait_ms)
    {
        thread_ = std::thread([this] { run(); });
    }
    ~ScriptedProxy()
    {
        finish();
        if (fd_ >= 0)
            ::close(fd_);
    }
    uint16_t port() const { return listener_.port(); }
    // Waits until the script has played.
    void finish()
    {
        if (thread_.joinable())
            thread_.join();
    }
    std::vector<std::string> mismatches() const
    {
        std::lock_guard lock(lock_);
        return mismatches_;
    }
    bool accepted() const { return accepted_; }

private:
    void run()
    {
        fd_ = listener_.accept_one(accept_wait_ms_);
        if (fd_ < 0)
            return;
        accepted_ = true;
        for (const Step& step : steps_) {
            switch (step.kind) {
            case Step::expect: {
                std::string got = read_bytes(fd_, step.bytes.size(), 3000);
                if (got != step.bytes) {
                    std::lock_guard lock(lock_);
                    mismatches_.push_back("want " + hex(step.bytes) + "got " + hex(got));
                    ::close(fd_);
                    fd_ = -1;
                    return;
                }
                break;
            }
            case Step::send: write_bytes(fd_, step.bytes); break;
            case Step::pause: std::this_thread::sleep_for(std::chrono::milliseconds(step.pause_ms)); break;
            case Step::close:
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }

    LoopbackListener listener_;
    std::vector<Step> steps_;
    int accept_wait_ms_;
    std::thread thread_;
    int fd_ = -1;
    std::atomic<bool> accepted_ { false };
    mutable std::mutex lock_;
    std::vector<std::string> mismatches_;
};

std::string bytes_of(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

std::string port_bytes(uint16_t port) { return bytes_of({ port >> 8, port & 255 }); }

// The message that proves the tunnel is in step after the handshake.
std::string tunnel_message() { return scrambled_message({ 0, 0, 1000, 0 }, "in step"); }

class ScriptedProxyTest : public ProxyTest {
protected:
    std::string socks4_request() const
    {
        return bytes_of({ 4, 1 }) + port_bytes(destination_.port()) + bytes_of({ 127, 0, 0, 1 }) + "Guest\n"
            + std::string(1, '\0');
    }
    std::string socks5_connect_request() const
    {
        return bytes_of({ 5, 1, 0, 1, 127, 0, 0, 1 }) + port_bytes(destination_.port());
    }
    std::string http_request() const
    {
        std::string target = "127.0.0.1:" + std::to_string(destination_.port());
        return "CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\n\r\n";
    }
    // Connects through the script; on success the script then sends the
    // tunnel message, which must be the next message read.
    void run(int type, std::vector<Step> steps, bool want_success, const std::vector<std::string>& want_boxes,
             const std::string& label)
    {
        if (want_success)
            steps.push_back(send_bytes(tunnel_message()));
        ScriptedProxy proxy(std::move(steps));
        use_proxy_settings(type, proxy.port(), "alice-in-wonderland", "wonderland");
        boxes_.clear();
        int result = sock_.connect_server();
        EXPECT_EQ(result, want_success ? 0 : -1) << label;
        if (want_success && result == 0) {
            SocketByteSource source(sock_);
            std::vector<char> buffer(wire_recv_buffer_len);
            WireHead head;
            EXPECT_EQ(read_wire_message(source, buffer.data(), buffer.size(), test_lines, head), HeadReadResult::message)
                << label;
            EXPECT_EQ(std::string(buffer.data() + 20, static_cast<size_t>(head.length)), "in step") << label;
        } else {
            EXPECT_EQ(sock_.m_sock, 0) << label;
            EXPECT_EQ(sock_.connected, 0) << label;
        }
        sock_.close_socket();
        proxy.finish();
        EXPECT_EQ(proxy.mismatches(), std::vector<std::string> {}) << label;
        EXPECT_EQ(boxes_.texts(), want_boxes) << label;
    }
};

TEST_F(ScriptedProxyTest, Socks4ReplyCodes)
{
    struct Case {
        int code;
        bool success;
        const char* box;
    } cases[] = {
        { 90, true, nullptr },
        { 91, false, "connect to proxy request rejected or failed" },
        { 92, false, "request rejected becasue SOCKS server cannot connect to identd on the client" },
        { 93, false, "request rejected because the client program and identd report different user-ids" },
        { 0, true, nullptr },
    };
    for (const Case& c : cases) {
        run(proxy_type_socks4,
            { expect_bytes(socks4_request()), send_bytes(bytes_of({ 0, c.code, 0, 0, 0, 0, 0, 0 })) }, c.success,
            c.box ? std::vector<std::string> { c.box } : std::vector<std::string> {}, "code " + std::to_string(c.code));
    }
}

TEST_F(ScriptedProxyTest, Socks4ReplyInTwoPiecesIsAccepted)
{
    run(proxy_type_socks4,
        { expect_bytes(socks4_request()), send_bytes(bytes_of({ 0, 90, 0, 0 })), pause_ms(50),
          send_bytes(bytes_of({ 0, 0, 0, 0 })) },
        true, {}, "split reply");
}

TEST_F(ScriptedProxyTest, Socks5MethodsAndAuthentication)
{
    const std::string greeting = bytes_of({ 5, 2, 0, 2 });
    // Longer than a head: the handshake must still go out unscrambled.
    const std::string auth = bytes_of({ 1, 19 }) + "alice-in-wonderland" + bytes_of({ 10 }) + "wonderland";
    const std::string granted = bytes_of({ 5, 0, 0, 1, 127, 0, 0, 1, 0x1f, 0x90 });
    run(proxy_type_socks5,
        { expect_bytes(greeting), send_bytes(bytes_of({ 5, 0 })), expect_bytes(socks5_connect_request()),
          send_bytes(granted) },
        true, {}, "method 0 skips authentication");
    run(proxy_type_socks5,
        { expect_bytes(greeting), send_bytes(bytes_of({ 5, 2 })), expect_bytes(auth), send_bytes(bytes_of({ 1, 0 })),
          expect_bytes(socks5_connect_request()), send_bytes(granted) },
        true, {}, "method 2 with the user name and password byte for byte");
    run(proxy_type_socks5,
        { expect_bytes(greeting), send_bytes(bytes_of({ 5, 2 })), expect_bytes(auth), send_bytes(bytes_of({ 1, 1 })) },
        false, { "Authentication to socks5 proxy failed." }, "refused password");
    run(proxy_type_socks5, { expect_bytes(greeting), send_bytes(bytes_of({ 5, 255 })) }, false,
        { "proxy does not support anonymouse or username/password method." }, "method 255");
    run(proxy_type_socks5,
        { expect_bytes(greeting), send_bytes(bytes_of({ 5, 2 })), expect_bytes(auth), send_bytes(bytes_of({ 1 })),
          close_connection() },
        false, { "failed to read from proxy socks5 user_name/password result.\n" }, "auth reply cut short");
    run(proxy_type_socks5,
        { expect_bytes(greeting), send_bytes(bytes_of({ 5, 0 })), expect_bytes(socks5_connect_request()),
          send_bytes(bytes_of({ 5, 0, 0, 4 }) + std::string(16, '\0') + bytes_of({ 0x1f, 0x90 })) },
        true, {}, "an IPv6 bound address is read whole");
    for (const std::string name : { "x", "proxy.example" }) {
        run(proxy_type_socks5,
            { expect_bytes(greeting), send_bytes(bytes_of({ 5, 0 })), expect_bytes(socks5_connect_request()),
              send_bytes(bytes_of({ 5, 0, 0, 3, static_cast<int>(name.size()) }) + name + bytes_of({ 0x1f, 0x90 })) },
            true, {}, "a bound name of " + std::to_string(name.size()) + " bytes is read whole");
    }
}

TEST_F(ScriptedProxyTest, Socks5ReplyCodes)
{
    const char* texts[] = { "general SOCKS server failure", "connection not allowed by ruleset", "Network unreachable",
                            "Host unreachable", "Connection refused", "TTL expired", "Command not supported",
                            "Address type not supported", "to X'FF' unassigned" };
    for (int code = 1; code <= 10; ++code) {
        run(proxy_type_socks5,
            { expect_bytes(bytes_of({ 5, 2, 0, 2 })), send_bytes(bytes_of({ 5, 0 })),
              expect_bytes(socks5_connect_request()), send_bytes(bytes_of({ 5, code, 0, 1, 0, 0, 0, 0, 0, 0 })) },
            false, code <= 9 ? std::vector<std::string> { texts[code - 1] } : std::vector<std::string> {},
            "code " + std::to_string(code));
    }
}

TEST_F(ScriptedProxyTest, HttpConnectStatusLines)
{
    struct Case {
        const char* label;
        std::string reply;
        bool success;
    } cases[] = {
        { "200 with headers", "HTTP/1.1 200 Connection established\r\nProxy-agent: scripted\r\nX-A: b\r\n\r\n", true },
        { "any 2xx, bare line feeds", "HTTP/1.0 204\n\n", true },
        { "407", "HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n", false },
        { "not HTTP", "SSH-2.0-x\r\n\r\n", false },
        { "status line over 1023 bytes", "HTTP/1.0 200 " + std::string(2000, 'x') + "\r\nA: b\r\n\r\n", true },
        { "header over 1023 bytes ending in a carriage return",
          "HTTP/1.0 200 OK\r\nA: " + std::string(1020, 'y') + "\r\nB: c\r\n\r\n", true },
        { "garbage over 1023 bytes", std::string(3000, 'x') + "\r\n\r\n", false },
    };
    for (const Case& c : cases)
        run(proxy_type_http_connect, { expect_bytes(http_request()), send_bytes(c.reply) }, c.success, {}, c.label);
}

TEST_F(ScriptedProxyTest, ProxyClosingMidHandshakeFailsWithoutHanging)
{
    run(proxy_type_http_connect, { expect_bytes(http_request()), send_bytes("HTTP/1.0 20"), close_connection() },
        false, {}, "http: closed in the status line");
    run(proxy_type_http_connect,
        { expect_bytes(http_request()), send_bytes("HTTP/1.0 200 OK\r\nA: b\r\n"), close_connection() }, false, {},
        "http: closed in the headers");
    run(proxy_type_socks4, { expect_bytes(socks4_request()), send_bytes(bytes_of({ 0, 90, 0 })), close_connection() },
        false, { "failed to read from proxy." }, "socks4: closed in the reply");
    run(proxy_type_socks5, { expect_bytes(bytes_of({ 5, 2, 0, 2 })), close_connection() }, false,
        { "failed to read from socks5 proxy." }, "socks5: closed after the greeting");
    run(proxy_type_socks5,
        { expect_bytes(bytes_of({ 5, 2, 0, 2 })), send_bytes(bytes_of({ 5, 0 })), expect_bytes(socks5_connect_request()),
          send_bytes(bytes_of({ 5, 0, 0, 1 })), close_connection() },
        false, { "failed to read from proxy socks5 1." }, "socks5: closed in the connect reply");
}

TEST_F(ScriptedProxyTest, UnknownProxyTypeFailsWithoutConnecting)
{
    ScriptedProxy proxy({}, 300);
    use_proxy_settings(3, proxy.port());
    EXPECT_EQ(sock_.connect_server(), -1);
    EXPECT_EQ(boxes_.texts(),
              std::vector<std::string> { "Proxy type error, Please choose your proxy type in proxy options." });
    proxy.finish();
    EXPECT_FALSE(proxy.accepted());
    EXPECT_EQ(sock_.m_sock, 0);
}

TEST_F(ScriptedProxyTest, UnresolvableDestinationFailsBeforeTheSocksRequest)
{
    sock_.host.set("");
    run(proxy_type_socks4, { close_connection() }, false, { "error resolving destination name.." }, "socks4");
    run(proxy_type_socks5, { close_connection() }, false, { "error resolving destination name.." }, "socks5");
}

TEST_F(ScriptedProxyTest, RefusedProxyFailsQuietly)
{
    use_proxy_settings(proxy_type_socks5, unused_loopback_port());
    EXPECT_EQ(sock_.connect_server(), -1);
    EXPECT_TRUE(boxes_.texts().empty());
    EXPECT_EQ(sock_.m_sock, 0);
}

} // namespace
