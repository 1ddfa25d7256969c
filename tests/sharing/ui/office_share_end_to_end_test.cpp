// Office documents shared as a user does it: this process is ann, the real
// main frame with its files page, connected to the real tamblo-server; bob
// is a real client of its own (tamblo_office_peer) with the files page. Both
// run the office of office_test_driver() (the scripted fake unless
// TAMBLO_TEST_OFFICE_DRIVER names another), and the tests move ann's
// document and read bob's only through the office driver interface.

#include "core/connection_threads.h"
#include "core/connections.h"
#include "core/control_messages.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "core/wire_builders.h"
#include "platform/ui/file_dialog.h"
#include "sharing/file_share.h"
#include "sharing/office_share.h"
#include "sharing/sharing_messages.h"
#include "sharing/ui/files_page.h"
#include "shell/connect_flow.h"
#include "shell/frame_commands.h"
#include "shell/login_rules.h"
#include "shell/room_rules.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/main_frame.h"
#include "tests/support/child_process.h"
#include "tests/support/office_test_driver.h"
#include "tests/support/record_file.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb.h"
#include "whiteboard/meeting_playback.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;

constexpr int wait_limit_ms = 20000;
// The close follows the eleventh tick of a second each without the sharer's office.
constexpr int close_wait_ms = 40000;

bool pump_until(const std::function<bool()>& done, int wait_ms = wait_limit_ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(5);
    }
    return done();
}

using Fields = std::map<std::string, std::string>;

// bob's state file: one line per kind, "kind name=value ...".
std::map<std::string, Fields> read_state(const std::string& path)
{
    std::map<std::string, Fields> out;
    std::istringstream lines(read_file(path));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string kind;
        std::string word;
        words >> kind;
        while (words >> word) {
            size_t eq = word.find('=');
            if (eq != std::string::npos)
                out[kind][word.substr(0, eq)] = word.substr(eq + 1);
        }
    }
    return out;
}

const char* kind_word(OfficeKind kind)
{
    return kind == OfficeKind::presentation ? "presentation" : kind == OfficeKind::text ? "text" : "sheet";
}

int command_of(OfficeKind kind)
{
    return kind == OfficeKind::presentation ? cmd::share_powerpoint : kind == OfficeKind::text ? cmd::share_word : cmd::share_excel;
}

