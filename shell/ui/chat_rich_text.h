#pragma once
// What the chat view and the private chat dialogs do with their rich-text
// control: append a line in its writer's style and keep the last lines in
// sight, read the control back as styled runs, and save it through the
// choose-save-format dialog as RTF or as plain text.

#include "core/chat_receive.h"
#include "shell/chat_rules.h"
#include "shell/rtf_writer.h"

#include <QTextCharFormat>

#include <functional>
#include <string>
#include <vector>

class QTextDocument;
class QTextEdit;
class QWidget;

// The character format of a style: colour, point size (0 reads as 10) and
// the four effects over the control's own font.
QTextCharFormat chat_char_format(const ChatStyle& style);
// The style a character format shows (what a saved file keeps).
ChatStyle chat_style_of(const QTextCharFormat& format, int default_size_pt);

// Caret to the end, the format, the text, caret to the end; then the view
// scrolls to its end so the last lines stay in sight. "\r\n" shows as one
// line end.
void append_chat_line(QTextEdit& edit, const ChatLine& line);

// The control's contents as runs, one per stretch of one format; each
// paragraph but the last ends in '\n'.
std::vector<RtfRun> chat_runs(const QTextDocument& document);

// Writes the control to path as RTF (choice 1) or UTF-8 text (choice 2);
// false when the file cannot be written.
bool write_chat_file(const QTextEdit& edit, const std::string& path, int choice);

// "Save" of both chat dialogs: the choose-save-format dialog, then a save
// dialog for the format, then the file. A choice other than 1 or 2 shows
// "Invlidate save type.".
void save_chat_contents(QWidget* parent, const QTextEdit& edit);

// Tests answer the two dialogs: the choice (0 for Cancel), and the path
// (empty for Cancel) for a format. Empty functions restore the dialogs.
void set_chat_save_answers(std::function<int()> choice, std::function<std::string(const ChatSaveFormat&)> path);
