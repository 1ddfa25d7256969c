#pragma once
// One page of the browser window: the browser control filling it, the
// address last asked for, the title, the window name the attendees share and
// the history's button states. Its navigations go to the others through the
// push rules; received frame addresses wait until the page has loaded.

#include <QWidget>

#include <deque>
#include <string>

class CDlgIE;
class CWndWebBrowser2;
class QUrl;

inline constexpr int ie_title_limit = 255;
inline constexpr int ie_tab_text_chars = 32;

class CFormIE : public QWidget {
    Q_OBJECT
public:
    CFormIE(CDlgIE* owner, int index, QWidget* parent);
    ~CFormIE() override;

    // A navigation this attendee asked for (Go, Home, a new page).
    void navigate(const std::string& url);
    // A received address: applied without being sent back.
    void navigate_received(const std::string& url);
    void navigate_frame_received(const std::string& frame, const std::string& url);

    CWndWebBrowser2* browser() const { return m_browser; }
    std::string location_url() const;
    // The address this page is on or is loading for a navigation asked for.
    bool is_on(const std::string& url) const;
    bool loading() const { return m_loading; }
    // Frame navigations seen: sub-frame documents made after the page loaded.
    int frame_navigations() const { return m_frame_navigations; }

    std::string m_url;          // of the last navigation asked for
    std::string m_title;
    std::string m_window_name;
    bool m_back_enabled = false;
    bool m_forward_enabled = false;
    int m_index = 0;

private:
    void OnBeforeNavigate2(const QUrl& url, int type);
    class QWebEnginePage* OnNewWindow2();
    void OnNavigateComplete2();
    void OnCommandStateChange();
    void OnTitleChange(const QString& title);
    void OnFrameDocument(const std::string& name, const std::string& url);
    void OnLoadFinished();
    void apply_pending_frames();

    CDlgIE* m_owner = nullptr;
    CWndWebBrowser2* m_browser = nullptr;
    bool m_loading = false;
    // The top document has loaded: a sub-frame document made after it is a
    // frame navigation.
    bool m_top_loaded = false;
    int m_frame_navigations = 0;
    struct FrameAddress {
        std::string frame, url;
    };
    std::deque<FrameAddress> m_pending_frames;
};
