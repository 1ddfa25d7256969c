// The name dialog offscreen: its start, its refusals, the name it hands the
// control, and the link's caption band.

#include "core/message_box.h"
#include "launcher/ui/dlg_login.h"
#include "launcher/ui/quillet_band.h"
#include "platform/ui/control_id.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "tests/support/temp_home.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

QPushButton* button(QWidget& dialog, int id) { return dialog.findChild<QPushButton*>(control_name(id)); }

} // namespace

TEST(DlgLogin, RefusesColonsAndBlankNamesAndHandsTheNameOver)
{
    TempHome home;
    struct Case {
        QString typed;
        const char* box; // nullptr: taken
        std::string want;
    } cases[] = {
        { "Ann:1", "The name entered should not contain ':'", "" },
        { "    ", "The name entered should not be blank.", "" },
        { "", "The name entered should not be blank.", "" },
        { "Ann", nullptr, "Ann" },
        { QString(100, 'n'), nullptr, std::string(63, 'n') },
        { QString::fromUtf8("\xE5\xBC\xA0\xE4\xB8\x89"), nullptr, "\xE5\xBC\xA0\xE4\xB8\x89" },
    };
    for (const Case& k : cases) {
        ScriptedMessageBoxes boxes;
        CquilletCtrl ctrl;
        CDlgLogin dialog(ctrl);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(dialog.name_edit()->text(), "Guest");
        dialog.name_edit()->setText(k.typed);
        QTest::mouseClick(button(dialog, 1), Qt::LeftButton);
        if (k.box) {
            EXPECT_EQ(boxes.texts(), std::vector<std::string> { k.box }) << k.typed.toStdString();
            EXPECT_TRUE(dialog.isVisible()) << "a refused name keeps the dialog open";
            EXPECT_EQ(ctrl.user_name(), "Guest");
        } else {
            EXPECT_TRUE(boxes.texts().empty());
            EXPECT_EQ(dialog.result(), IDOK);
            EXPECT_EQ(ctrl.user_name(), k.want);
        }
    }
}

TEST(DlgLogin, CancelLeavesTheNameAlone)
{
    TempHome home;
    CquilletCtrl ctrl;
    CDlgLogin dialog(ctrl);
    dialog.show();
    dialog.name_edit()->setText("Bob");
    QTest::mouseClick(button(dialog, 2), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), IDCANCEL);
    EXPECT_EQ(ctrl.user_name(), "Guest");
}

TEST(DlgLogin, TheBandIsTheLinksGradientWithItsCaption)
{
    TempHome home;
    CquilletCtrl ctrl;
    ctrl.set_from_color(0, 0, 0);
    ctrl.set_to_color(255, 255, 255);
    ctrl.set_text_color(255, 0, 0);
    ctrl.set_text("Join the Lobby");
    CquilletBand band(ctrl);
    band.resize(200, 30);
    QImage picture = band.grab().toImage();
    std::vector<RgbColor> lines = caption_gradient(ctrl.from_color(), ctrl.to_color(), 30);
    for (int y : { 0, 1, 15, 29 }) {
        QColor seen = picture.pixelColor(0, y);
        EXPECT_EQ((RgbColor { seen.red(), seen.green(), seen.blue() }), lines[static_cast<size_t>(y)]) << "row " << y;
    }
    // The caption stands in the middle, in its colour.
    int red_left = -1;
    int red_right = -1;
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            if (QColor c = picture.pixelColor(x, y); c.red() > 200 && c.green() < 60 && c.blue() < 60) {
                red_left = red_left < 0 ? x : red_left;
                red_right = x;
            }
    ASSERT_GE(red_left, 0);
    EXPECT_LE(std::abs((red_left + red_right) / 2 - 100), 3);
}
