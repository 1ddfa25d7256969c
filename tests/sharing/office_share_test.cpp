// Office sharing without an office: the three shares driven through the
// scripted driver, their messages read from loopback connections, their
// records read back from a recording.

#include "core/colon_fields.h"
#include "core/connections.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/meeting_record.h"
#include "core/window_messages.h"
#include "platform/sys/clock.h"
#include "sharing/file_share.h"
#include "sharing/office_recording.h"
#include "sharing/office_share.h"
#include "tests/core/loopback.h"
#include "tests/support/record_file.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <poll.h>
#include <unistd.h>

namespace {

struct Sent {
    int number = 0;
    int field2 = 0;
    std::string body;
};

// The messages that reached fd, waiting up to wait_ms for the first.
std::vector<Sent> sent_on(int fd, int wait_ms = 30)
{
    std::vector<Sent> out;
    for (;;) {
        pollfd p { fd, POLLIN, 0 };
        if (::poll(&p, 1, out.empty() ? wait_ms : 0) <= 0)
            break;
        auto [head, body] = next_wire_message(fd);
        if (head.empty())
            break;
        Sent s;
        int f1 = 0, len = 0;
        std::sscanf(head.c_str(), "%d:%d:%d:%d:", &f1, &s.field2, &s.number, &len);
        s.body = body;
        out.push_back(s);
    }
    return out;
}

struct Posted {
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
};

class FilesPageRecorder : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        received.push_back({ msg, wparam, lparam });
        return 0;
    }
    std::vector<Posted> received;
};

class OfficeShareTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        platform::set_clock(&clock_);
        for (auto [sock, peer] : { std::pair { &g_main_sock, &main_peer_ }, std::pair { &g_file_sock, &file_peer_ } }) {
            sock->host.set("127.0.0.1");
            sock->port = listener_.port();
            ASSERT_EQ(sock->connect_server(), 0);
            *peer = listener_.accept_one();
            ASSERT_GE(*peer, 0);
        }
        set_office_driver_factory([this](OfficeKind kind) {
            auto driver = std::make_unique<FakeOfficeDriver>(kind);
            drivers_[kind] = driver.get();
            return driver;
        });
        share_ppt_reset();
        share_word_reset();
        share_excel_reset();
        g_logged_in = 1;
        g_room_number = 3;
        register_window(WindowSlot::files_page, &page_);
    }

    void TearDown() override
    {
        unregister_window(WindowSlot::files_page, &page_);
        recorder().stop();
        g_logged_in = 0;
        g_room_number = -1;
        set_office_driver_factory(nullptr);
        share_ppt_reset();
        share_word_reset();
        share_excel_reset();
        g_main_sock.close_socket();
        g_file_sock.close_socket();
        ::close(main_peer_);
        ::close(file_peer_);
        platform::set_clock(nullptr);
        set_message_box_presenter(nullptr);
    }

    FakeOfficeDriver& fake(OfficeKind kind) { return *drivers_.at(kind); }
    FakeOfficeDriver& ppt() { return fake(OfficeKind::presentation); }
    FakeOfficeDriver& word() { return fake(OfficeKind::text); }
    FakeOfficeDriver& excel() { return fake(OfficeKind::sheet); }

    std::string make_file(const std::string& name, const std::string& content = "document bytes")
    {
        std::string path = home_.root() + "/" + name;
        std::ofstream(path) << content;
        return path;
    }

    // The sharer's whole start: upload, announcement, application.
    int share(OfficeKind kind, const std::string& path)
    {
        OfficeFileChooser choose = [path](const char*) { return path; };
        int result = office_share(kind).do_share(choose);
        sent_on(file_peer_);
        return result;
    }

    void tick(OfficeKind kind)
    {
        if (kind == OfficeKind::presentation)
            share_ppt().do_timer_ppt();
        else if (kind == OfficeKind::text)
            share_word().do_timer_word();
        else
            share_excel().do_timer_excel();
    }

    std::vector<Sent> sent(int wait_ms = 30) { return sent_on(main_peer_, wait_ms); }
    std::string record_path() const { return home_.root() + "/meeting.mrd"; }

    TempHome home_;
    LogCapture log_;
    ScriptedMessageBoxes boxes_;
    platform::ManualClock clock_;
    LoopbackListener listener_;
    int main_peer_ = -1;
    int file_peer_ = -1;
    std::map<OfficeKind, FakeOfficeDriver*> drivers_;
    FilesPageRecorder page_;
};

const char* kind_name(OfficeKind kind)
{
    return kind == OfficeKind::presentation ? "presentation" : kind == OfficeKind::text ? "text" : "sheet";
}

} // namespace

