// Two real clients (the program's members page, chat view, chat dialogs and
// main frame, each in its own process, offscreen) and a headless peer in
// "Lobby" on a real tamblo-server: the roster, its flags and icons, hands,
// roles, removal, private voice with its peer link, styled public chat,
// private chat, a late joiner's reload, saving the chat and recording it.

#include "core/meeting_record.h"
#include "core/messages.h"
#include "shell/members_roster.h"
#include "shell/ui/members_page.h"
#include "tests/support/headless_peer.h"
#include "tests/support/office_reader.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "skin/skin_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A port for a client's peer server, below the range the system hands out
// for outgoing connections (one of those could take a port between its
// choice here and the client's listening on it), and never the same twice.
uint16_t free_port()
{
    static std::set<uint16_t> given;
    static std::mt19937 pick(static_cast<unsigned>(::getpid()) * 7919u + static_cast<unsigned>(::time(nullptr)));
    for (;;) {
        uint16_t port = static_cast<uint16_t>(20000 + pick() % 12000);
        if (given.count(port))
            continue;
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        if (free) {
            given.insert(port);
            return port;
        }
    }
}

// One client process, driven through its standard input and output.
class ClientProcess {
public:
    ClientProcess(const std::string& name, uint16_t server_port, const std::string& home,
                  const std::vector<std::string>& options = {})
    {
        for (const char* sub : { "/config", "/data", "/run" })
            std::filesystem::create_directories(home + sub);
        ::chmod((home + "/run").c_str(), 0700);
        int to_child[2], from_child[2];
        if (::pipe2(to_child, O_CLOEXEC) != 0 || ::pipe2(from_child, O_CLOEXEC) != 0)
            return;
        // Each client its own folders and peer port: the test's own values of
        // these (its TempHome's) are left out, or the clients would share them.
        const std::vector<std::string> own { "XDG_CONFIG_HOME=" + home + "/config", "XDG_DATA_HOME=" + home + "/data",
                                             "XDG_RUNTIME_DIR=" + home + "/run",
                                             "TAMBLO_PEER_PORT=" + std::to_string(free_port()), "TAMBLO_AUDIO=null",
                                             "TAMBLO_CAMERA=synthetic", "QT_QPA_PLATFORM=offscreen" };
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            std::string name = entry.substr(0, entry.find('=') + 1);
            bool replaced = std::any_of(own.begin(), own.end(), [&](const std::string& o) { return o.rfind(name, 0) == 0; });
            if (!replaced)
                env.push_back(entry);
        }
        env.insert(env.end(), own.begin(), own.end());
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<std::string> argv { TAMBLO_MEMBERS_CHAT_CLIENT, "--name", name, "--port", std::to_string(server_port) };
        argv.insert(argv.end(), options.begin(), options.end());
        std::vector<char*> args;
        for (std::string& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        // The client's own output (the toolkit's notes) goes to its log.
        int log = ::open((home + "/client.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(to_child[0], 0);
            ::dup2(from_child[1], 1);
            if (log >= 0)
                ::dup2(log, 2);
            ::execve(args[0], args.data(), envp.data());
            ::_exit(127);
        }
        ::close(to_child[0]);
        ::close(from_child[1]);
        if (log >= 0)
            ::close(log);
        in_ = to_child[1];
        out_ = from_child[0];
    }
    ~ClientProcess()
    {
        if (pid_ > 0) {
            ask("quit", 2000);
            ::close(in_);
            for (int i = 0; i < 100; ++i) {
                if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                if (i == 99) {
                    ::kill(pid_, SIGKILL);
                    ::waitpid(pid_, nullptr, 0);
                }
            }
        }
        ::close(out_);
    }

    // The answer's lines, up to the "." that ends it.
    std::vector<std::string> ask(const std::string& command, int wait_ms = 10000)
    {
        std::string line = command + "\n";
        if (::write(in_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            return {};
        std::vector<std::string> lines;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
        while (std::chrono::steady_clock::now() < deadline) {
            size_t end;
            while ((end = buffer_.find('\n')) != std::string::npos) {
                std::string l = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                if (l == ".")
                    return lines;
                lines.push_back(l);
            }
            pollfd p { out_, POLLIN, 0 };
            if (::poll(&p, 1, 50) == 1) {
                char chunk[4096];
                ssize_t n = ::read(out_, chunk, sizeof chunk);
                if (n <= 0)
                    break;
                buffer_.append(chunk, static_cast<size_t>(n));
            }
        }
        ADD_FAILURE() << "no answer to " << command;
        return lines;
    }
    // Asks until one answer line satisfies match (the answers come from the
    // server's relays, which take a round trip).
    bool until(const std::string& command, const std::function<bool(const std::vector<std::string>&)>& match,
               int wait_ms = 20000)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
        while (std::chrono::steady_clock::now() < deadline) {
            last = ask(command);
            if (match(last))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        return false;
    }
    bool has_line(const std::string& command, const std::string& line, int wait_ms = 20000)
    {
        return until(command, [&](const std::vector<std::string>& ls) {
            return std::find(ls.begin(), ls.end(), line) != ls.end();
        }, wait_ms);
    }
    // Logs in and enters "Lobby", the server's room 1.
    bool enter_lobby()
    {
        ask("join Lobby");
        return has_line("state", "room 1");
    }
    bool started() const { return pid_ > 0; }
    std::vector<std::string> last;

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buffer_;
};

std::string join_lines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

bool contains(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& l : lines)
        if (l.find(part) != std::string::npos)
            return true;
    return false;
}

std::string row(const std::string& name, int id, int image, const std::string& hand, const std::string& voice,
                const std::string& talking, const std::string& video)
{
    return "row " + name + "|" + std::to_string(id) + "|" + std::to_string(image) + "|" + hand + "|" + voice + "|" +
           talking + "|" + video;
}

// The customer id a client's roster gives a member.
int id_in_rows(const std::vector<std::string>& rows, const std::string& name)
{
    for (const std::string& r : rows)
        if (r.rfind("row " + name + "|", 0) == 0)
            return std::stoi(r.substr(r.find('|') + 1));
    return -1;
}

class MembersChatEndToEnd : public ::testing::Test {
protected:
    MembersChatEndToEnd()
        : ann("ann", server.port(), home.root() + "/ann")
        , bob("bob", server.port(), home.root() + "/bob")
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(ann.started());
        ASSERT_TRUE(bob.started());
        // ann enters first and is the chairman; bob and the headless cid follow.
        ASSERT_TRUE(ann.enter_lobby()) << join_lines(ann.last);
        ASSERT_TRUE(bob.enter_lobby()) << join_lines(bob.last);
        ASSERT_EQ(cid.connect("127.0.0.1", server.port(), true), 0);
        ASSERT_GE(cid.join_room("Lobby"), 0);
        auto three = [](const std::vector<std::string>& rows) { return rows.size() == 3; };
        ASSERT_TRUE(ann.until("rows", three)) << join_lines(ann.last);
        ASSERT_TRUE(bob.until("rows", three)) << join_lines(bob.last);
        ann_id = id_in_rows(bob.last, "ann");
        bob_id = id_in_rows(bob.last, "bob");
        cid_id = cid.customer_id();
    }

    TempHome home;
    ServerProcess server;
    ClientProcess ann, bob;
    HeadlessPeer cid { "cid" };
    int ann_id = -1, bob_id = -1, cid_id = -1;
};

TEST_F(MembersChatEndToEnd, RosterShowsRolesHandsAndRoleChangesInEveryClient)
{
    // The headless peer logs in under a name of its own; its row carries its id.
    std::vector<std::string> rows = bob.ask("rows");
    std::string cid_row;
    for (const std::string& r : rows)
        if (r.find("|" + std::to_string(cid_id) + "|") != std::string::npos)
            cid_row = r.substr(4, r.find('|') - 4);
    ASSERT_FALSE(cid_row.empty()) << join_lines(rows);
    // Newest first; ann the chairman (picture 2).
    EXPECT_EQ(rows[0].rfind("row " + cid_row + "|", 0), 0u) << join_lines(rows);
    EXPECT_EQ(rows[2], row("ann", ann_id, 2, "", "", "", "Show"));
    EXPECT_EQ(rows[1], row("bob", bob_id, 0, "", "", "", "Show"));

    // bob raises his hand: every roster shows it.
    bob.ask("click " + std::to_string(CLeftFormMembers::id_raise_hand));
    EXPECT_TRUE(ann.has_line("rows", row("bob", bob_id, 0, "Hand Raised", "", "", "Show"))) << join_lines(ann.last);
    EXPECT_TRUE(bob.has_line("rows", row("bob", bob_id, 0, "Hand Raised", "", "", "Show"))) << join_lines(bob.last);
    EXPECT_TRUE(cid.await([&](const ArrivedMessage& m) {
        return m.head.number == MSG_MEMBER_STATE && m.head.address == bob_id && m.body == "4";
    }));
    EXPECT_TRUE(bob.has_line("state", "flags 0 0 1 0 -1"));

    // ann makes bob presenter from the context menu: picture 1 everywhere.
    ann.ask("select bob");
    ann.ask("menu " + std::to_string(CLeftFormMembers::menu_set_presenter));
    EXPECT_TRUE(ann.has_line("rows", row("bob", bob_id, 1, "Hand Raised", "", "", "Show"))) << join_lines(ann.last);
    EXPECT_TRUE(bob.has_line("rows", row("bob", bob_id, 1, "Hand Raised", "", "", "Show"))) << join_lines(bob.last);

    // ann gives up the chairman and bob takes it: pictures and buttons follow.
    ann.ask("click " + std::to_string(CLeftFormMembers::id_request_chairman));
    EXPECT_TRUE(bob.has_line("rows", row("ann", ann_id, 0, "", "", "", "Show"))) << join_lines(bob.last);
    EXPECT_TRUE(ann.has_line("state", "flags 0 0 0 0 -1"));
    bob.ask("click " + std::to_string(CLeftFormMembers::id_request_chairman));  // asks for the password: none set
    EXPECT_TRUE(ann.has_line("rows", row("bob", bob_id, 2, "Hand Raised", "", "", "Show"))) << join_lines(ann.last);

    // A refusal in the page's words: ann is no longer chairman.
    ann.ask("select bob");
    ann.ask("click " + std::to_string(CLeftFormMembers::id_allow_talk));
    EXPECT_TRUE(contains(ann.ask("boxes"), "box Only Chairman can allow members to talk."));

    // bob lowers his hand again.
    bob.ask("click " + std::to_string(CLeftFormMembers::id_raise_hand));
    EXPECT_TRUE(ann.has_line("rows", row("bob", bob_id, 2, "", "", "", "Show"))) << join_lines(ann.last);
}

TEST_F(MembersChatEndToEnd, ChairmanRemovesAMemberWhoIsToldAndDisconnected)
{
    ann.ask("select bob");
    ann.ask("click " + std::to_string(CLeftFormMembers::id_boost));
    EXPECT_TRUE(bob.until("boxes", [](const std::vector<std::string>& lines) {
        return contains(lines, "box You are boosted from the meeting room.");
    }));
    EXPECT_TRUE(bob.has_line("state", "connected 0")) << join_lines(bob.last);
    EXPECT_TRUE(bob.has_line("state", "room -1"));
    EXPECT_TRUE(bob.until("rows", [](const std::vector<std::string>& rows) { return rows.empty(); }));
    EXPECT_TRUE(ann.until("rows", [](const std::vector<std::string>& rows) { return rows.size() == 2; }))
        << join_lines(ann.last);
    // bob may not remove anyone.
    EXPECT_FALSE(contains(ann.ask("boxes"), "boosted"));
}

std::string button(int id, bool on, const std::string& text)
{
    return "button " + std::to_string(id) + (on ? " on " : " off ") + text;
}

// The page's other buttons as a new user would press them, with a real server.
TEST_F(MembersChatEndToEnd, MeetingPresenterPrivateChatRefreshAndLeaveFromThePagesButtons)
{
    using Page = CLeftFormMembers;
    EXPECT_TRUE(bob.has_line("page", "label Lobby (Stopped)")) << join_lines(bob.last);
    EXPECT_TRUE(contains(bob.last, button(Page::id_start_meeting, true, "Start meeting")));
    EXPECT_TRUE(contains(bob.last, button(Page::id_stop_meeting, false, "Stop Meeting")));

    // ann starts the meeting: every page says so and the two buttons swap.
    ann.ask("click " + std::to_string(Page::id_start_meeting));
    for (ClientProcess* c : { &ann, &bob }) {
        EXPECT_TRUE(c->has_line("page", "label Lobby (Started)")) << join_lines(c->last);
        EXPECT_TRUE(contains(c->last, button(Page::id_start_meeting, false, "Start meeting"))) << join_lines(c->last);
        EXPECT_TRUE(contains(c->last, button(Page::id_stop_meeting, true, "Stop Meeting"))) << join_lines(c->last);
    }

    // bob asks to present (the room is in free mode): every roster shows it.
    bob.ask("click " + std::to_string(Page::id_request_presenter));
    EXPECT_TRUE(bob.has_line("state", "flags 0 1 0 0 -1")) << join_lines(bob.last);
    EXPECT_TRUE(ann.has_line("rows", row("bob", bob_id, 1, "", "", "", "Show"))) << join_lines(ann.last);

    // Private Chat with ann selected opens bob's dialog only; nothing is sent yet.
    bob.ask("select ann");
    bob.ask("click " + std::to_string(Page::id_private_chat));
    EXPECT_TRUE(contains(bob.ask("private"), "dialog ann visible")) << join_lines(bob.last);
    EXPECT_FALSE(contains(ann.ask("private"), "dialog"));

    // Refresh empties ann's list and the server fills it again.
    ann.ask("click " + std::to_string(Page::id_refresh));
    EXPECT_TRUE(ann.until("rows", [&](const std::vector<std::string>& rows) {
        return rows.size() == 3 && contains(rows, row("bob", bob_id, 1, "", "", "", "Show"));
    })) << join_lines(ann.last);

    // ann stops it again.
    ann.ask("click " + std::to_string(Page::id_stop_meeting));
    EXPECT_TRUE(bob.has_line("page", "label Lobby (Stopped)")) << join_lines(bob.last);

    // bob leaves: he is told, his roles are gone, and the others' rosters lose him.
    bob.ask("click " + std::to_string(Page::id_leave));
    EXPECT_TRUE(bob.until("boxes", [](const std::vector<std::string>& lines) {
        return contains(lines, "box Leave meeting room success.");
    })) << join_lines(bob.last);
    EXPECT_TRUE(bob.has_line("state", "room -1"));
    EXPECT_TRUE(contains(bob.last, "flags 0 0 0 0 -1")) << join_lines(bob.last);
    EXPECT_TRUE(ann.until("rows", [&](const std::vector<std::string>& rows) {
        return rows.size() == 2 && id_in_rows(rows, "bob") == -1;
    })) << join_lines(ann.last);
}

// The server decides on passwords; its answers are shown in the page's words.
TEST_F(MembersChatEndToEnd, PasswordChangesAreAnsweredByTheServerInThePagesWords)
{
    struct Case {
        ClientProcess* client;
        int button;
        const char* passwords;
        const char* answer;
    } cases[] = {
        // bob is not the chairman: the page lets him ask, the server says no.
        { &bob, CLeftFormMembers::id_set_passwd, "- open", "Set meeting room password Failed.~ Possibly, the old password is not correct" },
        { &ann, CLeftFormMembers::id_set_passwd, "wrong open", "Set meeting room password Failed.~ Possibly, the old password is not correct" },
        { &ann, CLeftFormMembers::id_set_passwd, "- open", "Set meeting room password success." },
        { &ann, CLeftFormMembers::id_set_passwd, "- again", "Set meeting room password Failed.~ Possibly, the old password is not correct" },
        { &ann, CLeftFormMembers::id_set_chairman_passwd, "wrong boss", "Set Chairman passwd failed. Your old password is not correct." },
        { &ann, CLeftFormMembers::id_set_chairman_passwd, "- boss", "Set Chairman passwd success." },
        { &bob, CLeftFormMembers::id_set_chairman_passwd, "boss other", "Set Chairman passwd failed. Your old password is not correct." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.passwords) + " -> " + c.answer);
        const size_t before = c.client->ask("boxes").size();
        c.client->ask(std::string("passwords ") + c.passwords);
        c.client->ask("click " + std::to_string(c.button));
        EXPECT_TRUE(c.client->until("boxes", [&](const std::vector<std::string>& lines) {
            return lines.size() > before;
        })) << join_lines(c.client->last);
        ASSERT_EQ(c.client->last.size(), before + 1) << join_lines(c.client->last);
        EXPECT_EQ(c.client->last.back(), std::string("box ") + c.answer);
    }
    // The room's new password keeps out a newcomer who does not give it.
    HeadlessPeer dee { "dee" }, eve { "eve" };
    ASSERT_EQ(dee.connect("127.0.0.1", server.port(), true), 0);
    ASSERT_EQ(eve.connect("127.0.0.1", server.port(), true), 0);
    EXPECT_LT(dee.join_room("Lobby"), 0);
    EXPECT_EQ(eve.join_room("Lobby", "open"), 1);
}

