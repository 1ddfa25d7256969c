#include "sharing/office_uno.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "platform/sys/child_program.h"
#include "platform/sys/paths.h"
#include "sharing/office_uno_link.h"

#include <com/sun/star/accessibility/AccessibleRole.hpp>
#include <com/sun/star/accessibility/AccessibleStateType.hpp>
#include <com/sun/star/accessibility/XAccessible.hpp>
#include <com/sun/star/accessibility/XAccessibleContext.hpp>
#include <com/sun/star/accessibility/XAccessibleStateSet.hpp>
#include <com/sun/star/accessibility/XAccessibleValue.hpp>
#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/drawing/XDrawView.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/presentation/XPresentation2.hpp>
#include <com/sun/star/presentation/XPresentationSupplier.hpp>
#include <com/sun/star/presentation/XSlideShowController.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XViewPane.hpp>
#include <com/sun/star/util/CloseVetoException.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>
#include <cppuhelper/implbase1.hxx>

#include <algorithm>
#include <chrono>
#include <deque>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace com::sun::star;
using com::sun::star::uno::Any;
using com::sun::star::uno::Reference;
using com::sun::star::uno::Sequence;
using com::sun::star::uno::UNO_QUERY;
using com::sun::star::uno::UNO_QUERY_THROW;
using office_uno::from_ou;
using office_uno::to_ou;

const char* office_app_name(OfficeKind kind)
{
    switch (kind) {
    case OfficeKind::presentation:
        return "impress";
    case OfficeKind::text:
        return "writer";
    case OfficeKind::sheet:
        return "calc";
    }
    return "office";
}

std::string office_pipe_name(OfficeKind kind)
{
    return "tamblo_" + std::to_string(::getpid()) + "_" + office_app_name(kind);
}

std::string office_profile_folder(OfficeKind kind)
{
    std::string user;
    if (get_user_folder(user) != 0)
        return {};
    return user + "office/" + office_app_name(kind) + "/";
}

