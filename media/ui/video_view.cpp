#include "media/ui/video_view.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "media/ui/dlg_video_zoom.h"
#include "media/ui/video_wnd.h"
#include "media/video_receive.h"
#include "media/video_windows.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"
#include "skin/ui/picture.h"

#include <QPainter>

CFormRightUpper3* g_video_view = nullptr;

namespace {

constexpr int picture_wait_ms = 3000;
constexpr int picture_box_width = 160;
constexpr int picture_box_height = 120;
constexpr int picture_gap = 10;

// The view's contents: its background, the windows, the pictures beside them.
class VideoViewCanvas : public QWidget {
public:
    explicit VideoViewCanvas(QWidget* parent) : QWidget(parent)
    {
        setFixedSize(video_view_width, video_view_height);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        try {
            QPainter p(this);
            paint_view_background(p, rect());
            paint_member_pictures(p, video_view_pictures_left, video_view_window_place(0).y(), false);
        } catch (...) {
            dbg_log("exception in CFormRightUpper3 OnPaint.\n");
        }
    }
};

bool shows_video(const std::string& name)
{
    for (const customer_view_record& r : customer_view)
        if (r.in_use && name == r.name.data())
            return r.show_video != 0;
    return true;
}

} // namespace

QPoint video_view_window_place(int index) { return QPoint(5 + 180 * (index % 3), 30 + 180 * (index / 3)); }

int paint_member_pictures(QPainter& p, int x, int y, bool only_shown)
{
    std::string folder;
    if (get_user_folder(folder) != 0)
        return 0;
    platform::TimedLockWait wait(g_pictures_lock, picture_wait_ms);
    // A box from inside a paint would paint into itself: the picture writer is late, paint what is there.
    if (!wait)
        dbg_log("wait failed in RightUpper3 OnPaint\n");
    const int top = y;
    const QColor text = colorref_color(skin_word_value(skin_word::text));
    const QColor frame = colorref_color(skin_word_value(skin_word::outline));
    for (const customer_info_record& r : customer_info) {
        if (!r.in_use || r.name[0] == '\0')
            continue;
        std::string name = r.name.data();
        if (only_shown && !shows_video(name))
            continue;
        if (!is_plain_file_name(name + ".jpg"))
            continue;
        CPicture picture;
        if (!picture.Load(QString::fromStdString(folder + "bmp/" + name + ".jpg")))
            continue;
        QSize size(picture.m_width, picture.m_height);
        if (size.width() > picture_box_width || size.height() > picture_box_height)
            size.scale(picture_box_width, picture_box_height, Qt::KeepAspectRatio);
        picture.Show(&p, x, y, x + size.width(), y + size.height());
        if (r.customer_id == g_zoomed_customer_id && r.customer_id >= 0) {
            p.setPen(QPen(frame, 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(x - 2, y - 2, size.width() + 3, size.height() + 3));
        }
        p.setPen(text);
        QRect label(x, y + size.height() + 2, std::max(size.width(), picture_box_width), p.fontMetrics().height());
        p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter, p.fontMetrics().elidedText(QString::fromStdString(name), Qt::ElideRight, label.width()));
        y += size.height() + label.height() + picture_gap;
    }
    return y - top;
}

CFormRightUpper3::CFormRightUpper3(QWidget* parent) : CMyFormView(105, parent)
{
    setObjectName("view_video");
    canvas_ = new VideoViewCanvas(nullptr);
    for (int i = 0; i < video_view_window_count; ++i) {
        auto* w = new CVideoWnd(i, canvas_);
        w->move(video_view_window_place(i));
        windows_[static_cast<size_t>(i)] = w;
    }
    setWidget(canvas_);
    setWidgetResizable(false);
    g_video_view = this;
}

CFormRightUpper3::~CFormRightUpper3()
{
    if (g_video_view == this)
        g_video_view = nullptr;
}

intptr_t CFormRightUpper3::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    if (msg != WM_MY_MSG_REPAINT)
        return 0;
    // A stored frame names its sender; anything else repaints the whole view.
    if (lparam == video_repaint_frame)
        video_windows_repaint_user(static_cast<int>(wparam));
    else
        canvas_->update();
    return 0;
}

int CFormRightUpper3::video_window_assign(int user)
{
    int index = ::video_window_assign(user);
    video_windows_refresh_all();
    return index;
}

void CFormRightUpper3::video_window_zoom_user(int user)
{
    video_window_assign(user);
    for (int index : video_windows_showing(user))
        video_zoom_open(index);
}

void CFormRightUpper3::video_zoom_window_hide(int user) { video_zoom_hide_user(user); }

void CFormRightUpper3::video_window_close_user(int user)
{
    ::video_window_close_user(user);
    video_windows_refresh_all();
}

void CFormRightUpper3::video_windows_clear_all()
{
    ::video_windows_clear_all();
    video_windows_refresh_all();
}
