#pragma once
// Dialogs are built in code; each control carries its template id as the
// object name "ctl_<id>", so that tests and the dialog find it.

#include <QString>
#include <QWidget>

inline void set_control_id(QWidget* control, int id) { control->setObjectName(QString("ctl_%1").arg(id)); }
inline QString control_name(int id) { return QString("ctl_%1").arg(id); }
