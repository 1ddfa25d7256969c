#include "skin/ui/my_list_ctrl.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/list_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/my_header_ctrl.h"
#include "skin/ui/skin_scroll_bars.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>

#include <algorithm>

namespace {

// The cells paint the whole row: the style adds no row panel or focus frame.
class ListViewStyle : public QProxyStyle {
public:
    ListViewStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element == PE_FrameFocusRect || element == PE_PanelItemViewRow || element == PE_PanelItemViewItem)
            return;
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

QStyle* list_view_style()
{
    static ListViewStyle* style = nullptr;
    if (!style) {
        style = new ListViewStyle;
        style->setParent(qApp);
    }
    return style;
}

// The report list's rows are 18 pixels high unless the font needs more.
constexpr int list_row_height_px = 18;
constexpr int list_text_indent_px = 4;
} // namespace

// ---- model ------------------------------------------------------------------

int ReportListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ReportListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return QVariant();
    const Row& row = rows_[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole: return text(index.row(), index.column());
    case item_data_role: return QVariant::fromValue<qlonglong>(row.data);
    case item_image_role: return index.column() == 0 ? row.image : -1;
    default: return QVariant();
    }
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(headings_.size()))
        return QVariant();
    return headings_[static_cast<size_t>(section)];
}

int ReportListModel::insert_column(int column, const QString& heading)
{
    column = std::clamp(column, 0, static_cast<int>(headings_.size()));
    beginInsertColumns(QModelIndex(), column, column);
    headings_.insert(headings_.begin() + column, heading);
    for (Row& row : rows_)
        if (static_cast<int>(row.texts.size()) > column)
            row.texts.insert(row.texts.begin() + column, QString());
    endInsertColumns();
    return column;
}

int ReportListModel::insert_row(int row, const QString& text, int image)
{
    row = std::clamp(row, 0, static_cast<int>(rows_.size()));
    beginInsertRows(QModelIndex(), row, row);
    Row r;
    r.texts.push_back(text);
    r.image = image;
    rows_.insert(rows_.begin() + row, std::move(r));
    endInsertRows();
    return row;
}

int ReportListModel::insert_row(int row, std::vector<QString> texts, int image, int64_t data)
{
    row = std::clamp(row, 0, static_cast<int>(rows_.size()));
    beginInsertRows(QModelIndex(), row, row);
    Row r;
    r.texts = std::move(texts);
    r.image = image;
    r.data = data;
    rows_.insert(rows_.begin() + row, std::move(r));
    endInsertRows();
    return row;
}

bool ReportListModel::set_row(int row, std::vector<QString> texts, int image, int64_t data)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return false;
    Row& r = rows_[static_cast<size_t>(row)];
    r.texts = std::move(texts);
    r.image = image;
    r.data = data;
    emit dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
    return true;
}

bool ReportListModel::set_text(int row, int column, const QString& text)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= static_cast<int>(headings_.size()))
        return false;
    auto& texts = rows_[static_cast<size_t>(row)].texts;
    if (static_cast<int>(texts.size()) <= column)
        texts.resize(static_cast<size_t>(column) + 1);
    texts[static_cast<size_t>(column)] = text;
    emit dataChanged(index(row, column), index(row, column));
    return true;
}

QString ReportListModel::text(int row, int column) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0)
        return QString();
    const auto& texts = rows_[static_cast<size_t>(row)].texts;
    return column < static_cast<int>(texts.size()) ? texts[static_cast<size_t>(column)] : QString();
}

bool ReportListModel::set_row_data(int row, int64_t data)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return false;
    rows_[static_cast<size_t>(row)].data = data;
    // The roster paints from the data, so the whole row changes.
    emit dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
    return true;
}

int64_t ReportListModel::row_data(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return 0;
    return rows_[static_cast<size_t>(row)].data;
}

bool ReportListModel::set_row_image(int row, int image)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return false;
    rows_[static_cast<size_t>(row)].image = image;
    emit dataChanged(index(row, 0), index(row, 0));
    return true;
}

int ReportListModel::row_image(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return -1;
    return rows_[static_cast<size_t>(row)].image;
}

bool ReportListModel::remove_row(int row)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    return true;
}

void ReportListModel::clear_rows()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

