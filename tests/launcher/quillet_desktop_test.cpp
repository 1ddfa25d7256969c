// The launcher installed and reached the way a browser reaches it: pages
// from a real web server (python3 -m http.server, and tamblo-server's web
// host), every link of them through xdg-open to the installed quillet as the
// handler of tamblo:// links, under an Xvfb of the test's own.

#include "launcher/desktop_entry.h"
#include "tests/launcher/launcher_fixture.h"
#include "tests/support/http_exchange.h"
#include "tests/support/server_process.h"
#include "tests/support/xvfb.h"

#include <filesystem>
#include <fstream>
#include <regex>

namespace {

struct PageLink {
    std::string href;
    std::string box; // data-box: what the test mode logs for it
};

std::vector<PageLink> page_links(const std::string& html)
{
    std::vector<PageLink> links;
    static const std::regex anchor(R"re(<a [^>]*href="([^"]*)"(?: data-box="([^"]*)")?)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), anchor); it != std::sregex_iterator(); ++it)
        links.push_back({ html_unescape((*it)[1]), html_unescape((*it)[2]) });
    return links;
}

std::string http_get(uint16_t port, const std::string& path)
{
    HttpReply reply = parse_http_reply(
        http_exchange(port, "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n", 20000));
    EXPECT_EQ(reply.status, 200) << path;
    return reply.body;
}

class QuilletDesktop : public LauncherFixture {
protected:
    QuilletDesktop() : prefix(folder + "/prefix")
    {
        ProgramRun install = run_in_folder({ "cmake", "--install", TAMBLO_TEST_BUILD_DIR, "--prefix", prefix }, {}, {});
        EXPECT_EQ(install.exit_status, 0) << install.output;
    }

    // What xdg-open sees: the installed share, this user's private folders,
    // the Xvfb, no browser and no desktop of its own (named generic, so that
    // xdg-utils probe neither the display nor a session bus to guess one).
    ProgramRun run_desktop(const std::vector<std::string>& argv)
    {
        return run_in_folder(argv,
                             { "XDG_DATA_DIRS=" + prefix + "/share", "PATH=" + prefix + "/bin:/usr/bin:/bin",
                               "DISPLAY=" + xvfb.display(), "XDG_CURRENT_DESKTOP=X-Generic" },
                             { "BROWSER", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                               "GNOME_DESKTOP_SESSION_ID", "XDG_SESSION_DESKTOP", "PATH", "DISPLAY" });
    }

    std::string default_handler()
    {
        ProgramRun query = run_desktop({ "xdg-mime", "query", "default", tamblo_scheme_type });
        std::string out = query.output;
        while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
            out.pop_back();
        return out;
    }

    // Opens each link and checks the one line logged for it.
    void open_links(const std::vector<PageLink>& links)
    {
        for (const PageLink& link : links) {
            std::filesystem::remove(boxes_log);
            ProgramRun run = run_desktop({ "xdg-open", link.href });
            EXPECT_EQ(read_file(boxes_log), link.box + "\n") << link.href << (run.timed_out ? " timed out: " : ": ") << run.output;
        }
    }

    XvfbServer xvfb;
    std::string prefix;
};

} // namespace

TEST_F(QuilletDesktop, InstallsAValidEntryThatHandlesTheScheme)
{
    for (const char* file : { "/bin/tamblo", "/bin/tamblo-server", "/bin/quillet", "/bin/libhoverlin.so",
                              "/share/applications/quillet.desktop", "/share/applications/mimeinfo.cache" })
        EXPECT_TRUE(file_exists(prefix + file)) << file;
    ProgramRun valid = run_in_folder({ "desktop-file-validate", prefix + "/share/applications/quillet.desktop" }, {}, {});
    EXPECT_EQ(valid.exit_status, 0) << valid.output;
    EXPECT_NE(read_file(prefix + "/share/applications/mimeinfo.cache").find("x-scheme-handler/tamblo=quillet.desktop;"),
              std::string::npos);
    // The installed entry is the one --register writes, with the program's name alone.
    EXPECT_EQ(read_file(TAMBLO_TEST_SOURCE_DIR "/launcher/quillet.desktop"), quillet_desktop_entry("quillet"));
    ASSERT_TRUE(xvfb.running());
    EXPECT_EQ(default_handler(), "quillet.desktop");

    // Under another root, as a package build installs.
    std::string stage = folder + "/stage";
    ProgramRun staged =
        run_in_folder({ "cmake", "--install", TAMBLO_TEST_BUILD_DIR, "--prefix", "/opt/tamblo" }, { "DESTDIR=" + stage }, {});
    EXPECT_EQ(staged.exit_status, 0) << staged.output;
    EXPECT_TRUE(file_exists(stage + "/opt/tamblo/bin/quillet"));
    EXPECT_TRUE(file_exists(stage + "/opt/tamblo/share/applications/mimeinfo.cache"));
    EXPECT_FALSE(file_exists("/opt/tamblo/bin/quillet"));
}

TEST_F(QuilletDesktop, EveryLinkOfThePagesReachesTheInstalledLauncher)
{
    ASSERT_TRUE(xvfb.running());
    uint16_t port = unused_tcp_port();
    ChildProcess web({ "python3", "-m", "http.server", "--bind", "127.0.0.1", std::to_string(port), "--directory",
                       TAMBLO_TEST_SOURCE_DIR "/tests/launcher/site" });
    ASSERT_TRUE(wait_for_loopback_port(port, 20000));

    std::vector<PageLink> join = page_links(http_get(port, "/join.html"));
    ASSERT_EQ(join.size(), 1u);
    EXPECT_EQ(join[0].href, lobby_link);
    join[0].box = "Information Required";
    std::vector<PageLink> hostile = page_links(http_get(port, "/hostile.html"));
    ASSERT_GE(hostile.size(), 10u);
    open_links(join);
    open_links(hostile);
    EXPECT_TRUE(starts().empty()) << "the name dialog was cancelled each time";
    EXPECT_FALSE(file_exists(folder + "/MARK"));
}

TEST_F(QuilletDesktop, AHandlerThatNamesTheUserStartsTamblo)
{
    ASSERT_TRUE(xvfb.running());
    // The real web side's join page, as an e-mail invitation links it.
    ServerProcess server({ "--web", "127.0.0.1:0" });
    uint16_t web_port = server.web_port();
    ASSERT_NE(web_port, 0);
    std::vector<PageLink> links = page_links(http_get(
        web_port, "/cgi-bin/brenmo/customer/cu_start_from_email.pl?s=127.0.0.1&sn=Local&sp=9081&c=secret&mr=Lobby&ps="));
    std::vector<std::string> launch_links;
    for (const PageLink& link : links)
        if (link.href.rfind("tamblo:", 0) == 0)
            launch_links.push_back(link.href);
    ASSERT_EQ(launch_links.size(), 1u);

    std::string applications = folder + "/data/applications";
    std::filesystem::create_directories(applications);
    std::ofstream(applications + "/quillet-ann.desktop")
        << "[Desktop Entry]\nType=Application\nName=Ann's launcher\nExec=" << TAMBLO_QUILLET
        << " --name Ann %u\nNoDisplay=true\nMimeType=x-scheme-handler/tamblo;\n";
    ASSERT_EQ(run_desktop({ "xdg-mime", "default", "quillet-ann.desktop", tamblo_scheme_type }).exit_status, 0);
    EXPECT_EQ(default_handler(), "quillet-ann.desktop");

    EXPECT_EQ(run_desktop({ "xdg-open", launch_links[0] }).exit_status, 0);
    ASSERT_TRUE(wait_for_starts(1));
    EXPECT_EQ(starts(), std::vector<std::vector<std::string>> { { "127.0.0.1:Local:9081:Lobby:xxsecretxxx:Ann:" } });
    EXPECT_TRUE(boxes().empty());
}

TEST_F(QuilletDesktop, RegisterAndUnregisterForThisUser)
{
    ASSERT_TRUE(xvfb.running());
    std::string entry = folder + "/data/applications/quillet.desktop";
    std::string applications = folder + "/data/applications";
    std::filesystem::create_directories(applications);
    std::ofstream(applications + "/other.desktop")
        << "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %u\nMimeType=x-scheme-handler/tamblo;\n";
    ASSERT_EQ(run_desktop({ "xdg-mime", "default", "other.desktop", tamblo_scheme_type }).exit_status, 0);

    ProgramRun registered = run_desktop({ TAMBLO_QUILLET, "--register" });
    EXPECT_EQ(registered.exit_status, 0) << registered.output;
    EXPECT_EQ(default_handler(), "quillet.desktop");
    EXPECT_EQ(read_file(entry), quillet_desktop_entry(TAMBLO_QUILLET));
    ProgramRun valid = run_in_folder({ "desktop-file-validate", entry }, {}, {});
    EXPECT_EQ(valid.exit_status, 0) << valid.output;
    // The user's entry names this quillet: the link reaches it.
    open_links({ { lobby_link, "Information Required" } });

    EXPECT_EQ(run_desktop({ TAMBLO_QUILLET, "--unregister" }).exit_status, 0);
    EXPECT_FALSE(file_exists(entry));
    EXPECT_EQ(read_file(folder + "/config/mimeapps.list").find("quillet.desktop"), std::string::npos);
    // The user's other handler answers again.
    EXPECT_EQ(default_handler(), "other.desktop");

    // A folder where the entry should go: the step that fails says so by its code.
    std::filesystem::remove_all(applications);
    std::ofstream(applications) << "not a folder";
    EXPECT_EQ(run_desktop({ TAMBLO_QUILLET, "--register" }).exit_status, registration_folder_failed);
}

TEST(DesktopExecWord, QuotesWhatAnExecLineWouldSplitOrExpand)
{
    struct Case {
        const char* word;
        const char* want;
    } cases[] = {
        { "quillet", "quillet" },
        { "/usr/local/bin/quillet", "/usr/local/bin/quillet" },
        { "/opt/my apps/quillet", "\"/opt/my apps/quillet\"" },
        { "/opt/100%/quillet", "\"/opt/100%%/quillet\"" },
        { "/opt/$HOME/`x`/quillet", "\"/opt/\\\\$HOME/\\\\`x\\\\`/quillet\"" },
        { "/opt/a\"b\\c", "\"/opt/a\\\\\"b\\\\\\\\c\"" },
    };
    for (const Case& k : cases)
        EXPECT_EQ(desktop_exec_word(k.word), k.want) << k.word;
}
