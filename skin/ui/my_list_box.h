#pragma once
// The skinned list box: white rows in the skin's text colour inside the
// list-box border, and an input gate that can make it ignore the user.

#include "skin/ui/tool_tip_relay.h"

#include <QColor>
#include <QListWidget>
#include <QStyledItemDelegate>

#include <cstdint>

class GdiPainter;

class CMyListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CMyListBox(int id, QWidget* parent = nullptr);

    // Returns the new entry's index.
    int add_string(const QString& text);
    void reset_content();
    // -1 when nothing is selected.
    int get_cur_sel() const;
    // -1 selects nothing.
    void set_cur_sel(int index);
    bool set_item_data(int index, int64_t data);
    int64_t item_data(int index) const;

    uint8_t m_input_gate = 1; // 0: presses and keys are dropped
    QColor m_background_colour;
    // The control's tips, over its rows; it registers none of its own.
    ToolTipRelay m_tooltip { viewport() };

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
};

// Paints a list box's row (also a combo box's drop-down list): the owner's
// background, or the selection colours, the text in the skin's colour.
class ListBoxDelegate : public QStyledItemDelegate {
public:
    ListBoxDelegate(QObject* owner, const QColor& background) : QStyledItemDelegate(owner), background_(background) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QColor& background_;
};

// The list-box border of a window of w x h (also the address field's).
void paint_list_box_border(GdiPainter& dc, int w, int h);
