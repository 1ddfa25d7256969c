#include "shell/ui/chat_view.h"

#include "core/chat_receive.h"
#include "shell/chat_rules.h"
#include "shell/ui/chat_rich_text.h"
#include "skin/ui/my_edit.h"

#include <QEvent>
#include <QScrollBar>

CFormRightLower::CFormRightLower(QWidget* parent) : CMyFormView(133, parent)
{
    setObjectName("view_chat");
    canvas_ = new CViewCanvas;
    setWidgetResizable(true);
    setWidget(canvas_);
    edit_ = new CMyRichEdit(1002, canvas_);
    edit_->setReadOnly(true);
    canvas_->installEventFilter(this);
}

CFormRightLower* chat_view() { return dynamic_cast<CFormRightLower*>(window_in_slot(WindowSlot::chat_view)); }

bool CFormRightLower::eventFilter(QObject* watched, QEvent* event)
{
    // The control fills the view, three pixels wider so its border stays outside.
    if (watched == canvas_ && event->type() == QEvent::Resize)
        edit_->setGeometry(0, 0, canvas_->width() + 3, canvas_->height());
    return CMyFormView::eventFilter(watched, event);
}

void CFormRightLower::OnMyMsgChatAppend(const void* line)
{
    if (line)
        append_chat_line(*edit_, *static_cast<const ChatLine*>(line));
}

void CFormRightLower::OnMyMsgChatReloadFirst(const char* body, intptr_t len)
{
    {
        std::lock_guard<std::mutex> hold(chat_history_lock());
        chat_history().clear();
    }
    edit_->clear();
    OnMyMsgChatReloadAdd(body, len);
}

void CFormRightLower::OnMyMsgChatReloadAdd(const char* body, intptr_t len)
{
    receive_chat_text(body, body && len > 0 ? static_cast<size_t>(len) : 0, 1);
}

void CFormRightLower::set_whole_text(const std::string& text)
{
    edit_->setPlainText(QString::fromStdString(chat_text_for_view(text)));
    QScrollBar* bar = edit_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

intptr_t CFormRightLower::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    switch (msg) {
    case WM_MY_MSG_CHAT_APPEND: OnMyMsgChatAppend(reinterpret_cast<const void*>(wparam)); break;
    case WM_MY_MSG_CHAT_RELOAD_FIRST: OnMyMsgChatReloadFirst(reinterpret_cast<const char*>(wparam), lparam); break;
    case WM_MY_MSG_CHAT_RELOAD_ADD: OnMyMsgChatReloadAdd(reinterpret_cast<const char*>(wparam), lparam); break;
    case WM_MY_MSG_REPAINT: canvas_->update(); break;
    default: break;
    }
    return 0;
}
