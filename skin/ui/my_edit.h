#pragma once
// The skinned edit fields: white, the skin's text colour, a skin border and,
// where they scroll, bars painted in the skin.

#include <QLineEdit>
#include <QTextEdit>

// Multi-line edit with scroll bars (plain text).
class CMyEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit CMyEdit(int id, QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The rich edit's white corner box is two pixels larger.
    int corner_extra_px_ = 0;
};

// The rich-text edit of the chat.
class CMyRichEdit : public CMyEdit {
    Q_OBJECT
public:
    explicit CMyRichEdit(int id, QWidget* parent = nullptr);
};

// Single-line edit with the flat border only.
class CMyEdit_no_scroll : public QLineEdit {
    Q_OBJECT
public:
    explicit CMyEdit_no_scroll(int id, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Paints the border of an edit of size w x h: the outline on the left and top
// in the skin's outline colour, white between the text and the bars.
void paint_edit_border(class GdiPainter& dc, int w, int h, int bar_width_px, int bar_height_px);
// The flat border of the single-line edit.
void paint_flat_edit_border(class GdiPainter& dc, int w, int h);