TEST(OfficeNames, LocalNamesTakeTheUtcSecondAndAtMostAHundredCharacters)
{
    EXPECT_EQ(office_local_file_name(5, 9, 7, 3, "deck.ppt"), "5973_deck.ppt");
    EXPECT_EQ(office_local_file_name(31, 23, 59, 59, "a.doc"), "31235959_a.doc");
    // Two shares of one name a second apart do not meet in "share/".
    EXPECT_NE(office_local_file_name(5, 9, 7, 3, "deck.ppt"), office_local_file_name(5, 9, 7, 4, "deck.ppt"));
    std::string long_name(150, 'n');
    EXPECT_EQ(office_local_file_name(1, 2, 3, 4, long_name), "1234_" + std::string(100, 'n'));
}

TEST(OfficeNames, OnlyPlainNamesMayBecomeFiles)
{
    struct Case {
        std::string name;
        bool allowed;
    };
    const Case cases[] = {
        { "deck.ppt", true }, { "Quarterly figures 2024.xls", true }, { "", false }, { ".", false }, { "..", false },
        { "../deck.ppt", false }, { "sub/deck.ppt", false }, { "sub\\deck.ppt", false }, { "deck\t.ppt", false },
        { "deck\n.ppt", false }, { std::string("de\0ck", 5), false }, { "deck\x7f", false }, { "..deck", true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(office_name_allowed(c.name), c.allowed) << c.name;
}

TEST(OfficeNames, PositionFieldsSplitAtColonsWithoutWidthLimit)
{
    struct Case {
        const char* body;
        int count;
        bool ok;
        std::vector<int> values;
    };
    const Case cases[] = {
        { "   3:   1", 2, true, { 3, 1 } },
        { "123456", 1, true, { 123456 } },
        { "   2:  12:40000", 3, true, { 2, 12, 40000 } },
        { "  -5:   0", 2, true, { -5, 0 } },
        { "   3", 2, false, {} },
        { "   3:   1:   2", 2, false, {} },
        { "   3:", 2, false, {} },
        { ":   1", 2, false, {} },
        { "abc", 1, false, {} },
        { "12x", 1, false, {} },
        { "", 1, false, {} },
        { "99999999999", 1, false, {} },
        { "2147483647", 1, true, { 2147483647 } },
    };
    for (const Case& c : cases) {
        int out[3] = { 0, 0, 0 };
        ASSERT_EQ(parse_colon_fields(c.body, c.count, out), c.ok) << c.body;
        for (size_t i = 0; c.ok && i < c.values.size(); ++i)
            EXPECT_EQ(out[i], c.values[i]) << c.body;
    }
}

TEST_F(OfficeShareTest, ShareRefusesWithoutLoginOrRoomAndStopsAtCancelOrAnOverlongName)
{
    struct Case {
        int logged_in;
        int room;
        std::string path;
        int result;
        const char* box;
    };
    std::string long_path = make_file(std::string(70, 'x') + ".ppt");
    const Case cases[] = {
        { 0, 3, make_file("deck.ppt"), -1, "You have to login to upload files." },
        { 1, -1, make_file("deck.ppt"), -1, "You have to enter a meeting room to upload files." },
        { 1, 3, "", 0, nullptr },
        { 1, 3, long_path, -1, "is longer than 63 characters" },
    };
    for (const Case& c : cases) {
        g_logged_in = c.logged_in;
        g_room_number = c.room;
        boxes_.clear();
        EXPECT_EQ(share(OfficeKind::presentation, c.path), c.result) << c.path;
        EXPECT_TRUE(sent().empty());
        EXPECT_FALSE(share_ppt().sharing());
        EXPECT_FALSE(ppt().started());
        std::vector<std::string> texts = boxes_.texts();
        if (c.box) {
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_NE(texts[0].find(c.box), std::string::npos) << texts[0];
        } else {
            EXPECT_TRUE(texts.empty());
        }
    }
}

TEST_F(OfficeShareTest, ShareUploadsAnnouncesRecordsAndOpensTheFile)
{
    std::string path = make_file("deck.ppt", std::string(5000, 'p'));
    ASSERT_EQ(recorder().start(record_path()), 0);
    // The fake's first instance is made at reset; the start uses it.
    ppt().slides = 6;
    ppt().view_slide = 1;
    ASSERT_EQ(share(OfficeKind::presentation, path), 0);
    std::vector<Sent> messages = sent();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].number, MSG_PPT_SHARE_FILE);
    EXPECT_EQ(messages[0].field2, 0);
    EXPECT_EQ(messages[0].body, "deck.ppt");
    EXPECT_TRUE(share_ppt().sharing());
    EXPECT_EQ(share_ppt().local_file_name(), "deck.ppt");
    EXPECT_EQ(ppt().opened_path, path);
    // A presentation is shown as a running show.
    EXPECT_TRUE(ppt().show_running);
    EXPECT_EQ(share_ppt().show_mode(), 1);

    recorder().stop();
    std::vector<ReadRecord> records = read_records(record_path());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].head.type, record_type_ppt_doc);
    ASSERT_GE(records[0].body.size(), 132u);
    EXPECT_STREQ(records[0].body.c_str(), "deck.ppt");
    uint32_t size = 0;
    std::memcpy(&size, records[0].body.data() + 128, 4);
    EXPECT_EQ(size, records[0].body.size() - 132);
    // The compressed copy lies in the working folder, not beside the user's file.
    EXPECT_TRUE(file_exists(home_.user_folder() + "share/deck.ppt.z"));
    EXPECT_FALSE(file_exists(path + ".z"));
    std::string unpacked(6000, '\0');
    gzFile gz = gzopen((home_.user_folder() + "share/deck.ppt.z").c_str(), "rb");
    ASSERT_NE(gz, nullptr);
    int n = gzread(gz, unpacked.data(), static_cast<unsigned>(unpacked.size()));
    gzclose(gz);
    EXPECT_EQ(unpacked.substr(0, static_cast<size_t>(n)), std::string(5000, 'p'));
}

