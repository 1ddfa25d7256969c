#pragma once
// The windows behind show_event_printf: each notice goes into the history
// and pops up as a CDlgEvent. A call from a worker thread is handed to the
// UI thread.

#include <string>

class CDlgEvent;

// Installs the window sink of the notices; remove_event_notices puts the
// status line back and closes what is open.
void install_event_notices();
void remove_event_notices();

// What the sink does on the UI thread: history, position, the pop-up (shown).
CDlgEvent* pop_up_event(const std::string& text);
