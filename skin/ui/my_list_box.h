#pragma once
// The skinned list box: white rows in the skin's text colour inside the
// list-box border, and an input gate that can make it ignore the user.

#include <QColor>
#include <QListWidget>

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

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
};

// The list-box border of a window of w x h (also the address field's).
void paint_list_box_border(GdiPainter& dc, int w, int h);
