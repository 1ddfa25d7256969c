#include "sharing/ui/form_ie.h"

#include "core/dbg_log.h"
#include "core/text_util.h"
#include "sharing/co_browse.h"
#include "sharing/ui/dlg_ie.h"
#include "sharing/ui/web_browser2.h"

#include <QAction>
#include <QVBoxLayout>
#include <QWebEngineHistory>

namespace {

constexpr int browser_control_id = 1158;
// Received frame addresses kept while their page loads; a flood drops the oldest.
constexpr size_t pending_frame_limit = 64;

std::string normalised(const std::string& url)
{
    return QUrl::fromUserInput(QString::fromStdString(url)).toEncoded().toStdString();
}

} // namespace

CFormIE::CFormIE(CDlgIE* owner, int index, QWidget* parent) : QWidget(parent), m_index(index), m_owner(owner)
{
    m_browser = new CWndWebBrowser2(browser_control_id, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);

    IeWebPage* page = m_browser->Application();
    page->on_before_navigate = [this](const QUrl& url, QWebEnginePage::NavigationType type) {
        OnBeforeNavigate2(url, type);
    };
    page->on_new_window = [this] { return OnNewWindow2(); };
    page->on_frame_document = [this](const std::string& name, const std::string& url) { OnFrameDocument(name, url); };
    connect(page, &QWebEnginePage::urlChanged, this, [this] { OnNavigateComplete2(); });
    connect(page, &QWebEnginePage::titleChanged, this, &CFormIE::OnTitleChange);
    connect(page, &QWebEnginePage::loadStarted, this, [this] { m_loading = true; });
    connect(page, &QWebEnginePage::loadFinished, this, [this] { OnLoadFinished(); });
    for (QWebEnginePage::WebAction action : { QWebEnginePage::Back, QWebEnginePage::Forward })
        connect(page->action(action), &QAction::changed, this, [this] { OnCommandStateChange(); });
}

CFormIE::~CFormIE()
{
    // The engine may still report while it ends; nothing reaches this page by then.
    IeWebPage* page = m_browser->Application();
    page->disconnect(this);
    for (QWebEnginePage::WebAction action : { QWebEnginePage::Back, QWebEnginePage::Forward })
        page->action(action)->disconnect(this);
    page->on_before_navigate = nullptr;
    page->on_new_window = nullptr;
    page->on_frame_document = nullptr;
    delete m_browser;
}

void CFormIE::navigate(const std::string& url)
{
    m_url = cut_copy(url, ie_url_limit);
    m_loading = true;
    m_browser->Navigate(m_url);
}

void CFormIE::navigate_received(const std::string& url)
{
    std::string target = normalised(url);
    ie_push_rules().expect(m_window_name, {}, target);
    navigate(target);
}

void CFormIE::navigate_frame_received(const std::string& frame, const std::string& url)
{
    // The frame belongs to the document being loaded: it is looked for once that is there.
    if (m_pending_frames.size() >= pending_frame_limit)
        m_pending_frames.pop_front();
    m_pending_frames.push_back({ frame, normalised(url) });
    if (!m_loading && m_top_loaded)
        apply_pending_frames();
}

void CFormIE::apply_pending_frames()
{
    while (!m_pending_frames.empty()) {
        FrameAddress next = std::move(m_pending_frames.front());
        m_pending_frames.pop_front();
        ie_push_rules().expect(m_window_name, next.frame, next.url);
        // The answer may come while the page is being destroyed: it keeps copies only.
        m_browser->Navigate(next.url, next.frame, [page = m_window_name, next](bool found) {
            if (found)
                return;
            ie_push_rules().take_expected(page, next.frame, next.url);
            dbg_log("CFormIE: frame %s not found.\n", cut_copy(next.frame, ie_frame_name_limit).c_str());
        });
    }
}

std::string CFormIE::location_url() const { return m_browser->LocationURL(); }

bool CFormIE::is_on(const std::string& url) const
{
    std::string target = normalised(url);
    return location_url() == target || (m_loading && m_url == target);
}

void CFormIE::OnBeforeNavigate2(const QUrl& url, int type)
{
    m_top_loaded = false;
    // A refresh or a server's redirect is no navigation of the user's: the others get there by themselves.
    if (type == QWebEnginePage::NavigationTypeReload || type == QWebEnginePage::NavigationTypeRedirect)
        return;
    ie_push_rules().before_navigate(m_window_name, {}, url.toEncoded().toStdString(), location_url());
}

QWebEnginePage* CFormIE::OnNewWindow2()
{
    CFormIE* page = m_owner->open_new_window_page();
    return page ? page->m_browser->Application() : nullptr;
}

void CFormIE::OnNavigateComplete2() { m_owner->page_navigated(this); }

void CFormIE::OnCommandStateChange()
{
    IeWebPage* page = m_browser->Application();
    m_back_enabled = page->action(QWebEnginePage::Back)->isEnabled();
    m_forward_enabled = page->action(QWebEnginePage::Forward)->isEnabled();
    m_owner->page_commands_changed(this);
}

void CFormIE::OnTitleChange(const QString& title)
{
    m_title = cut_copy(title.toStdString(), ie_title_limit);
    m_owner->page_title_changed(this, title.left(ie_tab_text_chars));
    update();
}

void CFormIE::OnFrameDocument(const std::string& name, const std::string& url)
{
    // Frames made while the page loads are part of the page the others load too.
    if (!m_top_loaded || !browser_url_allowed(url, false))
        return;
    ++m_frame_navigations;
    ie_push_rules().before_navigate(m_window_name, name, url, location_url());
}

void CFormIE::OnLoadFinished()
{
    m_loading = false;
    m_top_loaded = true;
    OnCommandStateChange();
    apply_pending_frames();
}