// ---- plain cells --------------------------------------------------------------

void ListCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    try {
        GdiPainter dc(*painter);
        const QRect cell = option.rect;
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        const QPalette& pal = option.palette;
        dc.fill_rect(cell, selected ? color_colorref(pal.color(QPalette::Highlight)) : 0xffffff);
        int x = cell.left() + list_text_indent_px;
        const int image = index.data(ReportListModel::item_image_role).toInt();
        if (image >= 0 && image < static_cast<int>(images_.size())) {
            const QPixmap& icon = images_[static_cast<size_t>(image)];
            painter->drawPixmap(x, cell.top() + (cell.height() - icon.height()) / 2, icon);
            x += icon.width() + 2;
        }
        const COLORREF text_colour = selected ? color_colorref(pal.color(QPalette::HighlightedText))
                                              : skin_word_value(skin_word::text);
        draw_cell_text(*painter, option, index.data().toString(), QRect(x, cell.top(), cell.right() + 1 - x, cell.height()),
                       text_colour);
    } catch (...) {
        dbg_log("exception in ListCellDelegate::paint.\n");
    }
}

void ListCellDelegate::draw_cell_text(QPainter& painter, const QStyleOptionViewItem& option, const QString& text,
                                      const QRect& rect, COLORREF colour) const
{
    if (text.isEmpty() || rect.width() <= 0)
        return;
    // A roster repaints thousands of cells whose texts rarely change: each
    // text is drawn once per colour and kept as a picture, copied into its
    // cell and cut at the cell's right edge.
    if (option.font != cached_font_ || drawn_.size() > drawn_limit) {
        drawn_.clear();
        cached_font_ = option.font;
    }
    const QString key = text + QChar(0) + QString::number(colour, 16);
    auto it = drawn_.find(key);
    if (it == drawn_.end()) {
        const QString shown = text.left(list_cell_text_limit);
        const QFontMetrics& metrics = option.fontMetrics;
        QImage image(std::max(1, metrics.horizontalAdvance(shown) + 2), metrics.height(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setFont(option.font);
        p.setPen(colorref_color(colour));
        p.drawText(QPoint(0, metrics.ascent()), shown);
        p.end();
        it = drawn_.insert(key, image);
    }
    const QImage& image = *it;
    const int top = rect.top() + (rect.height() - image.height()) / 2;
    painter.drawImage(QPoint(rect.left(), top), image, QRect(0, 0, std::min(image.width(), rect.width()), image.height()));
}

QSize ListCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(0, std::max(list_row_height_px, option.fontMetrics.height() + 2));
}

// ---- the list -------------------------------------------------------------------

void paint_list_border(GdiPainter& dc, int w, int h)
{
    dc.select_pen(skin_word_value(skin_word::outline));
    dc.polyline({ { 0, h - 1 }, { 0, 0 }, { w, 0 } });
    dc.select_pen(skin_word_value(skin_word::scroll_outline));
    dc.polyline({ { 1, h - 2 }, { 1, 1 }, { w - 1, 1 } });
    dc.select_pen(0xffffff);
    dc.polyline({ { 0, h - 1 }, { w - 1, h - 1 }, { w - 1, 0 } });
    dc.polyline({ { 1, h - 2 }, { w - 2, h - 2 }, { w - 2, 1 } });
}

CMyListCtrl::CMyListCtrl(int id, QWidget* parent) : QTreeView(parent)
{
    set_control_id(this, id);
    setStyle(list_view_style());
    model_ = new ReportListModel(this);
    setModel(model_);
    header_ = new CMyHeaderCtrl(this);
    setHeader(header_);
    setItemDelegate(new ListCellDelegate(images_, this));
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // Room for the two-pixel border; the bars sit inside it.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(2);
    setMidLineWidth(0);
    use_skin_scroll_bars(this, ScrollBarKind::list);
    horizontalScrollBar()->installEventFilter(this);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
}

int CMyListCtrl::row_height_px() const { return std::max(list_row_height_px, fontMetrics().height() + 2); }

int CMyListCtrl::insert_column(int column, const QString& heading, int width_px)
{
    int at = model_->insert_column(column, heading);
    header_->resizeSection(at, width_px);
    return at;
}

int CMyListCtrl::column_count() const { return model_->columnCount(); }

int CMyListCtrl::insert_item(int row, const QString& text, int image) { return model_->insert_row(row, text, image); }

int CMyListCtrl::insert_item(int row, std::vector<QString> texts, int image, int64_t data)
{
    return model_->insert_row(row, std::move(texts), image, data);
}

bool CMyListCtrl::set_item(int row, std::vector<QString> texts, int image, int64_t data)
{
    return model_->set_row(row, std::move(texts), image, data);
}

bool CMyListCtrl::set_item_text(int row, int column, const QString& text) { return model_->set_text(row, column, text); }

QString CMyListCtrl::item_text(int row, int column) const { return model_->text(row, column); }

bool CMyListCtrl::set_item_data(int row, int64_t data) { return model_->set_row_data(row, data); }

int64_t CMyListCtrl::item_data(int row) const { return model_->row_data(row); }

bool CMyListCtrl::set_item_image(int row, int image) { return model_->set_row_image(row, image); }

int CMyListCtrl::item_count() const { return model_->rowCount(); }

bool CMyListCtrl::delete_item(int row) { return model_->remove_row(row); }

void CMyListCtrl::delete_all_items() { model_->clear_rows(); }

int CMyListCtrl::next_selected_item(int after) const
{
    const QItemSelectionModel* selection = selectionModel();
    if (!selection)
        return -1;
    for (int row = std::max(0, after + 1); row < model_->rowCount(); ++row)
        if (selection->isRowSelected(row, QModelIndex()))
            return row;
    return -1;
}

void CMyListCtrl::set_item_selected(int row, bool selected)
{
    if (row < 0 || row >= model_->rowCount())
        return;
    selectionModel()->select(model_->index(row, 0), (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                                        QItemSelectionModel::Rows);
}

int CMyListCtrl::find_item_data(int64_t data) const
{
    for (int row = 0; row < model_->rowCount(); ++row)
        if (model_->row_data(row) == data)
            return row;
    return -1;
}

void CMyListCtrl::set_image_list(std::vector<QPixmap> images)
{
    images_ = std::move(images);
    viewport()->update();
}

bool CMyListCtrl::event(QEvent* event)
{
    bool handled = QTreeView::event(event);
    // The frame's own paint: the border around the rows, header and bars.
    if (event->type() == QEvent::Paint) {
        try {
            m_horizontal_shown = horizontalScrollBar()->isVisible();
            m_vertical_shown = verticalScrollBar()->isVisible();
            GdiPainter dc(this);
            paint_list_border(dc, width(), height());
        } catch (...) {
            dbg_log("exception in CMyListCtrl::event.\n");
        }
    }
    return handled;
}

bool CMyListCtrl::eventFilter(QObject* watched, QEvent* event)
{
    auto* bar = horizontalScrollBar();
    if (watched == bar) {
        if (event->type() == QEvent::MouseButtonPress)
            return horizontal_bar_press(bar, static_cast<QMouseEvent*>(event));
        // A second press that makes a double click does nothing on the bar.
        if (event->type() == QEvent::MouseButtonDblClick)
            return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    }
    return QTreeView::eventFilter(watched, event);
}

bool CMyListCtrl::horizontal_bar_press(QScrollBar* bar, QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    // The bar's parts where the skin's style paints them.
    QStyle::SubControl sub = skin_scroll_bar_part_at(bar, event->position().toPoint());
    ListBarPart part = ListBarPart::none;
    switch (sub) {
    case QStyle::SC_ScrollBarSubLine: part = ListBarPart::left_arrow; break;
    case QStyle::SC_ScrollBarAddLine: part = ListBarPart::right_arrow; break;
    case QStyle::SC_ScrollBarSubPage: part = ListBarPart::track_left; break;
    case QStyle::SC_ScrollBarAddPage: part = ListBarPart::track_right; break;
    case QStyle::SC_ScrollBarSlider: part = ListBarPart::thumb; break;
    default: break;
    }
    std::optional<int> wanted = list_bar_click_position(part, bar->value(), bar->pageStep(), bar->minimum(), bar->maximum());
    if (!wanted)
        return false;
    bar->setValue(*wanted);
    return true;
}
