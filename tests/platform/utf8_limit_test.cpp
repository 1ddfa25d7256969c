// A field that holds a fixed number of UTF-8 bytes, typed into and pasted
// into as a user does: what it ends with.

#include "platform/ui/utf8_limit.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString zhang(int n) { return QString(n, QChar(0x5f20)); }

// Key presses that carry the characters, as an input method delivers them.
void type(QLineEdit& edit, const QString& text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace

TEST(Utf8Limit, AFieldKeepsWholeCharactersWithinItsBytesAndLosesNothingTyped)
{
    struct Case {
        const char* what;
        QString start;
        int cursor;      // where the text goes in; -1: at the end
        QString pasted;  // empty: typed is used
        QString typed;
        QString result;
    } cases[] = {
        { "ASCII up to the limit", "", -1, "", "abcdefgh", "abcdefg" },
        { "a paste past the limit keeps the characters that fit", "", -1, zhang(5), "", zhang(2) },
        { "a character that would cut is not taken", zhang(2), -1, "", "x", zhang(2) + "x" },
        { "the last byte is not half a character", zhang(2) + "x", -1, "", QString(QChar(0x5f20)), zhang(2) + "x" },
        { "typed in the middle of a full field, nothing after it is lost", zhang(2) + "x", 0, "", "y",
          zhang(2) + "x" },
        { "a paste in the middle that does not fit is refused", "ab", 1, zhang(3), "", "ab" },
        { "a paste in the middle that fits is taken", "ab", 1, zhang(1), "", "a" + zhang(1) + "b" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QLineEdit edit;
        limit_utf8_bytes(&edit, 7);
        edit.setText(c.start);
        edit.show();
        edit.setCursorPosition(c.cursor < 0 ? static_cast<int>(edit.text().size()) : c.cursor);
        if (!c.pasted.isEmpty()) {
            QApplication::clipboard()->setText(c.pasted);
            QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        } else {
            type(edit, c.typed);
        }
        EXPECT_EQ(edit.text().toStdString(), c.result.toStdString());
        EXPECT_LE(edit.text().toUtf8().size(), 7);
    }
}