namespace {

constexpr int connect_retry_ms = 100;
// An office that handed our start over to one already on the profile ends
// at once; the one that took over gets this long to accept on our pipe.
constexpr int handed_over_wait_ms = 5000;
constexpr int office_exit_wait_ms = 10000;
constexpr int show_start_wait_ms = 8000;
constexpr int show_start_limit_ms = 10000;

// The chart object's class in an OLE shape.
constexpr const char* chart_class_id = "12dcae26-281f-416f-a234-c3086127382e";

long long now_ms()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

beans::PropertyValue property(const char* name, const Any& value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

// A fresh profile starts without the first-start tips and the new-version
// bar, which would stand over the shared document.
void prepare_profile(const std::string& folder)
{
    std::string user = folder + "user/";
    if (!platform::make_folders(user))
        return;
    std::string file = user + "registrymodifications.xcu";
    if (::access(file.c_str(), F_OK) == 0)
        return;
    std::ofstream out(file);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
           "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"ShowTipOfTheDay\" oor:op=\"fuse\">"
           "<value>false</value></prop></item>\n"
           "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"FirstRun\" oor:op=\"fuse\">"
           "<value>false</value></prop></item>\n"
           "<item oor:path=\"/org.openoffice.Setup/Product\"><prop oor:name=\"ooSetupLastVersion\" oor:op=\"fuse\">"
           "<value>99.0</value></prop></item>\n"
           "</oor:items>\n";
}

// Marks its flag when the document it watches goes (closed from the office's own window).
class DocumentWatch : public cppu::WeakImplHelper1<lang::XEventListener> {
public:
    explicit DocumentWatch(std::shared_ptr<std::atomic<bool>> closed) : closed_(std::move(closed)) {}
    void SAL_CALL disposing(const lang::EventObject&) override { *closed_ = true; }

private:
    std::shared_ptr<std::atomic<bool>> closed_;
};

class UnoOfficeDriver : public virtual OfficeDriver {
public:
    explicit UnoOfficeDriver(OfficeKind kind, const char* document_service)
        : kind_(kind), document_service_(document_service)
    {
    }
    ~UnoOfficeDriver() override;

    OfficeKind kind() const override { return kind_; }
    int start() override;
    bool started() const override { return handle_; }
    bool is_good() override;
    bool gone() override;
    bool visible() override;
    void set_visible() override;
    OfficeWindowState window_state() override;
    void open(const std::string& path) override;
    bool has_document() override;
    bool modified() override;
    void close_document() override;
    void quit() override;

protected:
    // A call on the call thread, within the call limit; the lambda owns
    // what it uses (it may outlive the caller's wait).
    template <class R>
    R call(const char* what, std::function<R()> fn, int limit_ms = office_call_limit_ms)
    {
        if (!handle_)
            throw OfficeCallFailed(std::string(what) + ": no application");
        return calls_.run<R>(limit_ms, what, std::move(fn));
    }

    // On the call thread.
    Reference<frame::XModel> document() const
    {
        if (!uno_->model.is())
            throw OfficeCallFailed("no document");
        return uno_->model;
    }
    Reference<frame::XController> controller() const
    {
        Reference<frame::XController> c = document()->getCurrentController();
        if (!c.is())
            throw OfficeCallFailed("the document has no view");
        return c;
    }
    Reference<awt::XWindow> container_window() const;
    bool has_window() const;
    bool any_modified_document() const;
    void forget_document();

private:
    bool connect_started_office(const std::string& pipe);
    void end_office();

    OfficeKind kind_;
    const char* document_service_;
    // The caller's side.
    platform::ChildProgram process_;
    bool own_process_ = false;
    bool handle_ = false;
    bool ever_started_ = false;
    bool closed_instance_ended_ = false;
    // Swapped for a fresh one by each open: set when that document goes.
    std::shared_ptr<std::atomic<bool>> closed_by_user_ = std::make_shared<std::atomic<bool>>(false);

protected:
    // The call thread's side: every reference into the office. Held apart so
    // that a driver ending with the process can leave it as it stands.
    struct OfficeState {
        office_uno::Bridge bridge;
        Reference<frame::XModel> model;
        // The text view's scroll bar, and the document it was found in.
        Reference<accessibility::XAccessibleValue> bar;
        Reference<frame::XModel> bar_model;
    };
    std::unique_ptr<OfficeState> uno_ = std::make_unique<OfficeState>();
    bool visible_wanted_ = false;
    // Last: it ends first, while what its calls use is still there.
    office_uno::CallThread calls_;
};

UnoOfficeDriver::~UnoOfficeDriver()
{
    if (office_uno::process_ending()) {
        // UNO may have ended before this driver: nothing of it is touched.
        // An office still held keeps running on its own.
        (void)uno_.release();
        return;
    }
    if (handle_) {
        try {
            quit();
        } catch (...) {
        }
    }
    // A call still hanging on the office fails once its bridge is gone, and
    // what the calls held is then let go without asking the office; an
    // office left running with the user's work keeps running.
    uno_->bridge.dispose();
    try {
        calls_.run(office_start_limit_ms, "release", [this] { uno_.reset(); });
    } catch (const OfficeCallFailed&) {
    }
}

bool UnoOfficeDriver::connect_started_office(const std::string& pipe)
{
    long long until = now_ms() + office_start_limit_ms;
    long long ended_at = -1;
    while (now_ms() < until) {
        try {
            if (calls_.run<bool>(office_call_limit_ms, "connect", [this, pipe] { return uno_->bridge.connect(pipe); }))
                return true;
        } catch (const OfficeCallFailed& e) {
            dbg_log("office %s: %s\n", office_app_name(kind_), e.what());
        }
        if (own_process_ && !process_.running()) {
            own_process_ = false;
            ended_at = now_ms();
        }
        if (ended_at >= 0 && now_ms() - ended_at > handed_over_wait_ms)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(connect_retry_ms));
    }
    return false;
}

int UnoOfficeDriver::start()
{
    // A held office that the user closed or that ended is started anew.
    if (handle_ && !gone())
        return 0;
    handle_ = false;
    // The office this driver left running (it held a modified document) is
    // taken up again, and so is one whose shared document the user closed
    // while it held other unsaved work: ending it would lose that work.
    if (ever_started_ && uno_->bridge.alive() && (!own_process_ || process_.running())) {
        closed_by_user_ = std::make_shared<std::atomic<bool>>(false);
        closed_instance_ended_ = false;
        handle_ = true;
        return 0;
    }
    end_office();
    std::string profile = office_profile_folder(kind_);
    std::string soffice = office_uno::office_program_folder() + "/soffice";
    if (profile.empty()) {
        dbg_log("office %s: no user folder for its profile\n", office_app_name(kind_));
        return -1;
    }
    prepare_profile(profile);
    std::string pipe = office_pipe_name(kind_);
    std::string profile_url;
    try {
        profile_url = from_ou(office_uno::file_url(profile.substr(0, profile.size() - 1)));
        office_uno::local_context();
    } catch (const OfficeCallFailed& e) {
        dbg_log("office %s: %s\n", office_app_name(kind_), e.what());
        return -1;
    }
    std::vector<std::string> argv { soffice,
                                    "-env:UserInstallation=" + profile_url,
                                    "--accept=pipe,name=" + pipe + ";urp;StarOffice.ComponentContext",
                                    "--norestore",
                                    "--nologo",
                                    "--nodefault",
                                    "--nolockcheck" };
    if (!process_.start(argv, { "SAL_USE_VCLPLUGIN=gen" })) {
        dbg_log("office %s: %s could not be started\n", office_app_name(kind_), soffice.c_str());
        return -1;
    }
    own_process_ = true;
    closed_by_user_ = std::make_shared<std::atomic<bool>>(false);
    closed_instance_ended_ = false;
    if (!connect_started_office(pipe)) {
        dbg_log("office %s: no answer on %s\n", office_app_name(kind_), pipe.c_str());
        end_office();
        return -1;
    }
    handle_ = true;
    ever_started_ = true;
    return 0;
}

bool UnoOfficeDriver::is_good()
{
    if (!handle_ || !uno_->bridge.alive() || closed_by_user_->load())
        return false;
    try {
        return calls_.run<bool>(office_probe_limit_ms, "is_good", [this] {
            return !Reference<lang::XServiceInfo>(uno_->bridge.desktop(), UNO_QUERY_THROW)->getImplementationName().isEmpty();
        });
    } catch (const OfficeCallFailed&) {
        return false;
    }
}

bool UnoOfficeDriver::gone()
{
    if (!ever_started_)
        return false;
    if (!uno_->bridge.alive() || (own_process_ && !process_.running()))
        return true;
    if (!closed_by_user_->load())
        return false;
    // The shared document was closed in the office's own window: its
    // instance ends with it, unless it holds other work of the user's.
    if (!closed_instance_ended_) {
        closed_instance_ended_ = true;
        bool keep = true;
        try {
            keep = calls_.run<bool>(office_call_limit_ms, "gone", [this] { return any_modified_document(); });
        } catch (const OfficeCallFailed& e) {
            dbg_log("office %s: %s\n", office_app_name(kind_), e.what());
        }
        if (!keep)
            end_office();
    }
    return true;
}

Reference<awt::XWindow> UnoOfficeDriver::container_window() const
{
    if (!uno_->model.is())
        return {};
    Reference<frame::XController> c = uno_->model->getCurrentController();
    Reference<frame::XFrame> frame = c.is() ? c->getFrame() : Reference<frame::XFrame>();
    return frame.is() ? frame->getContainerWindow() : Reference<awt::XWindow>();
}

bool UnoOfficeDriver::has_window() const
{
    Reference<frame::XController> c = uno_->model.is() ? uno_->model->getCurrentController() : Reference<frame::XController>();
    return c.is() && c->getFrame().is();
}

bool UnoOfficeDriver::visible()
{
    return call<bool>("visible", [this] {
        Reference<awt::XWindow2> window(container_window(), UNO_QUERY);
        // Without a document window the application is as visible as it was asked to be.
        return window.is() ? bool(window->isVisible()) : visible_wanted_;
    });
}

void UnoOfficeDriver::set_visible()
{
    call<bool>("set_visible", [this] {
        visible_wanted_ = true;
        if (Reference<awt::XWindow> window = container_window(); window.is())
            window->setVisible(true);
        return true;
    });
}

OfficeWindowState UnoOfficeDriver::window_state()
{
    return call<OfficeWindowState>("window_state", [this] {
        Reference<awt::XTopWindow2> top(container_window(), UNO_QUERY);
        if (!top.is())
            return OfficeWindowState::normal;
        if (top->getIsMinimized())
            return OfficeWindowState::minimized;
        return top->getIsMaximized() ? OfficeWindowState::maximized : OfficeWindowState::normal;
    });
}

void UnoOfficeDriver::open(const std::string& path)
{
    auto closed = std::make_shared<std::atomic<bool>>(false);
    call<bool>(
        "open",
        [this, path, closed] {
            rtl::OUString url = office_uno::file_url(path);
            // A received document never runs its macros nor fetches its links.
            const beans::PropertyValue given[] = {
                property("Hidden", Any(!visible_wanted_)),
                property("MacroExecutionMode", Any(sal_Int16(0))),
                property("UpdateDocMode", Any(sal_Int16(0))),
            };
            Sequence<beans::PropertyValue> arguments(given, 3);
            Reference<frame::XComponentLoader> loader(uno_->bridge.desktop(), UNO_QUERY_THROW);
            Reference<lang::XComponent> component = loader->loadComponentFromURL(url, "_blank", 0, arguments);
            Reference<frame::XModel> model(component, UNO_QUERY);
            if (!model.is())
                throw OfficeCallFailed("cannot load " + path);
            if (!Reference<lang::XServiceInfo>(model, UNO_QUERY_THROW)->supportsService(
                    rtl::OUString::createFromAscii(document_service_))) {
                // Another application's document (a text in the presentation's office).
                Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
                throw OfficeCallFailed(path + " is not a " + document_service_);
            }
            Reference<lang::XComponent>(model, UNO_QUERY_THROW)->addEventListener(new DocumentWatch(closed));
            uno_->model = model;
            return true;
        },
        office_load_limit_ms);
    closed_by_user_ = closed;
}

bool UnoOfficeDriver::has_document()
{
    return call<bool>("has_document", [this] {
        if (!uno_->model.is())
            return false;
        try {
            return uno_->model->getCurrentController().is();
        } catch (const lang::DisposedException&) {
            return false;
        }
    });
}

bool UnoOfficeDriver::modified()
{
    return call<bool>("modified", [this] {
        Reference<util::XModifiable> doc(uno_->model, UNO_QUERY);
        return doc.is() && doc->isModified();
    });
}

void UnoOfficeDriver::forget_document() { uno_->model.clear(); }

void UnoOfficeDriver::close_document()
{
    // Our own close is no user's.
    closed_by_user_ = std::make_shared<std::atomic<bool>>(false);
    call<bool>("close_document", [this] {
        Reference<frame::XModel> model = uno_->model;
        forget_document();
        if (!model.is())
            return true;
        try {
            Reference<util::XModifiable>(model, UNO_QUERY_THROW)->setModified(false);
            Reference<util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
        } catch (const util::CloseVetoException&) {
            Reference<lang::XComponent>(model, UNO_QUERY_THROW)->dispose();
        } catch (const lang::DisposedException&) {
        }
        return true;
    });
}

bool UnoOfficeDriver::any_modified_document() const
{
    Reference<container::XEnumerationAccess> components = uno_->bridge.desktop()->getComponents();
    if (!components.is())
        return false;
    Reference<container::XEnumeration> each = components->createEnumeration();
    while (each.is() && each->hasMoreElements()) {
        Reference<util::XModifiable> doc(each->nextElement(), UNO_QUERY);
        if (doc.is() && doc->isModified())
            return true;
    }
    return false;
}

void UnoOfficeDriver::quit()
{
    if (!handle_)
        return;
    handle_ = false;
    if (uno_->bridge.alive()) {
        bool keep = true;
        try {
            keep = calls_.run<bool>(office_call_limit_ms, "quit", [this] { return any_modified_document(); });
        } catch (const OfficeCallFailed& e) {
            // An office that does not answer may hold the user's work: it stays.
            dbg_log("office %s: %s, left running\n", office_app_name(kind_), e.what());
        }
        if (keep)
            return;
    }
    end_office();
}

// Terminates the desktop, then ends our process by its id.
// The handle stays as it is: an office closed by its user is still held,
// and seen gone, until the share lets it go.
void UnoOfficeDriver::end_office()
{
    if (uno_->bridge.alive()) {
        try {
            calls_.run<bool>(office_call_limit_ms, "terminate", [this] {
                forget_document();
                try {
                    uno_->bridge.desktop()->terminate();
                } catch (const lang::DisposedException&) {
                    // The bridge went with the office.
                }
                return true;
            });
        } catch (const OfficeCallFailed& e) {
            dbg_log("office %s: %s\n", office_app_name(kind_), e.what());
        }
    }
    uno_->bridge.dispose();
    if (own_process_ && !process_.wait_ended(office_exit_wait_ms))
        process_.stop(office_exit_wait_ms);
    own_process_ = false;
    process_.release();
}

// ---- presentations ----------------------------------------------------------

class UnoPresentationDriver : public UnoOfficeDriver, public PresentationDriver {
public:
    UnoPresentationDriver() : UnoOfficeDriver(OfficeKind::presentation, "com.sun.star.presentation.PresentationDocument") {}

