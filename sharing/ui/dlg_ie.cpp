#include "sharing/ui/dlg_ie.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/text_util.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "sharing/ui/form_ie.h"
#include "sharing/ui/web_browser2.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_tab_ctrl.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include <memory>


namespace {

constexpr int ie_template_id = 254;
constexpr int top_row_y = 0;
constexpr int button_row_y = 22;
constexpr int tab_top_y = 45;
constexpr int button_height_px = 18;
constexpr int button_gap_px = 10;
constexpr int text_padding_px = 10;
constexpr int push_lamp_px = 6;
constexpr const char* source_text_property = "source_text";

std::unique_ptr<CDlgIE>& dlg_ie_instance()
{
    static std::unique_ptr<CDlgIE> instance;
    return instance;
}

// Push shows its state: a lit lamp at its left while this attendee's navigations are sent.
class PushButton : public CMyButton {
public:
    using CMyButton::CMyButton;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        CMyButton::paintEvent(event);
        try {
            GdiPainter dc(this);
            int y = (height() - push_lamp_px) / 2;
            dc.fill_rect(QRect(4, y, push_lamp_px, push_lamp_px), isChecked() ? 0x00e000 : 0x606060);
        } catch (...) {
            dbg_log("exception in PushButton::paintEvent.\n");
        }
    }
};

// The system's widths, widened where a text (Chinese, a larger font) needs more.
int fitted_width(const QWidget* control, const QString& text, int width_px)
{
    return std::max(width_px, control->fontMetrics().horizontalAdvance(text) + text_padding_px);
}

} // namespace

CDlgIE::CDlgIE(QWidget* parent) : Cgood_dlg_frame(ie_template_id, parent)
{
    setWindowTitle(tr_ui("Tamblo Explorer"));
    setWindowFlag(Qt::Window);
    m_tab = new CMyTabCtrl(ie_ctl::tab, this);
    m_address = new CMyEdit_no_scroll(ie_ctl::address, this);
    m_address->setMaxLength(static_cast<int>(ie_typed_limit));
    auto button = [this](int id, const char* text, auto handler) {
        CMyButton* made = id == ie_ctl::push ? new PushButton(id, tr_ui(text), this) : new CMyButton(id, tr_ui(text), this);
        made->setProperty(source_text_property, QByteArray(text));
        made->setMinimumSize(0, 0);
        made->setAutoDefault(false);
        connect(made, &QPushButton::clicked, this, handler);
        return made;
    };
    m_go = button(ie_ctl::go, "Go", &CDlgIE::OnGo);
    m_close_current = button(ie_ctl::close_current, "Close Current Window", &CDlgIE::OnCloseCurrentWindow);
    m_back = button(ie_ctl::back, "Back", &CDlgIE::OnBack);
    m_forward = button(ie_ctl::forward, "Forward", &CDlgIE::OnForward);
    m_stop = button(ie_ctl::stop, "Stop", &CDlgIE::OnStop);
    m_refresh = button(ie_ctl::refresh, "Refresh", &CDlgIE::OnRefresh);
    m_home = button(ie_ctl::home, "Home", &CDlgIE::OnHome);
    m_push = button(ie_ctl::push, "Push", &CDlgIE::OnPush);
    m_push->setCheckable(true);
    connect(m_tab, &CMyTabCtrl::selection_changed, this, &CDlgIE::OnTabChange);

    // Page 0 is unnamed, so it is the same page on every attendee's window.
    m_tab->insert_item(0, tr_ui("blank"));
    m_pages[0] = new CFormIE(this, 0, m_tab);
    // Setting up is no navigation of the user's, even with push mode already on.
    ie_push_rules().expect("", {}, "about:blank");
    m_pages[0]->navigate("about:blank");
    show_page(0);
    update_push_button();
    update_history_buttons();
    resize(800, 600);
}

CDlgIE::~CDlgIE()
{
    for (CFormIE*& page : m_pages) {
        delete page;
        page = nullptr;
    }
}

CFormIE* CDlgIE::page(int index) const
{
    return index >= 0 && index < ie_slot_count ? m_pages[static_cast<size_t>(index)] : nullptr;
}

CFormIE* CDlgIE::current_page() const { return page(m_tab->cur_sel()); }

std::string CDlgIE::current_url() const
{
    CFormIE* current = current_page();
    return current ? current->location_url() : std::string();
}

void CDlgIE::open_maximised()
{
    update_push_button();
    // Without a window manager "maximised" means nothing, so fill the screen ourselves.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    showMaximized();
    raise();
    activateWindow();
}

