#pragma once
// The snapshot dialog "Video": the user's own camera at a chosen size, and a
// still of it saved as a ".bmp" file or pasted into the current whiteboard.
// Opening it stops and hides the "Me" dialog's preview (the camera has one
// user); closing it gives the camera back. Modeless; kept once made.

#include "skin/ui/good_dlg.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class CaptureSource;
}
class CCaptureWindow;
class CMyButton;
class CMyComboBox;

// The sizes the dialog offers, "%d*%d"; the fifth is chosen at first.
struct VideoSnapSize {
    int width;
    int height;
};
inline constexpr VideoSnapSize video_snap_sizes[] = { { 160, 120 }, { 176, 144 }, { 320, 240 }, { 352, 288 }, { 640, 480 } };

// Where "Paste into white board" puts the snapshot file: the whiteboard
// fills it in while it exists (empty: "No white board").
std::function<int(const std::string& bmp_path)>& video_snap_paste_target();

class CDlgVideoSnap : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgVideoSnap(QWidget* parent = nullptr);
    ~CDlgVideoSnap() override;

    bool OnInitDialog() override;
    void OnCancel() override;

    void OnPauseStart();     // 1173
    void OnPaste();          // 1160
    void OnSaveAsFile();     // 1170
    void on_size_chosen(int index);  // 1106

    bool running() const { return running_; }
    bool camera_missing() const { return !camera_; }
    CCaptureWindow* capture_window() const { return capture_window_; }
    CMyComboBox* size_list() const { return size_list_; }
    CMyButton* pause_button() const { return pause_button_; }
    CMyButton* paste_button() const { return paste_button_; }
    CMyButton* save_button() const { return save_button_; }
    // The picture shown now (R, G, B, rows bottom-up) and its size.
    const std::vector<uint8_t>& frame() const { return frame_; }
    int frame_width() const { return frame_width_; }
    int frame_height() const { return frame_height_; }
    // Writes the picture shown now; 0 or -1.
    int save_frame(const std::string& path) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void open_camera(int width, int height);
    void close_camera();
    void preview_tick();
    bool refuse_without_camera();

    CCaptureWindow* capture_window_ = nullptr;
    CMyComboBox* size_list_ = nullptr;
    CMyButton* pause_button_ = nullptr;
    CMyButton* paste_button_ = nullptr;
    CMyButton* save_button_ = nullptr;
    QTimer preview_timer_;
    std::unique_ptr<platform::CaptureSource> camera_;
    std::vector<uint8_t> frame_;
    int frame_width_ = 0;
    int frame_height_ = 0;
    bool running_ = false;
    bool show_me_was_visible_ = false;
};

// The dialog, made at first use and shown (UI thread only).
CDlgVideoSnap* video_snap_open(QWidget* parent);
CDlgVideoSnap* video_snap_dialog();
