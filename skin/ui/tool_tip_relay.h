#pragma once
// A control's tool tips. A tool is an area of the control with a text; when
// the pointer rests on one, its text shows in a small window below the
// pointer, wrapped at 400 pixels. The control hands every event to relay()
// before its own handling; the tip window is made at the first event. A
// press hides the tip, and it stays away until the pointer moves to
// another tool.

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>

#include <vector>

class QEvent;
class QLabel;
class QWidget;

class ToolTipRelay : public QObject {
public:
    static constexpr int max_tip_width_px = 400;
    static constexpr int initial_delay_ms = 500;
    static constexpr int reshow_delay_ms = 100;
    static constexpr int auto_pop_ms = 5000;

    explicit ToolTipRelay(QWidget* control);

    void relay(QEvent* event);

    void add_tool(int id, const QRect& rect, const QString& text);
    void set_tool_rect(int id, const QRect& rect);
    void set_tool_text(int id, const QString& text);
    void remove_tool(int id);
    void clear_tools();
    void activate(bool active);

    bool created() const { return tip_ != nullptr; }
    bool tip_shown() const;
    QString shown_text() const;
    int shown_tool() const { return shown_ ? current_ : -1; }
    QLabel* tip_window() const { return tip_; }
    void pop();

private:
    struct Tool {
        int id = 0;
        QRect rect;
        QString text;
    };
    void create();
    int tool_at(QPoint pos) const;
    const Tool* find(int id) const;
    void pointer_at(QPoint pos);
    void show_tip();
    void fit_tip(const QString& text);

    QWidget* control_;
    QLabel* tip_ = nullptr; // owned by the control
    std::vector<Tool> tools_;
    bool active_ = true;
    int current_ = -1;    // the tool under the pointer
    int suppressed_ = -1; // pressed on: no tip until the pointer leaves it
    bool shown_ = false;
    QPoint last_pos_;
    QTimer wait_;
    QTimer auto_pop_;
};
