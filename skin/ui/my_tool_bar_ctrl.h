#pragma once
// The tool-bar control: a row of picture buttons that light up under the
// pointer, press, check and grey out, each with a tool tip. A click sends the
// button's command: command() is emitted, and a button made from an action
// triggers it. This plain control draws its buttons with 3-D edges darkened
// and lightened from its face (skin word 2); CMyToolBar draws them in the
// skin's colours.

#include "platform/ui/gdi_painter.h"
#include "skin/tool_bar_model.h"
#include "skin/ui/tool_tip_relay.h"

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <vector>

class QAction;

// The normal, hot and disabled pictures of a bar, by image index.
struct ToolBarImageLists {
    QSize size { 16, 15 };
    std::vector<QPixmap> normal;
    std::vector<QPixmap> hot;
    std::vector<QPixmap> disabled;
    const QPixmap* picture(ToolImageList list, int index) const;
};

// The three lists for commands: image index i is the picture of command_ids[i]
// (the theme's glyph, or our own where the theme has none).
ToolBarImageLists command_image_lists(const std::vector<int>& command_ids, QSize size = QSize(16, 15));

class CMyToolBarCtrl : public QWidget {
    Q_OBJECT
public:
    CMyToolBarCtrl(int id, QWidget* parent = nullptr);

    // A button sending command_id, showing picture image_index; a check-style
    // button turns checked on and off by itself.
    void add_button(int command_id, int image_index, const QString& tip, bool check_style = false);
    // A button that follows action: its enabled, checked, visible and tool-tip
    // state; a click triggers the action. The command id is action->data().
    void add_action(QAction* action, int image_index);
    void add_separator();
    void remove_all_buttons();

    void set_image_lists(ToolBarImageLists lists);
    const ToolBarImageLists& image_lists() const { return images_; }

    void set_enabled(int command_id, bool enabled);
    void set_checked(int command_id, bool checked);
    void set_hidden(int command_id, bool hidden);
    bool is_enabled(int command_id) const;
    bool is_checked(int command_id) const;
    void set_tip(int command_id, const QString& tip);
    QString tip(int command_id) const;
    // Tool tips on (the default) or off; fly-by help: fly_by_text() tells the
    // button under the pointer (its action's status tip, else its tool tip),
    // and an empty text when the pointer leaves the buttons.
    void set_tool_tips(bool on);
    void set_fly_by(bool on);

    // The rectangle of the button with command_id, empty when hidden or absent.
    QRect button_rect(int command_id) const;
    const ToolBarModel& model() const { return model_; }
    ToolTipRelay& tool_tips() { return tool_tips_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void command(int command_id);
    void fly_by_text(const QString& text);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

    // Painting steps a derived bar replaces.
    virtual void erase_background(GdiPainter& dc);
    virtual void draw_button(GdiPainter& dc, const QRect& rect, const ToolBarButton& button, const ToolButtonState& state);
    virtual void draw_separator(GdiPainter& dc, const QRect& rect);
    void draw_picture(GdiPainter& dc, const QRect& rect, const ToolBarButton& button, const ToolButtonLook& look);

private:
    struct Extra {
        QString tip;
        QPointer<QAction> action;
    };
    void add_item(const ToolBarButton& button, Extra extra);
    void sync_from_action(size_t index);
    void refresh_tools();
    void look_changed();
    void send(int command_id);

    ToolBarModel model_;
    std::vector<Extra> extras_;
    ToolBarImageLists images_;
    ToolTipRelay tool_tips_;
    bool fly_by_ = false;
    int fly_by_command_ = 0;
};
