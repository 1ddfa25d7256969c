// The frame's whiteboard-file commands (open, save, save as, upload to the
// room) and the network speed test.

#include "core/message_box.h"
#include "dialogs/ui/dlg_net_speed.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/translations.h"
#include "shell/ui/command_registry.h"
#include "shell/ui/main_frame.h"
#include "whiteboard/board_bmp_transfer.h"
#include "whiteboard/board_file.h"
#include "whiteboard/board_model.h"
#include "whiteboard/ui/board_picture_upload.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr size_t board_path_limit = 255;

std::string page_path(int board) { return g_board[static_cast<size_t>(board)].file_path.data(); }

void set_page_path(int board, const std::string& path) { copy_to_field(g_board[static_cast<size_t>(board)].file_path, path); }

// A path the page's field cannot hold whole would name another file.
bool path_fits(const std::string& path)
{
    if (path.size() <= board_path_limit)
        return true;
    message_box_printf("failed to open %s.", path.c_str());
    return false;
}

// The dialogs open at the page's file, else in the user's documents.
QString dialog_start(int board)
{
    std::string path = page_path(board);
    if (!path.empty())
        return QString::fromStdString(path);
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).exists() ? documents : QDir::homePath();
}

} // namespace

void CMainFrame::install_board_file_commands()
{
    CommandRegistry& r = *commands_;
    r.set_handler(cmd::board_open, [this] { OnBoardOpen(); });
    r.set_handler(cmd::board_save, [this] { OnBoardSave(); });
    r.set_handler(cmd::board_save_as, [this] { OnBoardSaveAs(); });
    r.set_handler(cmd::board_upload, [this] { OnBoardUpload(); });
    r.set_handler(cmd::net_speed_test, [this] { OnNetSpeedTest(); });
    install_board_picture_upload();
    // A ".bod" given at start: the path is already the current page's.
    if (!main_frame_hooks().load_board_file)
        main_frame_hooks().load_board_file = [](const std::string&) { board_file_load(g_current_board); };
    // While the board upload waits for a picture, what the upload thread
    // posts (its message boxes) still reaches the screen; the user's input waits.
    set_bmp_upload_wait_step([](int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, ms);
            QThread::msleep(5);
        }
    });
}

void CMainFrame::OnBoardOpen()
{
    int board = g_current_board;
    if (!board_index_valid(board))
        return;
    std::string path = choose_open_file(this, tr_ui(board_file_filter), dialog_start(board)).toStdString();
    if (path.empty() || !path_fits(path))
        return;
    // A file refused leaves the page as it was, its file name too.
    std::string before = page_path(board);
    set_page_path(board, path);
    if (board_file_load(board) != 0)
        set_page_path(board, before);
}

void CMainFrame::OnBoardSave()
{
    int board = g_current_board;
    if (!board_index_valid(board))
        return;
    if (page_path(board).empty()) {
        OnBoardSaveAs();
        return;
    }
    board_file_save(board);
}

void CMainFrame::OnBoardSaveAs()
{
    int board = g_current_board;
    if (!board_index_valid(board))
        return;
    std::string path = choose_save_file(this, tr_ui(board_file_filter), "bod", dialog_start(board)).toStdString();
    if (path.empty() || !path_fits(path))
        return;
    set_page_path(board, path);
    board_file_save(board);
}

void CMainFrame::OnBoardUpload()
{
    if (message_box_printf_yes_no("Upload the board content to server will clear the \ncurrent board content of other "
                                  "users.\n Are you sure to continue?")
        != IDYES)
        return;
    if (board_upload_board_to_server(g_current_board) == 0)
        message_box_printf("Upload white board to server done.");
}

void CMainFrame::OnNetSpeedTest()
{
    CDlgNetSpeed dialog(this);
    dialog.exec();
}
