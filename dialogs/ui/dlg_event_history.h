#pragma once
// The event history (dialog 256 "Event History"): every notice of the
// session, one a line, in a read-only edit. One window for the process,
// made without a parent at the first notice; its button hides it.

#include "skin/ui/good_dlg.h"

class CMyButton;
class CMyEdit;

class CDlgEventHistory : public Cgood_dlg {
    Q_OBJECT
public:
    CDlgEventHistory();

    // Adds one line at the end; what is there stays as it is.
    void append_line(const QString& text);
    CMyEdit* edit() const { return edit_; }
    CMyButton* close_button() const { return close_; }

    void OnOK() override { hide(); }
    void OnCancel() override { hide(); }

private:
    CMyEdit* edit_ = nullptr;
    CMyButton* close_ = nullptr;
};

// The one history window; nullptr until the first notice made it.
CDlgEventHistory* event_history_dialog();
// Appends the text (cut to 511 characters) as a line of the history,
// making the window the first time. UI thread.
void add_event_history(const std::string& text);
// Closes and deletes the window (the program's end).
void delete_event_history();
// The main frame's "View Event History...".
void show_event_history();
