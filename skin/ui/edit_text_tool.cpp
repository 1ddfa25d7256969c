#include "skin/ui/edit_text_tool.h"

#include "platform/ui/control_id.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTextBlock>

QString edit_text_tool_pasted(const QString& current, const QString& clipboard)
{
    QString text = current.left(edit_text_tool_limit);
    const QString pasted = clipboard.left(edit_text_tool_limit);
    for (QChar c : pasted) {
        if (c == '\t') {
            for (int i = 0; i < 4 && text.size() < edit_text_tool_limit; ++i)
                text += ' ';
        } else if (text.size() < edit_text_tool_limit) {
            text += c;
        }
        if (text.size() >= edit_text_tool_limit)
            break;
    }
    return text;
}

CEditTextTool::CEditTextTool(QWidget* parent) : QPlainTextEdit(parent)
{
    set_control_id(this, edit_text_tool_id);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
}

void CEditTextTool::fit_to_text()
{
    const QPoint top_left = geometry().topLeft();
    const QFontMetrics metrics(font());
    int widest_px = 0;
    int height_px = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        widest_px = std::max(widest_px, metrics.horizontalAdvance(block.text().left(1023)));
        height_px += metrics.height() + 3;
    }
    setGeometry(top_left.x(), top_left.y(), widest_px + 20, height_px + 30);
}

void CEditTextTool::expand_for_typing()
{
    const QPoint top_left = geometry().topLeft();
    setGeometry(top_left.x(), top_left.y(), 2000, 2000);
}

void CEditTextTool::paste_clipboard_text()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    QString pasted = clipboard ? clipboard->text() : QString();
    QString text = edit_text_tool_pasted(toPlainText(), pasted);
    expand_for_typing();
    setPlainText(text);
    moveCursor(QTextCursor::End);
    fit_to_text();
}

void CEditTextTool::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_V && (event->modifiers() & Qt::ControlModifier)) {
        paste_clipboard_text();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
    if (!event->text().isEmpty())
        fit_to_text();
}

void CEditTextTool::insertFromMimeData(const QMimeData*)
{
    // Every paste (menu, middle button) follows the same rule.
    paste_clipboard_text();
}
