#include "tests/support/office_test_driver.h"

#include "sharing/office_uno.h"
#include "sharing/office_uno_link.h"
#include "tests/support/office_files.h"
#include "tests/support/wait_until.h"

#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace {

// The fake reads what its document holds from the file the test wrote, as
// an office would: "slides N" and "sheets N" lines.
class DocumentFakeDriver : public FakeOfficeDriver {
public:
    using FakeOfficeDriver::FakeOfficeDriver;
    void open(const std::string& path) override
    {
        FakeOfficeDriver::open(path);
        std::ifstream in(path);
        std::string word;
        int value = 0;
        while (in >> word >> value) {
            if (word == "slides")
                slides = value;
            else if (word == "sheets")
                sheets = value;
        }
        view_slide = slides > 0 ? 1 : 0;
        active_sheet = sheets > 0 ? 1 : 0;
        active_chart = 0;
        column = 1;
        row = 1;
        scroll = 0;
    }
};

OfficeTestDriver fake_driver()
{
    OfficeTestDriver d;
    d.factory = [](OfficeKind kind) { return std::make_unique<DocumentFakeDriver>(kind); };
    d.make_document = [](OfficeKind, const std::string& path, int slides, int sheets) {
        std::ofstream(path) << "slides " << slides << "\nsheets " << sheets << "\n";
    };
    d.close_application = [](OfficeDriver& driver) {
        auto& fake = dynamic_cast<FakeOfficeDriver&>(driver);
        fake.is_gone = true;
        fake.good = false;
    };
    return d;
}

// The text scrolls well past the furthest position the tests ask for (54321 twips).
constexpr int text_paragraphs = 800;

// LibreOffice itself, each kind in an office of its own, as the program runs it.
OfficeTestDriver uno_driver()
{
    OfficeTestDriver d;
    d.factory = make_uno_office_driver;
    d.make_document = [](OfficeKind kind, const std::string& path, int slides, int sheets) {
        write_office_file(kind, path, kind == OfficeKind::presentation ? slides : kind == OfficeKind::text ? text_paragraphs : sheets);
    };
    // The user closes the document in the office's own window, through a
    // connection of their own; its instance ends with it.
    d.close_application = [](OfficeDriver& driver) {
        using namespace com::sun::star;
        office_uno::Bridge user;
        bool connected = wait_until([&] {
            try {
                return user.connect(office_pipe_name(driver.kind()));
            } catch (const OfficeCallFailed&) {
                return false;
            }
        });
        if (!connected)
            throw std::runtime_error("the sharer's office does not answer");
        uno::Reference<container::XEnumeration> each = user.desktop()->getComponents()->createEnumeration();
        while (each->hasMoreElements())
            if (uno::Reference<util::XCloseable> document(each->nextElement(), uno::UNO_QUERY); document.is())
                document->close(true);
        user.dispose();
        if (!wait_until([&] { return driver.gone(); }))
            throw std::runtime_error("the sharer's driver never saw its office close");
    };
    d.needs_display = true;
    return d;
}

std::map<std::string, OfficeTestDriver>& drivers()
{
    static std::map<std::string, OfficeTestDriver> all { { "fake", fake_driver() }, { "uno", uno_driver() } };
    return all;
}

const char* kind_word(OfficeKind kind)
{
    return kind == OfficeKind::presentation ? "presentation" : kind == OfficeKind::text ? "text" : "sheet";
}

} // namespace

const OfficeTestDriver& office_test_driver()
{
    const char* chosen = std::getenv("TAMBLO_TEST_OFFICE_DRIVER");
    std::string name = chosen && *chosen ? chosen : "fake";
    auto it = drivers().find(name);
    if (it == drivers().end())
        throw std::runtime_error("no office test driver named " + name);
    return it->second;
}

std::string office_state_line(OfficeShare& share)
{
    OfficeDriver* app = share.application();
    std::ostringstream out;
    out << kind_word(app ? app->kind() : OfficeKind::text);
    bool started = app && app->started();
    out << " started=" << started;
    if (!started)
        return out.str();
    // Each value on its own: a call the office refuses leaves only it out.
    auto add = [&out](const char* name, const std::function<int()>& read) {
        try {
            out << " " << name << "=" << read();
        } catch (const std::exception&) {
        }
    };
    add("document", [app] { return app->has_document() ? 1 : 0; });
    out << " file=" << share.local_file_name();
    if (auto* ppt = dynamic_cast<PresentationDriver*>(app); ppt && app->kind() == OfficeKind::presentation) {
        bool show = false;
        add("show", [&] { return (show = ppt->has_slide_show_window()) ? 1 : 0; });
        add("slide", [&] { return show ? ppt->show_slide_index() : ppt->view_slide_index(); });
    } else if (auto* text = dynamic_cast<TextDriver*>(app); text && app->kind() == OfficeKind::text) {
        add("scroll", [&] { return text->scroll_position(); });
    } else if (auto* sheet = dynamic_cast<SheetDriver*>(app)) {
        add("sheet", [&] { return sheet->active_sheet_index(); });
        add("chart", [&] { return sheet->active_chart_index(); });
        add("column", [&] { return sheet->scroll_column(); });
        add("row", [&] { return sheet->scroll_row(); });
    }
    return out.str();
}
