#include "skin/ui/my_property_sheet.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_property_page.h"
#include "skin/ui/my_tab_ctrl.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QStackedWidget>

#include <functional>

namespace {
constexpr int sheet_margin_px = 7;
constexpr int button_spacing_px = 6;
} // namespace

// The pages' place in the tab control: framed in the tabs' outline colour,
// open under the chosen tab so that tab and page read as one.
class SheetPages : public QStackedWidget {
public:
    explicit SheetPages(QWidget* parent) : QStackedWidget(parent) { setContentsMargins(1, 1, 1, 1); }
    std::function<QRect()> chosen_tab; // in this widget's coordinates

protected:
    void paintEvent(QPaintEvent*) override
    {
        try {
            GdiPainter dc(this);
            const int w = width();
            const int h = height();
            const COLORREF outline = skin_word_value(skin_word::tab_outline);
            dc.fill_rect(0, h - 1, w, h, outline);
            dc.fill_rect(0, 0, 1, h, outline);
            dc.fill_rect(w - 1, 0, w, h, outline);
            QRect open = chosen_tab ? chosen_tab() : QRect();
            int gap_left = open.isEmpty() ? 0 : std::clamp(open.left() + 1, 0, w);
            int gap_right = open.isEmpty() ? 0 : std::clamp(open.right() + 1, gap_left, w); // the tab's right line
            dc.fill_rect(0, 0, gap_left, 1, outline);
            dc.fill_rect(gap_right, 0, w, 1, outline);
        } catch (...) {
            dbg_log("exception in SheetPages::paintEvent.\n");
        }
    }
};

CMyPropertySheet::CMyPropertySheet(const QString& caption, QWidget* parent, int select_page)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), select_page_(select_page)
{
    setWindowTitle(caption);
    setContentsMargins(3, drawn_caption_height_px, 3, 3);
    caption_ = new CaptionController(this, CaptionController::Buttons { false, 0, 21, false }, [this](HitArea hit) {
        if (hit == HitArea::close)
            OnCancel();
    });

    m_tab = new CMyTabCtrl(tab_id, this);
    connect(m_tab, &CMyTabCtrl::selection_changed, this, &CMyPropertySheet::tab_clicked);
    m_tab->installEventFilter(this);

    stack_ = new SheetPages(m_tab);
    stack_->setObjectName("pages");
    stack_->chosen_tab = [this] {
        QRect tab = m_tab->item_rect(m_tab->cur_sel());
        return tab.isEmpty() ? QRect() : tab.translated(-stack_->pos());
    };

    m_ok = new CMyButton(ok_id, tr_ui("OK"), this);
    m_cancel = new CMyButton(cancel_id, tr_ui("Cancel"), this);
    m_apply = new CMyButton(apply_id, tr_ui("Apply"), this);
    m_ok->setDefault(true);
    m_apply->setEnabled(false);
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApplyNow(); });

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(button_spacing_px);
    buttons->addStretch(1);
    for (CMyButton* b : { m_ok, m_cancel, m_apply }) {
        // As wide as the longer of the default width and the text.
        b->setMinimumWidth(std::max(75, b->fontMetrics().horizontalAdvance(b->text()) + 16));
        buttons->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(sheet_margin_px, sheet_margin_px, sheet_margin_px, sheet_margin_px);
    layout->setSpacing(0);
    layout->addWidget(m_tab, 1);
    layout->addSpacing(sheet_margin_px);
    layout->addLayout(buttons);
}

CMyPropertyPage* CMyPropertySheet::GetPage(int index) const
{
    return index >= 0 && index < GetPageCount() ? pages_[static_cast<size_t>(index)] : nullptr;
}

void CMyPropertySheet::AddPage(CMyPropertyPage* page)
{
    page->sheet_ = this;
    pages_.push_back(page);
    stack_->addWidget(page);
    m_tab->insert_item(m_tab->item_count(), page->caption());
    m_tab->set_cur_sel(active_ < 0 ? 0 : active_);
    fit_tab_to_pages();
    // A page added to a sheet already shown shows at once if it is the first.
    if (initialised_ && active_ < 0)
        SetActivePage(0);
}

