#include "server/server_options.h"

#include <gtest/gtest.h>

namespace {

struct OptionCase {
    std::vector<std::string> args;
    ServerCommand command;
    std::string host;
    int port;
};

TEST(ServerOptions, ParsesEachForm)
{
    const OptionCase cases[] = {
        { {}, ServerCommand::run, "127.0.0.1", 9081 },
        { { "--listen", "127.0.0.1:0" }, ServerCommand::run, "127.0.0.1", 0 },
        { { "--listen", "0.0.0.0:9100" }, ServerCommand::run, "0.0.0.0", 9100 },
        { { "--listen", "[::1]:9100" }, ServerCommand::run, "::1", 9100 },
        { { "--listen", "localhost:65535" }, ServerCommand::run, "localhost", 65535 },
        { { "--help" }, ServerCommand::help, "127.0.0.1", 9081 },
        // Options after --help still count (its text names what they set); a bad one does not spoil it.
        { { "--help", "--listen", "127.0.0.1:5" }, ServerCommand::help, "127.0.0.1", 5 },
        { { "--help", "--port", "9081" }, ServerCommand::help, "127.0.0.1", 9081 },
        { { "--listen", "127.0.0.1:1", "--version" }, ServerCommand::version, "127.0.0.1", 1 },
        { { "--listen", "127.0.0.1:65536" }, ServerCommand::bad, "", 0 },
        { { "--listen", "127.0.0.1:" }, ServerCommand::bad, "", 0 },
        { { "--listen", ":9081" }, ServerCommand::bad, "", 0 },
        { { "--listen", "9081" }, ServerCommand::bad, "", 0 },
        { { "--listen", "127.0.0.1:-1" }, ServerCommand::bad, "", 0 },
        { { "--listen" }, ServerCommand::bad, "", 0 },
        { { "--send-queue-kib", "8" }, ServerCommand::bad, "", 0 },
        { { "--send-queue-kib", "12x" }, ServerCommand::bad, "", 0 },
        { { "--port", "9081" }, ServerCommand::bad, "", 0 },
        { { "--idle-timeout-s", "-1" }, ServerCommand::bad, "", 0 },
        { { "--idle-timeout-s", "86401" }, ServerCommand::bad, "", 0 },
    };
    for (const OptionCase& c : cases) {
        std::string shown;
        for (const auto& a : c.args)
            shown += a + " ";
        ParsedServerOptions parsed = parse_server_options(c.args);
        EXPECT_EQ(parsed.command, c.command) << shown;
        if (c.command == ServerCommand::bad) {
            EXPECT_FALSE(parsed.error.empty()) << shown;
            continue;
        }
        EXPECT_EQ(parsed.config.listen_host, c.host) << shown;
        EXPECT_EQ(parsed.config.listen_port, c.port) << shown;
    }
}

TEST(ServerOptions, TakesQueueBoundTimeoutAndGreeting)
{
    ParsedServerOptions parsed = parse_server_options(
        { "--send-queue-kib", "64", "--identify-timeout-ms", "0", "--greeting", "hello there", "--idle-timeout-s", "30" });
    ASSERT_EQ(parsed.command, ServerCommand::run) << parsed.error;
    EXPECT_EQ(parsed.config.send_queue_limit_bytes, 64u * 1024);
    EXPECT_EQ(parsed.config.identify_timeout_ms, 0);
    EXPECT_EQ(parsed.config.greeting, "hello there");
    EXPECT_EQ(parsed.config.idle_timeout_ms, 30000);
}

} // namespace

TEST(ServerOptions, TakesTheConfigurationAndTheReportPort)
{
    ParsedServerOptions parsed = parse_server_options({ "--config", "/tmp/rooms.ini", "--report-port", "0" });
    EXPECT_EQ(parsed.command, ServerCommand::run);
    EXPECT_EQ(parsed.config_path, "/tmp/rooms.ini");
    EXPECT_EQ(parsed.report_port, 0);
    EXPECT_FALSE(parsed.greeting_given);
    EXPECT_EQ(parse_server_options({}).report_port, 8999);
    EXPECT_TRUE(parse_server_options({ "--greeting", "hi" }).greeting_given);
    for (const char* bad : { "65536", "-1", "x" })
        EXPECT_EQ(parse_server_options({ "--report-port", bad }).command, ServerCommand::bad) << bad;
    EXPECT_NE(server_usage_text().find("chairman password"), std::string::npos);
}

TEST(ServerOptions, TakesTheWebHostOnlyWhenAsked)
{
    ParsedServerOptions off = parse_server_options({});
    EXPECT_FALSE(off.web);
    ParsedServerOptions on = parse_server_options({ "--web-root", "/srv/site", "--web", "127.0.0.1:8080", "--web-spool", "/srv/spool" });
    ASSERT_EQ(on.command, ServerCommand::run) << on.error;
    EXPECT_TRUE(on.web);
    EXPECT_EQ(on.web_config.listen_host, "127.0.0.1");
    EXPECT_EQ(on.web_config.listen_port, 8080);
    EXPECT_EQ(on.web_config.root, "/srv/site");
    EXPECT_EQ(on.web_config.spool, "/srv/spool");
    const std::vector<std::string> bad[] = {
        { "--web", "8080" }, { "--web", "h:70000" }, { "--web" }, { "--web-root", "/srv" }, { "--web-spool", "/s" },
        { "--web", "h:1", "--web-root", "" },
    };
    for (const auto& args : bad)
        EXPECT_EQ(parse_server_options(args).command, ServerCommand::bad) << args[0];
    EXPECT_NE(server_usage_text().find("--web HOST:PORT"), std::string::npos);
}
