#pragma once
// The right-hand side of the main frame: a frame of its own (not a view)
// whose splitter stacks the four upper views above the chat view. Exactly
// one upper view shows at a time; the video view first.

#include <QWidget>

#include <functional>

class CFormRightLower;
class CFormRightUpper1;
class CFormRightUpper2;
class CFormRightUpper3;
class CFormRightUpper4;
class CMySplitterWnd;
class CWndSwitchBar;

class CBrenmoView : public QWidget {
    Q_OBJECT
public:
    explicit CBrenmoView(QWidget* parent = nullptr);

    // Builds the inner splitter and the five views; false when one fails.
    bool OnCreateClient(int upper_height, int lower_height);

    // Brings the view of an index forward (1-4); -1 for another index.
    int show_upper_view(int index);
    // The view of an index, nullptr outside 1-4.
    QWidget* upper_view(int index) const;
    QWidget* visible_upper_view() const;
    // The switch bar in the top-left corner of an upper view, nullptr outside 1-4.
    CWndSwitchBar* switch_bar(int index) const;
    // What the switch bars' labels call; the frame's own view change once it is set.
    void set_switch_handler(std::function<void(int)> handler) { switch_handler_ = std::move(handler); }

    CMySplitterWnd* splitter() const { return splitter_; }
    CFormRightUpper1* board_view() const { return board_view_; }
    CFormRightUpper2* share_view() const { return share_view_; }
    CFormRightUpper3* video_view() const { return video_view_; }
    CFormRightUpper4* playback_view() const { return playback_view_; }
    CFormRightLower* chat_view() const { return chat_view_; }

private:
    void add_switch_bar(int index);

    std::function<void(int)> switch_handler_;
    CWndSwitchBar* switch_bars_[4] = {};
    CMySplitterWnd* splitter_ = nullptr;
    CFormRightUpper1* board_view_ = nullptr;
    CFormRightUpper2* share_view_ = nullptr;
    CFormRightUpper3* video_view_ = nullptr;
    CFormRightUpper4* playback_view_ = nullptr;
    CFormRightLower* chat_view_ = nullptr;
};