// A start or an open that fails after the viewers were told closes the share for them.
TEST_F(OfficeShareTest, AStartOrOpenFailureAfterTheAnnouncementSendsTheClose)
{
    struct Case {
        OfficeKind kind;
        bool start_fails;
        int close_number;
        const char* box;
    };
    const Case cases[] = {
        { OfficeKind::presentation, true, MSG_PPT_CLOSE, "Couldn't start LibreOffice Impress." },
        { OfficeKind::text, true, MSG_WORD_CLOSE, "Couldn't start LibreOffice Writer." },
        { OfficeKind::sheet, true, MSG_EXCEL_CLOSE, "Couldn't start LibreOffice Calc." },
        { OfficeKind::presentation, false, MSG_PPT_CLOSE, nullptr },
        { OfficeKind::sheet, false, MSG_EXCEL_CLOSE, nullptr },
    };
    for (const Case& c : cases) {
        boxes_.clear();
        fake(c.kind).start_fails = c.start_fails;
        fake(c.kind).open_fails = !c.start_fails;
        EXPECT_EQ(share(c.kind, make_file("broken.doc")), -1) << kind_name(c.kind);
        std::vector<Sent> messages = sent();
        ASSERT_EQ(messages.size(), 2u) << kind_name(c.kind);
        EXPECT_EQ(messages[1].number, c.close_number);
        EXPECT_EQ(messages[1].field2, 999);
        EXPECT_FALSE(office_share(c.kind).sharing());
        std::vector<std::string> texts = boxes_.texts();
        if (c.box) {
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_EQ(texts[0], c.box);
        } else {
            EXPECT_TRUE(texts.empty());
            EXPECT_TRUE(log_.contains(std::string("exception in ") + (c.kind == OfficeKind::presentation ? "Cshare_ppt" : "Cshare_excel")
                                      + "::do_share() good_pos=9.\n"));
        }
        fake(c.kind).start_fails = false;
        fake(c.kind).open_fails = false;
    }
}