    int slide_count() override
    {
        return call<int>("slide_count", [this] { return int(pages()->getCount()); });
    }
    int window_count() override
    {
        return call<int>("window_count", [this] { return has_window() ? 1 : 0; });
    }
    bool has_active_window() override
    {
        return call<bool>("has_active_window", [this] { return has_window(); });
    }
    bool has_view() override
    {
        return call<bool>("has_view", [this] { return Reference<drawing::XDrawView>(controller(), UNO_QUERY).is(); });
    }
    int view_slide_index() override
    {
        return call<int>("view_slide_index", [this] { return current_view_slide(); });
    }
    void view_goto_slide(int index) override
    {
        call<bool>("view_goto_slide", [this, index] {
            Reference<drawing::XDrawPage> page(pages()->getByIndex(checked(index)), UNO_QUERY_THROW);
            Reference<drawing::XDrawView>(controller(), UNO_QUERY_THROW)->setCurrentPage(page);
            return true;
        });
    }
    bool has_slide_show_window() override
    {
        return call<bool>("has_slide_show_window", [this] { return bool(show()->isRunning()); });
    }
    int show_position() override
    {
        return call<int>("show_position", [this] { return int(show_controller()->getCurrentSlideIndex()) + 1; });
    }
    int show_slide_index() override { return show_position(); }
    void show_goto_slide(int index) override
    {
        call<bool>("show_goto_slide", [this, index] {
            show_controller()->gotoSlideIndex(checked(index));
            return true;
        });
    }
    void show_exit() override
    {
        call<bool>("show_exit", [this] {
            show()->end();
            return true;
        });
    }
    void show_run() override
    {
        call<bool>(
            "show_run",
            [this] {
                int first = current_view_slide();
                Reference<presentation::XPresentation2> running = show();
                running->start();
                // The show opens on its own first slide; the view's slide follows once it runs.
                if (first > 1) {
                    long long until = now_ms() + show_start_wait_ms;
                    while (!running->getController().is() && now_ms() < until)
                        std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    show_controller()->gotoSlideIndex(first - 1);
                }
                return true;
            },
            show_start_limit_ms);
    }

private:
    Reference<drawing::XDrawPages> pages() const
    {
        return Reference<drawing::XDrawPagesSupplier>(document(), UNO_QUERY_THROW)->getDrawPages();
    }
    // The slide's position from 0, for a slide number from 1.
    sal_Int32 checked(int index) const
    {
        if (index < 1 || index > pages()->getCount())
            throw OfficeCallFailed("no slide " + std::to_string(index));
        return index - 1;
    }
    int current_view_slide() const
    {
        Reference<drawing::XDrawView> view(controller(), UNO_QUERY);
        Reference<beans::XPropertySet> page(view.is() ? view->getCurrentPage() : Reference<drawing::XDrawPage>(), UNO_QUERY);
        sal_Int16 number = 0;
        if (page.is())
            page->getPropertyValue("Number") >>= number;
        return number;
    }
    Reference<presentation::XPresentation2> show() const
    {
        return Reference<presentation::XPresentation2>(
            Reference<presentation::XPresentationSupplier>(document(), UNO_QUERY_THROW)->getPresentation(), UNO_QUERY_THROW);
    }
    Reference<presentation::XSlideShowController> show_controller() const
    {
        Reference<presentation::XSlideShowController> c = show()->getController();
        if (!c.is())
            throw OfficeCallFailed("no slide show running");
        return c;
    }
};

// ---- text documents ---------------------------------------------------------

class UnoTextDriver : public UnoOfficeDriver, public TextDriver {
public:
    UnoTextDriver() : UnoOfficeDriver(OfficeKind::text, "com.sun.star.text.TextDocument") {}

