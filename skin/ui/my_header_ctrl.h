#pragma once
// The skinned list header: the skin's header face stretched across, a white
// line above and a line in the header colour below, each column framed in
// white and the header colour, its text centred and cut with an ellipsis.

#include <QHeaderView>

class GdiPainter;

class CMyHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CMyHeaderCtrl(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Paints a header of width x height whose sections (left edge, width, text)
// are given in order; the header's own paint and tests use it.
struct HeaderSection {
    int left_px = 0;
    int width_px = 0;
    QString text;
};
void paint_skin_header(GdiPainter& dc, int width, int height, const QList<HeaderSection>& sections, const QFont& font);
// A section's text as shown in a section width_px wide: cut to 255
// characters, and ending in an ellipsis when it does not fit.
QString header_item_text(const QString& text, int width_px, const QFont& font);
// The header's font: its own with the face "Arial" and a height of 14 pixels.
QFont skin_header_font(const QFont& base);
