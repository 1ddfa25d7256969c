#pragma once
// The whiteboard view: the upper view that shows the current board. Its painting
// and gestures come with the board view itself; here it holds the scroll
// area at the board's scroll size.

#include "core/window_messages.h"
#include "skin/ui/my_form_view.h"

class CEditTextTool;

class CFormRightUpper1 : public CMyFormView, public WindowTarget {
    Q_OBJECT
public:
    explicit CFormRightUpper1(QWidget* parent = nullptr);
    ~CFormRightUpper1() override;
    // The scroll area of the board: 1600 x 1000, 3200 x 2000 while zoomed.
    void set_scroll_size(int width, int height);
    QSize scroll_size() const;

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

private:
    CViewCanvas* canvas_ = nullptr;
    WindowSlotBinding slot_binding_ { WindowSlot::board_view, this };
};

// The text-entry box of the whiteboard view: made by the view as its child, hidden
// until text is typed onto the picture (UI thread only).
extern CEditTextTool* g_board_text_tool;
