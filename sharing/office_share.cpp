#include "sharing/office_share.h"

#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/colon_fields.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "core/window_messages.h"
#include "core/wire_builders.h"
#include "platform/sys/clock.h"
#include "platform/sys/paths.h"
#include "sharing/file_share.h"
#include "sharing/office_recording.h"

#include <ctime>
#include <mutex>

namespace {

std::mutex& factory_lock()
{
    static std::mutex m;
    return m;
}

OfficeDriverFactory& factory()
{
    static OfficeDriverFactory f;
    return f;
}

std::unique_ptr<OfficeDriver> make_driver(OfficeKind kind)
{
    std::lock_guard hold(factory_lock());
    return factory() ? factory()(kind) : nullptr;
}

std::string user_share_folder()
{
    std::string user;
    if (get_user_folder(user) != 0)
        return {};
    return user + "share/";
}

} // namespace

void set_office_driver_factory(OfficeDriverFactory f)
{
    std::lock_guard hold(factory_lock());
    factory() = std::move(f);
}

std::string office_local_file_name(int day, int hour, int minute, int second, std::string_view received)
{
    return format_text("%d%d%d%d_", day, hour, minute, second) + cut_copy(received, office_received_name_limit);
}

bool office_name_allowed(std::string_view name)
{
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return false;
    }
    return is_plain_file_name(std::string(name));
}

// ---- what the three share -----------------------------------------------------

OfficeShare::OfficeShare(OfficeKind kind, const char* class_name) : m_kind(kind), m_class(class_name) {}

template <class Fn>
int OfficeShare::guarded(const char* what, Fn fn)
{
    try {
        fn();
        return 0;
    } catch (const std::exception&) {
        dbg_log("exception in %s::%s().\n", m_class, what);
    } catch (...) {
        dbg_log("exception in %s::%s().\n", m_class, what);
    }
    return -1;
}

void OfficeShare::reset()
{
    m_app = make_driver(m_kind);
    m_sharing = 0;
    m_local_file_name.clear();
    m_fail_count = 0;
    m_viewer_fail_count = 0;
    m_own_document = false;
    forget_positions();
}

void OfficeShare::set_local_file_name(std::string_view name) { m_local_file_name.set(cut_copy(name, office_name_limit)); }

bool OfficeShare::probe()
{
    if (!m_app || !m_app->started())
        return false;
    bool good = false;
    guarded("app_is_good", [&] { good = m_app->is_good(); });
    return good;
}

bool OfficeShare::application_gone()
{
    bool gone = false;
    guarded("app_is_good", [&] { gone = m_app->gone(); });
    return gone;
}

int OfficeShare::close_app()
{
    if (!m_app || !m_app->started())
        return 0;
    int result = guarded("close_app", [&] {
        if (m_app->has_document() && !(m_own_document && m_app->modified()))
            m_app->close_document();
    });
    // The handle goes whatever became of the document.
    if (guarded("close_app", [&] { m_app->quit(); }) != 0)
        result = -1;
    m_own_document = false;
    return result;
}

int OfficeShare::start_app()
{
    if (!m_app)
        m_app = make_driver(m_kind);
    int result = -1;
    if (m_app && m_app->start() == 0)
        result = guarded("start_app", [&] { m_app->set_visible(); });
    if (result != 0)
        message_box_printf("%s", tr_text(start_failure_text()).c_str());
    return result;
}

void OfficeShare::end_share()
{
    m_sharing = 0;
    m_fail_count = 0;
    send_cmd_to_all(close_number());
    record_close();
}

void OfficeShare::count_viewer_failure(int viewer_failed_number)
{
    if (++m_viewer_fail_count >= office_viewer_fail_limit) {
        m_viewer_fail_count = 0;
        send_cmd(viewer_failed_number);
    }
}

