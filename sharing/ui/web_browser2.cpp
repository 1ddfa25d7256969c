#include "sharing/ui/web_browser2.h"

#include "platform/ui/control_id.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "sharing/co_browse.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <cstdlib>
#include <random>
#include <unistd.h>

namespace {

constexpr size_t home_page_limit = 2047;
constexpr const char* frame_report_script_name = "tamblo-frame-report";

QWebEngineProfile*& profile_instance()
{
    static QWebEngineProfile* instance = nullptr;
    return instance;
}

// Unguessable by the pages: it lives only in the script of the application's world.
const QString& frame_report_token()
{
    static const QString token = [] {
        std::random_device random;
        QString text = "tamblo-frame-";
        for (int i = 0; i < 4; ++i)
            text += QString::number(random(), 16).rightJustified(8, '0');
        return text + ":";
    }();
    return token;
}

QWebEngineScript frame_report_script()
{
    QWebEngineScript script;
    script.setName(frame_report_script_name);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode("(function() {"
                         " if (window.top === window) return;"
                         " console.log('"
        + frame_report_token() + "' + JSON.stringify([String(window.name), String(location.href)]));"
                                 "})();");
    return script;
}

} // namespace

void prepare_web_engine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
}

QWebEngineProfile* ie_browser_profile()
{
    QWebEngineProfile*& profile = profile_instance();
    if (profile)
        return profile;
    profile = new QWebEngineProfile("tamblo");
    std::string folder;
    if (get_user_folder(folder) == 0) {
        profile->setPersistentStoragePath(QString::fromStdString(folder + "browser"));
        profile->setCachePath(QString::fromStdString(folder + "browser/cache"));
    }
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, [](QWebEngineDownloadRequest* download) {
        dbg_log("browser: download refused: %s\n", cut_copy(download->url().toEncoded().toStdString(), 200).c_str());
        download->cancel();
    });
    profile->scripts()->insert(frame_report_script());
    return profile;
}

void release_ie_browser_profile()
{
    delete profile_instance();
    profile_instance() = nullptr;
}

std::string ie_home_page()
{
    std::string home;
    if (reg_read("browser", "home_page", home, home_page_limit + 1) != 0 || home.empty())
        return "about:blank";
    return home;
}

// ---- page -------------------------------------------------------------------

IeWebPage::IeWebPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

bool IeWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame)
{
    if (is_main_frame && on_before_navigate)
        on_before_navigate(url, type);
    return true;
}

QWebEnginePage* IeWebPage::createWindow(WebWindowType)
{
    return on_new_window ? on_new_window() : nullptr;
}

void IeWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                         const QString& source_id)
{
    const QString& token = frame_report_token();
    // The engine names a user script's messages after the script; the token is what a page cannot copy.
    if (source_id != QLatin1String("userscript:") + frame_report_script_name || !message.startsWith(token) || !on_frame_document)
        return;
    QJsonArray report = QJsonDocument::fromJson(message.mid(token.size()).toUtf8()).array();
    if (report.size() != 2)
        return;
    on_frame_document(report[0].toString().toStdString(), report[1].toString().toStdString());
}

// ---- control ----------------------------------------------------------------

CWndWebBrowser2::CWndWebBrowser2(int id, QWidget* parent) : QWidget(parent)
{
    set_control_id(this, id);
    view_ = new QWebEngineView(this);
    page_ = new IeWebPage(ie_browser_profile(), view_);
    view_->setPage(page_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
}

void CWndWebBrowser2::GoBack() { page_->triggerAction(QWebEnginePage::Back); }

void CWndWebBrowser2::GoForward() { page_->triggerAction(QWebEnginePage::Forward); }


void CWndWebBrowser2::Navigate(const std::string& url, const std::string& target_frame, std::function<void(bool)> done)
{
    if (target_frame.empty()) {
        page_->load(QUrl::fromUserInput(QString::fromStdString(url)));
        return;
    }
    page_->runJavaScript(QString::fromStdString(ie_frame_navigation_script(target_frame, url)),
                         QWebEngineScript::ApplicationWorld, [done = std::move(done)](const QVariant& found) {
                             if (done)
                                 done(found.toBool());
                         });
}

void CWndWebBrowser2::Stop() { page_->triggerAction(QWebEnginePage::Stop); }

void CWndWebBrowser2::Refresh() { page_->triggerAction(QWebEnginePage::Reload); }

std::string CWndWebBrowser2::LocationURL() const { return page_->url().toEncoded().toStdString(); }