int CDlgIE::open_page(const std::string& window_name)
{
    bool was_created = false;
    int index = m_slots.open(window_name, &was_created);
    if (index < 0)
        return -1;
    if (!was_created) {
        m_tab->insert_item(index, tr_ui("blank"));
        m_pages[static_cast<size_t>(index)] = new CFormIE(this, index, m_tab);
    }
    CFormIE* opened = m_pages[static_cast<size_t>(index)];
    opened->m_window_name = m_slots[index].window_name;
    opened->m_index = index;
    show_page(index);
    return index;
}

void CDlgIE::show_page(int index)
{
    for (int i = 0; i < ie_slot_count; ++i)
        if (CFormIE* p = page(i); p && i != index)
            p->hide();
    m_tab->set_cur_sel(index);
    if (CFormIE* shown = page(index)) {
        shown->setGeometry(m_tab->display_rect());
        shown->show();
        m_address->setText(QString::fromStdString(shown->location_url()));
    }
    update_history_buttons();
}

void CDlgIE::OnGo()
{
    std::string typed = cut_copy(m_address->text().trimmed().toStdString(), ie_typed_limit);
    if (typed.empty())
        return;
    int index = open_page(ie_page_name_now());
    if (index < 0)
        return;
    // The page's own navigation sends the address to the others, once.
    m_pages[static_cast<size_t>(index)]->navigate(cut_copy(typed, ie_url_limit));
}

void CDlgIE::OnCloseCurrentWindow()
{
    int current = m_tab->cur_sel();
    if (current < 0)
        return;
    bool last = false;
    int select = m_slots.close(current, &last);
    if (last) {
        m_tab->set_item_text(0, tr_ui("blank"));
        m_pages[0]->navigate("about:blank");
        show_page(0);
        return;
    }
    m_tab->delete_item(current);
    delete m_pages[static_cast<size_t>(current)];
    for (int i = current; i + 1 < ie_slot_count; ++i) {
        m_pages[static_cast<size_t>(i)] = m_pages[static_cast<size_t>(i + 1)];
        if (m_pages[static_cast<size_t>(i)])
            m_pages[static_cast<size_t>(i)]->m_index = i;
    }
    m_pages.back() = nullptr;
    show_page(select);
}

void CDlgIE::OnTabChange(int index)
{
    CFormIE* shown = page(index);
    if (!shown)
        return;
    show_page(index);
    if (g_ie_push_mode == 1)
        send_ie_open_url(shown->m_window_name, shown->location_url());
}

void CDlgIE::OnBack()
{
    if (CFormIE* p = current_page())
        p->browser()->GoBack();
}

void CDlgIE::OnForward()
{
    if (CFormIE* p = current_page())
        p->browser()->GoForward();
}

void CDlgIE::OnStop()
{
    if (CFormIE* p = current_page())
        p->browser()->Stop();
}

void CDlgIE::OnRefresh()
{
    if (CFormIE* p = current_page())
        p->browser()->Refresh();
}

void CDlgIE::OnHome()
{
    CFormIE* p = current_page();
    if (!p)
        return;
    m_tab->set_item_text(m_tab->cur_sel(), QString());
    m_address->clear();
    p->navigate(ie_home_page());
}

void CDlgIE::OnPush()
{
    g_ie_push_mode = g_ie_push_mode == 1 ? 0 : 1;
    update_push_button();
}

void CDlgIE::go_to_url_by_window(const std::string& window_name, const std::string& url)
{
    if (!browser_url_allowed(url, false)) {
        dbg_log("CDlgIE:go_to_url_by_window: address refused: %s\n", cut_copy(url, 200).c_str());
        return;
    }
    std::string name = cut_copy(window_name, ie_page_name_limit);
    int index = m_slots.find(name);
    if (index >= 0) {
        CFormIE* found = m_pages[static_cast<size_t>(index)];
        if (!found->is_on(url)) {
            found->navigate_received(url);
            show_page(index);
        } else if (m_tab->cur_sel() != index) {
            show_page(index);
        }
        return;
    }
    index = open_page(name);
    if (index >= 0)
        m_pages[static_cast<size_t>(index)]->navigate_received(url);
}

void CDlgIE::go_to_frame_url_by_window(const std::string& window_name, const std::string& frame, const std::string& url)
{
    if (!browser_url_allowed(url, false) || !ie_frame_name_allowed(frame)) {
        dbg_log("CDlgIE:go_to_frame_url_by_window: frame or address refused: %s\n", cut_copy(url, 200).c_str());
        return;
    }
    int index = m_slots.find(cut_copy(window_name, ie_page_name_limit));
    if (index < 0) {
        dbg_log("parent window not found in CDlgIE:go_to_frame_url_by_window.\n");
        return;
    }
    m_pages[static_cast<size_t>(index)]->navigate_frame_received(frame, url);
    if (m_tab->cur_sel() != index)
        show_page(index);
}

