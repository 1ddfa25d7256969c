#include "media/ui/video_wnd.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "media/ui/dlg_video_zoom.h"
#include "media/video_windows.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/skin_bitmaps.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

std::vector<CVideoWnd*>& windows()
{
    static std::vector<CVideoWnd*> all;
    return all;
}

// The three buttons, where they are drawn and where they answer a click.
constexpr int button_size = 13;
constexpr int button_top = 150;
constexpr int zoom_left = 120;
constexpr int pause_left = 135;
constexpr int close_left = 150;
constexpr QPoint picture_at { 2, 5 };
constexpr int picture_width = 160;
constexpr int picture_height = 120;
constexpr QRect user_list_rect { 2, 127, 161, 21 };

bool in_button(const QPoint& p, int left)
{
    return p.y() >= button_top + 1 && p.y() <= button_top + button_size && p.x() >= left + 1 &&
           p.x() <= left + button_size;
}

// A name for a member the lists do not know yet.
std::string member_name(int customer_id)
{
    for (const customer_info_record& r : customer_info)
        if (r.in_use && r.customer_id == customer_id)
            return r.name.data();
    return std::to_string(customer_id);
}

} // namespace

QImage video_picture_image(const VideoPicture& picture)
{
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() < static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3)
        return QImage();
    QImage stored(picture.rgb.data(), picture.width, picture.height, picture.width * 3, QImage::Format_RGB888);
    return stored.mirrored(false, true);
}

CVideoWnd::CVideoWnd(int index, QWidget* parent) : QWidget(parent), index_(index)
{
    setObjectName(QString("video_wnd_%1").arg(index));
    setFixedSize(video_wnd_width, video_wnd_height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    user_list_ = new CMyComboBox(video_wnd_user_list_id, this);
    user_list_->setGeometry(user_list_rect);
    user_list_->addItem(tr_ui("None"), -1);
    connect(user_list_, &QComboBox::currentIndexChanged, this, &CVideoWnd::on_user_chosen);
    windows().push_back(this);
    sync_from_model();
}

CVideoWnd::~CVideoWnd() { std::erase(windows(), this); }

const std::vector<CVideoWnd*>& CVideoWnd::all() { return windows(); }

CVideoWnd* CVideoWnd::find(int index)
{
    for (CVideoWnd* w : windows())
        if (w->index() == index)
            return w;
    return nullptr;
}

int CVideoWnd::item_of(int user) const
{
    for (int i = 0; i < user_list_->count(); ++i)
        if (user_list_->itemData(i).toInt() == user)
            return i;
    return -1;
}

void CVideoWnd::set_member_choices(const std::vector<VideoMemberChoice>& members)
{
    filling_ = true;
    user_list_->clear();
    user_list_->addItem(tr_ui("None"), -1);
    for (const VideoMemberChoice& m : members)
        user_list_->addItem(QString::fromStdString(m.name), m.customer_id);
    filling_ = false;
    sync_from_model();
}

void CVideoWnd::sync_from_model()
{
    int user = video_wnd_user(index_);
    int item = item_of(user);
    filling_ = true;
    if (item < 0 && user >= 0) {
        user_list_->addItem(QString::fromStdString(member_name(user)), user);
        item = user_list_->count() - 1;
    }
    user_list_->setCurrentIndex(std::max(item, 0));
    filling_ = false;
    update();
}

void CVideoWnd::on_user_chosen(int item)
{
    if (filling_ || item < 0)
        return;
    video_wnd_set_user(index_, user_list_->itemData(item).toInt());
    video_windows_refresh_all();
}

void CVideoWnd::video_wnd_select_user(int user)
{
    int item = item_of(user);
    if (item >= 0)
        user_list_->setCurrentIndex(item);
    // The list's choice is applied, also when it did not change.
    on_user_chosen(user_list_->currentIndex());
}

void CVideoWnd::video_wnd_clear()
{
    ::video_wnd_clear(index_);
    video_windows_refresh_all();
}

QImage CVideoWnd::shown_picture()
{
    VideoWindowState state = video_window_state(index_);
    if (state.user_id < 0 || !state.picture)
        return QImage();
    if (state.picture != cached_source_) {
        cached_source_ = state.picture;
        cached_image_ = video_picture_image(*state.picture);
    }
    return cached_image_;
}

void CVideoWnd::click_zoom() { video_zoom_open(index_); }

void CVideoWnd::click_pause()
{
    if (video_wnd_user(index_) < 0)
        return;
    video_wnd_toggle_pause(index_);
    video_windows_refresh_all();
}

void CVideoWnd::click_close()
{
    video_wnd_close(index_);
    video_windows_refresh_all();
}

void CVideoWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    QPoint p = event->position().toPoint();
    if (in_button(p, zoom_left))
        click_zoom();
    else if (in_button(p, pause_left))
        click_pause();
    else if (in_button(p, close_left))
        click_close();
}

void CVideoWnd::paintEvent(QPaintEvent*)
{
    try {
        QPainter p(this);
        p.fillRect(rect(), colorref_color(skin_word_value(skin_word::video_background)));
        bool paused = video_window_state(index_).paused;
        p.drawPixmap(zoom_left, button_top, skin_word_bitmap(skin_word::video_button_1));
        p.drawPixmap(pause_left, button_top,
                     skin_word_bitmap(paused ? skin_word::video_button_3 : skin_word::video_button_2));
        p.drawPixmap(close_left, button_top, skin_word_bitmap(skin_word::video_button_4));
        QImage picture = shown_picture();
        if (picture.isNull()) {
            p.drawPixmap(picture_at, skin_word_bitmap(skin_word::no_video_picture));
            return;
        }
        // The window shows the picture's top-left 160 x 120 pixels; a larger
        // one is seen whole in the zoom dialog.
        QRect source(0, 0, std::min(picture_width, picture.width()), std::min(picture_height, picture.height()));
        p.drawImage(picture_at, picture, source);
    } catch (...) {
        dbg_log("exception in CVideoWnd::paintEvent.\n");
    }
}

void video_windows_set_member_choices(const std::vector<VideoMemberChoice>& members)
{
    for (CVideoWnd* w : windows())
        w->set_member_choices(members);
}

void video_windows_refresh_all()
{
    for (CVideoWnd* w : windows())
        w->sync_from_model();
    video_zoom_update_all();
}

void video_windows_repaint_user(int user)
{
    for (CVideoWnd* w : windows())
        if (video_wnd_user(w->index()) == user)
            w->update();
    video_zoom_update_user(user);
}
