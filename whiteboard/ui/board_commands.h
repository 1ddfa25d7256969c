#pragma once
// The main frame's whiteboard commands that belong to the board view: pen
// colour and font, the width dialogs, pasting a window, printing. The frame
// registers these handlers by their command ids.

#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

class CFormRightUpper1;

namespace board_cmd {
inline constexpr int pen_colour = 32771;
inline constexpr int pen_width = 32772;
inline constexpr int eraser_width = 32775;
inline constexpr int font = 32778;
inline constexpr int paste_area = 32798;
inline constexpr int paste_window = 32799;
inline constexpr int print = 57607;
inline constexpr int print_direct = 57608;
inline constexpr int print_preview = 57609;
} // namespace board_cmd

using BoardCommandHandlers = std::vector<std::pair<int, std::function<void()>>>;
// view gives the board view when a command runs (the frame makes it after its commands).
BoardCommandHandlers board_view_command_handlers(std::function<CFormRightUpper1*()> view, QWidget* parent);

// "Paste Area" / "Paste Window": after the question, the next click anywhere
// on the desktop picks the top-level window under it, which is pasted into
// the current page at the last right click. Returns false when refused.
bool board_start_window_paste(bool desktop_window, QWidget* parent);

// Takes the mouse until the next click, then pastes the window under it.
class CBoardWindowPicker : public QWidget {
    Q_OBJECT
public:
    explicit CBoardWindowPicker(QWidget* parent = nullptr);
    void start();
    // The click's screen point; the result of the paste (-1 for no window).
    int pick_at(QPoint screen_point);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void grab_pointer();
    int grab_tries_ = 0;
};