    int scroll_position() override
    {
        return call<int>("scroll_position", [this] {
            sal_Int32 value = 0;
            scroll_bar()->getCurrentValue() >>= value;
            return int(value);
        });
    }
    void set_scroll_position(int twips) override
    {
        call<bool>("set_scroll_position", [this, twips] {
            Reference<accessibility::XAccessibleValue> bar = scroll_bar();
            sal_Int32 low = 0;
            sal_Int32 high = 0;
            bar->getMinimumValue() >>= low;
            bar->getMaximumValue() >>= high;
            // The bar refuses a value outside its range: the nearest end stands in.
            bar->setCurrentValue(Any(sal_Int32(std::clamp<sal_Int32>(twips, low, std::max(low, high)))));
            return true;
        });
    }

private:
    // The document view's vertical scroll bar, found through the window's
    // accessibility tree: its value is the view's top in twips.
    Reference<accessibility::XAccessibleValue> scroll_bar()
    {
        Reference<frame::XModel> doc = document();
        if (uno_->bar.is() && uno_->bar_model == doc) {
            try {
                Reference<accessibility::XAccessibleContext>(uno_->bar, UNO_QUERY_THROW)->getAccessibleRole();
                return uno_->bar;
            } catch (const lang::DisposedException&) {
            }
        }
        uno_->bar = find_scroll_bar();
        uno_->bar_model = doc;
        if (!uno_->bar.is())
            throw OfficeCallFailed("the text window has no vertical scroll bar");
        return uno_->bar;
    }

