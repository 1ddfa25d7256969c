#include "skin/ui/dlg_messagebox.h"

#include "platform/ui/translations.h"
#include "platform/ui/window_bridge.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_static.h"

#include <QFontMetrics>
#include <QHBoxLayout>

#include <algorithm>
#include <QVBoxLayout>

namespace {

CMyStatic* add_text(QVBoxLayout* layout, QWidget* parent)
{
    auto* text = new CMyStatic(1095, tr_ui("message"), parent);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    text->setTextFormat(Qt::PlainText);
    layout->addWidget(text, 1);
    return text;
}

QVBoxLayout* box_layout(QWidget* dialog)
{
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(14, 14, 14, 10);
    layout->setSpacing(14);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return layout;
}

// A wrapped label in a fixed-size box must be told its size: as wide as the
// text up to 420 pixels, as high as the lines need.
void fit_text(CMyStatic* text)
{
    QFontMetrics metrics(text->font());
    int widest_px = 0;
    for (const QString& line : text->text().split('\n'))
        widest_px = std::max(widest_px, metrics.horizontalAdvance(line));
    int width_px = std::clamp(widest_px + 8, 240, 420);
    text->setFixedWidth(width_px);
    text->setFixedHeight(std::max(text->heightForWidth(width_px), metrics.height()));
    // The box is set up just before it shows: take the new size now.
    QWidget* box = text->window();
    if (box->layout())
        box->layout()->activate();
    box->adjustSize();
}

} // namespace

CDlg_messagebox::CDlg_messagebox(QWidget* parent) : Cgood_dlg(106, parent)
{
    setWindowTitle(tr_ui("Message"));
    QVBoxLayout* layout = box_layout(this);
    m_static = add_text(layout, this);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    m_button_1 = new CMyButton(1, tr_ui("OK"), this);
    m_button_2 = new CMyButton(2, tr_ui("Cancel"), this);
    m_button_1->setDefault(true);
    row->addWidget(m_button_1);
    row->addSpacing(12);
    row->addWidget(m_button_2);
    row->addStretch(1);
    layout->addLayout(row);
    connect(m_button_1, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_button_2, &QPushButton::clicked, this, [this] { OnCancel(); });
}

bool CDlg_messagebox::OnInitDialog()
{
    Cgood_dlg::OnInitDialog();
    m_static->setText(QString::fromStdString(m_text));
    fit_text(m_static);
    if (m_style == MB_STYLE_OK) {
        m_button_2->hide();
    } else if (m_style == MB_STYLE_YES_NO) {
        // These two labels stay English in every language.
        m_button_1->setText("YES");
        m_button_2->setText("No");
    }
    m_button_1->setFocus();
    return true;
}

void CDlg_messagebox::OnOK()
{
    m_result = message_box_result(m_style, MessageBoxButton::first);
    done(IDOK);
}

void CDlg_messagebox::OnCancel()
{
    m_result = message_box_result(m_style, MessageBoxButton::second);
    done(IDCANCEL);
}

CDlg_messagebox_yes_no_cancel::CDlg_messagebox_yes_no_cancel(QWidget* parent) : Cgood_dlg(258, parent)
{
    setWindowTitle(tr_ui("Message"));
    QVBoxLayout* layout = box_layout(this);
    m_static = add_text(layout, this);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    m_button_yes = new CMyButton(1171, tr_ui("Yes"), this);
    m_button_no = new CMyButton(1160, tr_ui("No"), this);
    m_button_cancel = new CMyButton(1172, tr_ui("Cancel"), this);
    m_button_yes->setDefault(true);
    for (CMyButton* b : { m_button_yes, m_button_no, m_button_cancel }) {
        row->addWidget(b);
        if (b != m_button_cancel)
            row->addSpacing(12);
    }
    row->addStretch(1);
    layout->addLayout(row);
    connect(m_button_yes, &QPushButton::clicked, this,
            [this] { end_with(message_box_yes_no_cancel_result(MessageBoxButton::yes)); });
    connect(m_button_no, &QPushButton::clicked, this,
            [this] { end_with(message_box_yes_no_cancel_result(MessageBoxButton::no)); });
    connect(m_button_cancel, &QPushButton::clicked, this,
            [this] { end_with(message_box_yes_no_cancel_result(MessageBoxButton::cancel)); });
}

bool CDlg_messagebox_yes_no_cancel::OnInitDialog()
{
    Cgood_dlg::OnInitDialog();
    m_static->setText(QString::fromStdString(m_text));
    fit_text(m_static);
    m_button_yes->setFocus();
    return true;
}

void CDlg_messagebox_yes_no_cancel::end_with(int result)
{
    m_result = result;
    done(IDOK);
}

void CDlg_messagebox_yes_no_cancel::OnCancel() { done(IDCANCEL); }

namespace {

// On the UI thread: the box, modal, and its result.
int exec_skinned_box(MessageBoxKind kind, int style, const std::string& text)
{
    if (kind == MessageBoxKind::yes_no_cancel_box) {
        CDlg_messagebox_yes_no_cancel dlg;
        dlg.m_text = text;
        dlg.exec();
        return dlg.m_result;
    }
    CDlg_messagebox dlg;
    dlg.m_text = text;
    dlg.m_style = style;
    dlg.exec();
    return dlg.m_result;
}

} // namespace

int SkinnedMessageBoxPresenter::show(MessageBoxKind kind, int style, const std::string& text)
{
    int result = 0;
    run_on_ui_thread([&] { result = exec_skinned_box(kind, style, text); });
    return result;
}

void SkinnedMessageBoxPresenter::post(MessageBoxKind kind, int style, const std::string& text)
{
    post_to_ui_thread([kind, style, text] { exec_skinned_box(kind, style, text); });
}
