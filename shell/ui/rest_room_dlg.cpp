#include "shell/ui/rest_room_dlg.h"

#include "core/control_messages.h"
#include "core/text_util.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "shell/rest_room_rules.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_list_box.h"
#include "skin/ui/my_static.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// The edit shows line ends as the toolkit writes them.
QString shown_text(const std::string& history)
{
    QString text = QString::fromStdString(history);
    text.replace("\r\n", "\n");
    return text;
}

} // namespace

CDlgRestRoom::CDlgRestRoom(QWidget* parent) : Cgood_dlg(158, parent)
{
    setWindowTitle(tr_ui("Rest Room"));
    setModal(false);
    people_ = new CMyListBox(1054, this);
    people_->setMinimumWidth(130);
    people_->setMaximumWidth(170);
    history_edit_ = new CMyEdit(1002, this);
    history_edit_->setReadOnly(true);
    history_edit_->setMinimumSize(300, 200);
    input_ = new CMyEdit(1045, this);
    input_->setAcceptRichText(false);
    input_->setFixedHeight(60);
    auto* send = new CMyButton(1007, tr_ui("Send"), this);
    auto* clear = new CMyButton(1008, tr_ui("Clear"), this);
    send_on_return_ = new CMyCheckBox(1009, tr_ui("Send On Return"), this);
    auto* refresh = new CMyButton(1055, tr_ui("Refresh List"), this);
    auto* close = new CMyButton(2, tr_ui("Close"), this);

    connect(send, &QPushButton::clicked, this, &CDlgRestRoom::OnSend);
    connect(clear, &QPushButton::clicked, this, &CDlgRestRoom::OnClear);
    connect(refresh, &QPushButton::clicked, this, &CDlgRestRoom::OnRefreshList);
    connect(close, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(input_, &QTextEdit::textChanged, this, &CDlgRestRoom::OnInputChanged);

    auto* left = new QVBoxLayout;
    left->addWidget(new CMyStatic(-1, tr_ui("People in the rest room:"), this));
    left->addWidget(people_, 1);
    left->addWidget(refresh);
    auto* input_buttons = new QHBoxLayout;
    input_buttons->addWidget(send_on_return_);
    input_buttons->addStretch(1);
    input_buttons->addWidget(send);
    input_buttons->addWidget(clear);
    auto* right = new QVBoxLayout;
    right->addWidget(history_edit_, 1);
    right->addWidget(input_);
    right->addLayout(input_buttons);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addLayout(columns, 1);
    layout->addLayout(bottom);
}

void CDlgRestRoom::open_rest_room()
{
    send_on_return_->setChecked(true);
    show();
    raise();
    activateWindow();
    input_->setFocus();
    send_rest_room_refresh();
}

void CDlgRestRoom::OnCancel() { hide(); }

void CDlgRestRoom::OnSend()
{
    std::optional<std::string> line = rest_room_line_to_send(input_->toPlainText().toStdString());
    if (!line)
        return;
    clearing_input_ = true;
    input_->clear();
    clearing_input_ = false;
    send_rest_room_chat(*line);
}

void CDlgRestRoom::OnInputChanged()
{
    if (clearing_input_)
        return;
    std::optional<std::string> line =
        rest_room_line_on_change(input_->toPlainText().toStdString(), send_on_return_->isChecked());
    if (!line)
        return;
    clearing_input_ = true;
    input_->clear();
    clearing_input_ = false;
    send_rest_room_chat(*line);
}

void CDlgRestRoom::OnClear()
{
    clearing_input_ = true;
    input_->clear();
    clearing_input_ = false;
}

void CDlgRestRoom::OnRefreshList()
{
    people_->clear();
    send_rest_room_refresh();
}

void CDlgRestRoom::OnMyMsgRestRoomListFirst(const char* body, intptr_t len)
{
    people_->clear();
    OnMyMsgRestRoomListAdd(body, len);
}

void CDlgRestRoom::OnMyMsgRestRoomListAdd(const char* body, intptr_t len)
{
    if (!body || len <= 0)
        return;
    people_->addItem(QString::fromStdString(cut_copy(body_text(body, static_cast<int>(len)), rest_room_name_limit)));
}

void CDlgRestRoom::OnMyMsgRestRoomChat(const char* body, intptr_t len)
{
    if (!body || len <= 0)
        return;
    rest_room_append_history(history_, body_text(body, static_cast<int>(len)));
    history_edit_->setPlainText(shown_text(history_));
    QScrollBar* bar = history_edit_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

intptr_t CDlgRestRoom::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    const char* body = reinterpret_cast<const char*>(wparam);
    switch (msg) {
    case WM_MY_MSG_REST_ROOM_LIST_FIRST: OnMyMsgRestRoomListFirst(body, lparam); break;
    case WM_MY_MSG_REST_ROOM_LIST_ADD: OnMyMsgRestRoomListAdd(body, lparam); break;
    case WM_MY_MSG_REST_ROOM_CHAT: OnMyMsgRestRoomChat(body, lparam); break;
    default: break;
    }
    return 0;
}
