#pragma once
// One video window (165 x 170): the attendee's last picture, the list of
// whom it shows ("None" first), and its zoom, pause and close buttons. The
// state lives in media/video_windows.h; this window shows it and forwards
// the user's choices. Nine sit in the video view (0..8), six on the
// member-pictures page (100..105).

#include <QImage>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class CMyComboBox;
struct VideoPicture;

inline constexpr int video_wnd_width = 165;
inline constexpr int video_wnd_height = 170;
inline constexpr int video_wnd_user_list_id = 1001;

// A member the windows' lists offer.
struct VideoMemberChoice {
    std::string name;
    int customer_id = -1;
};

// The picture the right way up (a deep copy).
QImage video_picture_image(const VideoPicture& picture);

class CVideoWnd : public QWidget {
    Q_OBJECT
public:
    CVideoWnd(int index, QWidget* parent = nullptr);
    ~CVideoWnd() override;

    int index() const { return index_; }
    CMyComboBox* user_list() const { return user_list_; }

    // "None" and the members in order; the current attendee stays chosen.
    void set_member_choices(const std::vector<VideoMemberChoice>& members);
    // Chooses the list entry of the user (or keeps the choice) and applies it.
    void video_wnd_select_user(int user);
    void video_wnd_clear();
    // The list follows the window's attendee (it may have changed elsewhere).
    void sync_from_model();
    // The picture being shown, the right way up; null when none.
    QImage shown_picture();

    // The mouse on one of the three buttons, as a click there would.
    void click_zoom();
    void click_pause();
    void click_close();

    // Every window that exists, and the one with an index (UI thread only).
    static const std::vector<CVideoWnd*>& all();
    static CVideoWnd* find(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void on_user_chosen(int item);
    int item_of(int user) const;

    int index_ = -1;
    CMyComboBox* user_list_ = nullptr;
    bool filling_ = false;
    std::shared_ptr<const VideoPicture> cached_source_;
    QImage cached_image_;
};

// Every window's list refilled from the members (the members page does it
// when the server's member list ends).
void video_windows_set_member_choices(const std::vector<VideoMemberChoice>& members);
// After a change of who the windows show: every list follows, every window
// and open zoom dialog repaints.
void video_windows_refresh_all();
// The windows (and their zoom dialogs) that show the user repaint.
void video_windows_repaint_user(int user);
