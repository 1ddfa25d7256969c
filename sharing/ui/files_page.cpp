#include "sharing/ui/files_page.h"

#include "core/dbg_log.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/ui_text.h"
#include "dialogs/event_notice.h"
#include "platform/ui/file_dialog.h"
#include "platform/ui/translations.h"
#include "sharing/co_browse.h"
#include "sharing/file_share.h"
#include "sharing/office_share.h"
#include "sharing/ui/clipboard_share.h"
#include "sharing/ui/dlg_download_progress.h"
#include "sharing/ui/dlg_upload_progress.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_list_ctrl.h"
#include "skin/ui/my_static.h"
#include "skin/ui/my_status_bar.h"
#include "skin/ui/wnd_status_indicator.h"
#include "whiteboard/meeting_playback.h"

#include <QDir>
#include <QResizeEvent>
#include <QStandardPaths>
#include <QTimerEvent>

namespace {

constexpr int list_top_px = 30;
constexpr int list_height_px = 160;
constexpr int edit_top_px = 195;
constexpr int edit_height_px = 20;
constexpr int page_timer_ms = 1000;
constexpr int button_gap_px = 4;

struct ButtonSpec {
    int id;
    const char* text;
    bool shown;
};
// Word, Excel, Powerpoint and IE stay hidden: those shares start from the
// main frame. Upload and Download Clipboard show: hidden, nothing else
// could start a clipboard share.
constexpr ButtonSpec button_specs[] = {
    { 1029, "Browse...", true },         { 1030, "Upload", true },       { 1028, "Download...", true },
    { 1031, "Refresh", true },           { 1037, "Delete", true },       { 1161, "Upload Clipboard", true },
    { 1160, "Download Clipboard", true }, { 1140, "Word", false },       { 1141, "Excel", false },
    { 1142, "Powerpoint", false },        { 1143, "IE", false },
};
// The main frame's Share Word, Share Excel, Share PowerPoint and Share Browser.
constexpr std::pair<int, int> share_commands[] = { { 1140, 32898 }, { 1141, 32897 }, { 1142, 32900 }, { 1143, 32904 } };

int run_upload_dialog()
{
    CDlgUploadProgress dlg;
    dlg.end_when_done = 1;
    return dlg.exec();
}

// Positions travel in wparam as the receivers' signed values.
int as_int(uintptr_t wparam) { return static_cast<int>(static_cast<intptr_t>(wparam)); }

// A dropped announcement still brings the server's "is sharing": the notice
// would name the file of an earlier share.
void office_shared_notice(const OfficeShare& share, const char* format, const std::string& sharer)
{
    if (!share.announcement_taken()) {
        dbg_log("shared notice without a taken announcement: %s\n", sharer.c_str());
        return;
    }
    show_event_printf(format, sharer.c_str(), share.local_file_name().c_str());
}

int run_download_dialog()
{
    CDlgDownloadProgress dlg;
    dlg.end_when_done = 1;
    return dlg.exec();
}

} // namespace

FilesPageSteps& files_page_steps()
{
    static FilesPageSteps steps;
    return steps;
}

void install_file_share_windows()
{
    file_share_windows().run_upload_dialog = run_upload_dialog;
    file_share_windows().run_download_dialog = run_download_dialog;
    FilesPageSteps& steps = files_page_steps();
    steps.powerpoint_position = [] { share_ppt().do_timer_ppt(); };
    steps.word_position = [] { share_word().do_timer_word(); };
    steps.excel_position = [] { share_excel().do_timer_excel(); };
    steps.browser_position = [] { share_ie().do_timer_ie(); };
    // A played-back document lies in "share/" under its recorded name; its
    // open message follows.
    PlaybackOfficeHooks& playback = playback_office_hooks();
    playback.document_arrived = [](uint32_t type, const std::string& name) {
        OfficeKind kind = type == record_type_word_doc    ? OfficeKind::text
                          : type == record_type_excel_doc ? OfficeKind::sheet
                                                          : OfficeKind::presentation;
        office_share(kind).set_local_file_name(name);
    };
    playback.excel_cell = [](int column, int row) { share_excel().set_received_cell(column, row); };
}

