#pragma once
// The attendee roster's list: a skinned report list whose rows the roster
// painter draws from the attendee tables at each paint, with coloured bars
// for each member flag, the video mark (wider for the zoomed attendee) and
// the private-voice mark. A row's item data is the attendee's id.

#include "skin/list_rules.h"
#include "skin/ui/my_list_ctrl.h"

class CMyListCtrlOwnerDraw : public CMyListCtrl {
    Q_OBJECT
public:
    explicit CMyListCtrlOwnerDraw(int id, QWidget* parent = nullptr);

    // Counts the paints, so the painter reads the tables once per row and paint.
    uint64_t paint_number() const { return paint_number_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint64_t paint_number_ = 0;
};

// Inserts the roster's five columns, headings in the user's language.
void insert_roster_columns(CMyListCtrl& list);

// Paints one roster cell: the row painter's work for one column.
class RosterCellDelegate : public ListCellDelegate {
    Q_OBJECT
public:
    RosterCellDelegate(const std::vector<QPixmap>& images, CMyListCtrlOwnerDraw* list)
        : ListCellDelegate(images, list), list_(*list)
    {
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const RosterRowState& row_state(int customer_id) const;

    const CMyListCtrlOwnerDraw& list_;
    mutable uint64_t cached_paint_ = 0;
    mutable int cached_id_ = 0;
    mutable RosterRowState cached_state_;
};