size_t count_of(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// The six numbers of an office event record.
std::vector<int32_t> event_fields(const ReadRecord& r)
{
    std::vector<int32_t> v(6, 0);
    std::memcpy(v.data(), r.body.data(), std::min<size_t>(r.body.size(), 24));
    return v;
}

class OfficeShareEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TAMBLO_CAMERA", "none", 1);
        set_message_box_presenter(&boxes_);
        driver_ = &office_test_driver();
        if (driver_->needs_display) {
            xvfb_ = std::make_unique<XvfbServer>("1024x768x24");
            ASSERT_TRUE(xvfb_->running());
        }
        fs::create_directories(control_);
        fs::create_directories(bob_home_);
        fs::create_directories(work_);
        std::ofstream(config_path_) << "[room]\nname = Lobby\n";
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--config", config_path_, "--data-dir", data_dir_ });

        set_office_driver_factory(driver_->factory);
        reset_receive_handlers();
        install_control_handlers();
        install_sharing_handlers();
        install_file_share_handlers();
        install_office_sharing();
        init_global_state();
        create_work_folders();
        install_file_share_windows();
        set_file_dialog_answer([this](const QString& filters, bool) {
            asked_filters_.push_back(filters.toStdString());
            return QString::fromStdString(chosen_path_);
        });
        frame_ = std::make_unique<CMainFrame>();
        frame_->resize(900, 600);
        frame_->show();

        g_server_host.set("127.0.0.1");
        g_server_port = server_->port();
        ASSERT_EQ(connect_to_current_server(), 0);
        ASSERT_TRUE(pump_until([] { return g_my_customer_id >= 0 && g_file_sock.m_sock != 0; }));
        ASSERT_EQ(send_login_from_dialog("ann", "code"), 0);
        ASSERT_TRUE(pump_until([] { return g_logged_in == 1; }));
        ASSERT_EQ(join_room("Lobby", "", false), 0);
        ASSERT_TRUE(pump_until([] { return g_room_number >= 0 && g_is_chairman == 1; }));
        frame_->commands().action(cmd::start_meeting)->trigger();
        ASSERT_TRUE(pump_until([] { return g_meeting_started == 1; }));

        // bob with a home of his own.
        std::map<std::string, std::string> saved;
        for (const char* name : { "XDG_DATA_HOME", "XDG_CONFIG_HOME" }) {
            saved[name] = std::getenv(name) ? std::getenv(name) : "";
            setenv(name, bob_home_.c_str(), 1);
        }
        bob_ = std::make_unique<ChildProcess>(
            std::vector<std::string> { TAMBLO_OFFICE_PEER, std::to_string(server_->port()), "bob", "Lobby", control_ });
        for (auto& [name, value] : saved)
            setenv(name.c_str(), value.c_str(), 1);
        ASSERT_TRUE(pump_until([this] { return file_exists(control_ + "/ready-bob"); }));
        frame_->commands().refresh();
        // The server's greetings on the way in are not the tests' business.
        boxes_.clear();
    }

    void TearDown() override
    {
        if (bob_)
            bob_->stop();
        recorder().stop();
        disconnect_server();
        stop_connection_watchdog();
        pump_until([] { return receive_threads_running(ReceiveConnection::file) == 0; });
        share_ppt().close_app();
        share_word().close_app();
        share_excel().close_app();
        frame_.reset();
        server_.reset();
        reset_receive_handlers();
        set_office_driver_factory(nullptr);
        share_ppt_reset();
        share_word_reset();
        share_excel_reset();
        set_file_dialog_answer({});
        file_share_windows() = {};
        files_page_steps() = {};
        playback_office_hooks() = {};
        set_message_box_presenter(nullptr);
    }

    // Waits until bob's document of the kind reads as expected.
    bool await_bob(OfficeKind kind, const Fields& expected, int wait_ms = wait_limit_ms)
    {
        bool ok = pump_until(
            [&] {
                Fields now = read_state(state_path())[kind_word(kind)];
                for (const auto& [name, value] : expected)
                    if (now[name] != value)
                        return false;
                return true;
            },
            wait_ms);
        if (!ok)
            ADD_FAILURE() << kind_word(kind) << ": bob's state is\n" << read_file(state_path()) << "boxes:\n"
                          << read_file(control_ + "/boxes-bob.txt");
        return ok;
    }
    std::string bob_file(OfficeKind kind) { return read_state(state_path())[kind_word(kind)]["file"]; }
    std::string state_path() const { return control_ + "/state-bob.txt"; }
    std::string bob_share_folder() const { return bob_home_ + "/kelo/tamblo/share/"; }
    std::string bob_notices() const { return read_file(control_ + "/notices-bob.txt"); }

    // The user's Share command with the file chosen in the open dialog.
    void share_through_frame(OfficeKind kind, const std::string& path)
    {
        chosen_path_ = path;
        frame_->commands().refresh();
        ASSERT_TRUE(frame_->commands().action(command_of(kind))->isEnabled()) << kind_word(kind);
        frame_->commands().action(command_of(kind))->trigger();
    }
    std::string make_document(OfficeKind kind, const std::string& name)
    {
        std::string path = work_ + name;
        driver_->make_document(kind, path, 6, 3);
        return path;
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    const OfficeTestDriver* driver_ = nullptr;
    std::string control_ = home_.root() + "/control";
    std::string bob_home_ = home_.root() + "/bob";
    std::string work_ = home_.root() + "/work/";
    std::string data_dir_ = home_.root() + "/server-data";
    std::string config_path_ = home_.root() + "/server.ini";
    std::string chosen_path_;
    std::vector<std::string> asked_filters_;
    std::unique_ptr<XvfbServer> xvfb_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<ChildProcess> bob_;
};

} // namespace