TEST_F(MembersChatEndToEnd, PrivateVoiceRequestIsAnsweredAndThePeersLink)
{
    ann.ask("select bob");
    ann.ask("click " + std::to_string(CLeftFormMembers::id_private_voice));
    EXPECT_TRUE(contains(ann.ask("boxes"), "Private voice chat will allow your voice only be heard"));
    EXPECT_TRUE(ann.has_line("state", "flags 1 0 0 1 " + std::to_string(bob_id)));
    EXPECT_TRUE(ann.has_line("rows", row("bob", bob_id, 0, "", "Private Voice Chat To", "", "Show")));
    // bob is asked and says yes; his roster marks ann.
    EXPECT_TRUE(bob.until("boxes", [](const std::vector<std::string>& lines) {
        return contains(lines, "ann want a private voice chat with you");
    }));
    EXPECT_TRUE(bob.has_line("state", "flags 0 0 0 1 " + std::to_string(ann_id)));
    EXPECT_TRUE(bob.has_line("rows", row("ann", ann_id, 2, "", "Private Voice Chat To", "", "Show")));
    // Both sides sent 85: the answering side links to the asker directly.
    EXPECT_TRUE(bob.has_line("peers", "peer " + std::to_string(ann_id))) << join_lines(bob.last);
    EXPECT_TRUE(ann.has_line("peers", "peer " + std::to_string(bob_id))) << join_lines(ann.last) << join_lines(ann.ask("boxes"));
    // The headless member heard nothing of it.
    EXPECT_EQ(cid.count(MSG_PRIVATE_VOICE_REQUEST), 0u);

    // Ending it asks nothing and sends nothing.
    ann.ask("click " + std::to_string(CLeftFormMembers::id_private_voice));
    EXPECT_TRUE(ann.has_line("state", "flags 1 0 0 0 -1"));
    EXPECT_TRUE(ann.has_line("rows", row("bob", bob_id, 0, "", "", "", "Show")));
}

