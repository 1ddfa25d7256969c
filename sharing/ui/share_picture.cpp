#include "sharing/ui/share_picture.h"

#include "core/dbg_log.h"
#include "sharing/share_viewer.h"
#include "sharing/whole_picture.h"

#include <QImage>
#include <QPainter>

namespace {

struct LoadedPicture {
    int version = -1;
    QImage image;
};

const QImage& loaded_picture(ShareGrid grid)
{
    static LoadedPicture app, desk;
    LoadedPicture& held = grid == ShareGrid::app ? app : desk;
    int version = whole_picture_version(grid);
    if (held.version == version)
        return held.image;
    QImage image;
    {
        platform::TimedLockWait lock(whole_picture_lock(grid), whole_picture_wait_ms);
        // A box from a paint handler would paint into itself: the picture is read as it is.
        if (!lock)
            dbg_log("wait failed in draw_whole_share_picture.\n");
        image.load(QString::fromStdString(whole_picture_path(grid)));
    }
    held.version = version;
    held.image = std::move(image);
    return held.image;
}

} // namespace

void draw_whole_share_picture(QPainter& painter, ShareGrid grid, int scroll_x, int scroll_y)
{
    const QImage& image = loaded_picture(grid);
    if (image.isNull())
        return;
    int left = 0, top = 0;
    if (grid == ShareGrid::app) {
        left = g_view_share_left.load();
        top = g_view_share_top.load();
    }
    painter.drawImage(left - scroll_x, top - scroll_y, image);
}
