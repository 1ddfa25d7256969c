#pragma once
// The office applications a shared document is shown in, one interface per
// kind: presentations (slides and the running show), text documents (the
// window's scroll position) and spreadsheets (sheet, scroll cell, chart).
// A driver stands for one application: start() takes the application
// handle, quit() lets it go. Every call either answers or throws
// OfficeCallFailed (the application went away, did not answer in time, or
// refused the call); the sharing code guards each call and gives up until
// its next timer tick.
//
// Numbers follow the office programs' own counting: slides, sheets and
// charts from 1, scroll columns and rows from 1, a text document's scroll
// position in twips.

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

enum class OfficeKind { presentation, text, sheet };
enum class OfficeWindowState { normal, minimized, maximized };

class OfficeCallFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class OfficeDriver {
public:
    virtual ~OfficeDriver() = default;
    virtual OfficeKind kind() const = 0;

    // Starts the application, or takes up again the one this program left
    // running. 0, or -1 when it cannot be started.
    virtual int start() = 0;
    // The application handle is held (from start until quit).
    virtual bool started() const = 0;
    // The liveness probe: false when the application does not answer at once.
    virtual bool is_good() = 0;
    // The started application exists no more (closed by the user, ended);
    // one that is only busy is not gone.
    virtual bool gone() = 0;
    virtual bool visible() = 0;
    virtual void set_visible() = 0;
    virtual OfficeWindowState window_state() = 0;
    // Opens the file in a window of its own.
    virtual void open(const std::string& path) = 0;
    virtual bool has_document() = 0;
    virtual bool modified() = 0;
    // Closes the document without saving its changes.
    virtual void close_document() = 0;
    // Ends the application and lets the handle go. An application that
    // still holds a modified document is left running.
    virtual void quit() = 0;
};

class PresentationDriver : public virtual OfficeDriver {
public:
    // The presentation's slide count.
    virtual int slide_count() = 0;
    // The document windows; -1 when the application gives no list.
    virtual int window_count() = 0;
    virtual bool has_active_window() = 0;
    virtual bool has_view() = 0;
    // The slide the document window's view shows; 0 when it shows none.
    virtual int view_slide_index() = 0;
    virtual void view_goto_slide(int index) = 0;
    // A slide show of the presentation is running.
    virtual bool has_slide_show_window() = 0;
    // The running show's position and the index of the slide it shows.
    virtual int show_position() = 0;
    virtual int show_slide_index() = 0;
    virtual void show_goto_slide(int index) = 0;
    virtual void show_exit() = 0;
    // Starts the show at the slide the view shows.
    virtual void show_run() = 0;
};

class TextDriver : public virtual OfficeDriver {
public:
    virtual int scroll_position() = 0;
    virtual void set_scroll_position(int twips) = 0;
};

class SheetDriver : public virtual OfficeDriver {
public:
    // Every sheet of the workbook.
    virtual int sheet_count() = 0;
    // The active sheet's index; 0 when there is none.
    virtual int active_sheet_index() = 0;
    // The index of the active chart; 0 when none is active.
    virtual int active_chart_index() = 0;
    virtual void activate_sheet(int index) = 0;
    virtual void activate_chart(int index) = 0;
    virtual bool has_active_window() = 0;
    virtual int scroll_column() = 0;
    virtual void set_scroll_column(int column) = 0;
    virtual int scroll_row() = 0;
    virtual void set_scroll_row(int row) = 0;
};

// A driver for tests: its answers are the public fields, each call is
// logged in calls ("goto_slide 3"), and a call named in failing throws.
class FakeOfficeDriver : public PresentationDriver, public TextDriver, public SheetDriver {
public:
    explicit FakeOfficeDriver(OfficeKind kind) : kind_(kind) {}
    OfficeKind kind() const override { return kind_; }

    // The script.
    bool start_fails = false;
    bool open_fails = false;
    bool good = true;
    bool is_gone = false;
    bool is_visible = true;
    OfficeWindowState state = OfficeWindowState::normal;
    bool document = false;
    bool is_modified = false;
    int slides = 0;
    int windows = 1;
    bool active_window = true;
    bool view = true;
    int view_slide = 0;
    bool show_running = false;
    int show_pos = 0;
    int scroll = 0;
    int sheets = 0;
    int active_sheet = 1;
    int active_chart = 0;
    int column = 1;
    int row = 1;
    std::set<std::string> failing;
    std::vector<std::string> calls;
    bool handle = false;
    std::string opened_path;

    // The calls logged since the last take, which forgets them.
    std::vector<std::string> take_calls();

    int start() override;
    bool started() const override { return handle; }
    bool is_good() override;
    bool gone() override;
    bool visible() override;
    void set_visible() override;
    OfficeWindowState window_state() override;
    void open(const std::string& path) override;
    bool has_document() override;
    bool modified() override;
    void close_document() override;
    void quit() override;

    int slide_count() override;
    int window_count() override;
    bool has_active_window() override;
    bool has_view() override;
    int view_slide_index() override;
    void view_goto_slide(int index) override;
    bool has_slide_show_window() override;
    int show_position() override;
    int show_slide_index() override;
    void show_goto_slide(int index) override;
    void show_exit() override;
    void show_run() override;

    int scroll_position() override;
    void set_scroll_position(int twips) override;

    int sheet_count() override;
    int active_sheet_index() override;
    int active_chart_index() override;
    void activate_sheet(int index) override;
    void activate_chart(int index) override;
    int scroll_column() override;
    void set_scroll_column(int value) override;
    int scroll_row() override;
    void set_scroll_row(int value) override;

private:
    // Logs the call; throws when it is scripted to fail.
    void call(const std::string& name, const std::string& args = {});
    OfficeKind kind_;
};