int OfficeShare::do_share(const OfficeFileChooser& choose)
{
    if (g_logged_in != 1) {
        message_box_id(33937);
        return -1;
    }
    if (g_room_number < 0) {
        message_box_id(33938);
        return -1;
    }
    std::string path = choose ? choose(filter()) : std::string();
    if (path.empty())
        return 0;
    std::string bare = share_bare_name(cut_copy(path, share_path_limit));
    // The room's files keep names of at most 63 bytes: a longer one would
    // be announced but never found.
    if (bare.empty() || bare.size() > share_name_limit) {
        message_box_printf("The file name %s is longer than 63 characters. Please rename the file to upload it.", bare.c_str());
        return -1;
    }
    m_sharing = 1;
    if (upload_file_with_progress(path) != 0)
        return -1;
    before_announce();
    platform::sleep_ms(office_announce_wait_ms);
    set_local_file_name(bare);
    send_cmd_data(share_number(), bare);
    record_document(path);
    after_announce();
    // The viewers were told: a share that cannot start is closed for them too.
    if (start_app() != 0) {
        end_share();
        return -1;
    }
    try {
        m_app->open(path);
    } catch (...) {
        dbg_log("exception in %s::do_share() good_pos=%d.\n", m_class, 9);
        end_share();
        close_app();
        return -1;
    }
    m_own_document = true;
    m_fail_count = 0;
    forget_positions();
    after_share_opened();
    return 0;
}

int OfficeShare::open_shared_file()
{
    m_sharing = 0;
    std::string path = user_share_folder() + m_local_file_name.get();
    record_document(path);
    close_app();
    forget_positions();
    m_viewer_fail_count = 0;
    if (start_app() != 0)
        return -1;
    int result = guarded("open_shared_file", [&] { m_app->open(path); });
    m_own_document = false;
    return result;
}

// ---- PowerPoint: slides and the show ----------------------------------------

Cshare_ppt::Cshare_ppt() : OfficeShare(OfficeKind::presentation, "Cshare_ppt") {}

const char* Cshare_ppt::filter() const { return "Power Point Files (*.ppt)|*.ppt|All Files (*.*)|*.*||"; }
int Cshare_ppt::share_number() const { return MSG_PPT_SHARE_FILE; }
int Cshare_ppt::close_number() const { return MSG_PPT_CLOSE; }
const char* Cshare_ppt::start_failure_text() const { return "Couldn't start LibreOffice Impress."; }
void Cshare_ppt::record_document(const std::string& path) { record_ppt_share_doc(path.c_str()); }
void Cshare_ppt::record_close() { record_ppt_event_2(); }

void Cshare_ppt::forget_positions()
{
    m_busy_count = 0;
    m_last_slide = -1;
    m_show_mode = -1;
}

void Cshare_ppt::after_announce() { close_app(); }

void Cshare_ppt::after_share_opened()
{
    m_show_mode = -1;
    start_slide_show();
}


int Cshare_ppt::app_is_good()
{
    if (!probe())
        return 0;
    bool visible = false;
    guarded("app_is_good", [&] { visible = m_app->visible(); });
    return visible ? 1 : 0;
}

void Cshare_ppt::do_timer_ppt()
{
    if (!m_app || !m_app->started())
        return;
    bool visible = false;
    if (!probe()) {
        // Closed or ended is not busy: it counts as not visible, so the share ends.
        if (!application_gone()) {
            dbg_log("ppt is busy, waiting, count:%d\n", ++m_busy_count);
            return;
        }
    } else if (guarded("do_timer_ppt", [&] { visible = m_app->visible(); }) != 0) {
        return;
    }
    if (visible) {
        OfficeWindowState state = OfficeWindowState::minimized;
        if (guarded("do_timer_ppt", [&] { state = m_app->window_state(); }) == 0 && state != OfficeWindowState::minimized)
            do_notify_server();
        return;
    }
    if (m_sharing == 1 && ++m_fail_count > office_fail_ticks)
        end_share();
}

int Cshare_ppt::do_notify_server()
{
    if (m_sharing != 1)
        return 0;
    PresentationDriver* ppt = app();
    int bad_pos = 0;
    try {
        if (!ppt->has_document())
            return 0;
        bad_pos = 1;
        m_slide_count = ppt->slide_count();
        bad_pos = 2;
        int index = 0;
        int mode = 0;
        if (!ppt->has_slide_show_window()) {
            bad_pos = 3;
            if (m_slide_count != 0)
                index = ppt->view_slide_index();
        } else {
            bad_pos = 4;
            if (ppt->show_position() > m_slide_count)
                return -1;
            bad_pos = 5;
            index = ppt->show_slide_index();
            mode = 1;
        }
        send_cmd_data_to_all(MSG_PPT_SLIDE, format_text("%4d:%4d", index, mode));
        record_ppt_event_1(index, mode);
        return 0;
    } catch (...) {
        dbg_log("exception1 in Cshare_ppt::do_notify_server(), bad_pos:%d.\n", bad_pos);
    }
    return -1;
}

