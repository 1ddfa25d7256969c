#pragma once
// The frame's Options command: the sheet "Options..." with its pages in
// order: contacts, proxy, video and audio, skin.

#include <functional>

class CMyPropertySheet;
class QWidget;

// What the sheet asks of the main frame; an empty entry is skipped.
struct OptionsSheetHooks {
    std::function<void()> video_changed;   // new video values are in force
    std::function<void()> skin_changed;    // a new scheme is current: rebuild the bars, repaint
    std::function<void()> repaint_frame;   // the sheet was cancelled
};

// The sheet with its pages, not yet shown; the caller owns it.
CMyPropertySheet* make_options_sheet(QWidget* parent, const OptionsSheetHooks& hooks);
