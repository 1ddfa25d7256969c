#include "shell/ui/brenmo_app.h"

#include "core/connection_threads.h"
#include "core/connections.h"
#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/title_status.h"
#include "dialogs/ui/event_notices.h"
#include "sharing/co_browse.h"
#include "sharing/ui/dlg_ie.h"
#include "sharing/ui/files_page.h"
#include "platform/sys/clock.h"
#include "platform/sys/single_instance.h"
#include "shell/command_line.h"
#include "shell/program_parts.h"
#include "shell/ui/dlg_private_chat.h"
#include "shell/ui/main_frame.h"
#include "whiteboard/ui/play_commands.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <unistd.h>

CBrenmoApp::CBrenmoApp(std::string command_line) : command_line_(std::move(command_line)) {}

CBrenmoApp::~CBrenmoApp() = default;

bool CBrenmoApp::InitInstance()
{
    g_global_state_ready = 0;
    if (platform::acquire_single_instance("kelo_tamblo") == platform::InstanceLock::already_running) {
        message_box_printf("An instance of Tamblo is already running.");
        return false;
    }

    clear_bmp_folder();
    clear_share_folder();

    install_program_parts();
    init_global_state();
    g_global_state_ready = 1;
    install_event_notices();
    install_file_share_windows();

    if (!command_line_.empty()) {
        g_auto_connect_allowed = 0;
        parse_launch_command_line(command_line_);
    }

    main_frame_ = std::make_unique<CMainFrame>();
    // Without a window manager "maximised" means nothing, so fill the screen ourselves.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        main_frame_->setGeometry(screen->availableGeometry());
    main_frame_->showMaximized();
    set_title_printf("Tamblo");
    start_program_threads();
    // The frame's start-up actions (auto-connect or the Connect dialog, a file
    // to open or play) run once the loop runs, so their dialogs open over the window.
    QTimer::singleShot(0, main_frame_.get(), &CMainFrame::run_start_up_actions);
    return true;
}

int CBrenmoApp::ExitInstance(int exit_code)
{
    try {
        // The playback thread may be sending to a window: it ends while the windows still answer.
        stop_playback_at_exit();
        share_ie().share_ie_close();
        GlobalStateSteps& steps = global_state_steps();
        if (window_exists(WindowSlot::share_view) && steps.remove_share_hooks)
            steps.remove_share_hooks();
        if (main_frame_) {
            g_main_sock.close_socket();
            g_share_app_sock.close_socket();
            g_voice_sock.close_socket();
            g_file_sock.close_socket();
            platform::sleep_ms(100);
        }
        // The watchdog reads the connections: it ends before they go.
        stop_connection_watchdog();
        if (steps.stop_talking)
            steps.stop_talking();
        platform::sleep_ms(100);
        if (g_global_state_ready == 1)
            free_global_resources();
        remove_event_notices();
        // The browser pages end before the engine's profile and the application.
        destroy_dlg_ie();
        main_frame_.reset();
        // The private chats have no parent: they go with the program.
        destroy_private_chats();
    } catch (...) {
        dbg_log("exception in CBrenmoApp::ExitInstance.\n");
        ::_exit(0);
    }
    return exit_code;
}
