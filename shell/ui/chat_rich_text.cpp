#include "shell/ui/chat_rich_text.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "shell/ui/choose_save_format_dlg.h"
#include "shell/ui/text_box.h"

#include <QFileDialog>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <fstream>

namespace {

std::function<int()>& choice_answer()
{
    static std::function<int()> answer;
    return answer;
}

std::function<std::string(const ChatSaveFormat&)>& path_answer()
{
    static std::function<std::string(const ChatSaveFormat&)> answer;
    return answer;
}

// "Name (*.x)|*.x|All Files (*.*)|*.*||" as the toolkit's "Name (*.x);;All Files (*)".
QString qt_filter(const char* filter)
{
    QStringList parts = QString::fromUtf8(filter).split('|', Qt::SkipEmptyParts);
    QStringList names;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        names << QString(parts[i]).replace("(*.*)", "(*)");
    return names.join(";;");
}

bool write_bytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    return static_cast<bool>(out);
}

} // namespace

QTextCharFormat chat_char_format(const ChatStyle& style)
{
    QTextCharFormat format;
    format.setForeground(QColor(style.red, style.green, style.blue));
    format.setFontPointSize(style.size > 0 ? style.size : chat_default_style.size);
    format.setFontWeight((style.effects & chat_effect_bold) ? QFont::Bold : QFont::Normal);
    format.setFontItalic((style.effects & chat_effect_italic) != 0);
    format.setFontUnderline((style.effects & chat_effect_underline) != 0);
    format.setFontStrikeOut((style.effects & chat_effect_strike_out) != 0);
    return format;
}

ChatStyle chat_style_of(const QTextCharFormat& format, int default_size_pt)
{
    ChatStyle s;
    QColor c = format.foreground().color();
    s.red = static_cast<uint8_t>(c.red());
    s.green = static_cast<uint8_t>(c.green());
    s.blue = static_cast<uint8_t>(c.blue());
    double size = format.fontPointSize();
    s.size = static_cast<uint8_t>(std::clamp(size > 0 ? static_cast<int>(size + 0.5) : default_size_pt, 1, 255));
    s.effects = chat_effects(format.fontWeight() >= QFont::Bold, format.fontItalic(), format.fontUnderline(),
                             format.fontStrikeOut());
    return s;
}

void append_chat_line(QTextEdit& edit, const ChatLine& line)
{
    QTextCursor cursor(edit.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromStdString(chat_text_for_view(line.text)), chat_char_format(line.style));
    edit.setTextCursor(cursor);
    // The last lines stay in sight.
    QScrollBar* bar = edit.verticalScrollBar();
    bar->setValue(bar->maximum());
}

std::vector<RtfRun> chat_runs(const QTextDocument& document)
{
    std::vector<RtfRun> runs;
    const int default_size = static_cast<int>(document.defaultFont().pointSizeF() + 0.5);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        bool any = false;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QTextCharFormat format = fragment.charFormat();
            QString text = fragment.text();
            text.replace(QChar::LineSeparator, '\n');
            runs.push_back({ text.toStdString(), format.fontFamilies().toStringList().value(0).toStdString(),
                             chat_style_of(format, default_size) });
            any = true;
        }
        if (block.next().isValid()) {
            if (!any)
                runs.push_back({ "", "", chat_style_of(block.charFormat(), default_size) });
            runs.back().text += "\n";
        }
    }
    return runs;
}

bool write_chat_file(const QTextEdit& edit, const std::string& path, int choice)
{
    if (choice == chat_save_rtf)
        return write_bytes(path, rtf_document(chat_runs(*edit.document()), edit.document()->defaultFont().family().toStdString()));
    if (choice == chat_save_text)
        return write_bytes(path, edit.document()->toPlainText().toStdString());
    return false;
}

void save_chat_contents(QWidget* parent, const QTextEdit& edit)
{
    int choice = 0;
    if (choice_answer()) {
        choice = choice_answer()();
    } else {
        CDlgChooseSaveFormat dlg(parent);
        if (dlg.exec() != IDOK)
            return;
        choice = dlg.choice();
    }
    if (choice == 0)
        return;
    std::optional<ChatSaveFormat> format = chat_save_format(choice);
    if (!format) {
        message_box_printf("%s", chat_save_bad_choice_text);
        return;
    }
    std::string path;
    if (path_answer()) {
        path = path_answer()(*format);
    } else {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(qt_filter(format->filter));
        dialog.setDefaultSuffix(format->extension);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().first().toStdString();
    }
    if (path.empty())
        return;
    if (!write_chat_file(edit, path, choice)) {
        dbg_log("can not write the chat to %s in save_chat_contents.\n", path.c_str());
        show_text_box("Failed to open file to write");
    }
}

void set_chat_save_answers(std::function<int()> choice, std::function<std::string(const ChatSaveFormat&)> path)
{
    choice_answer() = std::move(choice);
    path_answer() = std::move(path);
}
