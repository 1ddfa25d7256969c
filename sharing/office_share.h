#pragma once
// Office documents shown to the meeting. The sharer opens a presentation, a
// text document or a spreadsheet in its office application, uploads it to
// the room's files and announces it (500 / 520 / 540); every other attendee
// downloads it into "share/" and opens it in the same kind of application.
// Once a second the sharer's files page reads where the sharer is (slide
// and show, scroll position, sheet and scroll cell, chart) and sends it;
// viewers move their copy there. Receivers run on the main receive thread
// and only store and post to the files page; every office call runs on the
// user-interface thread through the kind's OfficeDriver.
//
// Positions travel as decimal fields joined by ':' ("%4d" widens for larger
// numbers); receivers split at ':' so twips and rows past 9999 arrive whole.

#include "core/global_state.h"
#include "core/shared_text.h"
#include "sharing/office_driver.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

inline constexpr size_t office_name_limit = 127;        // the bare name on the wire
inline constexpr size_t office_received_name_limit = 100; // kept of a received name
inline constexpr int office_fail_ticks = 10;            // the close follows the next one
inline constexpr int office_viewer_fail_limit = 25;     // failed positions before 501 / 521 / 541
inline constexpr int office_announce_wait_ms = 1000;

// The open-file dialog: given the filter in the program's form, the chosen
// path, empty when the user cancelled.
using OfficeFileChooser = std::function<std::string(const char* filter)>;

// Makes the driver of each kind; the program installs the real office's,
// tests a fake. Without one nothing can be started.
using OfficeDriverFactory = std::function<std::unique_ptr<OfficeDriver>(OfficeKind)>;
void set_office_driver_factory(OfficeDriverFactory factory);

// "%d%d%d%d_" of the UTC day, hour, minute and second, then at most 100
// characters of the received name.
std::string office_local_file_name(int day, int hour, int minute, int second, std::string_view received);
// A received name that may become a file in "share/": a plain name with no
// '/', '\', control character, and not "." or "..".
bool office_name_allowed(std::string_view name);

// What the three applications share: the sharing flag, the local file
// name, the application and the steps that start, open and close it.
class OfficeShare {
public:
    OfficeShare(OfficeKind kind, const char* class_name);
    virtual ~OfficeShare() = default;

    // Zeroed state and a fresh application handle (set-up step).
    void reset();
    // Closes the document and quits the application. A viewer's copy is
    // closed unsaved; the sharer's own document is left open, with its
    // application running, when it holds changes.
    int close_app();
    // Viewer: opens "share/<local file name>" (file ready, or playback).
    int open_shared_file();

    bool sharing() const { return m_sharing == 1; }
    std::string local_file_name() const { return m_local_file_name.get(); }
    // Set by the announcement's receiver and by playback.
    void set_local_file_name(std::string_view name);
    // The last announcement was taken (not dropped for a download under way
    // or a bad name): only then does the "is sharing" notice name its file.
    bool announcement_taken() const { return m_announcement_taken.load() != 0; }
    void set_announcement_taken(bool taken) { m_announcement_taken.store(taken ? 1 : 0); }
    OfficeDriver* application() { return m_app.get(); }
    int sharer_fail_count() const { return m_fail_count; }
    int viewer_fail_count() const { return m_viewer_fail_count; }

    // The frame's Share ... File: the file chosen, uploaded and announced,
    // the application started on it. The kind's own steps come between.
    int do_share(const OfficeFileChooser& choose);

protected:
    virtual const char* filter() const = 0;
    virtual int share_number() const = 0;
    virtual int close_number() const = 0;
    virtual const char* start_failure_text() const = 0;
    virtual void record_document(const std::string& path) = 0;
    virtual void record_close() = 0;
    // Positions applied last forgotten: the next message applies again.
    virtual void forget_positions() = 0;
    // The kind's steps after the upload (before the announcement) and
    // after it (before the application starts), and after the file opened.
    virtual void before_announce() {}
    virtual void after_announce() {}
    virtual void after_share_opened() {}

    // Starts the application and makes it visible; the failure box.
    int start_app();
    // The close to all and its record; the share is over.
    void end_share();
    // A viewer operation failed: counted, one viewer_failed_number at the limit.
    void count_viewer_failure(int viewer_failed_number);
    // Runs fn, logging "exception in <class>::<what>()." when an office call fails.
    template <class Fn>
    int guarded(const char* what, Fn fn);
    bool probe();
    bool application_gone();

