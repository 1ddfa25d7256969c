#pragma once
// The box the drawing surfaces put over their picture while the user types
// text onto it: it grows with its text and pastes clipboard text itself.

#include <QPlainTextEdit>

inline constexpr int edit_text_tool_id = 9998;
inline constexpr int edit_text_tool_limit = 3999;

class CEditTextTool : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CEditTextTool(QWidget* parent = nullptr);

    // Widest line + 20 by the sum of (line height + 3) + 30, top-left kept.
    void fit_to_text();
    // 2000 x 2000 from the same top-left, while typing starts.
    void expand_for_typing();
    // The paste rule: clipboard text appended, tabs as four spaces, 3999 characters at most.
    void paste_clipboard_text();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
};

// The paste rule on plain texts: current (cut to 3999) + pasted (its first 3999,
// each tab four spaces), stopping at 3999 characters.
QString edit_text_tool_pasted(const QString& current, const QString& clipboard);
