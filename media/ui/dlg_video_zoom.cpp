#include "media/ui/dlg_video_zoom.h"

#include "core/dbg_log.h"
#include "media/ui/video_wnd.h"
#include "media/video_windows.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>

#include <array>

namespace {

std::array<QPointer<CDlgVideoZoom>, video_view_window_count>& dialogs()
{
    static std::array<QPointer<CDlgVideoZoom>, video_view_window_count> all;
    return all;
}

constexpr int picture_margin = 2;
constexpr int corner_size = 14;
constexpr int corner_inset = 2;       // the square lies 2 to 16 pixels from the edges
constexpr int place_step_x = 325;
constexpr int place_step_y = 250;

} // namespace

CDlgVideoZoom::CDlgVideoZoom(int zoom_index, QWidget* parent) : Cgood_dlg(0, parent), zoom_index_(zoom_index)
{
    setWindowTitle(tr_ui("Video"));
    setModal(false);
    setObjectName(QString("video_zoom_%1").arg(zoom_index));
    fit_size();
    QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect();
    move(screen.left() + place_step_x * (zoom_index % 3), screen.top() + place_step_y * (zoom_index / 3));
}

void CDlgVideoZoom::set_owner(int window_index)
{
    owner_ = window_index;
    update();
}

void CDlgVideoZoom::fit_size()
{
    QSize picture = large_ ? QSize(640, 480) : QSize(320, 240);
    QMargins m = contentsMargins();
    // Room for the corner square below the picture.
    setFixedSize(picture.width() + 2 * picture_margin + m.left() + m.right(),
                 picture.height() + 2 * picture_margin + corner_size + corner_inset + m.top() + m.bottom());
}

QRect CDlgVideoZoom::picture_rect() const
{
    QRect c = contentsRect();
    QSize picture = large_ ? QSize(640, 480) : QSize(320, 240);
    return QRect(c.topLeft() + QPoint(picture_margin, picture_margin), picture);
}

QRect CDlgVideoZoom::corner_rect() const
{
    return QRect(width() - corner_size - corner_inset, height() - corner_size - corner_inset, corner_size, corner_size);
}

void CDlgVideoZoom::toggle_large()
{
    large_ = !large_;
    fit_size();
    update();
}

void CDlgVideoZoom::OnCancel() { hide(); }

void CDlgVideoZoom::mousePressEvent(QMouseEvent* event)
{
    QPoint p = event->position().toPoint();
    int from_right = width() - p.x();
    int from_bottom = height() - p.y();
    if (event->button() == Qt::LeftButton && from_right > corner_inset && from_right < corner_size + corner_inset &&
        from_bottom > corner_inset && from_bottom < corner_size + corner_inset) {
        toggle_large();
        return;
    }
    Cgood_dlg::mousePressEvent(event);
}

void CDlgVideoZoom::paintEvent(QPaintEvent* event)
{
    Cgood_dlg::paintEvent(event);
    try {
        QPainter p(this);
        QRect target = picture_rect();
        VideoWindowState state = video_window_state(owner_);
        if (state.user_id >= 0 && state.picture) {
            if (state.picture != cached_source_) {
                cached_source_ = state.picture;
                cached_image_ = video_picture_image(*state.picture);
            }
            // Enlarged: smooth rather than blocky.
            p.setRenderHint(QPainter::SmoothPixmapTransform, true);
            p.drawImage(target, cached_image_);
        } else {
            p.drawPixmap(target, skin_word_bitmap(skin_word::no_video_picture));
        }
        p.drawPixmap(corner_rect().topLeft(), skin_word_bitmap(large_ ? skin_word::zoom_button_2 : skin_word::zoom_button_1));
    } catch (...) {
        dbg_log("exception in CDlgVideoZoom::paintEvent.\n");
    }
}

CDlgVideoZoom* video_zoom_dialog(int window_index)
{
    int slot = video_window_slot(window_index);
    if (slot < 0 || slot >= video_view_window_count)
        return nullptr;
    return dialogs()[static_cast<size_t>(slot)];
}

CDlgVideoZoom* video_zoom_open(int window_index)
{
    if (!video_window_index_valid(window_index))
        return nullptr;
    int slot = video_window_slot(window_index);
    QPointer<CDlgVideoZoom>& dlg = dialogs()[static_cast<size_t>(slot)];
    if (!dlg) {
        CVideoWnd* owner = CVideoWnd::find(window_index);
        dlg = new CDlgVideoZoom(slot, owner ? owner->window() : nullptr);
    }
    dlg->set_owner(window_index);
    dlg->show();
    dlg->raise();
    return dlg;
}

void video_zoom_update_all()
{
    for (const QPointer<CDlgVideoZoom>& dlg : dialogs())
        if (dlg && dlg->isVisible())
            dlg->update();
}

void video_zoom_update_user(int user)
{
    for (const QPointer<CDlgVideoZoom>& dlg : dialogs())
        if (dlg && dlg->isVisible() && video_wnd_user(dlg->owner()) == user)
            dlg->update();
}

void video_zoom_hide_user(int user)
{
    for (int index : video_windows_showing(user))
        if (CDlgVideoZoom* dlg = video_zoom_dialog(index))
            dlg->hide();
}
