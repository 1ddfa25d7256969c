#pragma once
// The main frame's menu in the skin: the bar and every menu below it on a
// solid brush of the panel colour (skin word 7), the items drawn by the
// program: the selection in word 8 framed in word 3, check marks from the
// check boxes' tick, disabled items darkened from the brush. The brush is
// made once and kept: a new scheme reaches the menus when reload_skin runs.

#include "platform/sys/colorref.h"

#include <QMenuBar>
#include <QPointer>

#include <vector>

class QMenu;
class MenuSkinStyle;

class CMyMenu : public QMenuBar {
    Q_OBJECT
public:
    explicit CMyMenu(QWidget* parent = nullptr);
    ~CMyMenu() override;

    // A menu on the bar, drawn in the skin with every submenu added to it.
    QMenu* add_popup(const QString& title);
    // Draws a menu made elsewhere (a context menu) and its submenus in the skin.
    void skin(QMenu* menu);

    // The kept brush on the bar and every skinned menu; returns 0.
    int apply_background();
    // A new brush from the current skin word 7, applied.
    void reload_skin();
    COLORREF brush_colour() const { return m_brush; }
    bool background_applied() const;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    COLORREF m_brush = 0;
    MenuSkinStyle* style_ = nullptr; // owned here; the bar and its menus draw through it
    std::vector<QPointer<QMenu>> menus_;
};

// A menu with no bar (a view's context menu) drawn the same way, on a brush
// of the current word 7; it is made for each use, so it needs no reload.
void skin_menu(QMenu* menu);