CLeftFormFiles::CLeftFormFiles(QWidget* parent) : Cgood_dlg_no_upper(151, parent)
{
    // A page inside the tab control, not a window of its own.
    setWindowFlags(Qt::Widget);
    label_ = new CMyStatic(1089, tr_ui("files in share:"), this);
    list_ = new CMyListCtrl(1034, this);
    list_->insert_column(0, tr_ui("File Name"), 150);
    list_->insert_column(1, tr_ui("File Size"), 100);
    edit_ = new CMyEdit_no_scroll(1002, this);
    edit_->setMaxLength(static_cast<int>(share_path_limit));
    for (size_t i = 0; i < std::size(button_specs); ++i) {
        const ButtonSpec& spec = button_specs[i];
        auto* b = new CMyButton(spec.id, tr_ui(spec.text), this);
        b->setVisible(spec.shown);
        buttons_[i] = b;
    }
    connect(button(1029), &QPushButton::clicked, this, &CLeftFormFiles::OnBrowse);
    connect(button(1030), &QPushButton::clicked, this, &CLeftFormFiles::OnUpload);
    connect(button(1028), &QPushButton::clicked, this, &CLeftFormFiles::OnDownload);
    connect(button(1031), &QPushButton::clicked, this, &CLeftFormFiles::OnRefresh);
    connect(button(1037), &QPushButton::clicked, this, &CLeftFormFiles::OnDelete);
    connect(button(1161), &QPushButton::clicked, this, &CLeftFormFiles::OnUploadClipboard);
    connect(button(1160), &QPushButton::clicked, this, &CLeftFormFiles::OnDownloadClipboard);
    for (auto [id, command] : share_commands) {
        connect(button(id), &QPushButton::clicked, this,
                [command] { post_window_message(WindowSlot::main_frame, WM_COMMAND, static_cast<uintptr_t>(command)); });
    }
    connect(list_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) { OnDblclkList(index.row()); });
    ppt_file_downloading = 0;
    word_file_downloading = 0;
    excel_file_downloading = 0;
    timer_.start(page_timer_ms, this);
}

CLeftFormFiles::~CLeftFormFiles() = default;

CMyButton* CLeftFormFiles::button(int id) const
{
    for (size_t i = 0; i < std::size(button_specs); ++i) {
        if (button_specs[i].id == id)
            return buttons_[i];
    }
    return nullptr;
}

void CLeftFormFiles::resizeEvent(QResizeEvent* event)
{
    Cgood_dlg_no_upper::resizeEvent(event);
    const int w = event->size().width();
    label_->setGeometry(4, 6, std::max(0, w - 8), 20);
    list_->setGeometry(0, list_top_px, w, list_height_px);
    edit_->setGeometry(0, edit_top_px, w, edit_height_px);
    place_buttons(edit_top_px + edit_height_px + 8, w);
}

// The shown buttons in rows under the edit, each as wide as its text needs.
void CLeftFormFiles::place_buttons(int top, int width)
{
    int x = 0;
    int y = top;
    int row_height = 0;
    for (CMyButton* b : buttons_) {
        if (b->isHidden())
            continue;
        QSize size = b->sizeHint();
        if (x > 0 && x + size.width() > width) {
            x = 0;
            y += row_height + button_gap_px;
            row_height = 0;
        }
        b->setGeometry(x, y, size.width(), size.height());
        x += size.width() + button_gap_px;
        row_height = std::max(row_height, size.height());
    }
}

std::string CLeftFormFiles::selected_name() const
{
    int row = list_->next_selected_item();
    if (row < 0)
        return {};
    return list_->item_text(row, 0).toStdString();
}

void CLeftFormFiles::OnBrowse()
{
    QString path = choose_open_file(this, tr_ui("All Files (*.*)|*.*||"));
    if (!path.isEmpty())
        edit_->setText(path);
}

void CLeftFormFiles::OnUpload() { file_share_upload(edit_->text().toStdString()); }

void CLeftFormFiles::OnDownload()
{
    if (list_->next_selected_item() < 0) {
        message_box_id(33940);
        return;
    }
    std::string name = selected_name();
    if (name.empty()) {
        message_box_printf("No item is selected!\n");
        return;
    }
    // The entry's name passed the plain-name check when it was listed. The
    // dialog offers it in the user's documents (a bare name alone would open
    // in the program's working folder).
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QString start = QDir(folder).filePath(QString::fromStdString(name));
    QString path = choose_save_file(this, tr_ui("All Files (*.*)|*.*||"), QString(), start);
    if (path.isEmpty())
        return;
    file_share_download(name, path.toStdString());
}

void CLeftFormFiles::OnRefresh()
{
    send_file_list_refresh();
    list_->delete_all_items();
}

void CLeftFormFiles::OnDelete()
{
    std::string name = selected_name();
    if (name.empty()) {
        message_box_id(33941);
        return;
    }
    send_file_delete(name);
}

void CLeftFormFiles::OnUploadClipboard() { upload_clipboard(); }

void CLeftFormFiles::OnDownloadClipboard()
{
    if (list_->next_selected_item() < 0) {
        message_box_id(33940);
        return;
    }
    std::string name = selected_name();
    if (name.size() < 6 || name.compare(name.size() - 6, 6, "nclp.z") != 0) {
        message_box_id(34057);
        return;
    }
    download_clipboard(cut_copy(name, clipboard_name_limit));
}

