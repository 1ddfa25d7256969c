#include "skin/ui/my_menu.h"

#include "core/dbg_log.h"
#include "platform/ui/gdi_painter.h"
#include "skin/bar_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/skin_bitmaps.h"

#include <QActionEvent>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include <algorithm>
#include <functional>

namespace {

constexpr int check_column_px = 22; // the mark's column left of the text
constexpr int arrow_column_px = 18; // the submenu arrow's column at the right
constexpr int shortcut_gap_px = 24;
constexpr int text_right_px = 6;
constexpr int item_min_height_px = 20;
constexpr int separator_height_px = 7;
constexpr int bar_item_margin_px = 8;
constexpr int separator_shadow_k = 64;
constexpr int separator_light_k = 180;

void draw_check_mark(GdiPainter& dc, const QRect& item, bool exclusive, COLORREF ink)
{
    const int cy = item.top() + item.height() / 2;
    const int x = item.left() + (check_column_px - 13) / 2;
    if (exclusive) {
        // A round mark for the one chosen item of a group.
        QPainter& p = dc.painter();
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(colorref_color(ink));
        p.drawEllipse(QRectF(x + 3.5, cy - 3, 6, 6));
        p.restore();
        return;
    }
    // The check box's box and tick.
    const int top = cy - 6;
    dc.select_pen(skin_word_value(skin_word::outline));
    dc.polyline({ { x, top + 12 }, { x, top }, { x + 13, top } });
    dc.select_pen(skin_word_value(skin_word::inner_border));
    dc.polyline({ { x + 12, top }, { x + 12, top + 12 }, { x, top + 12 } });
    dc.fill_rect(x + 1, top + 1, x + 12, top + 12, 0xffffff);
    dc.bit_blt(x + 3, top + 3, 8, 8, skin_bitmap(check_box_tick_bitmap), 1, 1);
}

// A one-pixel outline on the rectangle's edge pixels.
void frame_rect(GdiPainter& dc, const QRect& r, COLORREF colour)
{
    dc.draw_3d_rect(r, colour, colour);
}

void draw_text(GdiPainter& dc, const QRect& rect, const QString& text, int flags, const MenuItemLook& look)
{
    if (look.emboss)
        dc.draw_text(text, rect.translated(1, 1), flags, look.emboss_colour);
    dc.draw_text(text, rect, flags, look.text_colour);
}

} // namespace

class MenuSkinStyle : public QProxyStyle {
public:
    explicit MenuSkinStyle(COLORREF brush) : QProxyStyle(QStyleFactory::create("Fusion")), brush_(brush) {}

    COLORREF brush_ = 0;
    bool applied_ = false;

