// The LibreOffice drivers against a real LibreOffice under the test's own
// Xvfb: each driver call set and read back in documents the test writes,
// windows minimised and documents closed as a user would (through a UNO
// connection of the test's own), and quitting beside a LibreOffice on the
// test home's own profile.

#include "platform/sys/child_program.h"
#include "sharing/office_uno.h"
#include "sharing/office_uno_link.h"
#include "tests/support/child_process.h"
#include "tests/support/flat_odf.h"
#include "tests/support/temp_home.h"
#include "tests/support/wait_until.h"
#include "tests/support/xvfb.h"

#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

// Last: its macros would meet the names above.
#include <X11/Xlib.h>

using namespace com::sun::star;
using com::sun::star::uno::Reference;
using com::sun::star::uno::UNO_QUERY;
using com::sun::star::uno::UNO_QUERY_THROW;
using office_uno::to_ou;

namespace {

constexpr int office_wait_ms = 30000;

void write_file(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// Sets an environment variable for the test and puts it back after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            saved_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (saved_)
            ::setenv(name_, saved_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

// The user at the office's own window: a UNO connection of the test's own
// to the same office.
class OfficeUser {
public:
    bool connect(const std::string& pipe)
    {
        // A connection the office drops while it still settles is tried again, as the driver does.
        return wait_until(
            [&] {
                try {
                    return bridge_.connect(pipe);
                } catch (const OfficeCallFailed&) {
                    return false;
                }
            },
            office_wait_ms);
    }
    // The office's one document.
    Reference<frame::XModel> document()
    {
        Reference<container::XEnumeration> each = bridge_.desktop()->getComponents()->createEnumeration();
        while (each->hasMoreElements())
            if (Reference<frame::XModel> model(each->nextElement(), UNO_QUERY); model.is())
                return model;
        return {};
    }
    Reference<awt::XTopWindow2> window()
    {
        return Reference<awt::XTopWindow2>(document()->getCurrentController()->getFrame()->getContainerWindow(), UNO_QUERY_THROW);
    }
    office_uno::Bridge& bridge() { return bridge_; }

private:
    office_uno::Bridge bridge_;
};

class OfficeUnoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(office_uno::office_program_folder() + "/soffice"))
            GTEST_SKIP() << "LibreOffice is not installed";
        ASSERT_TRUE(xvfb_.running());
        folder_ = home_.root() + "/docs/";
        std::filesystem::create_directories(folder_);
    }

    std::string document(const std::string& name, const std::string& text)
    {
        write_file(folder_ + name, text);
        return folder_ + name;
    }

    // A started driver of the kind with the document open.
    template <class Driver>
    std::unique_ptr<Driver> open(OfficeKind kind, const std::string& path)
    {
        std::unique_ptr<OfficeDriver> made = make_uno_office_driver(kind);
        auto* typed = dynamic_cast<Driver*>(made.get());
        EXPECT_NE(typed, nullptr);
        made.release();
        std::unique_ptr<Driver> driver(typed);
        EXPECT_EQ(driver->start(), 0);
        driver->set_visible();
        driver->open(path);
        return driver;
    }

    TempHome home_;
    ScopedEnv home_env_ { "HOME", home_.root() };
    ScopedEnv cache_env_ { "XDG_CACHE_HOME", home_.root() + "/cache" };
    XvfbServer xvfb_ { "1280x1024x24" };
    std::string folder_;
};

