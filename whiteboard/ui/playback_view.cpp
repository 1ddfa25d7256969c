#include "whiteboard/ui/playback_view.h"

#include "core/dbg_log.h"
#include "core/string_table.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_static.h"
#include "skin/ui/picture.h"
#include "whiteboard/playback_pictures.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int picture_gap = 10;
constexpr int pictures_per_row = 3;

} // namespace

// The scrolled content; it paints the view's back buffer.
class CPlaybackCanvas : public QWidget {
public:
    explicit CPlaybackCanvas(const CFormRightUpper4& view) : view_(view) { setFixedSize(playback_view_width, playback_view_height); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        try {
            QPainter p(this);
            p.drawImage(event->rect(), view_.paint_buffer(), event->rect());
        } catch (...) {
            dbg_log("exception in CFormRightUpper4 OnPaint.\n");
        }
    }

private:
    const CFormRightUpper4& view_;
};

CFormRightUpper4::CFormRightUpper4(QWidget* parent) : CMyFormView(235, parent)
{
    setObjectName("view_playback");
    canvas_ = new CPlaybackCanvas(*this);
    setWidget(canvas_);
    setWidgetResizable(false);
    caption_ = new CMyStatic(1, tr_ui(string_table_text(playback_caption_string)), viewport());
    caption_->setGeometry(2, 2, 128, 20);
    caption_->raise();
    caption_->show();
}

intptr_t CFormRightUpper4::handle_window_message(uint32_t msg, uintptr_t, intptr_t)
{
    if (msg == WM_MY_MSG_REPAINT)
        canvas_->update();
    return 0;
}

void CFormRightUpper4::clear_pictures()
{
    playback_pictures().clear();
    canvas_->update();
}

int CFormRightUpper4::add_picture(std::string_view name)
{
    int slot = playback_pictures().add(name);
    canvas_->update();
    return slot;
}

int CFormRightUpper4::find_picture(std::string_view name) const { return playback_pictures().find(name); }

int CFormRightUpper4::picture_count() const { return playback_pictures().count(); }

QImage CFormRightUpper4::paint_buffer() const
{
    QImage buffer(playback_view_width, playback_view_height, QImage::Format_RGB32);
    QPainter p(&buffer);
    paint_view_background(p, buffer.rect());
    std::string folder = playback_picture_folder();
    if (folder.empty())
        return buffer;
    PlaybackPictures& pictures = playback_pictures();
    int x = picture_gap;
    int y = picture_gap;
    int row_height = 0;
    int in_row = 0;
    for (const auto& [slot, name] : pictures.used()) {
        CPicture picture;
        {
            platform::TimedLockWait lock(pictures.picture_lock(slot), playback_picture_wait_ms);
            // A box from inside a paint would paint into itself: the writer is late, paint what is there.
            if (!lock)
                dbg_log("wait failed in RightUpper4 OnPaint:%d\n", slot);
            picture.Load(QString::fromStdString(folder + name + ".jpg"));
        }
        if (picture.empty())
            continue;
        picture.Show(&p, x, y, x + picture.m_width, y + picture.m_height);
        x += picture.m_width + picture_gap;
        row_height = std::max(row_height, picture.m_height);
        if (++in_row == pictures_per_row) {
            x = picture_gap;
            y += row_height + picture_gap;
            row_height = 0;
            in_row = 0;
        }
    }
    return buffer;
}