void Cshare_ppt::show(int slide, int mode)
{
    set_current_slide_index(slide);
    int switched = 0;
    if (mode == 1)
        switched = start_slide_show();
    else if (mode == 0)
        switched = exit_slide_show();
    // A show starts, and a normal view comes back, at a slide of its own:
    // the sharer's slide goes to the new view too.
    if (switched == 1) {
        m_last_slide = -1;
        set_current_slide_index(slide);
    }
}

int Cshare_ppt::set_current_slide_index(int index)
{
    if (index < 0) {
        dbg_log("slide index:%d < 0 in Cshare_ppt::set_current_slide_index\n", index);
        return -1;
    }
    bool open = false;
    if (app_is_good())
        guarded("set_current_slide_index", [&] { open = m_app->has_document(); });
    if (!open) {
        count_viewer_failure(MSG_PPT_VIEWER_FAILED);
        return -1;
    }
    if (index == m_last_slide)
        return 0;
    m_last_slide = index;
    PresentationDriver* ppt = app();
    int result = -1;
    guarded("set_current_slide_index", [&] {
        m_slide_count = ppt->slide_count();
        if (index > m_slide_count) {
            dbg_log("index:%d > m_slide_count-1: %d in set_current_slide_index.\n", index, m_slide_count);
            return;
        }
        if (ppt->has_slide_show_window()) {
            ppt->show_goto_slide(index);
            result = 0;
            return;
        }
        int windows = ppt->window_count();
        if (windows < 0) {
            dbg_log("Cshare_ppt::set_current_slide_index, m_document_windows is NULL.\n");
            return;
        }
        if (windows > 0) {
            if (!ppt->has_active_window()) {
                dbg_log("Cshare_ppt::set_current_slide_index, m_document_window is NULL.\n");
                return;
            }
            if (!ppt->has_view()) {
                dbg_log("Cshare_ppt::set_current_slide_index, m_view is NULL.\n");
                return;
            }
            if (ppt->view_slide_index() == 0) {
                dbg_log("Cshare_ppt::set_current_slide_index, m_slide is NULL.\n");
                return;
            }
            ppt->view_goto_slide(index);
        }
        result = 0;
    });
    if (result == 0)
        m_viewer_fail_count = 0;
    return result;
}

// 1 when the show was started now.
int Cshare_ppt::start_slide_show()
{
    if (m_show_mode == 1 || !m_app || !m_app->started())
        return 0;
    PresentationDriver* ppt = app();
    int started = 0;
    guarded("start_slide_show", [&] {
        if (ppt->slide_count() > 0) {
            ppt->show_run();
            m_show_mode = 1;
            started = 1;
        }
    });
    return started;
}

// 1 when the show was ended now.
int Cshare_ppt::exit_slide_show()
{
    if (m_show_mode == 0 || !m_app || !m_app->started())
        return 0;
    PresentationDriver* ppt = app();
    int ended = 0;
    guarded("exit_slide_show", [&] {
        if (ppt->has_slide_show_window()) {
            ppt->show_exit();
            m_show_mode = 0;
            ended = 1;
        }
    });
    return ended;
}

// ---- Word: the scroll position ----------------------------------------------

Cshare_word::Cshare_word() : OfficeShare(OfficeKind::text, "Cshare_word") {}

const char* Cshare_word::filter() const { return "Word Files (*.doc)|*.doc|All Files (*.*)|*.*||"; }
int Cshare_word::share_number() const { return MSG_WORD_SHARE_FILE; }
int Cshare_word::close_number() const { return MSG_WORD_CLOSE; }
const char* Cshare_word::start_failure_text() const { return "Couldn't start LibreOffice Writer."; }
void Cshare_word::record_document(const std::string& path) { record_word_share_doc(path.c_str()); }
void Cshare_word::record_close() { record_word_event_2(); }

void Cshare_word::before_announce()
{
    if (probe())
        close_app();
}


void Cshare_word::do_timer_word()
{
    if (!m_app || !m_app->started())
        return;
    if (!probe()) {
        if (m_sharing == 1 && ++m_fail_count >= office_fail_ticks + 1)
            end_share();
        return;
    }
    bool visible = false;
    OfficeWindowState state = OfficeWindowState::minimized;
    if (guarded("do_timer_word", [&] { visible = m_app->visible(); }) != 0)
        return;
    m_hidden = !visible;
    if (!visible)
        return;
    if (guarded("do_timer_word", [&] { state = m_app->window_state(); }) != 0 || state == OfficeWindowState::minimized)
        return;
    do_notify_server();
}

