#pragma once
// A static splitter: rows x columns of panes, each framed by a 3-D border,
// with bars between them in the panel colour (skin word 7). Dragging a bar
// (or the crossing of two) resizes the panes on both sides while the mouse
// moves. A pane may hold several views of which the caller shows one.

#include "skin/bar_rules.h"
#include "skin/pane_layout.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class GdiPainter;

class CMySplitterWnd : public QWidget {
    Q_OBJECT
public:
    // The control id of pane (row, col), as the framework numbers panes.
    static constexpr int pane_first_id = 0xe900;
    static int IdFromRowCol(int row, int col) { return pane_first_id + row * 16 + col; }

    explicit CMySplitterWnd(QWidget* parent = nullptr);

    // A static splitter of rows x cols panes (1..16 each); false otherwise.
    bool CreateStatic(int rows, int cols);
    int GetRowCount() const { return static_cast<int>(rows_.ideal_px.size()); }
    int GetColumnCount() const { return static_cast<int>(cols_.ideal_px.size()); }

    // Puts view into pane (row, col), sized as size_init wants; the view
    // becomes the pane's current one. False for a pane that does not exist.
    bool CreateView(int row, int col, QWidget* view, QSize size_init);
    // Makes view, already in pane (row, col), the one shown there and hides
    // the pane's other views.
    void show_pane_view(int row, int col, QWidget* view);
    // The pane's current view.
    QWidget* GetPane(int row, int col) const;

    void SetRowInfo(int row, int ideal_px, int min_px);
    void SetColumnInfo(int col, int ideal_px, int min_px);
    void GetRowInfo(int row, int& current_px, int& min_px) const;
    void GetColumnInfo(int col, int& current_px, int& min_px) const;
    void RecalcLayout();

    // The content rectangle of pane (row, col).
    QRect pane_rect(int row, int col) const;
    // The gap after row (or column) index, borders included, across the splitter.
    QRect row_gap(int row) const;
    QRect column_gap(int col) const;

    // Draws one part; with no painter the part's area is repainted later.
    virtual void OnDrawSplitter(GdiPainter* dc, SplitterPart part, const QRect& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Pane {
        std::vector<QPointer<QWidget>> views;
        QPointer<QWidget> current;
    };
    Pane* pane(int row, int col);
    const Pane* pane(int row, int col) const;
    // Which gaps lie under a point: the row gap's index and the column gap's, -1 for none.
    std::pair<int, int> gaps_at(QPoint pos) const;
    void set_cursor_for(std::pair<int, int> gaps);

    SplitterTrack rows_;
    SplitterTrack cols_;
    std::vector<Pane> panes_; // row-major
    int drag_row_ = -1;
    int drag_col_ = -1;
    QPoint grab_offset_;
};