// Each tick's application, in letters: v visible, m minimized, h hidden,
// b busy (the probe fails), g gone (closed or ended). Each tick's sending:
// '.' nothing, 'p' a position, 'c' the close.
TEST_F(OfficeShareTest, TheSharersTimerSendsPositionsAndClosesAtTheEleventhFailedTick)
{
    struct Case {
        OfficeKind kind;
        const char* ticks;
        const char* sends;
    };
    const Case cases[] = {
        { OfficeKind::presentation, "vvmv", "pp.p" },
        { OfficeKind::presentation, "hhhhhhhhhhhvh", "..........c.." },
        // A visible tick between does not reset the count.
        { OfficeKind::presentation, "hhhhhvhhhhhh", ".....p.....c" },
        { OfficeKind::presentation, "bbbbbbbbbbbbb", "............." },
        { OfficeKind::presentation, "ggggggggggg", "..........c" },
        { OfficeKind::text, "vvmv", "pp.p" },
        { OfficeKind::text, "hhhhhhhhhhhhh", "............." },
        { OfficeKind::text, "bbbbbbbbbbbvb", "..........c.." },
        { OfficeKind::text, "bbbbbvbbbbbb", ".....p.....c" },
        { OfficeKind::text, "ggggggggggg", "..........c" },
        { OfficeKind::sheet, "vvmv", "pp.p" },
        { OfficeKind::sheet, "hhhhhhhhhhhvh", "..........c.." },
        { OfficeKind::sheet, "bbbbbbbbbbbbb", "............." },
        { OfficeKind::sheet, "gggggvgggggg", ".....p.....c" },
    };
    const std::map<OfficeKind, int> position_numbers { { OfficeKind::presentation, MSG_PPT_SLIDE },
                                                       { OfficeKind::text, MSG_WORD_POSITION },
                                                       { OfficeKind::sheet, MSG_EXCEL_SHEET } };
    const std::map<OfficeKind, int> close_numbers { { OfficeKind::presentation, MSG_PPT_CLOSE },
                                                    { OfficeKind::text, MSG_WORD_CLOSE },
                                                    { OfficeKind::sheet, MSG_EXCEL_CLOSE } };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(kind_name(c.kind)) + " " + c.ticks);
        share_ppt_reset();
        share_word_reset();
        share_excel_reset();
        FakeOfficeDriver& f = fake(c.kind);
        f.slides = 4;
        f.view_slide = 2;
        f.sheets = 2;
        ASSERT_EQ(share(c.kind, make_file("shared.doc")), 0);
        sent();
        f.show_running = false;
        for (size_t i = 0; c.ticks[i]; ++i) {
            char t = c.ticks[i];
            f.good = t == 'v' || t == 'm' || t == 'h';
            f.is_gone = t == 'g';
            f.is_visible = t != 'h';
            f.state = t == 'm' ? OfficeWindowState::minimized : OfficeWindowState::normal;
            tick(c.kind);
            char want = c.sends[i];
            // Sending is done when the step returns: only a message expected is waited for.
            std::vector<Sent> messages = sent(want == '.' ? 0 : 2000);
            if (want == '.') {
                EXPECT_TRUE(messages.empty()) << "tick " << i << " sent " << (messages.empty() ? 0 : messages[0].number);
            } else {
                ASSERT_EQ(messages.size(), 1u) << "tick " << i;
                EXPECT_EQ(messages[0].number, (want == 'p' ? position_numbers : close_numbers).at(c.kind)) << "tick " << i;
                EXPECT_EQ(messages[0].field2, 999);
            }
            if (want == 'c') {
                EXPECT_FALSE(office_share(c.kind).sharing());
            }
        }
        EXPECT_TRUE(sent().empty());
    }
    EXPECT_TRUE(log_.contains("ppt is busy, waiting, count:13\n"));
}

TEST_F(OfficeShareTest, PositionsCarryTheSharersPlaceInFieldsThatWidenPastFourDigits)
{
    struct Case {
        OfficeKind kind;
        std::function<void(FakeOfficeDriver&)> place;
        int number;
        const char* body;
    };
    const Case cases[] = {
        { OfficeKind::presentation, [](FakeOfficeDriver& f) { f.view_slide = 3; }, MSG_PPT_SLIDE, "   3:   0" },
        { OfficeKind::presentation, [](FakeOfficeDriver& f) { f.show_running = true; f.show_pos = 5; }, MSG_PPT_SLIDE, "   5:   1" },
        // A show past its last slide (its end screen) sends nothing.
        { OfficeKind::presentation, [](FakeOfficeDriver& f) { f.show_running = true; f.show_pos = 7; }, 0, nullptr },
        { OfficeKind::presentation, [](FakeOfficeDriver& f) { f.slides = 0; f.view_slide = 9; }, MSG_PPT_SLIDE, "   0:   0" },
        { OfficeKind::text, [](FakeOfficeDriver& f) { f.scroll = 35; }, MSG_WORD_POSITION, "  35" },
        { OfficeKind::text, [](FakeOfficeDriver& f) { f.scroll = 123456; }, MSG_WORD_POSITION, "123456" },
        { OfficeKind::sheet, [](FakeOfficeDriver& f) { f.active_sheet = 2; f.column = 12; f.row = 40000; }, MSG_EXCEL_SHEET,
          "   2:  12:40000" },
        { OfficeKind::sheet, [](FakeOfficeDriver& f) { f.active_sheet = 3; f.active_chart = 3; }, MSG_EXCEL_CHART, "   3" },
        { OfficeKind::sheet, [](FakeOfficeDriver& f) { f.document = false; }, 0, nullptr },
    };
    for (const Case& c : cases) {
        share_ppt_reset();
        share_word_reset();
        share_excel_reset();
        FakeOfficeDriver& f = fake(c.kind);
        f.slides = 6;
        f.sheets = 3;
        ASSERT_EQ(share(c.kind, make_file("shared.doc")), 0);
        sent();
        f.show_running = false;
        c.place(f);
        tick(c.kind);
        std::vector<Sent> messages = sent();
        if (!c.body) {
            EXPECT_TRUE(messages.empty()) << kind_name(c.kind);
            continue;
        }
        ASSERT_EQ(messages.size(), 1u) << c.body;
        EXPECT_EQ(messages[0].number, c.number);
        EXPECT_EQ(messages[0].body, c.body);
    }
}

