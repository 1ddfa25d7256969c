#include "skin/ui/my_property_sheet.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_property_page.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>

namespace {
constexpr int sheet_margin_px = 7;
constexpr int button_spacing_px = 6;
} // namespace

CMyPropertySheet::CMyPropertySheet(const QString& caption, QWidget* parent, int select_page)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), select_page_(select_page)
{
    setWindowTitle(caption);
    setContentsMargins(3, drawn_caption_height_px, 3, 3);
    caption_ = new CaptionController(this, CaptionController::Buttons { false, 0, 21, false }, [this](HitArea hit) {
        if (hit == HitArea::close)
            OnCancel();
    });

    m_tab = new QTabBar(this);
    set_control_id(m_tab, tab_id);
    m_tab->setDrawBase(false);
    m_tab->setExpanding(false);
    m_tab->setUsesScrollButtons(true);
    // The bar has already moved when it tells; a refused change moves it back.
    connect(m_tab, &QTabBar::currentChanged, this, &CMyPropertySheet::tab_clicked);

    stack_ = new QStackedWidget(this);
    stack_->setObjectName("pages");

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
    layout->addWidget(m_tab);
    layout->addWidget(stack_, 1);
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
    QSignalBlocker quiet(m_tab);
    // Captions are shown as they are written: an '&' is no mnemonic.
    m_tab->addTab(QString(page->caption()).replace('&', "&&"));
    m_tab->setCurrentIndex(active_ < 0 ? 0 : active_);
    // A page added to a sheet already shown shows at once if it is the first.
    if (initialised_ && active_ < 0)
        SetActivePage(0);
}

bool CMyPropertySheet::SetActivePage(int index)
{
    CMyPropertyPage* next = GetPage(index);
    if (!next)
        return false;
    if (index == active_)
        return true;
    CMyPropertyPage* current = GetActivePage();
    if (current && !current->OnKillActive()) {
        QSignalBlocker quiet(m_tab);
        m_tab->setCurrentIndex(active_);
        return false;
    }
    next->initialise_once();
    if (!next->OnSetActive()) {
        QSignalBlocker quiet(m_tab);
        m_tab->setCurrentIndex(active_);
        return false;
    }
    active_ = index;
    stack_->setCurrentWidget(next);
    QSignalBlocker quiet(m_tab);
    m_tab->setCurrentIndex(index);
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
        // The page area's frame, in the colour of the tabs' outlines.
        QRect pages = stack_->geometry().adjusted(-1, -1, 0, 0);
        dc.select_pen(skin_word_value(skin_word::tab_outline));
        dc.polyline({ pages.topLeft(), QPoint(pages.left() + pages.width(), pages.top()),
                      QPoint(pages.left() + pages.width(), pages.top() + pages.height()),
                      QPoint(pages.left(), pages.top() + pages.height()), pages.topLeft() });
        paint_good_dlg_caption(dc, width(), height(), windowTitle(), caption_->states.close, skin_word::light_3d);
    } catch (...) {
        dbg_log("exception in CMyPropertySheet::paintEvent.\n");
    }
}
