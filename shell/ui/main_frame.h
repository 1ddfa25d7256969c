#pragma once
// The program's one top-level window: the menu, the three tool bars in their
// bands, the status bar with the meeting clock, the left panel beside the
// nested frame of the four upper views above the chat view. Every menu and
// bar command and every window message posted to g_main_frame ends here.

#include "core/global_state.h"
#include "core/window_messages.h"
#include "shell/frame_commands.h"
#include "skin/ui/my_frame_wnd.h"

#include <QPointer>

#include <array>
#include <functional>
#include <string>

class CBrenmoView;
class CLeftForm;
class CMyMenu;
class CMyRebar;
class CMySplitterWnd;
class CMyStatusBar;
class CMyToolBar;
class CommandRegistry;
enum class OfficeKind;
class SessionCommands;
class QMenu;

// What the frame hands to features that live in other windows. Each is
// filled by the subsystem that owns the feature; an empty one means the
// feature is not in the program yet, and the frame does only its own part.
struct MainFrameHooks {
    std::function<void(const std::string& path)> load_board_file;  // start-up with a ".bod"
    std::function<void(const std::string& path)> play_record_file; // start-up with a ".mrd" that opens
    std::function<bool(const char* body, int len)> open_private_chat;
    std::function<void()> start_desktop_share;                     // the desktop share was approved
    std::function<void()> show_full_screen;
    std::function<void()> leave_full_screen;
    std::function<void(bool frame)> open_shared_browser;
    std::function<void(const std::string& path)> play_sound;       // a member joined
};
MainFrameHooks& main_frame_hooks();

// The longest body a window message may carry: the receive buffer.
inline constexpr intptr_t window_message_body_limit = 8192;
inline constexpr int member_name_limit = 127;
inline constexpr int greeting_limit = 2047;
inline constexpr int meeting_clock_width_px = 160;
inline constexpr int talk_bar_width_px = 60;

class CMainFrame : public CMyFrameWnd, public WindowTarget {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    // Start-up step of the frame, once it is shown: auto-connect or the
    // Connect dialog, the launcher's reconnect, a file to open or play.
    void run_start_up_actions();

    CommandRegistry& commands() { return *commands_; }
    SessionCommands& session() { return *session_; }
    // The state the commands read: the meeting's and the frame's own flags.
    CommandState command_state() const;

    // The upper views: 1 whiteboard, 2 video, 3 shared screen, 4 playback.
    // Other indexes change nothing (-1).
    int show_upper_view(int index);
    int switch_to_share_view() { return show_upper_view(upper_view_share); }
    int switch_to_board_view() { return show_upper_view(upper_view_board); }
    int switch_to_video_view() { return show_upper_view(upper_view_video); }
    int switch_to_playback_view() { return show_upper_view(upper_view_playback); }

    CBrenmoView* brenmo_view() const { return brenmo_view_; }
    CLeftForm* left_form() const { return left_form_; }
    CMySplitterWnd* outer_splitter() const { return splitter_; }
    CMyRebar* rebar() const { return rebar_; }
    CMyToolBar* band(int index) const { return bands_[static_cast<size_t>(index)]; }
    bool band_shown(int index) const;
    QMenu* menu(int index) const;
    int menu_count() const;
    CMyStatusBar* status_bar() const { return status_bar_; }
    CMyMenu* menu_bar() const { return menu_bar_; }
    QString status_text() const;
    QString meeting_clock_text() const;

    int show_draw_bar = 1;
    int show_misc_bar = 1;
    int show_talk_bar = 1;
    // Set while the window-picking command waits for its click.
    int picking_window = 0;
    int picking_desktop = 0;

    // The text setters of the title and status window messages.
    void OnMyMsgSetTitle();
    void OnMyMsgStatusText();
    void set_status_text(const QString& text);