TEST_F(OfficeShareEndToEnd, EachKindIsDownloadedFollowedRecordedAndEndsWhenTheSharersOfficeCloses)
{
    const std::string record_path = home_.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(record_path), 0);

    struct Share {
        OfficeKind kind;
        const char* name;
        const char* filter;
        const char* notice;  // with bob's local name
    };
    const Share shares[] = {
        { OfficeKind::presentation, "deck.ppt", "Power Point Files (*.ppt);;All Files (*.*)", "ann is sharing PowerPoint:\n%s." },
        { OfficeKind::text, "letter.doc", "Word Files (*.doc);;All Files (*.*)", "ann is sharing Word:\n%s" },
        { OfficeKind::sheet, "figures.xls", "Excel Files (*.xls);;All Files (*.*)", "ann is sharing Excel:\n%s." },
    };
    for (const Share& s : shares) {
        SCOPED_TRACE(s.name);
        std::string path = make_document(s.kind, s.name);
        asked_filters_.clear();
        share_through_frame(s.kind, path);
        EXPECT_EQ(asked_filters_, std::vector<std::string> { s.filter });
        EXPECT_TRUE(office_share(s.kind).sharing());
        ASSERT_TRUE(await_bob(s.kind, { { "started", "1" }, { "document", "1" } }));
        // bob's copy: the announced name behind the second it arrived, in "share/", whole.
        std::string local = bob_file(s.kind);
        ASSERT_GT(local.size(), std::strlen(s.name) + 1);
        EXPECT_EQ(local.substr(local.size() - std::strlen(s.name) - 1), std::string("_") + s.name);
        EXPECT_EQ(read_file(bob_share_folder() + local), read_file(path));
        const std::string notice = format_text(s.notice, local.c_str());
        EXPECT_TRUE(pump_until([&] { return count_of(bob_notices(), notice) == 1; })) << bob_notices();
    }

    // ann moves through her documents; bob's follow.
    struct Move {
        OfficeKind kind;
        std::function<void()> act;
        Fields expected;
    };
    auto ppt = [] { return dynamic_cast<PresentationDriver*>(share_ppt().application()); };
    auto text = [] { return dynamic_cast<TextDriver*>(share_word().application()); };
    auto sheet = [] { return dynamic_cast<SheetDriver*>(share_excel().application()); };
    const Move moves[] = {
        // The share starts as a running show at the first slide.
        { OfficeKind::presentation, [] {}, { { "show", "1" }, { "slide", "1" } } },
        { OfficeKind::presentation, [&] { ppt()->show_goto_slide(4); }, { { "show", "1" }, { "slide", "4" } } },
        { OfficeKind::presentation, [&] { ppt()->show_exit(); ppt()->view_goto_slide(3); }, { { "show", "0" }, { "slide", "3" } } },
        { OfficeKind::presentation, [&] { ppt()->show_run(); ppt()->show_goto_slide(5); }, { { "show", "1" }, { "slide", "5" } } },
        { OfficeKind::text, [&] { text()->set_scroll_position(54321); }, { { "scroll", "54321" } } },
        { OfficeKind::sheet, [&] { sheet()->activate_sheet(2); sheet()->set_scroll_column(12); sheet()->set_scroll_row(40000); },
          { { "sheet", "2" }, { "chart", "0" }, { "column", "12" }, { "row", "40000" } } },
        { OfficeKind::sheet, [&] { sheet()->activate_chart(3); }, { { "chart", "3" } } },
    };
    for (const Move& m : moves) {
        m.act();
        ASSERT_TRUE(await_bob(m.kind, m.expected));
    }

    // ann's user closes the office of each; at the eleventh tick without it bob's goes too.
    for (const Share& s : shares)
        driver_->close_application(*office_share(s.kind).application());
    for (const Share& s : shares) {
        SCOPED_TRACE(s.name);
        EXPECT_TRUE(await_bob(s.kind, { { "started", "0" } }, close_wait_ms));
        EXPECT_FALSE(office_share(s.kind).sharing());
    }
    EXPECT_EQ(read_file(control_ + "/boxes-bob.txt"), "");

    // ann's recording holds each document and what she sent of it.
    recorder().stop();
    std::map<uint32_t, std::vector<ReadRecord>> by_type;
    for (ReadRecord& r : read_records(record_path))
        by_type[r.head.type].push_back(std::move(r));
    const std::pair<uint32_t, const char*> documents[] = {
        { record_type_ppt_doc, "deck.ppt" }, { record_type_word_doc, "letter.doc" }, { record_type_excel_doc, "figures.xls" } };
    for (auto [type, name] : documents) {
        ASSERT_EQ(by_type[type].size(), 1u) << type;
        EXPECT_STREQ(by_type[type][0].body.c_str(), name);
    }
    struct Event {
        uint32_t type;
        std::vector<int32_t> fields;
    };
    const Event events[] = {
        { record_type_ppt_event, { 1, 4, 1, 0, 0, 0 } },    { record_type_ppt_event, { 1, 3, 0, 0, 0, 0 } },
        { record_type_ppt_event, { 1, 5, 1, 0, 0, 0 } },    { record_type_ppt_event, { 2, 0, 0, 0, 0, 0 } },
        { record_type_word_event, { 1, 54321, 0, 0, 0, 0 } }, { record_type_word_event, { 2, 0, 0, 0, 0, 0 } },
        { record_type_excel_event, { 1, 2, 12, 40000, 0, 0 } }, { record_type_excel_event, { 2, 3, 0, 0, 0, 0 } },
        { record_type_excel_event, { 3, 0, 0, 0, 0, 0 } },
    };
    for (const Event& e : events) {
        const std::vector<ReadRecord>& of_type = by_type[e.type];
        bool found = std::any_of(of_type.begin(), of_type.end(), [&](const ReadRecord& r) { return event_fields(r) == e.fields; });
        EXPECT_TRUE(found) << e.type << " event " << e.fields[0] << " " << e.fields[1];
    }
    // The close is the last of each kind.
    for (uint32_t type : { record_type_ppt_event, record_type_word_event, record_type_excel_event }) {
        ASSERT_FALSE(by_type[type].empty());
        EXPECT_EQ(event_fields(by_type[type].back())[0], type == record_type_excel_event ? 3 : 2) << type;
    }
}

