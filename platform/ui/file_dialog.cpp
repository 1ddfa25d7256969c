#include "platform/ui/file_dialog.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QStringList>
#include <QTimer>
#include <QTreeView>

namespace {

std::function<QString(const QString&, bool)>& answer()
{
    static std::function<QString(const QString&, bool)> a;
    return a;
}

// Qt's own dialog (where the desktop offers none) gives its detail columns
// fixed widths that cut sizes and dates: they take what their texts need and
// the name the rest. Its widgets exist once it shows.
void fit_columns_when_shown(QFileDialog& dialog)
{
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTreeView* tree = dialog.findChild<QTreeView*>("treeView");
        if (!tree)
            return;
        QHeaderView* header = tree->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    });
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
    fit_columns_when_shown(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString choose_open_file(QWidget* parent, const QString& program_filter, const QString& start)
{
    QString filters = qt_name_filters(program_filter);
    if (answer())
        return answer()(filters, false);
    QFileDialog dialog(parent, QString(), start);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(filters);
    fit_columns_when_shown(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void set_file_dialog_answer(std::function<QString(const QString& filters, bool save)> a) { answer() = std::move(a); }