TEST_F(MembersChatEndToEnd, StyledChatPrivateChatLateJoinerSavingAndRecording)
{
    std::string record_path = home.root() + "/chat.mrd";
    ann.ask("record " + record_path);
    // ann writes in red, 20 points, bold and underlined.
    ann.ask("chat 255 0 0 20 5 Hello, room!");
    const std::string styled = "run 255 0 0 20 5 ann: Hello, room!~";
    EXPECT_TRUE(bob.has_line("view", styled)) << join_lines(bob.last);
    EXPECT_TRUE(ann.has_line("view", styled)) << join_lines(ann.last);
    // bob writes with the dialog as it opens: 8 points, the start colour.
    bob.ask("chat 64 64 224 8 0 \xe4\xbd\xa0\xe5\xa5\xbd, ann");
    EXPECT_TRUE(ann.has_line("view", "run 64 64 224 8 0 bob: \xe4\xbd\xa0\xe5\xa5\xbd, ann~")) << join_lines(ann.last);
    EXPECT_TRUE(cid.await([](const ArrivedMessage& m) {
        return m.head.number == MSG_CHAT_TEXT && m.body.rfind("bob: ", 0) == 0;
    }));

    // A private line opens a dialog in the partner only.
    ann.ask("pchat bob just between us");
    EXPECT_TRUE(bob.has_line("private", "dialog ann visible")) << join_lines(bob.last);
    EXPECT_TRUE(contains(bob.last, "just between us"));
    EXPECT_EQ(cid.count(MSG_PRIVATE_CHAT), 0u);
    EXPECT_TRUE(contains(ann.ask("private"), "dialog bob visible"));
    // To someone not in the room: the server refuses, nothing opens anywhere.
    ann.ask("pchat nobody hello?");
    EXPECT_FALSE(contains(bob.ask("private"), "nobody"));

    // A late joiner gets the room's chat.
    ClientProcess dee("dee", server.port(), home.root() + "/dee");
    dee.ask("join Lobby");
    EXPECT_TRUE(dee.until("view", [&](const std::vector<std::string>& lines) {
        return std::find(lines.begin(), lines.end(), styled) != lines.end() &&
               contains(lines, "bob: \xe4\xbd\xa0\xe5\xa5\xbd, ann");
    })) << join_lines(dee.last);

    // Saving: RTF and text read back by a word processor.
    ann.ask("stoprecord");
    std::string rtf = home.root() + "/saved.rtf";
    std::string txt = home.root() + "/saved.txt";
    ann.ask("save rtf " + rtf);
    ann.ask("save txt " + txt);
    ASSERT_TRUE(file_exists(rtf));
    ASSERT_TRUE(file_exists(txt));
    EXPECT_EQ(read_file(txt), "ann: Hello, room!\nbob: \xe4\xbd\xa0\xe5\xa5\xbd, ann\n");
    if (libreoffice_available()) {
        std::string error;
        std::optional<OfficeDocument> doc = read_with_libreoffice(rtf, home.root(), &error);
        ASSERT_TRUE(doc) << error;
        std::vector<OfficeSpan> spans = doc->spans();
        ASSERT_EQ(spans.size(), 2u) << doc->plain_text();
        EXPECT_EQ(spans[0].text, "ann: Hello, room!");
        EXPECT_EQ(spans[0].colour, "#ff0000");
        EXPECT_EQ(spans[0].size_pt, 20);
        EXPECT_TRUE(spans[0].bold);
        EXPECT_TRUE(spans[0].underline);
        EXPECT_FALSE(spans[0].italic);
        EXPECT_EQ(spans[1].text, "bob: \xe4\xbd\xa0\xe5\xa5\xbd, ann");
        EXPECT_EQ(spans[1].colour, "#4040e0");
        EXPECT_EQ(spans[1].size_pt, 8);
        std::optional<OfficeDocument> text_doc = read_with_libreoffice(txt, home.root(), &error);
        ASSERT_TRUE(text_doc) << error;
        EXPECT_EQ(text_doc->plain_text(), "ann: Hello, room!\nbob: \xe4\xbd\xa0\xe5\xa5\xbd, ann\n");
    }

    // The recording holds both lines as type-3 records, bodies as received.
    std::string data = read_file(record_path);
    std::vector<std::string> chat_bodies;
    for (size_t pos = record_file_head_len; pos + record_separator_len + record_head_len <= data.size();) {
        ASSERT_EQ(data.compare(pos, record_separator_len, record_separator), 0) << pos;
        record_head head;
        std::memcpy(&head, data.data() + pos + record_separator_len, record_head_len);
        size_t body_at = pos + record_separator_len + record_head_len;
        if (head.type == record_type_chat) {
            uint32_t len = 0;
            std::memcpy(&len, data.data() + body_at, 4);
            EXPECT_EQ(head.length, len + 4);
            chat_bodies.push_back(data.substr(body_at + 4, len));
        }
        pos = body_at + head.length;
    }
    ASSERT_EQ(chat_bodies.size(), 2u);
    EXPECT_EQ(chat_bodies[0], std::string("ann: Hello, room!\r\n\0\xff\x00\x00\x14\x05", 25));
    EXPECT_EQ(chat_bodies[1].substr(0, 5), "bob: ");
}