void CMyPropertySheet::fit_tab_to_pages()
{
    // The tab control holds the largest page below its row of tabs.
    QSize pages = stack_->sizeHint().expandedTo(stack_->minimumSizeHint());
    const int row = m_tab->row_height_px() - 1;
    m_tab->setMinimumSize(std::max(pages.width() + 4, m_tab->sizeHint().width()), pages.height() + row + 2);
}

bool CMyPropertySheet::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tab && event->type() == QEvent::Resize) {
        // The pages' frame starts on the tabs' foot line.
        QRect area = m_tab->display_rect();
        area.setTop(m_tab->row_height_px() - 1);
        stack_->setGeometry(area);
    }
    return QDialog::eventFilter(watched, event);
}

bool CMyPropertySheet::SetActivePage(int index)
{
    CMyPropertyPage* next = GetPage(index);
    if (!next)
        return false;
    if (index == active_)
        return true;
    CMyPropertyPage* current = GetActivePage();
    // The tab control has already moved when the user chose; a refusal moves it back.
    if (current && !current->OnKillActive()) {
        m_tab->set_cur_sel(active_);
        return false;
    }
    next->initialise_once();
    if (!next->OnSetActive()) {
        m_tab->set_cur_sel(active_);
        return false;
    }
    active_ = index;
    stack_->setCurrentWidget(next);
    m_tab->set_cur_sel(index);
    stack_->update();
    return true;
}

void CMyPropertySheet::tab_clicked(int index)
{
    if (index >= 0)
        SetActivePage(index);
}

bool CMyPropertySheet::OnInitDialog()
{
    caption_->states = CaptionButtonStates {};
    setMask(rounded_top_region(width(), height()));
    int start = GetPage(select_page_) ? select_page_ : 0;
    if (GetPageCount() > 0)
        SetActivePage(start);
    return true;
}

void CMyPropertySheet::page_modified_changed()
{
    bool any = false;
    for (CMyPropertyPage* p : pages_)
        any |= p->is_modified();
    m_apply->setEnabled(any);
    m_apply->update();
}

bool CMyPropertySheet::apply_pages()
{
    CMyPropertyPage* current = GetActivePage();
    if (current && !current->OnKillActive())
        return false;
    for (int i = 0; i < GetPageCount(); ++i) {
        CMyPropertyPage* page = pages_[static_cast<size_t>(i)];
        if (!page->initialised())
            continue;
        if (!page->OnApply()) {
            // The page that refused is shown so the user sees why.
            SetActivePage(i);
            return false;
        }
    }
    for (CMyPropertyPage* p : pages_)
        p->modified_ = false;
    page_modified_changed();
    return true;
}

void CMyPropertySheet::OnOK()
{
    if (apply_pages())
        done(IDOK);
}

bool CMyPropertySheet::OnApplyNow() { return apply_pages(); }

void CMyPropertySheet::OnCancel()
{
    for (CMyPropertyPage* page : pages_)
        if (page->initialised())
            page->OnCancel();
    done(IDCANCEL);
}

void CMyPropertySheet::showEvent(QShowEvent* event)
{
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CMyPropertySheet::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (initialised_)
        setMask(rounded_top_region(width(), height()));
}

void CMyPropertySheet::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::ActivationChange)
        update();
}

void CMyPropertySheet::keyPressEvent(QKeyEvent* event)
{
    // Ctrl+Tab and Ctrl+Page Down go to the next page, with Shift or Page Up to
    // the one before, round at the ends.
    const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
    int step = 0;
    if (control && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_PageDown))
        step = (event->modifiers() & Qt::ShiftModifier) ? -1 : 1;
    else if (control && (event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageUp))
        step = -1;
    if (step == 0 || GetPageCount() == 0)
        return QDialog::keyPressEvent(event);
    SetActivePage((active_ + step + GetPageCount()) % GetPageCount());
}

void CMyPropertySheet::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        paint_page_background(dc, contentsRect());
        paint_good_dlg_caption(dc, width(), height(), windowTitle(), caption_->states.close, skin_word::light_3d);
    } catch (...) {
        dbg_log("exception in CMyPropertySheet::paintEvent.\n");
    }
}
