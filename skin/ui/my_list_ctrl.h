#pragma once
// The skinned report list of dialogs and pages: rows of text columns under a
// skinned header, a two-pixel skin border, bars painted in the skin, and its
// own handling of presses on the horizontal bar (arrows step 10 pixels, the
// track a page). Rows live in a model and are painted by a delegate, so a
// long list builds no widget per row.

#include "platform/sys/colorref.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QImage>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <cstdint>
#include <deque>
#include <vector>

class CMyHeaderCtrl;
class QScrollBar;

// The rows and columns of a report list.
class ReportListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int item_data_role = Qt::UserRole;
    static constexpr int item_image_role = Qt::UserRole + 1;

    explicit ReportListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int insert_column(int column, const QString& heading);
    int insert_row(int row, const QString& text, int image);
    // A whole row at once (its texts by column, picture and data): one change
    // notice instead of one per cell, for lists that fill in bursts.
    int insert_row(int row, std::vector<QString> texts, int image, int64_t data);
    bool set_row(int row, std::vector<QString> texts, int image, int64_t data);
    bool set_text(int row, int column, const QString& text);
    QString text(int row, int column) const;
    bool set_row_data(int row, int64_t data);
    int64_t row_data(int row) const;
    bool set_row_image(int row, int image);
    int row_image(int row) const;
    bool remove_row(int row);
    void clear_rows();

private:
    struct Row {
        std::vector<QString> texts;
        int64_t data = 0;
        int image = -1;
    };
    std::vector<QString> headings_;
    std::deque<Row> rows_;  // rosters insert their newest member first
};

// Paints a plain report cell: white, or the selection colours, the row's
// picture in column 0, the text in the skin's colour.
class ListCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ListCellDelegate(const std::vector<QPixmap>& images, QObject* parent) : QStyledItemDelegate(parent), images_(images) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    // One line, left-aligned and centred in height, cut at the right edge.
    void draw_cell_text(QPainter& painter, const QStyleOptionViewItem& option, const QString& text, const QRect& rect,
                        COLORREF colour) const;
    const std::vector<QPixmap>& images_;

private:
    static constexpr int drawn_limit = 2048;
    mutable QHash<QString, QImage> drawn_;
    mutable QFont cached_font_;
};

class CMyListCtrl : public QTreeView {
    Q_OBJECT
public:
    explicit CMyListCtrl(int id, QWidget* parent = nullptr);

    // Columns and rows, addressed by position as the list keeps them.
    int insert_column(int column, const QString& heading, int width_px);
    int column_count() const;
    // Inserts at row (clamped to the count); returns where the row went.
    int insert_item(int row, const QString& text, int image = -1);
    // The whole row at once: texts by column, picture, item data.
    int insert_item(int row, std::vector<QString> texts, int image, int64_t data);
    bool set_item(int row, std::vector<QString> texts, int image, int64_t data);
    bool set_item_text(int row, int column, const QString& text);
    QString item_text(int row, int column) const;
    bool set_item_data(int row, int64_t data);
    int64_t item_data(int row) const;
    bool set_item_image(int row, int image);
    int item_count() const;
    bool delete_item(int row);
    void delete_all_items();
    // The first selected row after row after (-1: from the top); -1 when none.
    int next_selected_item(int after = -1) const;
    void set_item_selected(int row, bool selected);
    // The row whose item data is data, -1 when none.
    int find_item_data(int64_t data) const;
    // The small pictures that an item's image number picks.
    void set_image_list(std::vector<QPixmap> images);

    CMyHeaderCtrl* header_ctrl() const { return header_; }
    ReportListModel* list_model() const { return model_; }
    int row_height_px() const;

    // Kept by the bar painting: which bars show.
    bool m_horizontal_shown = false;
    bool m_vertical_shown = false;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    std::vector<QPixmap> images_;

private:
    bool horizontal_bar_press(QScrollBar* bar, QMouseEvent* event);

    ReportListModel* model_ = nullptr;
    CMyHeaderCtrl* header_ = nullptr;
};

// The list border of both skinned report lists, for a window of w x h.
void paint_list_border(class GdiPainter& dc, int w, int h);