    Reference<accessibility::XAccessibleValue> find_scroll_bar() const
    {
        namespace a11y = accessibility;
        Reference<a11y::XAccessible> root(container_window(), UNO_QUERY);
        if (!root.is())
            return {};
        // Breadth first, a few levels down: the document's own bar sits
        // beside the text area; a side panel's bars have no text beside them.
        std::deque<std::pair<Reference<a11y::XAccessibleContext>, int>> queue;
        queue.emplace_back(root->getAccessibleContext(), 0);
        Reference<a11y::XAccessibleValue> fallback;
        constexpr int depth_limit = 6;
        constexpr sal_Int32 child_limit = 64;
        while (!queue.empty()) {
            auto [context, depth] = queue.front();
            queue.pop_front();
            if (!context.is())
                continue;
            sal_Int32 children = std::min(context->getAccessibleChildCount(), child_limit);
            bool beside_text = false;
            std::vector<Reference<a11y::XAccessibleContext>> bars;
            for (sal_Int32 i = 0; i < children; ++i) {
                Reference<a11y::XAccessible> child = context->getAccessibleChild(i);
                Reference<a11y::XAccessibleContext> c = child.is() ? child->getAccessibleContext() : nullptr;
                if (!c.is())
                    continue;
                sal_Int16 role = c->getAccessibleRole();
                if (role == a11y::AccessibleRole::DOCUMENT_TEXT)
                    beside_text = true;
                else if (role == a11y::AccessibleRole::SCROLL_BAR && is_vertical(c))
                    bars.push_back(c);
                else if (depth + 1 < depth_limit)
                    queue.emplace_back(c, depth + 1);
            }
            for (const auto& bar : bars) {
                if (beside_text)
                    return Reference<a11y::XAccessibleValue>(bar, UNO_QUERY);
                if (!fallback.is())
                    fallback.set(bar, UNO_QUERY);
            }
        }
        return fallback;
    }