int Cshare_word::do_notify_server()
{
    if (m_sharing != 1)
        return 0;
    TextDriver* word = app();
    int result = -1;
    guarded("do_notify_server", [&] {
        if (!word->has_document()) {
            result = 0;
            return;
        }
        int position = word->scroll_position();
        send_cmd_data_to_all(MSG_WORD_POSITION, format_text("%4d", position));
        record_word_event_1(position);
        result = 0;
    });
    return result;
}

int Cshare_word::set_scroll_position(int position)
{
    bool done = false;
    if (probe()) {
        TextDriver* word = app();
        guarded("set_scroll_position", [&] {
            if (word->has_document()) {
                word->set_scroll_position(position);
                done = true;
            }
        });
    }
    if (done) {
        m_viewer_fail_count = 0;
        return 0;
    }
    count_viewer_failure(MSG_WORD_VIEWER_GONE);
    return -1;
}

// ---- Excel: sheet, scroll cell and chart ------------------------------------

Cshare_excel::Cshare_excel() : OfficeShare(OfficeKind::sheet, "Cshare_excel") {}

const char* Cshare_excel::filter() const { return "Excel Files (*.xls)|*.xls|All Files (*.*)|*.*||"; }
int Cshare_excel::share_number() const { return MSG_EXCEL_SHARE_FILE; }
int Cshare_excel::close_number() const { return MSG_EXCEL_CLOSE; }
const char* Cshare_excel::start_failure_text() const { return "Couldn't start LibreOffice Calc."; }
void Cshare_excel::record_document(const std::string& path) { record_excel_share_doc(path.c_str()); }
void Cshare_excel::record_close() { record_excel_event_3(); }

void Cshare_excel::forget_positions()
{
    m_last_row = -1;
    m_last_column = -1;
    m_last_sheet = -1;
    m_last_chart = -1;
    m_chart_fail_count = 0;
}

void Cshare_excel::before_announce()
{
    if (probe())
        close_app();
}


void Cshare_excel::set_received_cell(int column, int row)
{
    if (column >= 0)
        m_received_column = column;
    if (row >= 0)
        m_received_row = row;
}

void Cshare_excel::do_timer_excel()
{
    if (!m_app || !m_app->started())
        return;
    bool visible = false;
    if (!probe()) {
        // Closed or ended counts as not visible, so the share ends.
        if (!application_gone())
            return;
    } else if (guarded("do_timer_excel", [&] { visible = m_app->visible(); }) != 0) {
        return;
    }
    if (visible) {
        OfficeWindowState state = OfficeWindowState::minimized;
        if (guarded("do_timer_excel", [&] { state = m_app->window_state(); }) == 0 && state != OfficeWindowState::minimized)
            do_notify_server();
        return;
    }
    if (m_sharing == 1 && ++m_fail_count > office_fail_ticks)
        end_share();
}

int Cshare_excel::do_notify_server()
{
    if (m_sharing != 1)
        return 0;
    SheetDriver* excel = app();
    int result = -1;
    guarded("do_notify_server", [&] {
        if (!excel->has_document()) {
            result = 0;
            return;
        }
        int sheet = excel->active_sheet_index();
        if (sheet <= 0)
            return;
        int chart = excel->active_chart_index();
        if (!excel->has_active_window())
            return;
        if (chart <= 0) {
            int column = excel->scroll_column();
            int row = excel->scroll_row();
            send_cmd_data_to_all(MSG_EXCEL_SHEET, format_text("%4d:%4d:%4d", sheet, column, row));
            record_excel_event_1(sheet, column, row);
        } else {
            send_cmd_data_to_all(MSG_EXCEL_CHART, format_text("%4d", chart));
            record_excel_event_2(chart);
        }
        result = 0;
    });
    return result;
}

int Cshare_excel::set_current_sheet(int index)
{
    if (index < 1) {
        dbg_log("sheet index:%d < 1 in Cshare_excel::set_current_sheet\n", index);
        return -1;
    }
    SheetDriver* excel = app();
    int result = -1;
    bool open = false;
    if (probe()) {
        guarded("set_current_sheet", [&] {
            if (!excel->visible() || !excel->has_document())
                return;
            open = true;
            int count = excel->sheet_count();
            if (index > count) {
                dbg_log("sheet_index:%d > sheet_count:%d in set_current_sheet\n", index, count);
                return;
            }
            // The sheet shown already is not activated again, so the
            // viewer's own scrolling stands until the sharer's cell moves.
            if (index != m_last_sheet || m_last_chart != -1) {
                m_last_sheet = index;
                m_last_chart = -1;
                m_last_row = -1;
                m_last_column = -1;
                excel->activate_sheet(index);
            }
            m_viewer_fail_count = 0;
            result = 0;
        });
    }
    if (!open)
        count_viewer_failure(MSG_EXCEL_541);
    return result;
}

