#include "shell/ui/brenmo_view.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "core/window_messages.h"
#include "media/ui/video_view.h"
#include "sharing/ui/share_view.h"
#include "shell/ui/chat_view.h"
#include "shell/ui/wnd_switch_bar.h"
#include "skin/ui/my_form_view.h"
#include "skin/ui/my_static.h"
#include "skin/ui/my_splitter_wnd.h"
#include "whiteboard/ui/board_view.h"
#include "whiteboard/ui/playback_view.h"

#include <QVBoxLayout>

CBrenmoView::CBrenmoView(QWidget* parent) : QWidget(parent) { setObjectName("brenmo_view"); }

bool CBrenmoView::OnCreateClient(int upper_height, int lower_height)
{
    splitter_ = new CMySplitterWnd(this);
    splitter_->setObjectName("inner_splitter");
    if (!splitter_->CreateStatic(2, 1)) {
        message_box_printf("failed to create splitter wnd.");
        return false;
    }
    // The order of creation: shared screen and chat, video, playback, whiteboard.
    share_view_ = new CFormRightUpper2;
    chat_view_ = new CFormRightLower;
    if (!splitter_->CreateView(0, 0, share_view_, QSize(100, upper_height))
        || !splitter_->CreateView(1, 0, chat_view_, QSize(100, lower_height))) {
        delete splitter_;
        splitter_ = nullptr;
        message_box_printf("failed to create rightupper2");
        return false;
    }
    video_view_ = new CFormRightUpper3;
    if (!splitter_->CreateView(0, 0, video_view_, QSize(100, upper_height))) {
        message_box_printf("failed to create rightupper3");
        return false;
    }
    playback_view_ = new CFormRightUpper4;
    if (!splitter_->CreateView(0, 0, playback_view_, QSize(100, upper_height))) {
        message_box_printf("failed to create rightupper4");
        return false;
    }
    board_view_ = new CFormRightUpper1;
    if (!splitter_->CreateView(0, 0, board_view_, QSize(100, upper_height))) {
        message_box_printf("failed to create rightupper1");
        return false;
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);
    for (int index = upper_view_board; index <= upper_view_playback; ++index)
        add_switch_bar(index);
    show_upper_view(upper_view_video);
    return true;
}

QWidget* CBrenmoView::upper_view(int index) const
{
    switch (index) {
    case upper_view_board: return board_view_;
    case upper_view_video: return video_view_;
    case upper_view_share: return share_view_;
    case upper_view_playback: return playback_view_;
    default: return nullptr;
    }
}

// The bar sits over the view's scrolled content, in its viewport, and the
// view's caption at the same corner moves right of it.
void CBrenmoView::add_switch_bar(int index)
{
    auto* view = qobject_cast<CMyFormView*>(upper_view(index));
    if (!view)
        return;
    QWidget* host = view->viewport();
    auto* bar = new CWndSwitchBar(host, [this](int to) {
        if (switch_handler_)
            switch_handler_(to);
        else
            show_upper_view(to);
    });
    for (auto* caption : host->findChildren<CMyStatic*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (caption->pos() == bar->pos())
            caption->move(bar->geometry().right() + 5, caption->y());
    }
    switch_bars_[index - 1] = bar;
}

CWndSwitchBar* CBrenmoView::switch_bar(int index) const
{
    return index >= upper_view_board && index <= upper_view_playback ? switch_bars_[index - 1] : nullptr;
}

QWidget* CBrenmoView::visible_upper_view() const { return splitter_ ? splitter_->GetPane(0, 0) : nullptr; }

int CBrenmoView::show_upper_view(int index)
{
    QWidget* view = upper_view(index);
    if (!view)
        return -1;
    g_current_view = index;
    splitter_->show_pane_view(0, 0, view);
    splitter_->RecalcLayout();
    // The full-screen window shows the current view too.
    post_window_message(WindowSlot::full_screen, WM_MY_MSG_REPAINT);
    return 0;
}