TEST_F(OfficeUnoTest, PresentationSlidesInTheViewAndInTheRunningShowAreSetAndReadBack)
{
    auto ppt = open<PresentationDriver>(OfficeKind::presentation, document("slides.fodp", flat_presentation(4)));
    ASSERT_TRUE(ppt->has_document());
    EXPECT_EQ(ppt->slide_count(), 4);
    EXPECT_EQ(ppt->window_count(), 1);
    EXPECT_TRUE(ppt->has_active_window());
    EXPECT_TRUE(ppt->has_view());
    EXPECT_TRUE(ppt->visible());
    EXPECT_FALSE(ppt->modified());
    EXPECT_FALSE(ppt->has_slide_show_window());
    for (int slide : { 3, 4, 1, 2 }) {
        ppt->view_goto_slide(slide);
        EXPECT_EQ(ppt->view_slide_index(), slide);
    }
    for (int bad : { 0, 5, -1, 1 << 30 })
        EXPECT_THROW(ppt->view_goto_slide(bad), OfficeCallFailed) << bad;

    // The show starts at the view's slide.
    ppt->show_run();
    ASSERT_TRUE(wait_until([&] { return ppt->has_slide_show_window(); }));
    ASSERT_TRUE(wait_until([&] {
        try {
            return ppt->show_position() == 2;
        } catch (const OfficeCallFailed&) {
            return false;
        }
    }));
    for (int slide : { 4, 1, 3 }) {
        ppt->show_goto_slide(slide);
        EXPECT_TRUE(wait_until([&] { return ppt->show_position() == slide; })) << slide;
        EXPECT_EQ(ppt->show_slide_index(), slide);
    }
    EXPECT_THROW(ppt->show_goto_slide(9), OfficeCallFailed);
    ppt->show_exit();
    EXPECT_TRUE(wait_until([&] { return !ppt->has_slide_show_window(); }));
    EXPECT_FALSE(ppt->modified());

    ppt->close_document();
    EXPECT_FALSE(ppt->has_document());
    EXPECT_FALSE(ppt->gone());
    ppt->quit();
    EXPECT_FALSE(ppt->started());
    EXPECT_TRUE(ppt->gone());
    EXPECT_THROW(ppt->slide_count(), OfficeCallFailed);
}

TEST_F(OfficeUnoTest, TextScrollPositionInTwipsIsSetAndReadBackAndKeptInsideTheDocument)
{
    auto word = open<TextDriver>(OfficeKind::text, document("long.fodt", flat_text(400)));
    ASSERT_TRUE(word->has_document());
    EXPECT_EQ(word->scroll_position(), 0);
    for (int twips : { 20000, 3000, 45000, 0 }) {
        word->set_scroll_position(twips);
        EXPECT_TRUE(wait_until([&] { return word->scroll_position() == twips; }, 5000))
            << twips << " read back as " << word->scroll_position();
    }
    // Past either end: the nearest end, and the office still answers.
    word->set_scroll_position(2000000000);
    int bottom = word->scroll_position();
    EXPECT_GT(bottom, 45000);
    word->set_scroll_position(-500);
    EXPECT_TRUE(wait_until([&] { return word->scroll_position() == 0; }, 5000));
    EXPECT_TRUE(wait_until([&] { return word->is_good(); }));
    EXPECT_FALSE(word->modified());
    word->close_document();
    word->quit();
}

