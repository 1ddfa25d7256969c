#pragma once
// The input gate of the skinned check box, combo box and list box: while a
// control's gate is 0 it ignores the user's presses and keys but still paints.

#include <QEvent>
#include <QMouseEvent>

// Whether a closed gate drops event: left presses and double clicks and key
// presses; with right_button also right presses and double clicks.
inline bool input_gate_drops(const QEvent* event, bool right_button = false)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        Qt::MouseButton button = static_cast<const QMouseEvent*>(event)->button();
        return button == Qt::LeftButton || (right_button && button == Qt::RightButton);
    }
    case QEvent::KeyPress: return true;
    default: return false;
    }
}
