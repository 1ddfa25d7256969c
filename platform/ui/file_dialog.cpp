#include "platform/ui/file_dialog.h"

#include <QFileDialog>
#include <QStringList>

namespace {

std::function<QString(const QString&, bool)>& answer()
{
    static std::function<QString(const QString&, bool)> a;
    return a;
}

} // namespace

QString qt_name_filters(const QString& program_filter)
{
    QStringList parts = program_filter.split('|');
    QStringList labels;
    // Pairs of label and pattern; the label already names the pattern.
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (!parts[i].isEmpty())
            labels << parts[i];
    }
    return labels.join(";;");
}

QString choose_save_file(QWidget* parent, const QString& program_filter, const QString& default_suffix,
                         const QString& start)
{
    QString filters = qt_name_filters(program_filter);
    if (answer())
        return answer()(filters, true);
    QFileDialog dialog(parent, QString(), start);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filters);
    dialog.setDefaultSuffix(default_suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString choose_open_file(QWidget* parent, const QString& program_filter, const QString& start)
{
    QString filters = qt_name_filters(program_filter);
    if (answer())
        return answer()(filters, false);
    return QFileDialog::getOpenFileName(parent, QString(), start, filters);
}

void set_file_dialog_answer(std::function<QString(const QString& filters, bool save)> a) { answer() = std::move(a); }
