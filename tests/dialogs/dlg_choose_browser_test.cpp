// The "Choose Browser" dialog offscreen: what each way of closing it
// answers, that its texts fit in both languages, and its pictures.

#include "core/message_box.h"
#include "dialogs/ui/dlg_choose_browser.h"
#include "platform/ui/control_id.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_static.h"
#include "tests/skin/paint_probe.h"
#include "tests/skin/screenshots.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Clicks, from inside the dialog's own event loop, what the case names.
void click_soon(CDlgChooseBrowser& dlg, int id)
{
    QTimer::singleShot(0, &dlg, [&dlg, id] {
        if (id == 0) {
            // The caption's drawn close button, at the right end of the caption.
            QTest::mouseClick(&dlg, Qt::LeftButton, {}, QPoint(dlg.width() - 8, 10));
            return;
        }
        auto* button = dlg.findChild<CMyButton*>(control_name(id));
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseClick(button, Qt::LeftButton);
    });
}

TEST(ChooseBrowserDialog, EachWayOfClosingGivesItsChoice)
{
    struct Case {
        int control;  // 0: the caption's close
        int result;
        int choice;
    } cases[] = {
        { 1159, IDOK, choose_browser_own },
        { 1160, IDOK, choose_browser_system },
        { 2, IDCANCEL, choose_browser_none },
        { 0, IDCANCEL, choose_browser_none },
    };
    for (const Case& c : cases) {
        CDlgChooseBrowser dlg;
        click_soon(dlg, c.control);
        EXPECT_EQ(dlg.exec(), c.result) << c.control;
        EXPECT_EQ(dlg.choice(), c.choice) << c.control;
    }
    CDlgChooseBrowser dlg;
    EXPECT_EQ(dlg.windowTitle(), "Choose Browser");
    EXPECT_EQ(dlg.label()->objectName(), control_name(1089));
    EXPECT_EQ(dlg.own_button()->text(), "Tamblo Browser");
    EXPECT_EQ(dlg.system_button()->text(), "System Browser");
    EXPECT_EQ(dlg.label()->text(),
              "It is recommended to choose \"Tamblo Browser\": pages you browse in the system browser are not "
              "followed by the others.");
}

TEST(ChooseBrowserDialog, TextsFitInEverySchemeAndLanguage)
{
    const QString dir = screenshot_dir();
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        CDlgChooseBrowser dlg;
        dlg.show();
        QApplication::processEvents();
        CMyStatic* label = dlg.label();
        // Every line of the wrapped label inside it, and the label inside the dialog.
        EXPECT_GE(label->height(), label->heightForWidth(label->width())) << language.toStdString();
        EXPECT_LE(label->geometry().right(), dlg.width() - 3);
        EXPECT_NE(label->text(), QString()) << language.toStdString();
        for (CMyButton* b : { dlg.own_button(), dlg.system_button(), dlg.cancel_button() }) {
            EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), b->width()) << b->text().toStdString();
            EXPECT_LE(b->geometry().right(), dlg.width() - 3) << b->text().toStdString();
            EXPECT_LE(b->geometry().bottom(), dlg.height() - 3) << b->text().toStdString();
        }
        EXPECT_TRUE(render(dlg).save(QString("%1/choose_browser_dlg_scheme_%2_%3.png").arg(dir).arg(scheme).arg(language)));
    }));
}

} // namespace