CFormIE* CDlgIE::open_new_window_page()
{
    int index = open_page(ie_page_name_now());
    return index >= 0 ? m_pages[static_cast<size_t>(index)] : nullptr;
}

void CDlgIE::page_navigated(CFormIE* p)
{
    if (p == current_page())
        m_address->setText(QString::fromStdString(p->location_url()));
}

void CDlgIE::page_title_changed(CFormIE* p, const QString& tab_text)
{
    m_tab->set_item_text(p->m_index, tab_text);
    m_slots[p->m_index].tab_name = cut_copy(tab_text.toStdString(), ie_tab_name_limit);
}

void CDlgIE::page_commands_changed(CFormIE* p)
{
    if (p == current_page())
        update_history_buttons();
}

void CDlgIE::update_history_buttons()
{
    CFormIE* p = current_page();
    m_back->setEnabled(p && p->m_back_enabled);
    m_forward->setEnabled(p && p->m_forward_enabled);
}

void CDlgIE::update_push_button()
{
    m_push->setChecked(g_ie_push_mode == 1);
    m_push->update();
}

void CDlgIE::keyPressEvent(QKeyEvent* event)
{
    // Enter goes to the address line's Go, never to a default button; Escape hides the window.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_address->hasFocus())
            OnGo();
        return;
    }
    Cgood_dlg_frame::keyPressEvent(event);
}

void CDlgIE::changeEvent(QEvent* event)
{
    Cgood_dlg_frame::changeEvent(event);
    if (event->type() != QEvent::LanguageChange)
        return;
    setWindowTitle(tr_ui("Tamblo Explorer"));
    for (QPushButton* b : findChildren<QPushButton*>())
        if (QVariant source = b->property(source_text_property); source.isValid())
            b->setText(tr_ui(source.toByteArray().constData()));
    for (int i = 0; i < m_tab->item_count(); ++i)
        if (m_slots[i].tab_name == "blank")
            m_tab->set_item_text(i, tr_ui("blank"));
    layout_controls();
}

void CDlgIE::resizeEvent(QResizeEvent* event)
{
    Cgood_dlg_frame::resizeEvent(event);
    layout_controls();
}

void CDlgIE::layout_controls()
{
    const QRect client = contentsRect();
    const int w = client.width();
    const int h = client.height();
    auto place = [&client](QWidget* control, int x, int y, int width, int height) {
        control->setGeometry(client.x() + x, client.y() + y, width, height);
    };
    int go_width = fitted_width(m_go, m_go->text(), 30);
    place(m_address, 5, top_row_y, w - go_width - 15, 20);
    place(m_go, w - go_width - 5, top_row_y + 2, go_width, button_height_px);
    int x = 5;
    for (CMyButton* b : { m_back, m_forward, m_stop, m_refresh, m_home }) {
        int width = fitted_width(b, b->text(), 50);
        place(b, x, button_row_y, width, button_height_px);
        x += width + button_gap_px;
    }
    int close_width = fitted_width(m_close_current, m_close_current->text(), 120);
    int push_width = fitted_width(m_push, m_push->text(), 60 - push_lamp_px) + push_lamp_px;
    int close_x = std::max(w - close_width - 5, x + push_width + button_gap_px);
    place(m_close_current, close_x, button_row_y, close_width, button_height_px);
    place(m_push, close_x - push_width - button_gap_px, button_row_y, push_width, button_height_px);
    place(m_tab, 0, tab_top_y, w, std::max(0, h - tab_top_y));
    if (CFormIE* shown = current_page())
        shown->setGeometry(m_tab->display_rect());
}

// ---- the program's entry points ---------------------------------------------

CDlgIE* dlg_ie()
{
    std::unique_ptr<CDlgIE>& instance = dlg_ie_instance();
    if (!instance) {
        instance = std::make_unique<CDlgIE>();
    }
    return instance.get();
}

void destroy_dlg_ie()
{
    dlg_ie_instance().reset();
    release_ie_browser_profile();
}

void open_shared_browser(bool frame)
{
    set_board_repaint(0);
    CDlgIE* dlg = dlg_ie();
    dlg->open_maximised();
    if (frame)
        dlg->go_to_frame_url_by_window(g_browser_sender.get(), g_browser_frame_name.get(), g_browser_url.get());
    else
        dlg->go_to_url_by_window(g_browser_sender.get(), g_browser_url.get());
}

void install_co_browser_window()
{
    CoBrowserWindow& window = co_browser_window();
    // Share Browser has set push mode already.
    window.show_pushing = [] { dlg_ie()->open_maximised(); };
    window.current_url = [] {
        const std::unique_ptr<CDlgIE>& dlg = dlg_ie_instance();
        return dlg ? dlg->current_url() : std::string();
    };
}
