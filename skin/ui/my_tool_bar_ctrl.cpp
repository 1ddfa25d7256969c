#include "skin/ui/my_tool_bar_ctrl.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "skin/skin_table.h"
#include "skin/ui/theme_icons.h"

#include <QAction>
#include <QMouseEvent>

const QPixmap* ToolBarImageLists::picture(ToolImageList list, int index) const
{
    const std::vector<QPixmap>& pictures = list == ToolImageList::disabled ? disabled : list == ToolImageList::hot ? hot : normal;
    if (index < 0 || static_cast<size_t>(index) >= pictures.size() || pictures[static_cast<size_t>(index)].isNull())
        return nullptr;
    return &pictures[static_cast<size_t>(index)];
}

ToolBarImageLists command_image_lists(const std::vector<int>& command_ids, QSize size)
{
    ToolBarImageLists lists;
    lists.size = size;
    for (int id : command_ids) {
        lists.normal.push_back(QPixmap::fromImage(command_picture(id, size, GlyphLook::normal)));
        lists.hot.push_back(QPixmap::fromImage(command_picture(id, size, GlyphLook::hot)));
        lists.disabled.push_back(QPixmap::fromImage(command_picture(id, size, GlyphLook::disabled)));
    }
    return lists;
}

CMyToolBarCtrl::CMyToolBarCtrl(int id, QWidget* parent) : QWidget(parent), tool_tips_(this)
{
    set_control_id(this, id);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CMyToolBarCtrl::add_item(const ToolBarButton& button, Extra extra)
{
    model_.buttons.push_back(button);
    extras_.push_back(std::move(extra));
    refresh_tools();
    updateGeometry();
    update();
}

void CMyToolBarCtrl::add_button(int command_id, int image_index, const QString& tip, bool check_style)
{
    add_item(ToolBarButton { .command_id = command_id, .image_index = image_index, .check_style = check_style }, Extra { tip, nullptr });
}

void CMyToolBarCtrl::add_action(QAction* action, int image_index)
{
    const int command_id = action->data().toInt();
    add_item(ToolBarButton { .command_id = command_id, .image_index = image_index }, Extra { action->toolTip(), action });
    const size_t index = model_.buttons.size() - 1;
    sync_from_action(index);
    connect(action, &QAction::changed, this, [this, command_id] {
        int i = model_.index_of(command_id);
        if (i >= 0)
            sync_from_action(static_cast<size_t>(i));
    });
}

void CMyToolBarCtrl::add_separator() { add_item(ToolBarButton {}, Extra {}); }

void CMyToolBarCtrl::remove_all_buttons()
{
    for (const Extra& e : extras_)
        if (e.action)
            disconnect(e.action, nullptr, this, nullptr);
    ToolBarMetrics metrics = model_.metrics;
    model_ = ToolBarModel();
    model_.metrics = metrics;
    extras_.clear();
    tool_tips_.clear_tools();
    updateGeometry();
    update();
}

void CMyToolBarCtrl::sync_from_action(size_t index)
{
    QAction* action = extras_[index].action;
    if (!action)
        return;
    const int id = model_.buttons[index].command_id;
    bool changed = model_.set_enabled(id, action->isEnabled());
    changed |= model_.set_checked(id, action->isCheckable() && action->isChecked());
    bool hidden_changed = model_.set_hidden(id, !action->isVisible());
    if (extras_[index].tip != action->toolTip()) {
        extras_[index].tip = action->toolTip();
        tool_tips_.set_tool_text(id, extras_[index].tip);
    }
    if (hidden_changed) {
        refresh_tools();
        updateGeometry();
    }
    if (changed || hidden_changed)
        update();
}

void CMyToolBarCtrl::refresh_tools()
{
    tool_tips_.clear_tools();
    for (size_t i = 0; i < model_.buttons.size(); ++i) {
        const ToolBarButton& b = model_.buttons[i];
        PixelRect r = model_.item_rect(static_cast<int>(i));
        if (b.is_separator() || r.empty())
            continue;
        tool_tips_.add_tool(b.command_id, QRect(r.left, r.top, r.width(), r.height()), extras_[i].tip);
    }
}

void CMyToolBarCtrl::set_image_lists(ToolBarImageLists lists)
{
    images_ = std::move(lists);
    update();
}

void CMyToolBarCtrl::set_enabled(int command_id, bool enabled)
{
    if (model_.set_enabled(command_id, enabled))
        update();
}

void CMyToolBarCtrl::set_checked(int command_id, bool checked)
{
    if (model_.set_checked(command_id, checked))
        update();
}

void CMyToolBarCtrl::set_hidden(int command_id, bool hidden)
{
    if (!model_.set_hidden(command_id, hidden))
        return;
    refresh_tools();
    updateGeometry();
    update();
}

bool CMyToolBarCtrl::is_enabled(int command_id) const
{
    int i = model_.index_of(command_id);
    return i >= 0 && model_.buttons[static_cast<size_t>(i)].enabled;
}

bool CMyToolBarCtrl::is_checked(int command_id) const
{
    int i = model_.index_of(command_id);
    return i >= 0 && model_.buttons[static_cast<size_t>(i)].checked;
}

void CMyToolBarCtrl::set_tip(int command_id, const QString& tip)
{
    int i = model_.index_of(command_id);
    if (i < 0)
        return;
    extras_[static_cast<size_t>(i)].tip = tip;
    tool_tips_.set_tool_text(command_id, tip);
}

QString CMyToolBarCtrl::tip(int command_id) const
{
    int i = model_.index_of(command_id);
    return i < 0 ? QString() : extras_[static_cast<size_t>(i)].tip;
}

void CMyToolBarCtrl::set_tool_tips(bool on) { tool_tips_.activate(on); }

void CMyToolBarCtrl::set_fly_by(bool on) { fly_by_ = on; }

QRect CMyToolBarCtrl::button_rect(int command_id) const
{
    PixelRect r = model_.item_rect(model_.index_of(command_id));
    return r.empty() ? QRect() : QRect(r.left, r.top, r.width(), r.height());
}

QSize CMyToolBarCtrl::sizeHint() const { return QSize(model_.width_px(), model_.height_px()); }

bool CMyToolBarCtrl::event(QEvent* event)
{
    tool_tips_.relay(event);
    if (event->type() == QEvent::ToolTip)
        return true;
    return QWidget::event(event);
}

void CMyToolBarCtrl::look_changed()
{
    update();
    if (!fly_by_)
        return;
    int hot = model_.hot();
    int command = hot >= 0 ? model_.buttons[static_cast<size_t>(hot)].command_id : 0;
    if (command == fly_by_command_)
        return;
    fly_by_command_ = command;
    QString text;
    if (hot >= 0) {
        // An action's status prompt is the longer help; the tip stands in without one.
        const Extra& extra = extras_[static_cast<size_t>(hot)];
        text = extra.action && !extra.action->statusTip().isEmpty() ? extra.action->statusTip() : extra.tip;
    }
    emit fly_by_text(text);
}

void CMyToolBarCtrl::mouseMoveEvent(QMouseEvent* event)
{
    QPoint p = event->position().toPoint();
    if (model_.mouse_move(p.x(), p.y(), (event->buttons() & Qt::LeftButton) != 0))
        look_changed();
}

void CMyToolBarCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    QPoint p = event->position().toPoint();
    if (model_.mouse_press(p.x(), p.y()))
        look_changed();
}

void CMyToolBarCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    QPoint p = event->position().toPoint();
    bool changed = false;
    int command_id = model_.mouse_release(p.x(), p.y(), &changed);
    if (changed)
        look_changed();
    if (command_id != 0)
        send(command_id);
}

void CMyToolBarCtrl::leaveEvent(QEvent* event)
{
    if (model_.mouse_leave())
        look_changed();
    QWidget::leaveEvent(event);
}

void CMyToolBarCtrl::send(int command_id)
{
    int i = model_.index_of(command_id);
    QPointer<QAction> action = i >= 0 ? extras_[static_cast<size_t>(i)].action : nullptr;
    // The command may close the window that holds the bar.
    QPointer<CMyToolBarCtrl> self(this);
    if (action)
        action->trigger();
    if (self)
        emit command(command_id);
}

void CMyToolBarCtrl::paintEvent(QPaintEvent*)
{
    try {
        GdiPainter dc(this);
        erase_background(dc);
        for (size_t i = 0; i < model_.buttons.size(); ++i) {
            PixelRect r = model_.item_rect(static_cast<int>(i));
            if (r.empty())
                continue;
            QRect rect(r.left, r.top, r.width(), r.height());
            const ToolBarButton& b = model_.buttons[i];
            if (b.is_separator())
                draw_separator(dc, rect);
            else
                draw_button(dc, rect, b, model_.state(static_cast<int>(i)));
        }
    } catch (...) {
        dbg_log("exception in CMyToolBarCtrl::paintEvent.\n");
    }
}

void CMyToolBarCtrl::erase_background(GdiPainter& dc) { dc.fill_rect(rect(), skin_word_value(skin_word::tool_bar_background)); }

void CMyToolBarCtrl::draw_picture(GdiPainter& dc, const QRect& rect, const ToolBarButton& button, const ToolButtonLook& look)
{
    const QPixmap* picture = images_.picture(look.images, button.image_index);
    if (!picture)
        picture = images_.picture(ToolImageList::normal, button.image_index);
    if (picture)
        dc.painter().drawPixmap(rect.left() + look.image_offset_px, rect.top() + look.image_offset_px, *picture);
}

void CMyToolBarCtrl::draw_button(GdiPainter& dc, const QRect& rect, const ToolBarButton& button, const ToolButtonState& state)
{
    // The plain control: edges from its own face, no fills.
    ToolButtonLook look = tool_button_look(state);
    ToolEdgeColours edges = tool_edge_colours(skin_word_value(skin_word::tool_bar_background));
    if (look.top_left_word == skin_word::light_3d)
        dc.draw_3d_rect(rect, edges.light, edges.shadow);
    else if (look.top_left_word >= 0)
        dc.draw_3d_rect(rect, edges.shadow, edges.light);
    draw_picture(dc, rect, button, look);
}

void CMyToolBarCtrl::draw_separator(GdiPainter& dc, const QRect& rect)
{
    // An etched line down the middle, in the face's own shadow and light.
    ToolEdgeColours edges = tool_edge_colours(skin_word_value(skin_word::tool_bar_background));
    const int x = rect.left() + rect.width() / 2 - 1;
    const int bottom = rect.y() + rect.height() - 1;
    dc.fill_rect(x, rect.top() + 1, x + 1, bottom, edges.shadow);
    dc.fill_rect(x + 1, rect.top() + 1, x + 2, bottom, edges.light);
}