TEST_F(OfficeShareTest, AViewerThatCannotApplyTwentyFivePositionsSaysSoOnceAndCountsAgain)
{
    struct Case {
        const char* what;
        std::function<void()> apply;
        int number;
    };
    const Case cases[] = {
        { "slide", [] { share_ppt().show(2, 0); }, MSG_PPT_VIEWER_FAILED },
        { "scroll", [] { share_word().set_scroll_position(300); }, MSG_WORD_VIEWER_GONE },
        { "sheet", [] { share_excel().set_current_sheet(2); }, MSG_EXCEL_541 },
        { "chart", [] { share_excel().set_current_chart(2); }, MSG_EXCEL_541 },
    };
    for (const Case& c : cases) {
        // Nothing started: no application answers.
        for (int i = 1; i <= 60; ++i) {
            c.apply();
            std::vector<Sent> messages = sent(i % 25 == 0 ? 2000 : 0);
            if (i == 25 || i == 50) {
                ASSERT_EQ(messages.size(), 1u) << c.what << " " << i;
                EXPECT_EQ(messages[0].number, c.number);
                EXPECT_EQ(messages[0].field2, 0);
                EXPECT_TRUE(messages[0].body.empty());
            } else {
                EXPECT_TRUE(messages.empty()) << c.what << " " << i;
            }
        }
        EXPECT_TRUE(sent().empty()) << c.what;
    }
}

TEST_F(OfficeShareTest, ASuccessfulPositionStartsTheViewersCountAfresh)
{
    for (int i = 0; i < 24; ++i)
        share_word().set_scroll_position(100);
    EXPECT_EQ(share_word().viewer_fail_count(), 24);
    word().handle = true;
    word().document = true;
    EXPECT_EQ(share_word().set_scroll_position(100), 0);
    EXPECT_EQ(share_word().viewer_fail_count(), 0);
    word().good = false;
    for (int i = 0; i < 24; ++i)
        share_word().set_scroll_position(100);
    EXPECT_TRUE(sent().empty());
}

TEST_F(OfficeShareTest, AViewerMakesNoOfficeCallForAPositionItAppliedAlready)
{
    ppt().handle = true;
    ppt().document = true;
    ppt().slides = 6;
    ppt().view_slide = 1;
    share_ppt().show(3, 0);
    std::vector<std::string> calls = ppt().take_calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "view_goto_slide 3"), calls.end());
    share_ppt().show(3, 0);
    for (const std::string& call : ppt().take_calls())
        EXPECT_TRUE(call == "is_good" || call == "visible" || call == "has_document" || call == "has_slide_show_window") << call;

    excel().handle = true;
    excel().document = true;
    excel().sheets = 3;
    auto apply_sheet = [](int sheet, int column, int row) {
        share_excel().set_received_cell(column, row);
        share_excel().set_current_sheet(sheet);
        share_excel().set_scroll_position();
    };
    auto moves = [this] {
        std::vector<std::string> out;
        for (const std::string& call : excel().take_calls())
            if (call.rfind("activate", 0) == 0 || call.rfind("set_", 0) == 0)
                out.push_back(call);
        return out;
    };
    apply_sheet(2, 5, 7);
    EXPECT_EQ(moves(), (std::vector<std::string> { "activate_sheet 2", "set_scroll_column 5", "set_scroll_row 7" }));
    apply_sheet(2, 5, 7);
    EXPECT_TRUE(moves().empty());
    // Column and row are each written only when they changed.
    apply_sheet(2, 5, 9);
    EXPECT_EQ(moves(), (std::vector<std::string> { "set_scroll_row 9" }));
    apply_sheet(2, 6, 9);
    EXPECT_EQ(moves(), (std::vector<std::string> { "set_scroll_column 6" }));
    // A negative column or row received keeps the one before.
    share_excel().set_received_cell(-4, 11);
    share_excel().set_scroll_position();
    EXPECT_EQ(moves(), (std::vector<std::string> { "set_scroll_row 11" }));
    // A chart, then its sheet again: the sheet is activated anew and its cell written.
    share_excel().set_current_chart(3);
    share_excel().set_current_chart(3);
    EXPECT_EQ(moves(), (std::vector<std::string> { "activate_chart 3" }));
    apply_sheet(2, 6, 11);
    EXPECT_EQ(moves(), (std::vector<std::string> { "activate_sheet 2", "set_scroll_column 6", "set_scroll_row 11" }));
}

