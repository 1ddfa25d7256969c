#include "media/ui/dlg_video_snap.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "media/ui/capture_window.h"
#include "media/ui/dlg_show_me.h"
#include "media/video_capture.h"
#include "media/video_snapshot.h"
#include "platform/camera/capture_source.h"
#include "platform/ui/control_id.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

namespace {

constexpr int capture_window_width = 641;
constexpr int capture_window_height = 481;
constexpr int preview_period_ms = 50;
constexpr int first_size_index = 4;  // 640 x 480
constexpr const char* no_camera_text = "Video device not available.";

QPointer<CDlgVideoSnap>& the_dialog()
{
    static QPointer<CDlgVideoSnap> dlg;
    return dlg;
}

} // namespace

std::function<int(const std::string&)>& video_snap_paste_target()
{
    static std::function<int(const std::string&)> target;
    return target;
}

CDlgVideoSnap::CDlgVideoSnap(QWidget* parent) : Cgood_dlg(0, parent)
{
    setWindowTitle(tr_ui("Video"));
    setModal(false);
    setObjectName("video_snap");
    capture_window_ = new CCaptureWindow(this);
    capture_window_->setFixedSize(capture_window_width, capture_window_height);
    size_list_ = new CMyComboBox(1106, this);
    for (const VideoSnapSize& s : video_snap_sizes)
        size_list_->addItem(QString("%1*%2").arg(s.width).arg(s.height));
    size_list_->setCurrentIndex(first_size_index);
    pause_button_ = new CMyButton(1173, tr_ui("Pause"), this);
    paste_button_ = new CMyButton(1160, tr_ui("Paste into white board"), this);
    save_button_ = new CMyButton(1170, tr_ui("Save As File"), this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(1, 1, 1, 6);
    column->setSpacing(6);
    column->addWidget(capture_window_);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 0, 4, 0);
    row->setSpacing(8);
    row->addWidget(size_list_);
    row->addStretch(1);
    for (CMyButton* b : { pause_button_, paste_button_, save_button_ }) {
        b->setMinimumSize(b->sizeHint().width() + 16, 24);
        row->addWidget(b);
    }
    column->addLayout(row);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(pause_button_, &QPushButton::clicked, this, &CDlgVideoSnap::OnPauseStart);
    connect(paste_button_, &QPushButton::clicked, this, &CDlgVideoSnap::OnPaste);
    connect(save_button_, &QPushButton::clicked, this, &CDlgVideoSnap::OnSaveAsFile);
    connect(size_list_, &QComboBox::currentIndexChanged, this, &CDlgVideoSnap::on_size_chosen);
    connect(&preview_timer_, &QTimer::timeout, this, &CDlgVideoSnap::preview_tick);
    preview_timer_.setInterval(preview_period_ms);
}

CDlgVideoSnap::~CDlgVideoSnap() { close_camera(); }

bool CDlgVideoSnap::OnInitDialog()
{
    Cgood_dlg::OnInitDialog();
    return true;
}

void CDlgVideoSnap::showEvent(QShowEvent* event)
{
    Cgood_dlg::showEvent(event);
    if (camera_)
        return;
    // The camera has one user: the "Me" dialog lets go of it meanwhile.
    show_me_was_visible_ = g_dlg_show_me && g_dlg_show_me->isVisible();
    if (g_dlg_show_me) {
        g_dlg_show_me->stop_preview();
        g_dlg_show_me->hide();
    }
    const VideoSnapSize& size = video_snap_sizes[std::max(0, size_list_->currentIndex())];
    open_camera(size.width, size.height);
    if (!camera_) {
        message_box_printf(no_camera_text);
        return;
    }
}

void CDlgVideoSnap::open_camera(int width, int height)
{
    close_camera();
    // A picture of the camera as it was (another size, an earlier opening) is no snapshot now.
    frame_.clear();
    frame_width_ = 0;
    frame_height_ = 0;
    camera_ = open_video_camera(width, height);
    capture_window_->set_camera_missing(!camera_);
    running_ = camera_ != nullptr;
    pause_button_->setText(tr_ui("Pause"));
    if (running_)
        preview_timer_.start();
}

void CDlgVideoSnap::close_camera()
{
    preview_timer_.stop();
    running_ = false;
    if (camera_)
        camera_->stop();
    camera_.reset();
}

void CDlgVideoSnap::preview_tick()
{
    if (!camera_ || !running_)
        return;
    std::vector<uint8_t> next(static_cast<size_t>(camera_->width()) * static_cast<size_t>(camera_->height()) * 3);
    if (camera_->grab(next) != 0)
        return;
    frame_.swap(next);
    frame_width_ = camera_->width();
    frame_height_ = camera_->height();
    capture_window_->show_frame(frame_, frame_width_, frame_height_);
}

bool CDlgVideoSnap::refuse_without_camera()
{
    if (camera_)
        return false;
    message_box_printf(no_camera_text);
    return true;
}

void CDlgVideoSnap::OnPauseStart()
{
    if (refuse_without_camera())
        return;
    running_ = !running_;
    pause_button_->setText(running_ ? tr_ui("Pause") : tr_ui("Start"));
    if (running_)
        preview_timer_.start();
    else
        preview_timer_.stop();
}

int CDlgVideoSnap::save_frame(const std::string& path) const
{
    if (frame_.empty())
        return -1;
    return video_snapshot_write_bmp(frame_, frame_width_, frame_height_, path);
}

void CDlgVideoSnap::OnSaveAsFile()
{
    if (refuse_without_camera())
        return;
    QString chosen = choose_save_file(this, "Bmp Files (*.bmp)|*.bmp|All Files (*.*)|*.*||", "bmp");
    if (chosen.isEmpty())
        return;
    std::string path = chosen.toStdString();
    if (!video_snapshot_name_ok(path)) {
        message_box_printf("wrong file type");
        return;
    }
    if (save_frame(path) != 0)
        message_box_printf("Failed to open file to write");
}

void CDlgVideoSnap::OnPaste()
{
    if (refuse_without_camera())
        return;
    const std::function<int(const std::string&)>& target = video_snap_paste_target();
    if (!target) {
        message_box_printf("No white board");
        return;
    }
    std::string folder;
    if (get_user_folder(folder) != 0)
        return;
    create_folder_path(folder + "bmp");
    std::string path = folder + "bmp/video_snapshot.bmp";
    if (save_frame(path) != 0) {
        dbg_log("CDlgVideoSnap::OnPaste: no picture to paste\n");
        return;
    }
    target(path);
}

void CDlgVideoSnap::on_size_chosen(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(video_snap_sizes)) || !isVisible())
        return;
    open_camera(video_snap_sizes[index].width, video_snap_sizes[index].height);
}

void CDlgVideoSnap::OnCancel()
{
    close_camera();
    hide();
    // The "Me" dialog's camera again.
    if (g_dlg_show_me) {
        g_dlg_show_me->start_preview();
        if (show_me_was_visible_)
            g_dlg_show_me->show();
    }
}

CDlgVideoSnap* video_snap_open(QWidget* parent)
{
    QPointer<CDlgVideoSnap>& dlg = the_dialog();
    if (!dlg)
        dlg = new CDlgVideoSnap(parent);
    dlg->show();
    dlg->raise();
    return dlg;
}

CDlgVideoSnap* video_snap_dialog() { return the_dialog(); }
