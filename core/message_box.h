#pragma once
// The six message-box functions. Any thread may call them; the caller waits
// until the user has answered. Texts are shown in the user's language. A
// thread that must not stop for the user (a receive thread) posts its box
// instead: it is shown once the UI thread gets to it, and nobody waits.

#include "core/text_util.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

// Dialog results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Styles of the OK box.
inline constexpr int MB_STYLE_OK = 0;
inline constexpr int MB_STYLE_OK_CANCEL = 1;
inline constexpr int MB_STYLE_YES_NO = 4;

inline constexpr size_t message_box_text_limit = 4095;

int message_box_printf(const char* fmt, ...) TAMBLO_PRINTF(1, 2);
int message_box_id(int string_id);
int message_box_id_style(int string_id, int style);
int message_box_printf_yes_no(const char* fmt, ...) TAMBLO_PRINTF(1, 2);
int message_box_id_yes_no(int string_id);
int message_box_yes_no_cancel_id(int string_id);
// An OK box that the caller does not wait for.
void message_box_post_printf(const char* fmt, ...) TAMBLO_PRINTF(1, 2);

// How a box was closed, and the result that gives for each box.
enum class MessageBoxButton { first, second, caption_close, escape, enter, yes, no, cancel };
int message_box_result(int style, MessageBoxButton pressed);
int message_box_yes_no_cancel_result(MessageBoxButton pressed);

enum class MessageBoxKind { ok_box, yes_no_cancel_box };

// Shows a box and returns its result; the window layer installs one.
class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    virtual int show(MessageBoxKind kind, int style, const std::string& text) = 0;
    // Shows a box without waiting for its answer. The default shows it at
    // once, which suits presenters that answer without a user; those that
    // wait for one queue it to the UI thread instead.
    virtual void post(MessageBoxKind kind, int style, const std::string& text) { show(kind, style, text); }
};

// nullptr restores the fallback, which writes the text to standard error and
// answers as if the box were closed with its caption button.
void set_message_box_presenter(MessageBoxPresenter* presenter);

// Test mode: records every text and answers from a script (then with the caption button).
class ScriptedMessageBoxes : public MessageBoxPresenter {
public:
    struct Shown {
        MessageBoxKind kind;
        int style;
        std::string text;
        bool posted = false;  // by message_box_post_printf: no answer was waited for
    };
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes() override;

    void answer_with(MessageBoxButton pressed);
    int show(MessageBoxKind kind, int style, const std::string& text) override;
    void post(MessageBoxKind kind, int style, const std::string& text) override;
    std::vector<Shown> shown() const;
    std::vector<std::string> texts() const;
    void clear();

private:
    mutable std::mutex lock_;
    std::deque<MessageBoxButton> answers_;
    std::vector<Shown> shown_;
};

// The programs' test mode (TAMBLO_MESSAGE_BOX_LOG=<file>): every text is
// appended to the file as one line and answered as if closed at once.
class LoggedMessageBoxes : public MessageBoxPresenter {
public:
    explicit LoggedMessageBoxes(std::string path) : path_(std::move(path)) {}
    int show(MessageBoxKind kind, int style, const std::string& text) override;
    // Appends a line that is no box's text (a dialog the test mode closes).
    void log_line(const std::string& text) const;

private:
    std::string path_;
};