TEST_F(OfficeShareTest, AViewersShowFollowsTheSharersSlideIntoTheNewView)
{
    ppt().handle = true;
    ppt().document = true;
    ppt().slides = 6;
    ppt().view_slide = 1;
    share_ppt().show(4, 1);
    EXPECT_TRUE(ppt().show_running);
    EXPECT_EQ(ppt().show_pos, 4);
    share_ppt().show(5, 1);
    EXPECT_EQ(ppt().show_pos, 5);
    // Back to the normal view: it shows the sharer's slide, not the one it had.
    share_ppt().show(5, 0);
    EXPECT_FALSE(ppt().show_running);
    EXPECT_EQ(ppt().view_slide, 5);
}

TEST_F(OfficeShareTest, BadPositionsAreLoggedAndChangeNothing)
{
    ppt().handle = true;
    ppt().document = true;
    ppt().slides = 6;
    ppt().view_slide = 1;
    share_ppt().show(-3, 0);
    EXPECT_TRUE(log_.contains("slide index:-3 < 0 in Cshare_ppt::set_current_slide_index\n"));
    share_ppt().show(9, 0);
    EXPECT_TRUE(log_.contains("index:9 > m_slide_count-1: 6 in set_current_slide_index.\n"));
    EXPECT_EQ(ppt().view_slide, 1);
    excel().handle = true;
    excel().document = true;
    excel().sheets = 3;
    share_excel().set_current_chart(4);
    EXPECT_TRUE(log_.contains("chart_index:4 > chart_count:3 in set_current_chart\n"));
    share_excel().set_current_sheet(0);
    EXPECT_EQ(excel().active_sheet, 1);
    for (const std::string& call : excel().take_calls())
        EXPECT_EQ(call.rfind("activate", 0), std::string::npos) << call;
    // An office call that fails is logged with its function and gives up.
    ppt().failing.insert("view_goto_slide");
    EXPECT_EQ(share_ppt().set_current_slide_index(2), -1);
    EXPECT_TRUE(log_.contains("exception in Cshare_ppt::set_current_slide_index().\n"));
}

TEST_F(OfficeShareTest, PresentationWindowsThatAreMissingAreLoggedStepByStep)
{
    struct Case {
        std::function<void(FakeOfficeDriver&)> break_it;
        const char* line;
    };
    const Case cases[] = {
        { [](FakeOfficeDriver& f) { f.windows = -1; }, "Cshare_ppt::set_current_slide_index, m_document_windows is NULL.\n" },
        { [](FakeOfficeDriver& f) { f.active_window = false; }, "Cshare_ppt::set_current_slide_index, m_document_window is NULL.\n" },
        { [](FakeOfficeDriver& f) { f.view = false; }, "Cshare_ppt::set_current_slide_index, m_view is NULL.\n" },
        { [](FakeOfficeDriver& f) { f.view_slide = 0; }, "Cshare_ppt::set_current_slide_index, m_slide is NULL.\n" },
    };
    int slide = 2;
    for (const Case& c : cases) {
        share_ppt_reset();
        ppt().handle = true;
        ppt().document = true;
        ppt().slides = 6;
        ppt().view_slide = 1;
        c.break_it(ppt());
        EXPECT_EQ(share_ppt().set_current_slide_index(slide++), -1);
        EXPECT_TRUE(log_.contains(c.line)) << c.line;
    }
}

// Closing without saving is for the viewers' copies: the sharer's own
// document with changes stays open, and so does its application.
TEST_F(OfficeShareTest, OnlyAViewersCopyIsClosedUnsaved)
{
    ASSERT_EQ(share(OfficeKind::text, make_file("notes.doc")), 0);
    word().is_modified = true;
    share_word().close_app();
    std::vector<std::string> calls = word().take_calls();
    EXPECT_EQ(std::find(calls.begin(), calls.end(), "close_document"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "quit"), calls.end());
    EXPECT_TRUE(word().document);
    EXPECT_FALSE(word().is_gone);

    share_word().set_local_file_name("1234_notes.doc");
    ASSERT_EQ(share_word().open_shared_file(), 0);
    EXPECT_EQ(word().opened_path, home_.user_folder() + "share/1234_notes.doc");
    word().is_modified = true;
    share_word().close_app();
    calls = word().take_calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "close_document"), calls.end());
    EXPECT_TRUE(word().is_gone);
}