    static bool is_vertical(const Reference<accessibility::XAccessibleContext>& c)
    {
        Reference<accessibility::XAccessibleStateSet> states = c->getAccessibleStateSet();
        return states.is() && states->contains(accessibility::AccessibleStateType::VERTICAL);
    }
};

// ---- spreadsheets -----------------------------------------------------------

class UnoSheetDriver : public UnoOfficeDriver, public SheetDriver {
public:
    UnoSheetDriver() : UnoOfficeDriver(OfficeKind::sheet, "com.sun.star.sheet.SpreadsheetDocument") {}

    int sheet_count() override
    {
        return call<int>("sheet_count", [this] { return int(sheets()->getCount()); });
    }
    int active_sheet_index() override
    {
        return call<int>("active_sheet_index", [this] { return active_sheet(); });
    }
    // The selected chart counts by the sheet it stands on.
    int active_chart_index() override
    {
        return call<int>("active_chart_index", [this] {
            Any selection = Reference<view::XSelectionSupplier>(controller(), UNO_QUERY_THROW)->getSelection();
            Reference<drawing::XShape> shape(selection, UNO_QUERY);
            if (Reference<drawing::XShapes> shapes(selection, UNO_QUERY); !shape.is() && shapes.is() && shapes->getCount() == 1)
                shape.set(shapes->getByIndex(0), UNO_QUERY);
            return is_chart(shape) ? active_sheet() : 0;
        });
    }
    void activate_sheet(int index) override
    {
        call<bool>("activate_sheet", [this, index] {
            view()->setActiveSheet(sheet(index));
            return true;
        });
    }
    void activate_chart(int index) override
    {
        call<bool>("activate_chart", [this, index] {
            Reference<sheet::XSpreadsheet> on = sheet(index);
            Reference<drawing::XDrawPage> page = draw_page(on);
            for (sal_Int32 i = 0; page.is() && i < page->getCount(); ++i) {
                Reference<drawing::XShape> shape(page->getByIndex(i), UNO_QUERY);
                if (!is_chart(shape))
                    continue;
                view()->setActiveSheet(on);
                Reference<view::XSelectionSupplier>(controller(), UNO_QUERY_THROW)->select(Any(shape));
                return true;
            }
            throw OfficeCallFailed("no chart on sheet " + std::to_string(index));
        });
    }
    bool has_active_window() override
    {
        return call<bool>("has_active_window", [this] { return has_window(); });
    }
    int scroll_column() override
    {
        return call<int>("scroll_column", [this] { return int(pane()->getFirstVisibleColumn()) + 1; });
    }
    void set_scroll_column(int column) override
    {
        call<bool>("set_scroll_column", [this, column] {
            pane()->setFirstVisibleColumn(from_one(column));
            return true;
        });
    }
    int scroll_row() override
    {
        return call<int>("scroll_row", [this] { return int(pane()->getFirstVisibleRow()) + 1; });
    }
    void set_scroll_row(int row) override
    {
        call<bool>("set_scroll_row", [this, row] {
            pane()->setFirstVisibleRow(from_one(row));
            return true;
        });
    }

private:
    static sal_Int32 from_one(int value) { return std::max(value, 1) - 1; }
    Reference<container::XIndexAccess> sheets() const
    {
        return Reference<container::XIndexAccess>(
            Reference<sheet::XSpreadsheetDocument>(document(), UNO_QUERY_THROW)->getSheets(), UNO_QUERY_THROW);
    }
    Reference<sheet::XSpreadsheet> sheet(int index) const
    {
        Reference<container::XIndexAccess> all = sheets();
        if (index < 1 || index > all->getCount())
            throw OfficeCallFailed("no sheet " + std::to_string(index));
        return Reference<sheet::XSpreadsheet>(all->getByIndex(index - 1), UNO_QUERY_THROW);
    }
    Reference<sheet::XSpreadsheetView> view() const
    {
        return Reference<sheet::XSpreadsheetView>(controller(), UNO_QUERY_THROW);
    }
    // The view's active pane.
    Reference<sheet::XViewPane> pane() const { return Reference<sheet::XViewPane>(controller(), UNO_QUERY_THROW); }
    int active_sheet() const
    {
        Reference<sheet::XCellRangeAddressable> at(view()->getActiveSheet(), UNO_QUERY);
        return at.is() ? at->getRangeAddress().Sheet + 1 : 0;
    }
    // The sheet's drawing layer, where its charts stand (the only way to it is marked deprecated).
    static Reference<drawing::XDrawPage> draw_page(const Reference<sheet::XSpreadsheet>& on)
    {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        return Reference<drawing::XDrawPageSupplier>(on, UNO_QUERY_THROW)->getDrawPage();
#pragma GCC diagnostic pop
    }
    static bool is_chart(const Reference<drawing::XShape>& shape)
    {
        Reference<lang::XServiceInfo> info(shape, UNO_QUERY);
        if (!info.is() || !info->supportsService("com.sun.star.drawing.OLE2Shape"))
            return false;
        rtl::OUString id;
        Reference<beans::XPropertySet>(shape, UNO_QUERY_THROW)->getPropertyValue("CLSID") >>= id;
        return id.equalsIgnoreAsciiCaseAscii(chart_class_id);
    }
};

} // namespace

std::unique_ptr<OfficeDriver> make_uno_office_driver(OfficeKind kind)
{
    switch (kind) {
    case OfficeKind::presentation:
        return std::make_unique<UnoPresentationDriver>();
    case OfficeKind::text:
        return std::make_unique<UnoTextDriver>();
    case OfficeKind::sheet:
        return std::make_unique<UnoSheetDriver>();
    }
    return nullptr;
}