TEST_F(OfficeShareEndToEnd, RefusedSharesAndNamesEndCleanlyBeforeTheNextShareGoesThrough)
{
    // In chairman control mode only the presenter shares: no dialog, the box.
    frame_->commands().action(cmd::chairman_control_mode)->trigger();
    ASSERT_TRUE(pump_until([] { return g_chairman_control_mode == 1; }));
    ASSERT_EQ(g_is_presenter, 0);
    share_through_frame(OfficeKind::presentation, make_document(OfficeKind::presentation, "early.ppt"));
    EXPECT_TRUE(asked_filters_.empty());
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "Only presenter can do this in Chairman control mode." });
    boxes_.answer_with(MessageBoxButton::yes);
    frame_->commands().action(cmd::free_lance_mode)->trigger();
    ASSERT_TRUE(pump_until([] { return g_chairman_control_mode == 0; }));
    boxes_.clear();

    // A name longer than the room's files keep is told, and nothing goes out.
    const std::string long_name = std::string(66, 'q') + ".ppt";
    ASSERT_EQ(long_name.size(), 70u);
    share_through_frame(OfficeKind::presentation, make_document(OfficeKind::presentation, long_name));
    ASSERT_EQ(boxes_.texts().size(), 1u);
    EXPECT_NE(boxes_.texts()[0].find("is longer than 63 characters"), std::string::npos) << boxes_.texts()[0];
    EXPECT_FALSE(share_ppt().sharing());
    EXPECT_FALSE(share_ppt().application()->started());

    // Names that would land outside "share/" are refused on the way.
    for (const char* name : { "../evil.ppt", "a/b.ppt", ".." })
        send_cmd_data(MSG_PPT_SHARE_FILE, name);
    EXPECT_TRUE(server_->wait_for_log("dropped: not a plain file name", wait_limit_ms));

    // The next share is the only one bob ever saw.
    share_through_frame(OfficeKind::presentation, make_document(OfficeKind::presentation, "after.ppt"));
    ASSERT_TRUE(await_bob(OfficeKind::presentation, { { "started", "1" }, { "document", "1" }, { "show", "1" } }));
    std::string local = bob_file(OfficeKind::presentation);
    EXPECT_NE(local.find("_after.ppt"), std::string::npos) << local;
    EXPECT_TRUE(pump_until([&] { return count_of(bob_notices(), "is sharing PowerPoint") == 1; }));
    EXPECT_EQ(count_of(bob_notices(), "is sharing"), 1u) << bob_notices();
    std::vector<std::string> in_share;
    for (const auto& entry : fs::directory_iterator(bob_share_folder())) {
        std::string name = entry.path().filename().string();
        // LibreOffice keeps a lock file beside a document while it has it open.
        if (name != ".~lock." + local + "#")
            in_share.push_back(name);
    }
    EXPECT_EQ(in_share, std::vector<std::string> { local });
    EXPECT_FALSE(fs::exists(bob_home_ + "/kelo/tamblo/evil.ppt"));
    EXPECT_EQ(read_file(control_ + "/boxes-bob.txt"), "");
}