TEST_F(OfficeShareTest, AnnouncementsPrepareTheDownloadIntoTheShareFolder)
{
    ASSERT_EQ(recorder().start(record_path()), 0);
    do_ppt_set_share_file_name_from_server("deck.ppt", 8, 17);
    ASSERT_EQ(page_.received.size(), 1u);
    EXPECT_EQ(page_.received[0].msg, WM_MY_MSG_PPT_FILE_READY);
    std::string local = share_ppt().local_file_name();
    EXPECT_EQ(local.substr(local.size() - 9), "_deck.ppt");
    EXPECT_EQ(g_file_transfer.download_remote_name.get(), "deck.ppt");
    EXPECT_EQ(g_file_transfer.download_local_path.get(), home_.user_folder() + "share/" + local);

    struct Refused {
        std::string name;
        const char* line;
    };
    const Refused refused[] = {
        { "../../.bashrc", "do_word_set_share_file_name_from_server:../../.bashrc, not a plain file name: refused\n" },
        { "..", "do_word_set_share_file_name_from_server:.., not a plain file name: refused\n" },
        { "a\\b.doc", "do_word_set_share_file_name_from_server:a\\b.doc, not a plain file name: refused\n" },
        { "a\rb.doc", "do_word_set_share_file_name_from_server:a\rb.doc, not a plain file name: refused\n" },
    };
    for (const Refused& r : refused) {
        do_word_set_share_file_name_from_server(r.name.c_str(), static_cast<int>(r.name.size()), 17);
        EXPECT_TRUE(log_.contains(r.line)) << r.name;
    }
    EXPECT_EQ(page_.received.size(), 1u);
    EXPECT_EQ(share_word().local_file_name(), "");

    // A download under way keeps its names; the announcement is dropped.
    g_file_transfer.download_state = static_cast<int>(DownloadState::running);
    do_excel_set_share_file_name_from_server("book.xls", 8, 17);
    g_file_transfer.download_state = static_cast<int>(DownloadState::idle);
    EXPECT_TRUE(log_.contains("do_excel_set_share_file_name_from_server:book.xls, download already in process\n"));
    EXPECT_EQ(page_.received.size(), 1u);
    EXPECT_EQ(g_file_transfer.download_remote_name.get(), "deck.ppt");
    // Only the taken announcement's "is sharing" notice may name a file.
    EXPECT_TRUE(share_ppt().announcement_taken());
    EXPECT_FALSE(share_word().announcement_taken());
    EXPECT_FALSE(share_excel().announcement_taken());
    recorder().stop();
    EXPECT_TRUE(read_records(record_path()).empty());
}

TEST_F(OfficeShareTest, PositionReceiversPostRecordAndRefuseMalformedBodies)
{
    ASSERT_EQ(recorder().start(record_path()), 0);
    struct Case {
        void (*receiver)(const char*, int, int);
        std::string body;
        uint32_t msg;  // 0: nothing posted
        intptr_t wparam;
        intptr_t lparam;
        uint32_t record_type;
        std::vector<int32_t> record;
    };
    const Case cases[] = {
        { do_ppt_slide_from_server, "   3:   1", WM_MY_MSG_PPT_SHOW, 3, 1, record_type_ppt_event, { 1, 3, 1, 0, 0, 0 } },
        { do_ppt_slide_from_server, "   3", 0, 0, 0, 0, {} },
        { do_ppt_slide_from_server, "  -2:   0", WM_MY_MSG_PPT_SHOW, -2, 0, record_type_ppt_event, { 1, -2, 0, 0, 0, 0 } },
        { do_ppt_close_from_server, "", WM_MY_MSG_PPT_CLOSE, 0, 0, record_type_ppt_event, { 2, 0, 0, 0, 0, 0 } },
        { do_word_position_from_server, "54321", WM_MY_MSG_WORD_POSITION, 54321, 0, record_type_word_event, { 1, 54321, 0, 0, 0, 0 } },
        { do_word_position_from_server, "12:3", 0, 0, 0, 0, {} },
        { do_word_close_from_server, "", WM_MY_MSG_WORD_CLOSE, 0, 0, record_type_word_event, { 2, 0, 0, 0, 0, 0 } },
        { do_excel_sheet_from_server, "   2:  12:40000", WM_MY_MSG_EXCEL_SHEET, 2, 0, record_type_excel_event,
          { 1, 2, 12, 40000, 0, 0 } },
        { do_excel_sheet_from_server, "x:y:z", 0, 0, 0, 0, {} },
        { do_excel_chart_from_server, "   4", WM_MY_MSG_EXCEL_CHART, 4, 0, record_type_excel_event, { 2, 4, 0, 0, 0, 0 } },
        { do_excel_close_from_server, "", WM_MY_MSG_EXCEL_CLOSE, 0, 0, record_type_excel_event, { 3, 0, 0, 0, 0, 0 } },
    };
    size_t records_expected = 0;
    for (const Case& c : cases) {
        page_.received.clear();
        c.receiver(c.body.c_str(), static_cast<int>(c.body.size()), 9);
        if (c.msg == 0) {
            EXPECT_TRUE(page_.received.empty()) << c.body;
            continue;
        }
        ++records_expected;
        ASSERT_EQ(page_.received.size(), 1u) << c.body;
        EXPECT_EQ(page_.received[0].msg, c.msg);
        EXPECT_EQ(static_cast<intptr_t>(page_.received[0].wparam), c.wparam);
        EXPECT_EQ(page_.received[0].lparam, c.lparam);
    }
    EXPECT_TRUE(log_.contains("format error in do_ppt_slide_from_server:    3\n"));
    recorder().stop();
    std::vector<ReadRecord> records = read_records(record_path());
    ASSERT_EQ(records.size(), records_expected);
    size_t at = 0;
    for (const Case& c : cases) {
        if (c.msg == 0)
            continue;
        EXPECT_EQ(records[at].head.type, c.record_type);
        ASSERT_EQ(records[at].body.size(), 24u);
        std::vector<int32_t> words(6);
        std::memcpy(words.data(), records[at].body.data(), 24);
        EXPECT_EQ(words, c.record) << c.body;
        ++at;
    }
}

