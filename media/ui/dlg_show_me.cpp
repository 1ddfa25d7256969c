#include "media/ui/dlg_show_me.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/settings.h"
#include "media/ui/capture_window.h"
#include "media/video_capture.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_static.h"

#include <algorithm>
#include <array>

CDlgShowMe* g_dlg_show_me = nullptr;

namespace {

constexpr std::array<int, 15> speed_choices = { 1, 2, 3, 4, 5, 7, 10, 12, 15, 20, 25, 30, 35, 40, 50 };
constexpr int preview_period_ms = 20;
// At 640 x 480 the lists stop at 3 frames per second and quality 80.
constexpr int largest_size_index = 2;
constexpr int largest_size_speed_limit_index = 2;
constexpr int largest_size_quality_limit_index = 3;
constexpr int largest_size_quality_index = 2; // 70

// The dialog resource is known by its name, "Me", not by a number.
constexpr int show_me_template_id = 0;

} // namespace

CDlgShowMe::CDlgShowMe(QWidget* parent) : Cgood_dlg(show_me_template_id, parent)
{
    setWindowTitle(tr_ui("Me"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setModal(false);
    capture_window_ = new CCaptureWindow(this);
    quality_label_ = new CMyStatic(-1, tr_ui("Quality:"), this);
    size_label_ = new CMyStatic(-1, tr_ui("Size:"), this);
    speed_label_ = new CMyStatic(-1, tr_ui("Speed:"), this);
    quality_combo_ = new CMyComboBox(1106, this);
    size_combo_ = new CMyComboBox(1179, this);
    speed_combo_ = new CMyComboBox(1183, this);
    connect(quality_combo_, &QComboBox::currentIndexChanged, this, &CDlgShowMe::on_quality_chosen);
    connect(size_combo_, &QComboBox::currentIndexChanged, this, &CDlgShowMe::on_size_chosen);
    connect(speed_combo_, &QComboBox::currentIndexChanged, this, &CDlgShowMe::on_speed_chosen);
    connect(&frame_timer_, &QTimer::timeout, this, &CDlgShowMe::do_dct_video);
    connect(&preview_timer_, &QTimer::timeout, this, &CDlgShowMe::preview_tick);
    preview_timer_.setInterval(preview_period_ms);
    g_dlg_show_me = this;
}

CDlgShowMe::~CDlgShowMe()
{
    frame_timer_.stop();
    stop_preview();
    if (g_dlg_show_me == this)
        g_dlg_show_me = nullptr;
}

bool CDlgShowMe::OnInitDialog()
{
    fill_lists();
    lay_out_for_size();
    Cgood_dlg::OnInitDialog();
    return true;
}

void CDlgShowMe::showEvent(QShowEvent* event)
{
    Cgood_dlg::showEvent(event);
    if (shown_)
        return;
    start_preview();
    show_me_set_frame_timer();
    shown_ = true;
}

void CDlgShowMe::OnCancel()
{
    shown_ = false;
    frame_timer_.stop();
    stop_preview();
    hide();
}

void CDlgShowMe::fill_lists()
{
    filling_lists_ = true;
    quality_combo_->clear();
    for (int quality = 50; quality <= 100; quality += 10)
        quality_combo_->addItem(QString::number(quality), quality);
    int quality_index = quality_combo_->findData(g_video_quality.load());
    quality_combo_->setCurrentIndex(quality_index < 0 ? 0 : quality_index);

    size_combo_->clear();
    for (const char* size : { "160*120", "320*240", "640*480" })
        size_combo_->addItem(size);
    size_combo_->setCurrentIndex(g_video_size_index);

    speed_combo_->clear();
    for (int speed : speed_choices)
        speed_combo_->addItem(QString::number(speed), speed);
    speed_combo_->setCurrentIndex(std::max(0, speed_combo_->findData(g_video_speed.load())));
    filling_lists_ = false;
}

void CDlgShowMe::start_preview()
{
    stop_preview();
    camera_ = open_video_camera(g_video_width, g_video_height);
    camera_missing_ = !camera_;
    capture_window_->set_camera_missing(camera_missing_);
    if (camera_missing_)
        return; // no preview and no frames; the dialog stays open
    preview_timer_.start();
}

void CDlgShowMe::stop_preview()
{
    preview_timer_.stop();
    if (camera_)
        camera_->stop();
    camera_.reset();
}

void CDlgShowMe::preview_tick()
{
    if (!camera_)
        return;
    int width = camera_->width();
    int height = camera_->height();
    preview_frame_.resize(static_cast<size_t>(width) * height * 3);
    if (camera_->grab(preview_frame_) == 0)
        capture_window_->show_frame(preview_frame_, width, height);
}

void CDlgShowMe::lay_out_for_size()
{
    int width = g_video_width;
    int height = g_video_height;
    QRect client = contentsRect();
    int left = client.left();
    int top = client.top();
    capture_window_->setGeometry(left + 1, top + 1, width, height);
    // The dialog's places for the lists, moved right and widened only where
    // a list's longest entry or a label would not show whole.
    const int quality_w = std::max(45, quality_combo_->width_for_entries());
    const int size_w = std::max(65, size_combo_->width_for_entries());
    const int speed_w = std::max(45, speed_combo_->width_for_entries());
    const int quality_x = 3;
    const int size_x = std::max({ 46, quality_x + quality_w + 1, quality_x + quality_label_->sizeHint().width() + 3 });
    const int speed_x = std::max({ 116, size_x + size_w + 5, size_x + size_label_->sizeHint().width() + 5 });
    quality_label_->setGeometry(left + quality_x, top + height + 10, size_x - quality_x - 3, 20);
    size_label_->setGeometry(left + size_x, top + height + 10, std::max(65, size_label_->sizeHint().width()), 20);
    speed_label_->setGeometry(left + speed_x, top + height + 10, std::max(45, speed_label_->sizeHint().width()), 20);
    quality_combo_->setGeometry(left + quality_x, top + height + 25, quality_w, quality_combo_->sizeHint().height());
    size_combo_->setGeometry(left + size_x, top + height + 25, size_w, size_combo_->sizeHint().height());
    speed_combo_->setGeometry(left + speed_x, top + height + 25, speed_w, speed_combo_->sizeHint().height());
    const int lists_right = speed_x + std::max(speed_w, speed_label_->sizeHint().width()) + 3;
    QMargins margins = contentsMargins();
    setFixedSize(std::max(width + 8, lists_right) + margins.left() + margins.right(), height + 90 + margins.top() + margins.bottom());
}

void CDlgShowMe::show_me_set_frame_timer()
{
    frame_timer_.stop();
    int rate = g_video_speed;
    rate = rate < 1 ? 5 : std::min(rate, 50);
    frame_timer_.start(1000 / rate);
}

void CDlgShowMe::take_settings()
{
    fill_lists();
    if (shown_)
        show_me_set_frame_timer();
}

void CDlgShowMe::do_dct_video()
{
    if (!shown_)
        return;
    try {
        ticker_.tick(camera_.get());
    } catch (...) {
        dbg_log("exception in CDlgShowMe::do_dct_video.\n");
    }
}

void CDlgShowMe::on_quality_chosen(int index)
{
    if (filling_lists_ || index < 0)
        return;
    if (g_video_size_index == largest_size_index && index > largest_size_quality_limit_index) {
        quality_combo_->setCurrentIndex(largest_size_quality_limit_index); // stores through this handler
        return;
    }
    int quality = quality_combo_->itemData(index).toInt();
    g_video_quality = quality;
    reg_write_int("video", "video_quality", quality);
}

void CDlgShowMe::on_speed_chosen(int index)
{
    if (filling_lists_ || index < 0)
        return;
    if (g_video_size_index == largest_size_index && index > largest_size_speed_limit_index) {
        speed_combo_->setCurrentIndex(largest_size_speed_limit_index);
        return;
    }
    int speed = speed_combo_->itemData(index).toInt();
    g_video_speed = speed;
    reg_write_int("video", "video_speed", speed);
    show_me_set_frame_timer();
}

void CDlgShowMe::on_size_chosen(int index)
{
    if (filling_lists_ || index < 0 || index > largest_size_index)
        return;
    g_video_size_index = index;
    set_video_size_by_index();
    reg_write_int("video", "video_size", index);
    if (index == largest_size_index) {
        // Both go through their handlers, which store them.
        speed_combo_->setCurrentIndex(0);
        on_speed_chosen(0);
        quality_combo_->setCurrentIndex(largest_size_quality_index);
        on_quality_chosen(largest_size_quality_index);
    }
    if (shown_)
        start_preview();
    lay_out_for_size();
}

void show_me_set_frame_timer()
{
    if (g_dlg_show_me)
        g_dlg_show_me->show_me_set_frame_timer();
}

void show_me_take_settings()
{
    if (g_dlg_show_me)
        g_dlg_show_me->take_settings();
}

void show_me_bring_to_top()
{
    if (!g_dlg_show_me)
        return;
    g_dlg_show_me->raise();
    g_dlg_show_me->activateWindow();
}

void show_me_cancel()
{
    if (g_dlg_show_me)
        g_dlg_show_me->OnCancel();
}