    // Window messages.
    void OnMyMsgTalkStarted();
    void OnMyMsgTalkStopped();
    void OnMyMsgMeetingTime(int64_t elapsed_s);
    void OnMyMsgPrivateChatFromServer(const char* body, intptr_t len);
    void OnMyMsgShareDesktopApproved();
    void OnMyMsgShareDesktopDenied();
    void OnMyMsgShareAppEnded();
    void OnMyMsgShareDeskEnded();
    void OnMyMsgUpperView(int index);
    // Shows an upper view; the one the share view covers is kept to come back to.
    int show_upper_view_only(int index);
    void leave_ended_share();
    void OnMyMsgShowTalkBar();
    void OnMyMsgChairmanDenied();
    void OnMyMsgChairmanApproved();
    void OnMyMsgChairmanGivenUp();
    void OnMyMsgPresenterApproved();
    void OnMyMsgPresenterGivenUp();
    void OnMyMsgPresenterDenied();
    void OnMyMsgBoardZoom(int board, bool on);
    void OnMyMsgFullScreen();
    void OnMyMsgExitFullScreen();
    void OnMyMsgNewVersion();
    void ask_for_update();
    void OnMyMsgRoomCaption();
    void OnMyMsgMemberNotice(uint32_t msg, const char* name);
    void OnMyMsgChairmanControlMode();
    void OnMyMsgFreeLanceMode();
    void OnMyMsgBecomePresenter();
    void OnMyMsgBecomeChairman();
    void OnMyMsgPresenterApply(int applicant);
    void OnMyMsgOpenSharedBrowser(bool frame);

    // Commands.
    void OnStartMeeting();
    void OnStopMeeting();
    void OnShareApplication();
    void OnShareDesktop();
    void OnShareOffice(OfficeKind kind);
    // The choose-browser dialog, then the browser window pushing or the system browser's share.
    void OnShareBrowser();
    void OnLogout();
    void OnWorkOffline();
    void OnMeetingTalk();
    void OnTakeOverMic();
    void OnChairmanControlMode();
    void OnFreeLanceMode();
    void OnRequestChairman();
    void OnRequestPresenter();
    void OnRaiseHand();
    void OnPushMode();
    void OnShowVideo();
    void OnBoardTool(int tool_code);
    void OnShowPointer();
    void OnBoardZoom();
    void OnBoardUndo();
    void OnBoardRedo();
    void OnBoardReload();
    void OnBoardClear();
    void OnBoardLock();
    void OnBoardOpen();
    void OnBoardSave();
    void OnBoardSaveAs();
    void OnBoardUpload();
    void OnNetSpeedTest();
    void OnRecordStart();
    void OnRecordPause();
    void OnRecordStop();
    void OnToggleBar(int band_index);
    void OnHelp();
    void OnAppAbout();
    // The Options sheet, opened without a local event loop (the sheet deletes itself).
    void OnOptions();
    void OnVolumeControl();
    void OnInternetUpdate();
    void OnCustomerFeedBack();
    void OnTellFriend();
    void OnNotifyAttenders();
    void OnInviteURL();
    // A new scheme is current: the menus' brush and the bars' pictures are
    // made again from it, and everything repaints.
    void reload_skin();
    void OnEditCopy();
    void OnEditPaste();

    // Asks the questions that closing needs; false when the user stays.
    bool confirm_exit();
    bool closing() const { return closing_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int OnCreate();
    bool OnCreateClient();
    void create_bands();
    void create_status_bar();
    void create_menu();
    void install_handlers();
    void install_board_file_commands();
    void set_band_shown(int band_index, bool shown);
    void save_splitter_sizes();
    void open_show_me();
    bool body_usable(uint32_t msg, const void* body, intptr_t len, intptr_t limit);

    CommandRegistry* commands_ = nullptr;
    SessionCommands* session_ = nullptr;
    CMySplitterWnd* splitter_ = nullptr;
    CLeftForm* left_form_ = nullptr;
    CBrenmoView* brenmo_view_ = nullptr;
    CMyRebar* rebar_ = nullptr;
    std::array<CMyToolBar*, 3> bands_ {};
    CMyStatusBar* status_bar_ = nullptr;
    CMyMenu* menu_bar_ = nullptr;
    std::vector<QMenu*> menus_;
    bool closing_ = false;
    // The stored splitter sizes, put in place once the window has its size.
    FrameLayoutSettings stored_layout_;
    bool layout_restored_ = false;
    int view_before_share_ = upper_view_video;
    WindowSlotBinding slot_binding_ { WindowSlot::main_frame, this };
};

// The frame while it exists (UI thread); workers reach it through its slot.
extern CMainFrame* g_main_frame;