int Cshare_excel::set_scroll_position()
{
    if (!m_app || !m_app->started())
        return -1;
    SheetDriver* excel = app();
    return guarded("set_scroll_position", [&] {
        if (!excel->has_document() || !excel->has_active_window())
            return;
        int column = m_received_column;
        int row = m_received_row;
        if (column >= 0 && column != m_last_column) {
            excel->set_scroll_column(column);
            m_last_column = column;
        }
        if (row >= 0 && row != m_last_row) {
            excel->set_scroll_row(row);
            m_last_row = row;
        }
    });
}

int Cshare_excel::set_current_chart(int index)
{
    if (index < 1) {
        dbg_log("chart index:%d < 1 in Cshare_excel::set_current_chart\n", index);
        return -1;
    }
    SheetDriver* excel = app();
    int result = -1;
    bool open = false;
    if (probe()) {
        guarded("set_current_chart", [&] {
            if (!excel->visible() || !excel->has_document())
                return;
            open = true;
            int count = excel->sheet_count();
            if (index > count) {
                dbg_log("chart_index:%d > chart_count:%d in set_current_chart\n", index, count);
                return;
            }
            if (index != m_last_chart) {
                m_last_chart = index;
                m_last_row = -1;
                m_last_column = -1;
                m_last_sheet = -1;
                excel->activate_chart(index);
            }
            m_chart_fail_count = 0;
            result = 0;
        });
    }
    if (!open && ++m_chart_fail_count >= office_viewer_fail_limit) {
        m_chart_fail_count = 0;
        send_cmd(MSG_EXCEL_541);
    }
    return result;
}

// ---- the three instances ----------------------------------------------------

Cshare_ppt& share_ppt()
{
    static Cshare_ppt instance;
    return instance;
}

Cshare_word& share_word()
{
    static Cshare_word instance;
    return instance;
}

Cshare_excel& share_excel()
{
    static Cshare_excel instance;
    return instance;
}

OfficeShare& office_share(OfficeKind kind)
{
    switch (kind) {
    case OfficeKind::presentation: return share_ppt();
    case OfficeKind::text: return share_word();
    case OfficeKind::sheet: break;
    }
    return share_excel();
}

int office_file_ready(OfficeShare& share, int& downloading, const char* busy_line)
{
    if (downloading == 1) {
        dbg_log("%s", busy_line);
        return -1;
    }
    share.close_app();
    downloading = 1;
    int result = file_share_download(g_file_transfer.download_remote_name.get(), g_file_transfer.download_local_path.get());
    downloading = 0;
    if (result != IDOK)
        return -1;
    return share.open_shared_file();
}

void share_ppt_reset() { share_ppt().reset(); }
void share_word_reset() { share_word().reset(); }
void share_excel_reset() { share_excel().reset(); }

// ---- receivers ----------------------------------------------------------------

namespace {

// The announcement: the local name, the download's names, the files page told.
void set_share_file_name(OfficeShare& share, const char* receiver, uint32_t ready_message, const char* body, int len)
{
    std::string name = body_text(body, len);
    share.set_announcement_taken(false);
    DownloadState state = download_state();
    if (download_file_open() || state == DownloadState::announced || state == DownloadState::running) {
        dbg_log("%s:%s, download already in process\n", receiver, name.c_str());
        return;
    }
    if (!office_name_allowed(name) || name.size() > office_name_limit) {
        dbg_log("%s:%s, not a plain file name: refused\n", receiver, cut_copy(name, office_name_limit).c_str());
        return;
    }
    std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    std::string local = office_local_file_name(utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, name);
    share.set_local_file_name(local);
    std::string folder = user_share_folder();
    if (folder.empty() || !platform::make_folders(folder)) {
        dbg_log("%s: no share folder\n", receiver);
        return;
    }
    g_file_transfer.download_remote_name.set(name);
    g_file_transfer.download_local_path.set(folder + share.local_file_name());
    g_file_transfer.download_total = 0;
    g_file_transfer.download_done = 0;
    g_file_transfer.download_cancel = 0;
    share.set_announcement_taken(true);
    post_window_message(WindowSlot::files_page, ready_message);
}

// Parses the fields; logs and returns false for a body that is not them.
bool read_fields(const char* receiver, const char* body, int len, int count, int* out)
{
    std::string text = body_text(body, len);
    if (parse_colon_fields(text, count, out))
        return true;
    dbg_log("format error in %s: %s\n", receiver, cut_copy(text, 64).c_str());
    return false;
}

uintptr_t as_wparam(int value) { return static_cast<uintptr_t>(static_cast<intptr_t>(value)); }

} // namespace

