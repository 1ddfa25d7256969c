#pragma once
// The program's own browser window, "Tamblo Explorer": up to 16 pages on
// tabs under an address line and the browsing buttons. With push mode on,
// every navigation goes to the room; addresses received from the room open
// the page of the same name here. Made on first use and kept.

#include "sharing/co_browse.h"
#include "skin/ui/good_dlg_frame.h"

#include <array>
#include <string>

class CFormIE;
class CMyButton;
class CMyEdit_no_scroll;
class CMyTabCtrl;

namespace ie_ctl {
inline constexpr int tab = 1159;
inline constexpr int address = 1160;
inline constexpr int go = 1161;
inline constexpr int close_current = 1162;
inline constexpr int back = 1163;
inline constexpr int forward = 1164;
inline constexpr int stop = 1165;
inline constexpr int refresh = 1166;
inline constexpr int home = 1167;
inline constexpr int push = 1176;
} // namespace ie_ctl

class CDlgIE : public Cgood_dlg_frame {
    Q_OBJECT
public:
    explicit CDlgIE(QWidget* parent = nullptr);
    ~CDlgIE() override;

    // Shown maximised (filling the screen where no window manager does it).
    void open_maximised();

    void OnGo();
    void OnCloseCurrentWindow();
    void OnTabChange(int index);
    void OnBack();
    void OnForward();
    void OnStop();
    void OnRefresh();
    void OnHome();
    void OnPush();

    // Received addresses: the page of that window name, opened when unknown.
    void go_to_url_by_window(const std::string& window_name, const std::string& url);
    void go_to_frame_url_by_window(const std::string& window_name, const std::string& frame, const std::string& url);

    // From the pages.
    CFormIE* open_new_window_page();
    void page_navigated(CFormIE* page);
    void page_title_changed(CFormIE* page, const QString& tab_text);
    void page_commands_changed(CFormIE* page);

    const IeSlots& page_slots() const { return m_slots; }
    CFormIE* page(int index) const;
    CFormIE* current_page() const;
    CMyTabCtrl* tab() const { return m_tab; }
    std::string current_url() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The first free slot, its page made when missing, named and shown; -1 when all are used.
    int open_page(const std::string& window_name);
    void show_page(int index);
    void update_history_buttons();
    void update_push_button();
    void layout_controls();

    IeSlots m_slots;
    std::array<CFormIE*, ie_slot_count> m_pages {};
    CMyTabCtrl* m_tab = nullptr;
    CMyEdit_no_scroll* m_address = nullptr;
    CMyButton* m_go = nullptr;
    CMyButton* m_close_current = nullptr;
    CMyButton* m_back = nullptr;
    CMyButton* m_forward = nullptr;
    CMyButton* m_stop = nullptr;
    CMyButton* m_refresh = nullptr;
    CMyButton* m_home = nullptr;
    CMyButton* m_push = nullptr;
};

// The window, made on first use.
CDlgIE* dlg_ie();
// Program exit: the window and its pages go before the browser profile.
void destroy_dlg_ie();

// The main frame's 0x8086 / 0x8087: the window opened maximised on the
// received page (g_browser_sender, g_browser_url) or frame (g_browser_frame_name).
void open_shared_browser(bool frame);

// Fills co_browser_window() for the Share Browser command.
void install_co_browser_window();
