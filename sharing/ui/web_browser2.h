#pragma once
// The browser control of a browser-window page: a QWebEngineView under the
// members a page calls (back, forward, home, navigate, stop, refresh, the
// page, its address) and the page's events handed to the owner as calls.
// Every page shares one profile kept in the user folder's "browser/".

#include <QWebEnginePage>
#include <QWidget>

#include <functional>
#include <string>

class QWebEngineProfile;
class QWebEngineView;

// Before the QApplication: the attribute WebEngine needs shared, and its
// sandbox off when running as root (the sandbox cannot start there).
void prepare_web_engine();

// The program's browser profile, made on first use. Downloads are refused.
QWebEngineProfile* ie_browser_profile();
// Ends the profile once no page is left (program exit).
void release_ie_browser_profile();

// The page with the events the browser window follows. Sub-frame documents
// are reported by a script in the application's own world; a report counts
// only with that script as its source and its per-run token, so a page's
// own console messages cannot pose as one.
class IeWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit IeWebPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    // BeforeNavigate2 for the main frame; the navigation always goes ahead.
    std::function<void(const QUrl& url, NavigationType type)> on_before_navigate;
    // NewWindow2: the page that takes the new window, null to cancel it.
    std::function<QWebEnginePage*()> on_new_window;
    // A sub-frame's document was created: its window name and address.
    std::function<void(const std::string& name, const std::string& url)> on_frame_document;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source_id) override;
};

class CWndWebBrowser2 : public QWidget {
    Q_OBJECT
public:
    CWndWebBrowser2(int id, QWidget* parent);

    void GoBack();
    void GoForward();
    // A frame name navigates that frame (found by name down the frame tree)
    // instead of the page; the answer tells whether the frame was found.
    void Navigate(const std::string& url, const std::string& target_frame = {},
                  std::function<void(bool found)> done = {});
    void Stop();
    void Refresh();
    IeWebPage* Application() const { return page_; }
    std::string LocationURL() const;
    QWebEngineView* view() const { return view_; }

private:
    QWebEngineView* view_ = nullptr;
    IeWebPage* page_ = nullptr;
};

// The home page: setting "browser"/"home_page", about:blank when unset.
std::string ie_home_page();
