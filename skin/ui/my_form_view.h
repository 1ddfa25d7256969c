#pragma once
// The base of the scrolling views built from a dialog template (shared screen,
// video, playback): a scroll area whose bars are painted in the skin.

#include <QScrollArea>

class CMyFormView : public QScrollArea {
    Q_OBJECT
public:
    explicit CMyFormView(int template_id = 105, QWidget* parent = nullptr);
    int template_id() const { return template_id_; }

private:
    int template_id_ = 105;
};

class QPainter;

// The right-hand views' and the left form's background: skin word 26
// stretched over the rectangle from its one-pixel source column.
void paint_view_background(QPainter& p, const QRect& rect);

// The content of a view until its own window fills it: the view background
// at the size of the scroll area (or of a given scroll size).
class CViewCanvas : public QWidget {
    Q_OBJECT
public:
    explicit CViewCanvas(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