void CLeftFormFiles::OnDblclkList(int row)
{
    if (row < 0 || list_->next_selected_item() < 0)
        return;
    std::string name = list_->item_text(row, 0).toStdString();
    if (name.size() > 7 && name.compare(name.size() - 7, 7, clipboard_file_suffix) == 0)
        OnDownloadClipboard();
    else
        OnDownload();
}

void CLeftFormFiles::add_entry(const char* body, intptr_t len, bool first)
{
    std::string name;
    long long size = 0;
    if (!parse_file_list_entry(body, static_cast<int>(len), name, size))
        return;
    if (first)
        list_->delete_all_items();
    // Newest first: entries arrive oldest first and go in at the top.
    list_->insert_item(0, QString::fromStdString(name));
    list_->set_item_text(0, 1, QString::number(size));
    list_->set_item_data(0, size);
    list_->viewport()->update();
}

void CLeftFormFiles::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timer_.timerId())
        OnTimer();
    else
        Cgood_dlg_no_upper::timerEvent(event);
}

void CLeftFormFiles::OnTimer()
{
    try {
        FilesPageSteps& steps = files_page_steps();
        for (const auto* step : { &steps.powerpoint_position, &steps.word_position, &steps.excel_position, &steps.browser_position }) {
            if (*step)
                (*step)();
        }
        // The connection light, without erasing it.
        if (g_status_bar && g_status_bar->m_indicator)
            g_status_bar->m_indicator->update();
    } catch (...) {
        dbg_log("exception in CLeftFormFiles::OnTimer.\n");
    }
}

intptr_t CLeftFormFiles::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    const char* body = reinterpret_cast<const char*>(wparam);
    switch (msg) {
    case WM_MY_MSG_FILE_LIST_FIRST: add_entry(body, lparam, true); break;
    case WM_MY_MSG_FILE_LIST_ADD: add_entry(body, lparam, false); break;
    case WM_MY_MSG_FILE_LIST_CHANGED: OnRefresh(); break;
    case WM_MY_MSG_PPT_FILE_READY:
        office_file_ready(share_ppt(), ppt_file_downloading, "m_ppt_file_down_in_progress==1 in OnMyMsgPPTFileReady\r\n");
        break;
    case WM_MY_MSG_WORD_FILE_READY:
        office_file_ready(share_word(), word_file_downloading, "m_word_file_down_in_progress==1 in OnMyMsgWordFileReady\r\n");
        break;
    case WM_MY_MSG_EXCEL_FILE_READY:
        office_file_ready(share_excel(), excel_file_downloading,
                          "m_excel_file_down_in_progress==1 in OnMyMsgExcelFileReady\r\n");
        break;
    // Playback wrote the document into "share/" and set its name before.
    case WM_MY_MSG_PPT_OPEN: share_ppt().open_shared_file(); break;
    case WM_MY_MSG_WORD_OPEN: share_word().open_shared_file(); break;
    case WM_MY_MSG_EXCEL_OPEN: share_excel().open_shared_file(); break;
    case WM_MY_MSG_PPT_SHOW: share_ppt().show(as_int(wparam), static_cast<int>(lparam)); break;
    case WM_MY_MSG_WORD_POSITION: share_word().set_scroll_position(as_int(wparam)); break;
    case WM_MY_MSG_EXCEL_SHEET:
        share_excel().set_current_sheet(as_int(wparam));
        share_excel().set_scroll_position();
        break;
    case WM_MY_MSG_EXCEL_CHART: share_excel().set_current_chart(as_int(wparam)); break;
    case WM_MY_MSG_PPT_CLOSE: share_ppt().close_app(); break;
    case WM_MY_MSG_WORD_CLOSE: share_word().close_app(); break;
    case WM_MY_MSG_EXCEL_CLOSE: share_excel().close_app(); break;
    case WM_MY_MSG_PPT_SHARED:
        office_shared_notice(share_ppt(), "%s is sharing PowerPoint:\n%s.", g_ppt_sharer.get());
        break;
    case WM_MY_MSG_WORD_SHARED:
        office_shared_notice(share_word(), "%s is sharing Word:\n%s", g_word_sharer.get());
        break;
    case WM_MY_MSG_EXCEL_SHARED:
        office_shared_notice(share_excel(), "%s is sharing Excel:\n%s.", g_excel_sharer.get());
        break;
    case WM_MY_MSG_CLIPBOARD_OFFERED: {
        std::string name = g_clipboard_file_name.get();
        if (message_box_id_yes_no(34059) == IDYES)
            download_clipboard(name);
        break;
    }
    case WM_MY_MSG_AUTO_IE_OPEN_URL: share_ie().open_url(); break;
    case WM_MY_MSG_AUTO_IE_OPEN_FRAME_URL: share_ie().open_frame_url(); break;
    default: break;
    }
    return 0;
}