    COLORREF background(const QWidget* widget) const
    {
        // Until the brush is applied the menus keep the system's colour.
        return applied_ ? brush_ : color_colorref(widget ? widget->palette().color(QPalette::Window) : QColor(Qt::white));
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        switch (metric) {
        case PM_MenuPanelWidth: return 1;
        case PM_MenuHMargin: return 1;
        case PM_MenuVMargin: return 2;
        case PM_MenuBarPanelWidth: return 0;
        case PM_MenuBarItemSpacing: return 0;
        case PM_MenuBarHMargin: return 2;
        case PM_MenuBarVMargin: return 1;
        case PM_SubMenuOverlap: return -2;
        default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size, const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (!item)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        const QFontMetrics fm(item->font);
        if (type == CT_MenuItem) {
            if (item->menuItemType == QStyleOptionMenuItem::Separator)
                return QSize(10, separator_height_px);
            QString label = item->text.section('\t', 0, 0);
            QString shortcut = item->text.section('\t', 1);
            int w = check_column_px + fm.horizontalAdvance(QString(label).remove('&')) + text_right_px + arrow_column_px;
            if (!shortcut.isEmpty() || item->reservedShortcutWidth > 0)
                w += shortcut_gap_px + std::max(fm.horizontalAdvance(shortcut), item->reservedShortcutWidth);
            return QSize(w, std::max(item_min_height_px, fm.height() + 6));
        }
        if (type == CT_MenuBarItem)
            return QSize(fm.horizontalAdvance(QString(item->text).remove('&')) + 2 * bar_item_margin_px, fm.height() + 8);
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override
    {
        switch (element) {
        case PE_PanelMenu:
        case PE_PanelMenuBar: {
            GdiPainter dc(*painter);
            dc.fill_rect(option->rect, background(widget));
            return;
        }
        case PE_FrameMenu: {
            GdiPainter dc(*painter);
            frame_rect(dc, option->rect, skin_word_value(skin_word::outline));
            return;
        }
        default: QProxyStyle::drawPrimitive(element, option, painter, widget);
        }
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override
    {
        try {
            switch (element) {
            case CE_MenuEmptyArea:
            case CE_MenuBarEmptyArea: {
                GdiPainter dc(*painter);
                dc.fill_rect(option->rect, background(widget));
                return;
            }
            case CE_MenuItem:
                if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                    draw_menu_item(*painter, *item, widget);
                    return;
                }
                break;
            case CE_MenuBarItem:
                if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                    draw_bar_item(*painter, *item, widget);
                    return;
                }
                break;
            default: break;
            }
        } catch (...) {
            dbg_log("exception in MenuSkinStyle::drawControl.\n");
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

private:
    void draw_menu_item(QPainter& painter, const QStyleOptionMenuItem& item, const QWidget* widget) const
    {
        GdiPainter dc(painter);
        const COLORREF bg = background(widget);
        const QRect r = item.rect;
        dc.fill_rect(r, bg);
        if (item.menuItemType == QStyleOptionMenuItem::Separator) {
            const int y = r.top() + r.height() / 2;
            dc.fill_rect(r.left() + 2, y - 1, r.left() + r.width() - 2, y, darken_colour(bg, separator_shadow_k));
            dc.fill_rect(r.left() + 2, y, r.left() + r.width() - 2, y + 1, lighten_colour(bg, separator_light_k));
            return;
        }
        const bool enabled = (item.state & State_Enabled) != 0;
        const bool selected = (item.state & State_Selected) != 0;
        MenuItemLook look = menu_item_look(selected, enabled, bg);
        if (look.fill) {
            dc.fill_rect(r, look.fill_colour);
            frame_rect(dc, r, look.frame_colour);
        }
        if (item.checkType != QStyleOptionMenuItem::NotCheckable && item.checked)
            draw_check_mark(dc, r, item.checkType == QStyleOptionMenuItem::Exclusive, look.text_colour);
        else if (!item.icon.isNull())
            painter.drawPixmap(r.left() + (check_column_px - 16) / 2, r.top() + (r.height() - 16) / 2,
                               item.icon.pixmap(QSize(16, 16), 1.0, enabled ? QIcon::Normal : QIcon::Disabled));

        const QString label = item.text.section('\t', 0, 0);
        const QString shortcut = item.text.section('\t', 1);
        const QRect text_rect(r.left() + check_column_px, r.top(), r.width() - check_column_px - arrow_column_px, r.height());
        const int mnemonic = proxy()->styleHint(SH_UnderlineShortcut, &item, widget) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
        draw_text(dc, text_rect, label, Qt::AlignLeft | Qt::AlignVCenter | mnemonic, look);
        if (!shortcut.isEmpty())
            draw_text(dc, text_rect, shortcut, Qt::AlignRight | Qt::AlignVCenter, look);
        if (item.menuItemType == QStyleOptionMenuItem::SubMenu) {
            const int cx = r.left() + r.width() - arrow_column_px / 2 - 2;
            const int cy = r.top() + r.height() / 2;
            dc.solid_polygon({ { cx - 2, cy - 4 }, { cx + 2, cy }, { cx - 2, cy + 4 } }, look.text_colour);
        }
    }

    void draw_bar_item(QPainter& painter, const QStyleOptionMenuItem& item, const QWidget* widget) const
    {
        GdiPainter dc(painter);
        const COLORREF bg = background(widget);
        const QRect r = item.rect;
        dc.fill_rect(r, bg);
        const bool enabled = (item.state & State_Enabled) != 0;
        // Under the pointer, or open.
        const bool selected = enabled && ((item.state & State_Selected) != 0 || (item.state & State_Sunken) != 0);
        MenuItemLook look = menu_item_look(selected, enabled, bg);
        if (look.fill) {
            dc.fill_rect(r, look.fill_colour);
            frame_rect(dc, r, look.frame_colour);
        }
        const int mnemonic = proxy()->styleHint(SH_UnderlineShortcut, &item, widget) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
        draw_text(dc, r, item.text, Qt::AlignCenter | mnemonic, look);
    }
};

void skin_menu(QMenu* menu)
{
    if (!menu)
        return;
    auto* style = new MenuSkinStyle(skin_word_value(skin_word::panel));
    style->applied_ = true;
    style->setParent(menu);
    std::function<void(QMenu*)> apply = [&](QMenu* m) {
        m->setStyle(style);
        for (QAction* action : m->actions())
            if (action->menu())
                apply(action->menu());
    };
    apply(menu);
}

CMyMenu::CMyMenu(QWidget* parent) : QMenuBar(parent), m_brush(skin_word_value(skin_word::panel))
{
    style_ = new MenuSkinStyle(m_brush);
    style_->setParent(this);
    setStyle(style_);
    // A bar inside our own frame, on every platform.
    setNativeMenuBar(false);
}

CMyMenu::~CMyMenu()
{
    // No menu may outlive the style it draws through.
    for (const QPointer<QMenu>& menu : menus_)
        if (menu)
            menu->setStyle(nullptr);
    setStyle(nullptr);
}

QMenu* CMyMenu::add_popup(const QString& title)
{
    QMenu* menu = addMenu(title);
    skin(menu);
    return menu;
}

void CMyMenu::skin(QMenu* menu)
{
    if (!menu || menu->style() == style_)
        return;
    menu->setStyle(style_);
    menu->installEventFilter(this);
    menus_.emplace_back(menu);
    for (QAction* action : menu->actions())
        if (action->menu())
            skin(action->menu());
}

bool CMyMenu::eventFilter(QObject* watched, QEvent* event)
{
    // Submenus added later are drawn the same way.
    if (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionChanged)
        if (QAction* action = static_cast<QActionEvent*>(event)->action(); action && action->menu())
            skin(action->menu());
    return QMenuBar::eventFilter(watched, event);
}

int CMyMenu::apply_background()
{
    style_->brush_ = m_brush;
    style_->applied_ = true;
    update();
    for (const QPointer<QMenu>& menu : menus_)
        if (menu)
            menu->update();
    return 0;
}

void CMyMenu::reload_skin()
{
    m_brush = skin_word_value(skin_word::panel);
    apply_background();
}

bool CMyMenu::background_applied() const { return style_->applied_; }
