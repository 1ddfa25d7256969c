#include "sharing/office_uno_link.h"

#include "platform/sys/process.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/implbase1.hxx>
#include <osl/file.hxx>
#include <rtl/bootstrap.hxx>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace office_uno {

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

rtl::OUString to_ou(const std::string& text) { return rtl::OStringToOUString(rtl::OString(text.c_str(), text.size()), RTL_TEXTENCODING_UTF8); }

std::string from_ou(const rtl::OUString& text)
{
    rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(bytes.getStr(), bytes.getLength());
}

rtl::OUString file_url(const std::string& path)
{
    rtl::OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(to_ou(path), url) != osl::FileBase::E_None)
        throw OfficeCallFailed("not a path: " + path);
    return url;
}

std::string office_program_folder()
{
    // The soffice the user runs is a link into the installation's program folder.
    std::string soffice = platform::find_program("soffice");
    if (!soffice.empty()) {
        std::error_code error;
        std::filesystem::path real = std::filesystem::canonical(soffice, error);
        if (!error && std::filesystem::exists(real.parent_path() / "fundamentalrc", error))
            return real.parent_path().string();
    }
    return TAMBLO_LIBREOFFICE_PROGRAM;
}

namespace {
std::atomic<bool> ending { false };
}

bool process_ending() { return ending.load(); }

Reference<uno::XComponentContext> local_context()
{
    static std::mutex lock;
    // Kept to the end of the process: UNO's own statics outlive ours.
    static auto* context = new Reference<uno::XComponentContext>();
    std::lock_guard hold(lock);
    if (context->is())
        return *context;
    try {
        rtl::Bootstrap::set("URE_BOOTSTRAP", to_ou("vnd.sun.star.pathname:" + office_program_folder() + "/fundamentalrc"));
        *context = cppu::defaultBootstrap_InitialComponentContext();
        // Runs before the destructors of objects made earlier, such as a driver kept to the end.
        std::atexit([] { ending = true; });
    } catch (const uno::Exception& e) {
        throw OfficeCallFailed("no UNO environment: " + from_ou(e.Message));
    }
    return *context;
}

namespace {

class DeathListener : public cppu::WeakImplHelper1<lang::XEventListener> {
public:
    explicit DeathListener(std::shared_ptr<std::atomic<bool>> dead) : dead_(std::move(dead)) {}
    void SAL_CALL disposing(const lang::EventObject&) override { *dead_ = true; }

private:
    std::shared_ptr<std::atomic<bool>> dead_;
};

} // namespace

Bridge::~Bridge() { dispose(); }

bool Bridge::connect(const std::string& pipe_name)
{
    // The pipe is written with write(): an office that ends mid-call would
    // end this program by SIGPIPE, where the bridge reports a broken pipe.
    static const bool pipe_signal_ignored = [] { return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR; }();
    (void)pipe_signal_ignored;
    Reference<uno::XComponentContext> local = local_context();
    Reference<connection::XConnection> connection;
    try {
        connection = connection::Connector::create(local)->connect(to_ou("pipe,name=" + pipe_name));
    } catch (const connection::NoConnectException&) {
        return false;
    }
    try {
        Reference<bridge::XBridge> made =
            bridge::BridgeFactory::create(local)->createBridge(rtl::OUString(), "urp", connection, nullptr);
        auto dead = std::make_shared<std::atomic<bool>>(false);
        Reference<lang::XComponent>(made, UNO_QUERY_THROW)->addEventListener(new DeathListener(dead));
        Reference<uno::XComponentContext> context(made->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
        Reference<frame::XDesktop2> desktop = frame::Desktop::create(context);
        std::lock_guard hold(lock_);
        dead_ = dead;
        bridge_ = made;
        desktop_ = desktop;
        connected_ = true;
        return true;
    } catch (const uno::Exception& e) {
        throw OfficeCallFailed("no office on the pipe: " + from_ou(e.Message));
    }
}

void Bridge::dispose()
{
    Reference<bridge::XBridge> bridge;
    {
        std::lock_guard hold(lock_);
        bridge = bridge_;
    }
    if (!bridge.is())
        return;
    *dead_ = true;
    try {
        Reference<lang::XComponent>(bridge, UNO_QUERY_THROW)->dispose();
    } catch (const uno::Exception&) {
    }
}

// ---- the call thread ----------------------------------------------------------

CallThread::CallThread() : thread_([this] { loop(); }) {}

CallThread::~CallThread()
{
    {
        std::lock_guard hold(lock_);
        stopping_ = true;
        for (auto& job : queue_)
            job->abandoned = true;
    }
    wake_.notify_all();
    thread_.join();
}

void CallThread::post_and_wait(int limit_ms, const char* what, std::function<void()> fn)
{
    auto job = std::make_shared<Job>();
    job->fn = std::move(fn);
    std::unique_lock hold(lock_);
    queue_.push_back(job);
    wake_.notify_all();
    if (!finished_.wait_for(hold, std::chrono::milliseconds(limit_ms), [&] { return job->done; })) {
        job->abandoned = true;
        throw OfficeCallFailed(std::string(what) + ": no answer within " + std::to_string(limit_ms) + " ms");
    }
    if (!job->failure.empty())
        throw OfficeCallFailed(std::string(what) + ": " + job->failure);
}

void CallThread::loop()
{
    std::unique_lock hold(lock_);
    while (true) {
        wake_.wait(hold, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        std::shared_ptr<Job> job = queue_.front();
        queue_.pop_front();
        if (job->abandoned)
            continue;
        hold.unlock();
        std::string failure;
        try {
            job->fn();
        } catch (const uno::Exception& e) {
            failure = from_ou(e.Message);
            if (failure.empty())
                failure = "UNO exception";
        } catch (const std::exception& e) {
            failure = e.what();
        } catch (...) {
            failure = "unknown exception";
        }
        // Whatever the call left behind goes here, on this thread.
        job->fn = nullptr;
        hold.lock();
        job->failure = std::move(failure);
        job->done = true;
        finished_.notify_all();
    }
}

} // namespace office_uno