    OfficeKind m_kind;
    const char* m_class;
    std::unique_ptr<OfficeDriver> m_app;
    AtomicInt m_sharing { 0 };
    AtomicInt m_announcement_taken { 0 };
    SharedText<127> m_local_file_name;
    int m_fail_count = 0;          // sharer: ticks without a visible application
    int m_viewer_fail_count = 0;   // viewer: positions not applied
    bool m_own_document = false;   // the open document is the sharer's own file
};

class Cshare_ppt : public OfficeShare {
public:
    Cshare_ppt();
    PresentationDriver* app() { return dynamic_cast<PresentationDriver*>(m_app.get()); }

    void do_timer_ppt();
    // 0x804b: slide, then 0 normal view or 1 slide show.
    void show(int slide, int mode);
    int set_current_slide_index(int index);
    int start_slide_show();
    int exit_slide_show();
    int app_is_good();
    int busy_count() const { return m_busy_count; }
    int last_slide() const { return m_last_slide; }
    int show_mode() const { return m_show_mode; }

private:
    int do_notify_server();
    const char* filter() const override;
    int share_number() const override;
    int close_number() const override;
    const char* start_failure_text() const override;
    void record_document(const std::string& path) override;
    void record_close() override;
    void forget_positions() override;
    void after_announce() override;
    void after_share_opened() override;

    int m_busy_count = 0;
    int m_slide_count = 0;
    int m_last_slide = -1;
    int m_show_mode = -1;
};

class Cshare_word : public OfficeShare {
public:
    Cshare_word();
    TextDriver* app() { return dynamic_cast<TextDriver*>(m_app.get()); }

    void do_timer_word();
    // 0x804d.
    int set_scroll_position(int position);
    bool hidden() const { return m_hidden; }

private:
    int do_notify_server();
    const char* filter() const override;
    int share_number() const override;
    int close_number() const override;
    const char* start_failure_text() const override;
    void record_document(const std::string& path) override;
    void record_close() override;
    void forget_positions() override {}
    void before_announce() override;

    bool m_hidden = false;
};

class Cshare_excel : public OfficeShare {
public:
    Cshare_excel();
    SheetDriver* app() { return dynamic_cast<SheetDriver*>(m_app.get()); }

    void do_timer_excel();
    // 0x804f: the sheet, then the received scroll cell.
    int set_current_sheet(int index);
    int set_scroll_position();
    // 0x8050.
    int set_current_chart(int index);
    // From the last 542: each kept when not negative.
    void set_received_cell(int column, int row);
    int last_sheet() const { return m_last_sheet; }
    int last_chart() const { return m_last_chart; }

private:
    int do_notify_server();
    const char* filter() const override;
    int share_number() const override;
    int close_number() const override;
    const char* start_failure_text() const override;
    void record_document(const std::string& path) override;
    void record_close() override;
    void forget_positions() override;
    void before_announce() override;

    int m_chart_fail_count = 0;
    int m_last_row = -1;
    int m_last_column = -1;
    int m_last_sheet = -1;
    int m_last_chart = -1;
    AtomicInt m_received_column { -1 };
    AtomicInt m_received_row { -1 };
};

Cshare_ppt& share_ppt();
Cshare_word& share_word();
Cshare_excel& share_excel();
// The kind's share.
OfficeShare& office_share(OfficeKind kind);

// The files page's file-ready step: unless this application's download is
// in progress (busy_line logged), the application is closed, the announced
// file downloaded (its dialog ends by itself) and, when whole, opened.
int office_file_ready(OfficeShare& share, int& downloading, const char* busy_line);

void share_ppt_reset();
void share_word_reset();
void share_excel_reset();

// Receivers on the main connection (body followed by a zero byte).
void do_ppt_set_share_file_name_from_server(const char* body, int len, int field2);   // 500
void do_ppt_slide_from_server(const char* body, int len, int field2);                 // 502
void do_ppt_close_from_server(const char* body, int len, int field2);                 // 503
void do_word_set_share_file_name_from_server(const char* body, int len, int field2);  // 520
void do_word_position_from_server(const char* body, int len, int field2);             // 522
void do_word_close_from_server(const char* body, int len, int field2);                // 523
void do_excel_set_share_file_name_from_server(const char* body, int len, int field2); // 540
void do_excel_sheet_from_server(const char* body, int len, int field2);               // 542
void do_excel_chart_from_server(const char* body, int len, int field2);               // 543
void do_excel_close_from_server(const char* body, int len, int field2);               // 544

// The receivers, and the set-up and release steps (init_office_sharing,
// release_office_sharing) of the global state.
void install_office_sharing();
