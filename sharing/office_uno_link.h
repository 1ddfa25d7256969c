#pragma once
// The program's side of a UNO connection to a LibreOffice of its own: the
// local UNO environment (made once, from the office's fundamentalrc), a
// bridge over the office's pipe that notices when it dies, and a thread
// that makes the remote calls so a caller can give up on one that hangs.

#include "sharing/office_driver.h"

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace office_uno {

namespace css = com::sun::star;

// "/usr/lib/libreoffice/program" of the office the program drives.
std::string office_program_folder();
// This process's UNO environment; throws OfficeCallFailed when the office's
// fundamentalrc cannot be read.
css::uno::Reference<css::uno::XComponentContext> local_context();
// The process is ending (exit() has begun since the environment was made):
// UNO's own statics may be gone, so references are left as they stand.
bool process_ending();

rtl::OUString to_ou(const std::string& text);
std::string from_ou(const rtl::OUString& text);
// An absolute path as a file URL (escaped), and back.
rtl::OUString file_url(const std::string& path);

// One bridge to an office's "pipe,name=..." acceptor.
class Bridge {
public:
    Bridge() = default;
    ~Bridge();
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    // One attempt; false when nobody accepts on the pipe yet. Throws
    // OfficeCallFailed when the other side answers but is no office.
    bool connect(const std::string& pipe_name);
    // Connected and the bridge has not died.
    bool alive() const { return connected_.load() && !dead_->load(); }
    const css::uno::Reference<css::frame::XDesktop2>& desktop() const { return desktop_; }
    // Ends the bridge: calls still waiting on it fail at once. Any thread.
    void dispose();

private:
    std::atomic<bool> connected_ { false };
    std::shared_ptr<std::atomic<bool>> dead_ = std::make_shared<std::atomic<bool>>(false);
    std::mutex lock_; // the bridge reference, which dispose() may take from another thread
    css::uno::Reference<css::bridge::XBridge> bridge_;
    css::uno::Reference<css::frame::XDesktop2> desktop_;
};

// Runs each call on a thread of its own, one after another. The caller
// waits up to its limit; a call that did not answer by then is left to
// finish (or to fail when the bridge goes) and the caller gets
// OfficeCallFailed, as it does for any exception the call throws.
class CallThread {
public:
    CallThread();
    ~CallThread();
    CallThread(const CallThread&) = delete;
    CallThread& operator=(const CallThread&) = delete;

    template <class R>
    R run(int limit_ms, const char* what, std::function<R()> fn)
    {
        auto result = std::make_shared<std::optional<R>>();
        post_and_wait(limit_ms, what, [result, fn = std::move(fn)] { result->emplace(fn()); });
        return std::move(**result);
    }
    void run(int limit_ms, const char* what, std::function<void()> fn) { post_and_wait(limit_ms, what, std::move(fn)); }

private:
    struct Job {
        std::function<void()> fn;
        bool done = false;
        bool abandoned = false;
        std::string failure;
    };
    void post_and_wait(int limit_ms, const char* what, std::function<void()> fn);
    void loop();

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Job>> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace office_uno
