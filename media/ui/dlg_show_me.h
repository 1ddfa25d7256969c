#pragma once
// The "Me" dialog: the user's own camera. A top-most, modeless dialog with
// the preview and the quality, size and speed lists; while it is shown, every
// tick of its frame timer codes the newest picture and hands it to the frame
// sender.

#include "media/video_send.h"
#include "skin/ui/good_dlg.h"

#include <QTimer>

#include <memory>

class CCaptureWindow;
class CMyStatic;
class CMyComboBox;

class CDlgShowMe : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgShowMe(QWidget* parent = nullptr);
    ~CDlgShowMe() override;

    bool OnInitDialog() override;
    void OnCancel() override;

    void start_preview();
    void stop_preview();
    // Places the preview and the lists for the current frame size.
    void lay_out_for_size();
    void show_me_set_frame_timer();
    void take_settings();
    void do_dct_video();

    bool is_shown() const { return shown_; }
    bool camera_missing() const { return camera_missing_; }
    int frame_timer_period_ms() const { return frame_timer_.interval(); }
    bool frame_timer_running() const { return frame_timer_.isActive(); }
    CCaptureWindow* capture_window() const { return capture_window_; }
    platform::CaptureSource* camera() const { return camera_.get(); }
    VideoCaptureTicker& ticker() { return ticker_; }
    CMyComboBox* quality_combo() const { return quality_combo_; }
    CMyComboBox* size_combo() const { return size_combo_; }
    CMyComboBox* speed_combo() const { return speed_combo_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fill_lists();
    void on_quality_chosen(int index);
    void on_size_chosen(int index);
    void on_speed_chosen(int index);
    void preview_tick();

    CCaptureWindow* capture_window_ = nullptr;
    CMyStatic* quality_label_ = nullptr;
    CMyStatic* size_label_ = nullptr;
    CMyStatic* speed_label_ = nullptr;
    CMyComboBox* quality_combo_ = nullptr;
    CMyComboBox* size_combo_ = nullptr;
    CMyComboBox* speed_combo_ = nullptr;
    QTimer frame_timer_;
    QTimer preview_timer_;
    std::unique_ptr<platform::CaptureSource> camera_;
    std::vector<uint8_t> preview_frame_;
    VideoCaptureTicker ticker_;
    bool shown_ = false;
    bool camera_missing_ = false;
    bool filling_lists_ = false;
};

// The one "Me" dialog, while it exists (user-interface thread only).
extern CDlgShowMe* g_dlg_show_me;

// For the other windows: restart the frame timer from the speed setting,
// raise the dialog above the others, close it. Each does nothing without
// the dialog.
void show_me_set_frame_timer();
// The video settings changed elsewhere (the options' video page): the lists
// show them and the frame timer starts again.
void show_me_take_settings();
void show_me_bring_to_top();
void show_me_cancel();