TEST_F(OfficeShareTest, TheLast542KeepsItsCellForTheSheetStep)
{
    excel().handle = true;
    excel().document = true;
    excel().sheets = 3;
    do_excel_sheet_from_server("   2:   7:  30", 14, 9);
    share_excel().set_current_sheet(2);
    share_excel().set_scroll_position();
    EXPECT_EQ(excel().column, 7);
    EXPECT_EQ(excel().row, 30);
    do_excel_sheet_from_server("   2:  -1:  31", 14, 9);
    share_excel().set_scroll_position();
    EXPECT_EQ(excel().column, 7);
    EXPECT_EQ(excel().row, 31);
}

TEST_F(OfficeShareTest, DocumentRecordsAreRefusedWithoutAPathAndEventsCarryTheirValues)
{
    ASSERT_EQ(recorder().start(record_path()), 0);
    EXPECT_EQ(record_word_share_doc(nullptr), -1);
    EXPECT_EQ(record_excel_share_doc(nullptr), -1);
    EXPECT_EQ(record_ppt_share_doc(nullptr), -1);
    EXPECT_TRUE(log_.contains("record_word_share_doc file_path is NULL.\n"));
    EXPECT_TRUE(log_.contains("record_excel_share_doc file_path is NULL.\n"));
    EXPECT_TRUE(log_.contains("record_ppt_share_doc file_path is NULL.\n"));
    EXPECT_EQ(record_word_share_doc((home_.root() + "/missing.doc").c_str()), -1);
    std::string text = make_file("letter.doc", "dear all");
    std::string sheet = make_file("book.xls", "cells");
    EXPECT_EQ(record_word_share_doc(text.c_str()), 0);
    EXPECT_EQ(record_excel_share_doc(sheet.c_str()), 0);
    EXPECT_EQ(record_word_event_1(70000), 0);
    EXPECT_EQ(record_excel_event_1(2, 3, 4), 0);
    EXPECT_EQ(record_excel_event_2(5), 0);
    EXPECT_EQ(record_excel_event_3(), 0);
    EXPECT_EQ(record_ppt_event_1(6, 1), 0);
    EXPECT_EQ(record_ppt_event_2(), 0);
    EXPECT_EQ(record_word_event_2(), 0);
    recorder().stop();
    std::vector<ReadRecord> records = read_records(record_path());
    ASSERT_EQ(records.size(), 9u);
    EXPECT_EQ(records[0].head.type, record_type_word_doc);
    EXPECT_STREQ(records[0].body.c_str(), "letter.doc");
    EXPECT_EQ(records[1].head.type, record_type_excel_doc);
    EXPECT_STREQ(records[1].body.c_str(), "book.xls");
    struct Event {
        uint32_t type;
        std::vector<int32_t> words;
    };
    const Event events[] = {
        { record_type_word_event, { 1, 70000, 0, 0, 0, 0 } }, { record_type_excel_event, { 1, 2, 3, 4, 0, 0 } },
        { record_type_excel_event, { 2, 5, 0, 0, 0, 0 } },    { record_type_excel_event, { 3, 0, 0, 0, 0, 0 } },
        { record_type_ppt_event, { 1, 6, 1, 0, 0, 0 } },      { record_type_ppt_event, { 2, 0, 0, 0, 0, 0 } },
        { record_type_word_event, { 2, 0, 0, 0, 0, 0 } },
    };
    for (size_t i = 0; i < std::size(events); ++i) {
        const ReadRecord& r = records[i + 2];
        EXPECT_EQ(r.head.type, events[i].type);
        ASSERT_EQ(r.body.size(), 24u);
        std::vector<int32_t> words(6);
        std::memcpy(words.data(), r.body.data(), 24);
        EXPECT_EQ(words, events[i].words) << i;
    }
}
