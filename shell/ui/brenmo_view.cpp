#include "shell/ui/brenmo_view.h"

#include "core/global_state.h"
#include "media/ui/video_view.h"
#include "sharing/ui/share_view.h"
#include "shell/ui/chat_view.h"
#include "whiteboard/ui/board_view.h"
#include "whiteboard/ui/playback_view.h"

#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

CBrenmoView::CBrenmoView(QWidget* parent) : QWidget(parent) { setObjectName("brenmo_view"); }

bool CBrenmoView::OnCreateClient(int upper_height, int lower_height)
{
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName("inner_splitter");
    splitter_->setChildrenCollapsible(false);
    upper_pane_ = new QStackedWidget(splitter_);
    upper_pane_->setObjectName("upper_pane");
    // The order of creation: shared screen and chat, video, playback, whiteboard.
    share_view_ = new CFormRightUpper2(upper_pane_);
    chat_view_ = new CFormRightLower(splitter_);
    video_view_ = new CFormRightUpper3(upper_pane_);
    playback_view_ = new CFormRightUpper4(upper_pane_);
    board_view_ = new CFormRightUpper1(upper_pane_);
    for (QWidget* view : { static_cast<QWidget*>(share_view_), static_cast<QWidget*>(video_view_),
                           static_cast<QWidget*>(playback_view_), static_cast<QWidget*>(board_view_) })
        upper_pane_->addWidget(view);
    splitter_->addWidget(upper_pane_);
    splitter_->addWidget(chat_view_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setSizes({ upper_height, lower_height });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);
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

QWidget* CBrenmoView::visible_upper_view() const { return upper_pane_ ? upper_pane_->currentWidget() : nullptr; }

int CBrenmoView::show_upper_view(int index)
{
    QWidget* view = upper_view(index);
    if (!view)
        return -1;
    g_current_view = index;
    upper_pane_->setCurrentWidget(view);
    return 0;
}