void do_ppt_set_share_file_name_from_server(const char* body, int len, int)
{
    set_share_file_name(share_ppt(), "do_ppt_set_share_file_name_from_server", WM_MY_MSG_PPT_FILE_READY, body, len);
}

void do_word_set_share_file_name_from_server(const char* body, int len, int)
{
    set_share_file_name(share_word(), "do_word_set_share_file_name_from_server", WM_MY_MSG_WORD_FILE_READY, body, len);
}

void do_excel_set_share_file_name_from_server(const char* body, int len, int)
{
    set_share_file_name(share_excel(), "do_excel_set_share_file_name_from_server", WM_MY_MSG_EXCEL_FILE_READY, body, len);
}

void do_ppt_slide_from_server(const char* body, int len, int)
{
    int v[2] = {};
    if (!read_fields("do_ppt_slide_from_server", body, len, 2, v))
        return;
    post_window_message(WindowSlot::files_page, WM_MY_MSG_PPT_SHOW, as_wparam(v[0]), v[1]);
    record_ppt_event_1(v[0], v[1]);
}

void do_ppt_close_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::files_page, WM_MY_MSG_PPT_CLOSE);
    record_ppt_event_2();
}

void do_word_position_from_server(const char* body, int len, int)
{
    int v[1] = {};
    if (!read_fields("do_word_position_from_server", body, len, 1, v))
        return;
    post_window_message(WindowSlot::files_page, WM_MY_MSG_WORD_POSITION, as_wparam(v[0]));
    record_word_event_1(v[0]);
}

void do_word_close_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::files_page, WM_MY_MSG_WORD_CLOSE);
    record_word_event_2();
}

void do_excel_sheet_from_server(const char* body, int len, int)
{
    int v[3] = {};
    if (!read_fields("do_excel_sheet_from_server", body, len, 3, v))
        return;
    share_excel().set_received_cell(v[1], v[2]);
    post_window_message(WindowSlot::files_page, WM_MY_MSG_EXCEL_SHEET, as_wparam(v[0]));
    record_excel_event_1(v[0], v[1], v[2]);
}

void do_excel_chart_from_server(const char* body, int len, int)
{
    int v[1] = {};
    if (!read_fields("do_excel_chart_from_server", body, len, 1, v))
        return;
    post_window_message(WindowSlot::files_page, WM_MY_MSG_EXCEL_CHART, as_wparam(v[0]));
    record_excel_event_2(v[0]);
}

void do_excel_close_from_server(const char*, int, int)
{
    post_window_message(WindowSlot::files_page, WM_MY_MSG_EXCEL_CLOSE);
    record_excel_event_3();
}

void install_office_sharing()
{
    struct Entry {
        int number;
        void (*handler)(const char*, int, int);
    };
    static constexpr Entry entries[] = {
        { MSG_PPT_SHARE_FILE, do_ppt_set_share_file_name_from_server },
        { MSG_PPT_SLIDE, do_ppt_slide_from_server },
        { MSG_PPT_CLOSE, do_ppt_close_from_server },
        { MSG_WORD_SHARE_FILE, do_word_set_share_file_name_from_server },
        { MSG_WORD_POSITION, do_word_position_from_server },
        { MSG_WORD_CLOSE, do_word_close_from_server },
        { MSG_EXCEL_SHARE_FILE, do_excel_set_share_file_name_from_server },
        { MSG_EXCEL_SHEET, do_excel_sheet_from_server },
        { MSG_EXCEL_CHART, do_excel_chart_from_server },
        { MSG_EXCEL_CLOSE, do_excel_close_from_server },
    };
    for (const Entry& entry : entries)
        set_main_handler(entry.number, entry.handler);
    GlobalStateSteps& steps = global_state_steps();
    steps.init_office_sharing = [] {
        share_ppt_reset();
        share_word_reset();
        share_excel_reset();
    };
    steps.release_office_sharing = [] {
        share_ppt().close_app();
        share_word().close_app();
        share_excel().close_app();
    };
}
