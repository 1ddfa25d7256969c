#pragma once
// The skinned tab control: the skin's background behind a row of tabs, each
// outlined in the tab colour with a light top edge, the selected one standing
// 2 pixels higher. When the tabs need more room than the control has, the spin
// button member shows at the right end of the row and scrolls them. The pages
// are the owner's: display_rect() says where they go.

#include "skin/control_rules.h"

#include <QStringList>
#include <QWidget>

class CMySpinButtonCtrl;

class CMyTabCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CMyTabCtrl(int id, QWidget* parent = nullptr);

    // Returns where the tab went (index clamped to the count).
    int insert_item(int index, const QString& text);
    bool set_item_text(int index, const QString& text);
    QString item_text(int index) const;
    bool delete_item(int index);
    void delete_all_items();
    int item_count() const { return static_cast<int>(texts_.size()); }
    // -1 when there is no tab.
    int cur_sel() const { return selected_; }
    // Selects without telling the owner; returns the previous selection, -1
    // for an index that names no tab (then nothing changes).
    int set_cur_sel(int index);
    // A tab as laid out now (it may lie left of the control when scrolled away).
    QRect item_rect(int index) const;
    // The area below the tabs.
    QRect display_rect() const;
    int row_height_px() const;
    int first_visible() const { return layout().first; }
    bool overflowing() const { return layout().overflow; }
    CMySpinButtonCtrl* spin() const { return m_spin; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user chose another tab (a click or the arrow keys).
    void selection_changed(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TabLayout layout() const;
    void choose(int index);
    void update_spin();

    CMySpinButtonCtrl* m_spin = nullptr; // takes over the scroll arrows; a child
    QStringList texts_;
    int selected_ = -1;
    int first_ = 0;
};
