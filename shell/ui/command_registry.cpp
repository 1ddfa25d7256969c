#include "shell/ui/command_registry.h"

#include "platform/ui/translations.h"

#include <QAction>

CommandRegistry::CommandRegistry(QObject* parent) : QObject(parent)
{
    for (const FrameCommand& c : frame_commands()) {
        auto* a = new QAction(this);
        a->setObjectName(QString("cmd_%1").arg(c.id));
        a->setData(c.id);
        a->setCheckable(command_checkable(c.id));
        a->setEnabled(false);
        int id = c.id;
        connect(a, &QAction::triggered, this, [this, id] {
            // A checkable action flips itself on a click; the handler decides,
            // and the next refresh shows the state that results.
            trigger(id);
            refresh();
        });
        entries_[c.id] = Entry { a, {} };
    }
    retranslate();
    connect(&timer_, &QTimer::timeout, this, &CommandRegistry::refresh);
    timer_.start(refresh_period_ms);
}

QAction* CommandRegistry::action(int id) const
{
    auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : it->second.action;
}

void CommandRegistry::set_handler(int id, std::function<void()> handler)
{
    auto it = entries_.find(id);
    if (it != entries_.end())
        it->second.handler = std::move(handler);
}

bool CommandRegistry::has_handler(int id) const
{
    auto it = entries_.find(id);
    return it != entries_.end() && it->second.handler != nullptr;
}

bool CommandRegistry::trigger(int id)
{
    auto it = entries_.find(id);
    if (it == entries_.end() || !it->second.handler || !command_enabled(id, state_source_()))
        return false;
    // The handler may run a dialog that destroys nothing here, but copy it
    // all the same: a handler may replace itself.
    std::function<void()> handler = it->second.handler;
    handler();
    return true;
}

void CommandRegistry::refresh()
{
    CommandState s = state_source_();
    for (auto& [id, e] : entries_) {
        e.action->setEnabled(e.handler != nullptr && command_enabled(id, s));
        if (e.action->isCheckable())
            e.action->setChecked(command_checked(id, s));
    }
}

void CommandRegistry::retranslate()
{
    for (auto& [id, e] : entries_) {
        const FrameCommand* c = find_frame_command(id);
        e.action->setText(tr_ui(c->text));
        e.action->setToolTip(tr_ui(*c->tool_tip ? c->tool_tip : c->text).remove('&'));
        e.action->setStatusTip(e.action->toolTip());
    }
}