// A recording played back hands the files page each document under its
// recorded name in "share/", then the open message; the office opens that
// file, and a sheet message takes the recorded cell.
TEST(OfficePlayback, TheFilesPageOpensEachPlayedDocumentUnderItsRecordedName)
{
    TempHome home;
    std::map<OfficeKind, FakeOfficeDriver*> fakes;
    set_office_driver_factory([&fakes](OfficeKind kind) {
        auto driver = std::make_unique<FakeOfficeDriver>(kind);
        fakes[kind] = driver.get();
        return driver;
    });
    share_ppt_reset();
    share_word_reset();
    share_excel_reset();
    install_file_share_windows();
    {
        CLeftFormFiles page;
        struct Case {
            OfficeKind kind;
            uint32_t record_type;
            uint32_t open_message;
            const char* name;
        };
        const Case cases[] = {
            { OfficeKind::presentation, record_type_ppt_doc, WM_MY_MSG_PPT_OPEN, "deck.ppt" },
            { OfficeKind::text, record_type_word_doc, WM_MY_MSG_WORD_OPEN, "letter.doc" },
            { OfficeKind::sheet, record_type_excel_doc, WM_MY_MSG_EXCEL_OPEN, "figures.xls" },
        };
        for (const Case& c : cases) {
            playback_office_hooks().document_arrived(c.record_type, c.name);
            page.handle_window_message(c.open_message, 0, 0);
            EXPECT_EQ(fakes.at(c.kind)->opened_path, home.user_folder() + "share/" + c.name) << c.name;
            EXPECT_FALSE(office_share(c.kind).sharing());
        }
        FakeOfficeDriver& sheet = *fakes.at(OfficeKind::sheet);
        sheet.sheets = 3;
        sheet.take_calls();
        playback_office_hooks().excel_cell(7, 300);
        page.handle_window_message(WM_MY_MSG_EXCEL_SHEET, 2, 0);
        std::vector<std::string> calls = sheet.take_calls();
        for (const char* call : { "activate_sheet 2", "set_scroll_column 7", "set_scroll_row 300" })
            EXPECT_NE(std::find(calls.begin(), calls.end(), call), calls.end()) << call;
    }
    set_office_driver_factory(nullptr);
    share_ppt_reset();
    share_word_reset();
    share_excel_reset();
    file_share_windows() = {};
    files_page_steps() = {};
    playback_office_hooks() = {};
}