// Not compared: what ann (chairman) and bob (presenter, hand raised) see after
// a styled public chat and a private one, for people to look at, in every
// scheme, in English and in Chinese.
TEST(MembersChatPictures, TwoMembersInEverySchemeAndBothLanguages)
{
    const char* build_dir = std::getenv("TAMBLO_BUILD_DIR");
    const std::string dir = std::string(build_dir ? build_dir : ".") + "/screenshots";
    std::filesystem::create_directories(dir);
    for (const auto& [language, setting] : std::vector<std::pair<std::string, std::string>> { { "en", "en" }, { "zh", "zh_CN" } }) {
        SCOPED_TRACE(language);
        TempHome home;
        ServerProcess server;
        ClientProcess ann("ann", server.port(), home.root() + "/ann", { "--language", setting });
        ClientProcess bob("bob", server.port(), home.root() + "/bob", { "--language", setting });
        ASSERT_TRUE(ann.started() && bob.started());
        ASSERT_TRUE(ann.enter_lobby()) << join_lines(ann.last);
        ASSERT_TRUE(bob.enter_lobby()) << join_lines(bob.last);
        auto two = [](const std::vector<std::string>& rows) { return rows.size() == 2; };
        ASSERT_TRUE(ann.until("rows", two)) << join_lines(ann.last);
        ASSERT_TRUE(bob.until("rows", two)) << join_lines(bob.last);
        const int bob_id = id_in_rows(ann.last, "bob");

        bob.ask("click " + std::to_string(CLeftFormMembers::id_raise_hand));
        ann.ask("select bob");
        ann.ask("menu " + std::to_string(CLeftFormMembers::menu_set_presenter));
        const std::string hand = language == "en" ? "Hand Raised" : "\xe5\xb7\xb2\xe4\xb8\xbe\xe6\x89\x8b";
        const std::string show = language == "en" ? "Show" : "\xe6\x98\xbe\xe7\xa4\xba";
        EXPECT_TRUE(bob.has_line("rows", row("bob", bob_id, 1, hand, "", "", show))) << join_lines(bob.last);
        EXPECT_TRUE(ann.has_line("rows", row("bob", bob_id, 1, hand, "", "", show))) << join_lines(ann.last);

        ann.ask("chat 200 0 0 12 1 Good morning, bob.");
        bob.ask("chat 0 128 0 11 6 \xe4\xbd\xa0\xe5\xa5\xbd, ann. The slides are ready.");
        const std::string bob_line = "run 0 128 0 11 6 bob: \xe4\xbd\xa0\xe5\xa5\xbd, ann. The slides are ready.~";
        EXPECT_TRUE(ann.has_line("view", bob_line)) << join_lines(ann.last);
        EXPECT_TRUE(bob.has_line("view", bob_line)) << join_lines(bob.last);
        ann.ask("pchat bob Can you share your screen?");
        EXPECT_TRUE(bob.has_line("private", "dialog ann visible")) << join_lines(bob.last);
        bob.ask("pchat ann Yes, one moment.");
        EXPECT_TRUE(ann.until("private", [](const std::vector<std::string>& lines) {
            return contains(lines, "Yes, one moment.");
        })) << join_lines(ann.last);

        for (int scheme = 0; scheme < skin_filled_count; ++scheme) {
            for (auto& [who, client] : { std::pair<std::string, ClientProcess*> { "ann", &ann }, { "bob", &bob } }) {
                const std::string file =
                    dir + "/members_chat_" + who + "_" + language + "_scheme_" + std::to_string(scheme) + ".png";
                EXPECT_FALSE(contains(client->ask("shoot " + std::to_string(scheme) + " " + file), "not saved")) << file;
                EXPECT_TRUE(std::filesystem::exists(file)) << file;
            }
        }
    }
}

} // namespace
