#pragma once
// The rebar: one row of bands, each a gripper and a child (a tool bar),
// over a background of skin word 8. A band keeps at least the width of its
// whole child; the last shown band reaches the end of the row. Dragging a
// band's gripper widens or narrows the band before it.

#include "skin/pane_layout.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class GdiPainter;

class CMyRebar : public QWidget {
    Q_OBJECT
public:
    static constexpr int gripper_px = 9;
    static constexpr int band_margin_px = 2;

    explicit CMyRebar(int id = 0, QWidget* parent = nullptr);

    // Appends a band holding child (reparented to the rebar); returns its index.
    int add_band(QWidget* child);
    int band_count() const { return static_cast<int>(bands_.size()); }
    QWidget* band_child(int index) const;
    void show_band(int index, bool show);
    bool band_shown(int index) const;
    // The band as narrow as its child allows.
    void minimize_band(int index);
    void set_band_width(int index, int width_px);
    QRect band_rect(int index) const;
    QRect gripper_rect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Band {
        QPointer<QWidget> child;
        int width_px = 0;
        bool shown = true;
    };
    std::vector<RebarBand> geometry() const;
    std::vector<PaneSpan> spans() const;
    int child_height() const;
    void relayout();
    int gripper_at(QPoint pos) const;
    void draw_gripper(GdiPainter& dc, const QRect& band);

    std::vector<Band> bands_;
    int dragging_ = -1;
    int drag_x_ = 0;
    std::vector<RebarBand> drag_start_;
};
