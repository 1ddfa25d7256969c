#include "dialogs/ui/dlg_event_history.h"

#include "core/message_box.h"
#include "dialogs/event_notice.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"

#include <QHBoxLayout>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>


namespace {

// Made on first use, deleted by remove_event_notices while the application
// still exists; never by a static destructor, which runs after it.
CDlgEventHistory*& history()
{
    static CDlgEventHistory* dlg = nullptr;
    return dlg;
}

} // namespace

CDlgEventHistory::CDlgEventHistory() : Cgood_dlg(256, nullptr)
{
    setWindowTitle(tr_ui("Event History"));
    edit_ = new CMyEdit(1162, this);
    edit_->setReadOnly(true);
    edit_->setLineWrapMode(QTextEdit::WidgetWidth);
    close_ = new CMyButton(IDOK, tr_ui("Close Window"), this);
    connect(close_, &QPushButton::clicked, this, [this] { OnOK(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addWidget(edit_, 1);
    layout->addLayout(buttons);
    resize(420, 300);
}

void CDlgEventHistory::append_line(const QString& text)
{
    // Appended at the end rather than the whole text read and set again, so
    // a long meeting's history costs the same per line.
    QScrollBar* bar = edit_->verticalScrollBar();
    const bool at_end = bar->value() == bar->maximum();
    QTextCursor cursor(edit_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text + "\n");
    if (at_end)
        bar->setValue(bar->maximum());
}

CDlgEventHistory* event_history_dialog() { return history(); }

void delete_event_history()
{
    delete history();
    history() = nullptr;
}

void add_event_history(const std::string& text)
{
    if (!history())
        history() = new CDlgEventHistory;
    history()->append_line(QString::fromStdString(cut_copy(text, event_notice_limit)));
}

void show_event_history()
{
    if (!history())
        history() = new CDlgEventHistory;
    history()->show();
    history()->raise();
    history()->activateWindow();
}
