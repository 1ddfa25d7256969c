#pragma once
// The zoom dialog "Video": one per video-view window index (0..8; the page's
// windows use index - 100), made at first use and kept. It shows its owner
// window's last picture whole, stretched to 320 x 240, or 640 x 480 once the
// square at its bottom-right corner is clicked.

#include "skin/ui/good_dlg.h"

#include <QImage>

#include <memory>

struct VideoPicture;

class CDlgVideoZoom : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgVideoZoom(int zoom_index, QWidget* parent = nullptr);

    int zoom_index() const { return zoom_index_; }
    int owner() const { return owner_; }
    void set_owner(int window_index);
    bool large() const { return large_; }
    void toggle_large();
    // Where the picture goes inside the dialog, and the corner square.
    QRect picture_rect() const;
    QRect corner_rect() const;
    void OnCancel() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void fit_size();

    int zoom_index_ = 0;
    int owner_ = 0;
    bool large_ = false;
    std::shared_ptr<const VideoPicture> cached_source_;
    QImage cached_image_;
};

// Null until the window index's dialog was first opened.
CDlgVideoZoom* video_zoom_dialog(int window_index);
// Shows (and first makes) the zoom dialog of a window, owned by it.
CDlgVideoZoom* video_zoom_open(int window_index);
void video_zoom_update_all();
void video_zoom_update_user(int user);
// Hides the zoom dialogs whose windows show the user.
void video_zoom_hide_user(int user);
