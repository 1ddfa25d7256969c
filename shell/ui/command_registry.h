#pragma once
// One action per command of the main frame, with its text, tool tip,
// shortcut and update rule. Menus, tool bars and status buttons all reach
// the same action. A command without a handler stands disabled: its feature
// is not in the program yet.

#include "shell/frame_commands.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>

class QAction;

class CommandRegistry : public QObject {
    Q_OBJECT
public:
    inline static constexpr int refresh_period_ms = 250;

    explicit CommandRegistry(QObject* parent = nullptr);

    QAction* action(int id) const;
    void set_handler(int id, std::function<void()> handler);
    bool has_handler(int id) const;
    // Runs the handler when the command is enabled now; false otherwise.
    bool trigger(int id);

    // The state the rules read; the frame adds its own flags.
    void set_state_source(std::function<CommandState()> source) { state_source_ = std::move(source); }
    // Re-reads the state and sets every action's enabled and checked look.
    void refresh();
    void retranslate();

private:
    struct Entry {
        QAction* action = nullptr;
        std::function<void()> handler;
    };
    std::map<int, Entry> entries_;
    std::function<CommandState()> state_source_ = read_command_state;
    QTimer timer_;
};
