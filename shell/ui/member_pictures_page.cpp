#include "shell/ui/member_pictures_page.h"

#include "core/dbg_log.h"
#include "media/ui/video_view.h"
#include "media/ui/video_wnd.h"
#include "media/video_receive.h"
#include "media/video_requests.h"
#include "media/video_windows.h"
#include "platform/sys/clock.h"
#include "skin/ui/skin_scroll_bars.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>

CLeftFormChild4* g_left_form_child4 = nullptr;

namespace {

constexpr int canvas_width = pictures_page_windows_left + 170;
constexpr int windows_bottom = pictures_page_windows_top + pictures_page_window_step * video_page_window_count;

// White behind the windows, the shown members' pictures in the column below
// them; the canvas grows and shrinks with the pictures.
class PicturesCanvas : public QWidget {
public:
    explicit PicturesCanvas(QWidget* parent) : QWidget(parent) { setFixedSize(canvas_width, windows_bottom); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        try {
            QPainter p(this);
            p.fillRect(rect(), Qt::white);
            int used = paint_member_pictures(p, pictures_page_pictures_left, windows_bottom, true);
            int wanted = windows_bottom + used;
            // Not from inside the paint: the size changes once it is done.
            if (wanted != height())
                QTimer::singleShot(0, this, [this, wanted] { setFixedHeight(wanted); });
        } catch (...) {
            dbg_log("exception in CLeftFormChild4::OnPaint.\n");
        }
    }
};

} // namespace

CLeftFormChild4::CLeftFormChild4(QWidget* parent) : Cgood_dlg_no_upper(168, parent)
{
    setWindowFlags(Qt::Widget);
    setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName("pictures_page_scroll");
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    use_skin_scroll_bars(scroll_, ScrollBarKind::view);
    canvas_ = new PicturesCanvas(nullptr);
    for (int i = 0; i < video_page_window_count; ++i) {
        auto* w = new CVideoWnd(video_page_first_index + i, canvas_);
        w->move(pictures_page_windows_left, pictures_page_windows_top + pictures_page_window_step * i);
        windows_[static_cast<size_t>(i)] = w;
    }
    scroll_->setWidget(canvas_);
    scroll_->horizontalScrollBar()->setSingleStep(pictures_page_line_step);
    scroll_->verticalScrollBar()->setSingleStep(pictures_page_line_step);
    g_left_form_child4 = this;
    // The page is made hidden behind the first tab and asks for frames all the same.
    connect(&timer_, &QTimer::timeout, this, &CLeftFormChild4::OnTimer);
    restart_timer();
}

CLeftFormChild4::~CLeftFormChild4()
{
    if (g_left_form_child4 == this)
        g_left_form_child4 = nullptr;
}

void CLeftFormChild4::restart_timer()
{
    timer_.stop();
    timer_.start(video_request_period_ms);
}

void CLeftFormChild4::resizeEvent(QResizeEvent* event)
{
    Cgood_dlg_no_upper::resizeEvent(event);
    scroll_->setGeometry(contentsRect());
}

void CLeftFormChild4::OnTimer()
{
    try {
        for (int index : video_request_tick(g_video_view != nullptr, platform::tick_count()))
            video_windows_repaint_user(video_wnd_user(index));
    } catch (...) {
        dbg_log("exception in CLeftFormChild4::OnTimer.\n");
    }
}

intptr_t CLeftFormChild4::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    if (msg != WM_MY_MSG_REPAINT)
        return 0;
    if (lparam == video_repaint_frame)
        video_windows_repaint_user(static_cast<int>(wparam));
    else
        canvas_->update();
    return 0;
}