TEST_F(OfficeUnoTest, SheetsScrollCellsAndASelectedChartAreSetAndReadBack)
{
    auto excel = open<SheetDriver>(OfficeKind::sheet, document("book.fods", flat_workbook(3)));
    ASSERT_TRUE(excel->has_document());
    EXPECT_EQ(excel->sheet_count(), 3);
    EXPECT_EQ(excel->active_sheet_index(), 1);
    EXPECT_TRUE(excel->has_active_window());
    for (int sheet : { 2, 3, 1 }) {
        excel->activate_sheet(sheet);
        EXPECT_EQ(excel->active_sheet_index(), sheet);
    }
    for (int bad : { 0, 4, -2 })
        EXPECT_THROW(excel->activate_sheet(bad), OfficeCallFailed) << bad;

    struct Cell {
        int column, row;
    } cells[] = { { 5, 40 }, { 1, 1 }, { 30, 12000 }, { 2, 3 } };
    for (Cell c : cells) {
        excel->set_scroll_column(c.column);
        excel->set_scroll_row(c.row);
        EXPECT_EQ(excel->scroll_column(), c.column);
        EXPECT_EQ(excel->scroll_row(), c.row);
    }
    // Nonsense positions leave the view somewhere inside the sheet.
    excel->set_scroll_row(2000000000);
    excel->set_scroll_column(-7);
    EXPECT_GE(excel->scroll_row(), 1);
    EXPECT_EQ(excel->scroll_column(), 1);

    // The user draws a chart on the second sheet.
    OfficeUser user;
    ASSERT_TRUE(user.connect(office_pipe_name(OfficeKind::sheet)));
    Reference<sheet::XSpreadsheetDocument> book(user.document(), UNO_QUERY_THROW);
    Reference<table::XTableChartsSupplier> second(book->getSheets()->getByName("Sheet2"), UNO_QUERY_THROW);
    table::CellRangeAddress data(1, 0, 0, 1, 3);
    second->getCharts()->addNewByName("Totals", awt::Rectangle(1000, 1000, 8000, 6000),
                                      uno::Sequence<table::CellRangeAddress>(&data, 1), false, false);

    EXPECT_EQ(excel->active_chart_index(), 0);
    excel->activate_chart(2);
    EXPECT_EQ(excel->active_sheet_index(), 2);
    EXPECT_EQ(excel->active_chart_index(), 2);
    excel->activate_sheet(1);
    EXPECT_EQ(excel->active_chart_index(), 0);
    EXPECT_THROW(excel->activate_chart(3), OfficeCallFailed);
    EXPECT_THROW(excel->activate_chart(7), OfficeCallFailed);

    excel->close_document();
    excel->quit();
    EXPECT_TRUE(excel->gone());
}

// A window manager has taken the screen (the office asks it to minimise and maximise).
bool window_manager_running()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, AnyPropertyType, &type, &format, &count,
                       &after, &data);
    if (data)
        XFree(data);
    XCloseDisplay(display);
    return count == 1;
}

