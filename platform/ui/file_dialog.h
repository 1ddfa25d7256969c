#pragma once
// The common file dialogs over QFileDialog. Filters come in the program's
// own form, "Label (*.x)|*.x|All Files (*.*)|*.*||"; tests answer the
// dialogs themselves.

#include <QString>
#include <QWidget>

#include <functional>

// "A (*.a)|*.a|B (*.b)|*.b||" as Qt's "A (*.a);;B (*.b)".
QString qt_name_filters(const QString& program_filter);

// The save dialog: confirms overwriting; a name typed without a suffix gets
// default_suffix. An empty text when the user cancels. start names the file
// (or folder) the dialog opens at; without it, the folder it was last left in.
QString choose_save_file(QWidget* parent, const QString& program_filter, const QString& default_suffix,
                         const QString& start = {});
QString choose_open_file(QWidget* parent, const QString& program_filter, const QString& start = {});

// Tests: answers every dialog with the path the function gives (an empty
// function restores the real dialogs). The arguments are the Qt filter and
// whether the dialog saves.
void set_file_dialog_answer(std::function<QString(const QString& filters, bool save)> answer);