TEST_F(OfficeUnoTest, MinimisingTheWindowIsSeenAndRestoringItToo)
{
    ChildProcess openbox({ "openbox", "--sm-disable" });
    ASSERT_TRUE(openbox.started());
    ASSERT_TRUE(wait_until(window_manager_running));
    auto word = open<TextDriver>(OfficeKind::text, document("short.fodt", flat_text(5)));
    OfficeUser user;
    ASSERT_TRUE(user.connect(office_pipe_name(OfficeKind::text)));
    EXPECT_TRUE(word->visible());
    EXPECT_NE(word->window_state(), OfficeWindowState::minimized);
    // The window manager takes each request in its own time, and one made
    // while it still carries out the last may be lost: the user asks again.
    auto becomes = [&](auto ask, OfficeWindowState want) {
        for (int asked = 0; asked < 20; ++asked) {
            ask();
            if (wait_until([&] { return word->window_state() == want; }, 1000))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(becomes([&] { user.window()->setIsMinimized(true); }, OfficeWindowState::minimized));
    EXPECT_TRUE(becomes([&] { user.window()->setIsMinimized(false); }, OfficeWindowState::normal));
    EXPECT_TRUE(becomes([&] { user.window()->setIsMaximized(true); }, OfficeWindowState::maximized));
    EXPECT_TRUE(word->visible());
    word->close_document();
    word->quit();
}

TEST_F(OfficeUnoTest, ClosingTheDocumentInTheOfficeEndsItsInstanceAndTheDriverSeesItGone)
{
    auto ppt = open<PresentationDriver>(OfficeKind::presentation, document("closing.fodp", flat_presentation(2)));
    OfficeUser user;
    ASSERT_TRUE(user.connect(office_pipe_name(OfficeKind::presentation)));
    EXPECT_FALSE(ppt->gone());
    Reference<util::XCloseable>(user.document(), UNO_QUERY_THROW)->close(true);
    EXPECT_TRUE(wait_until([&] { return ppt->gone(); }));
    EXPECT_FALSE(ppt->is_good());
    // The instance ended with its document: its pipe answers no more.
    EXPECT_TRUE(wait_until([&] { return !user.bridge().alive(); }, office_wait_ms));
    office_uno::Bridge again;
    EXPECT_FALSE(again.connect(office_pipe_name(OfficeKind::presentation)));
    // Held until it is let go, so that whoever holds it keeps seeing it gone.
    EXPECT_TRUE(ppt->started());
    EXPECT_TRUE(ppt->gone());
    // Started again while still held, it is a new instance.
    ASSERT_EQ(ppt->start(), 0);
    EXPECT_FALSE(ppt->gone());
    // The probe's short limit may meet an office still busy starting.
    EXPECT_TRUE(wait_until([&] { return ppt->is_good(); }));
    ppt->quit();
}

// The user closes the shared document while the same office holds another
// one with unsaved changes: the office stays, and the next start takes it up
// instead of ending it with the user's work.
TEST_F(OfficeUnoTest, AnOfficeHoldingOtherUnsavedWorkOutlivesItsClosedDocumentAndIsTakenUpAgain)
{
    auto word = open<TextDriver>(OfficeKind::text, document("shared.fodt", flat_text(20)));
    const std::string pipe = office_pipe_name(OfficeKind::text);
    {
        OfficeUser user;
        ASSERT_TRUE(user.connect(pipe));
        Reference<frame::XModel> shared = user.document();
        Reference<frame::XComponentLoader> loader(user.bridge().desktop(), UNO_QUERY_THROW);
        Reference<text::XTextDocument> notes(loader->loadComponentFromURL("private:factory/swriter", "_blank", 0, {}),
                                             UNO_QUERY_THROW);
        notes->getText()->setString("The user's unsaved notes");
        Reference<util::XCloseable>(shared, UNO_QUERY_THROW)->close(true);
    }
    // Asked anew each time: the office may drop a connection while it settles.
    auto notes_kept = [&pipe] {
        OfficeUser user;
        if (!user.connect(pipe))
            return false;
        Reference<container::XEnumeration> each = user.bridge().desktop()->getComponents()->createEnumeration();
        while (each->hasMoreElements()) {
            Reference<text::XTextDocument> doc(each->nextElement(), UNO_QUERY);
            if (doc.is() && doc->getText()->getString() == "The user's unsaved notes")
                return bool(Reference<util::XModifiable>(doc, UNO_QUERY_THROW)->isModified());
        }
        return false;
    };
    EXPECT_TRUE(wait_until([&] { return word->gone(); }));
    ASSERT_EQ(word->start(), 0);
    EXPECT_FALSE(word->gone());
    EXPECT_TRUE(notes_kept()) << "the office with the user's notes was ended";
    word->quit();
    EXPECT_TRUE(notes_kept()) << "quit ended an office holding unsaved work";
}

TEST_F(OfficeUnoTest, QuitEndsOnlyItsOwnOfficeAndLeavesOneWithUnsavedWorkRunning)
{
    // The user's own LibreOffice, on the test home's own profile, with unsaved text.
    std::string user_pipe = "tamblo_test_user_" + std::to_string(::getpid());
    platform::ChildProgram users_office;
    ASSERT_TRUE(users_office.start({ office_uno::office_program_folder() + "/soffice", "--norestore", "--nologo",
                                     "--accept=pipe,name=" + user_pipe + ";urp;" },
                                   { "SAL_USE_VCLPLUGIN=gen" }));
    OfficeUser user;
    ASSERT_TRUE(user.connect(user_pipe));
    Reference<frame::XComponentLoader> loader(user.bridge().desktop(), UNO_QUERY_THROW);
    Reference<text::XTextDocument> work(loader->loadComponentFromURL("private:factory/swriter", "_blank", 0, {}), UNO_QUERY_THROW);
    work->getText()->setString("The user's unsaved letter");
    ASSERT_TRUE(Reference<util::XModifiable>(work, UNO_QUERY_THROW)->isModified());

    auto word = open<TextDriver>(OfficeKind::text, document("shared.fodt", flat_text(20)));
    ASSERT_TRUE(word->has_document());
    // The sharer's own document, changed: quit leaves its office running.
    OfficeUser sharer;
    ASSERT_TRUE(sharer.connect(office_pipe_name(OfficeKind::text)));
    Reference<text::XTextDocument>(sharer.document(), UNO_QUERY_THROW)->getText()->setString("changed by the sharer");
    ASSERT_TRUE(word->modified());
    word->quit();
    EXPECT_FALSE(word->started());
    EXPECT_FALSE(word->gone());
    EXPECT_TRUE(Reference<util::XModifiable>(sharer.document(), UNO_QUERY_THROW)->isModified());
    // Taken up again by the next start, with its document.
    ASSERT_EQ(word->start(), 0);
    EXPECT_TRUE(word->has_document());
    word->close_document();
    word->quit();
    EXPECT_TRUE(word->gone());
    EXPECT_TRUE(wait_until([&] { return !sharer.bridge().alive(); }, office_wait_ms));

    // The user's office never noticed.
    EXPECT_TRUE(users_office.running());
    EXPECT_TRUE(user.bridge().alive());
    EXPECT_TRUE(Reference<util::XModifiable>(work, UNO_QUERY_THROW)->isModified());
    EXPECT_EQ(office_uno::from_ou(work->getText()->getString()), "The user's unsaved letter");
    Reference<util::XModifiable>(work, UNO_QUERY_THROW)->setModified(false);
    users_office.stop(office_wait_ms);
}

// The driver lives to the end of the program; the office it left running
// with the user's unsaved work outlives it untouched, and the program ends cleanly.
TEST_F(OfficeUnoTest, AnOfficeLeftWithUnsavedWorkOutlivesTheProgramThatEnds)
{
    const std::string pid_file = home_.root() + "/keeper_pid";
    ProgramRun run = run_program({ TAMBLO_OFFICE_KEEPER, document("kept.fodt", flat_text(10)), pid_file }, {}, {}, 120000);
    ASSERT_FALSE(run.timed_out);
    ASSERT_EQ(run.exit_status, 0) << run.output;
    const std::string program_pid = read_file(pid_file);
    ASSERT_FALSE(program_pid.empty());
    OfficeUser user;
    ASSERT_TRUE(user.connect("tamblo_" + program_pid + "_writer"));
    Reference<text::XTextDocument> kept(user.document(), UNO_QUERY_THROW);
    EXPECT_TRUE(Reference<util::XModifiable>(kept, UNO_QUERY_THROW)->isModified());
    EXPECT_EQ(office_uno::from_ou(kept->getText()->getString()), "typed before the program ended");
    // The test ends that office itself.
    Reference<util::XModifiable>(kept, UNO_QUERY_THROW)->setModified(false);
    try {
        user.bridge().desktop()->terminate();
    } catch (const uno::RuntimeException&) {
        // The bridge went with the office.
    }
    EXPECT_TRUE(wait_until([&] { return !user.bridge().alive(); }, office_wait_ms));
}

TEST_F(OfficeUnoTest, FilesTheOfficeCannotShowFailAsCallsAndLeaveItAnswering)
{
    std::unique_ptr<OfficeDriver> ppt = make_uno_office_driver(OfficeKind::presentation);
    EXPECT_FALSE(ppt->gone());
    EXPECT_FALSE(ppt->is_good());
    EXPECT_THROW(ppt->open(document("early.fodp", flat_presentation(1))), OfficeCallFailed);
    ASSERT_EQ(ppt->start(), 0);
    struct Case {
        const char* name;
        std::string content;
    } cases[] = {
        { "missing.odp", "" },
        { "broken.odp", std::string("PK\3\4 not a zip at all") },
        { "letter.fodt", flat_text(3) }, // a text, not a presentation
    };
    for (const Case& c : cases) {
        std::string path = folder_ + c.name;
        if (!c.content.empty())
            write_file(path, c.content);
        EXPECT_THROW(ppt->open(path), OfficeCallFailed) << c.name;
        EXPECT_TRUE(wait_until([&] { return ppt->is_good(); })) << c.name;
    }
    EXPECT_FALSE(ppt->has_document());
    ppt->quit();
    EXPECT_TRUE(ppt->gone());
}

} // namespace
