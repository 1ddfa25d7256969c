#include "platform/ui/gdi_painter.h"
#include "skin/control_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_ip_address_ctrl.h"
#include "skin/ui/my_slider_ctrl.h"
#include "skin/ui/my_spin_button_ctrl.h"
#include "skin/ui/my_tab_ctrl.h"
#include "skin/ui/skin_bitmaps.h"
#include "tests/skin/paint_probe.h"
#include "tests/support/temp_home.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct ChoiceControls : ::testing::Test {
    TempHome home;
    void SetUp() override { skin_table().select_skin(0); }
    void TearDown() override { skin_table().select_skin(0); }
};

COLORREF word(int w) { return skin_word_value(w); }

// Pixels of area close to colour: antialiased text has few of exactly its colour.
int ink_of(const QImage& image, const QRect& area, COLORREF colour)
{
    const QColor want = colorref_color(colour);
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += std::max({ std::abs(c.red() - want.red()), std::abs(c.green() - want.green()),
                            std::abs(c.blue() - want.blue()) }) < 70;
        }
    return n;
}

// Keys go where the keyboard is, as the user's do.
void type(const QString& text)
{
    for (QChar c : text) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, c.toLatin1());
    }
}

} // namespace

TEST_F(ChoiceControls, ComboBoxBorderAndDropDownButton)
{
    for (int s : { 0, 2, 4 }) {
        skin_table().select_skin(s);
        CMyComboBox combo(1106);
        combo.addItems({ "50", "60", "70" });
        combo.resize(80, 22);
        combo.show();
        QApplication::processEvents();
        QImage image = render(combo);
        const int w = 80;
        const int h = 22;
        // Border.
        EXPECT_EQ(at(image, 0, 10), word(skin_word::outline)) << s;
        EXPECT_EQ(at(image, 1, 10), word(skin_word::outline)) << s;
        EXPECT_EQ(at(image, 30, 0), word(skin_word::outline)) << s;
        EXPECT_EQ(at(image, 30, 1), word(skin_word::outline)) << s;
        EXPECT_EQ(at(image, w - 1, 10), 0xffffffu) << s;
        EXPECT_EQ(at(image, 30, h - 1), 0xffffffu) << s;
        EXPECT_EQ(at(image, w - 2, 10), word(skin_word::inner_border)) << s;
        EXPECT_EQ(at(image, 30, h - 2), word(skin_word::inner_border)) << s;
        // Button, with hb = h - 2: white on its left and top, the highlight inside, dark right and bottom.
        const int hb = h - 2;
        EXPECT_EQ(at(image, w - 18, 10), 0xffffffu) << s;
        EXPECT_EQ(at(image, w - 10, 2), 0xffffffu) << s;
        EXPECT_EQ(at(image, w - 17, 10), word(skin_word::highlight)) << s;
        EXPECT_EQ(at(image, w - 10, 3), word(skin_word::highlight)) << s;
        EXPECT_EQ(at(image, w - 3, 10), word(skin_word::outline)) << s;
        EXPECT_EQ(at(image, w - 4, 10), word(skin_word::outline)) << s;
        EXPECT_EQ(at(image, w - 10, hb - 1), word(skin_word::outline)) << s;
        EXPECT_EQ(at(image, w - 10, hb - 2), word(skin_word::outline)) << s;
        // Face and arrow.
        EXPECT_EQ(at(image, w - 16, 4), word(skin_word::dialog_inner_frame)) << s;
        EXPECT_EQ(at(image, w - 5, hb - 3), word(skin_word::dialog_inner_frame)) << s;
        EXPECT_EQ(at(image, w - 12, 9), word(skin_word::outline)) << s;
        EXPECT_EQ(at(image, (2 * w - 21) / 2, hb - 8), word(skin_word::outline)) << s;
        EXPECT_EQ(at(image, w - 15, 10), word(skin_word::dialog_inner_frame)) << s;
    }
}

TEST_F(ChoiceControls, ComboBoxGateDropsPressesAndKeysButPaints)
{
    CMyComboBox combo(1106);
    combo.addItems({ "50", "60", "70" });
    combo.resize(80, 22);
    combo.show();
    combo.setFocus();
    combo.m_input_gate = 0;
    QTest::keyClick(&combo, Qt::Key_Down);
    QTest::mouseClick(&combo, Qt::LeftButton, Qt::NoModifier, QPoint(70, 10));
    QTest::mouseDClick(&combo, Qt::LeftButton, Qt::NoModifier, QPoint(70, 10));
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_FALSE(combo.view()->isVisible());
    EXPECT_EQ(at(render(combo), 0, 10), word(skin_word::outline));
    combo.m_input_gate = 1;
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(combo.objectName(), "ctl_1106");
    // The shown entry in the skin's text colour, away from the keyboard.
    combo.clearFocus();
    QWidget other;
    other.show();
    other.setFocus();
    EXPECT_GT(ink_of(render(combo), QRect(3, 3, 57, 16), word(skin_word::text)), 5);
}

TEST_F(ChoiceControls, AddressFieldTypingDotsAndRange)
{
    CMyIPAddressCtrl address(1080);
    address.show();
    address.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&address));
    QSignalSpy changed(&address, &CMyIPAddressCtrl::address_changed);
    address.set_field_focus(0);
    type("192.168.1.20");
    IpAddressBytes bytes {};
    EXPECT_EQ(address.get_address(bytes), 4);
    EXPECT_EQ(bytes, (IpAddressBytes { 192, 168, 1, 20 }));
    uint32_t packed = 0;
    EXPECT_EQ(address.get_address(packed), 4);
    EXPECT_EQ(packed, 0xc0a80114u);
    EXPECT_GT(changed.count(), 0);

    struct Case {
        const char* typed;
        IpAddressBytes want;
        int filled;
    };
    const Case cases[] = {
        { "10.0.0.1", { 10, 0, 0, 1 }, 4 },
        { "300.1.2.3", { 255, 1, 2, 3 }, 4 },           // over 255 is held at 255
        { "1a2b.c3.4..5", { 12, 3, 4, 5 }, 4 },        // letters refused, a dot in an empty field too
        { "123456789012", { 123, 255, 255, 12 }, 4 },  // three digits move on by themselves
        { "192.168.001.020", { 192, 168, 1, 20 }, 4 }, // so the dot after them does not move again
        { "7", { 7, 0, 0, 0 }, 1 },
        { "...9", { 9, 0, 0, 0 }, 1 },
        { "1.2.3.4.5.6", { 1, 2, 3, 255 }, 4 },        // no field past the fourth
    };
    for (const Case& c : cases) {
        address.clear_address();
        address.set_field_focus(0);
        type(c.typed);
        IpAddressBytes got {};
        EXPECT_EQ(address.get_address(got), c.filled) << c.typed;
        EXPECT_EQ(got, c.want) << c.typed;
    }

    // Backspace at a field's start goes back into the previous field.
    address.clear_address();
    address.set_field_focus(0);
    type("12.");
    ASSERT_TRUE(address.field(1)->hasFocus());
    QTest::keyClick(address.field(1), Qt::Key_Backspace);
    ASSERT_TRUE(address.field(0)->hasFocus());
    QTest::keyClick(address.field(0), Qt::Key_Backspace);
    EXPECT_EQ(address.field(0)->text(), "1");
}

TEST_F(ChoiceControls, AddressFieldBadInputShowsAValidAddressOrStaysEmpty)
{
    CMyIPAddressCtrl address(1080);
    address.show();
    address.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&address));
    address.set_address(0x7f000001u);
    EXPECT_EQ(address.field(0)->text(), "127");
    EXPECT_EQ(address.field(3)->text(), "1");

    // A damaged stored value leaves the field blank, and blank reads as nothing filled.
    address.set_address_from_setting("12ab");
    EXPECT_TRUE(address.is_blank());
    uint32_t packed = 99;
    EXPECT_EQ(address.get_address(packed), 0);
    EXPECT_EQ(packed, 0u);
    address.set_address_from_setting("-1062731500");
    IpAddressBytes bytes {};
    address.get_address(bytes);
    EXPECT_EQ(bytes, (IpAddressBytes { 192, 168, 1, 20 }));

    // Text put into a field by any road is cut to digits and 255.
    address.field(1)->setText("abc");
    EXPECT_EQ(address.field(1)->text(), "");
    address.field(2)->setText("999");
    EXPECT_EQ(address.field(2)->text(), "255");
    address.field(3)->setText("4x2");
    EXPECT_EQ(address.field(3)->text(), "42");
    EXPECT_EQ(address.get_address(bytes), 3);
    EXPECT_EQ(bytes, (IpAddressBytes { 192, 0, 255, 42 }));

    // Leading zeros go when the field is left.
    address.field(0)->setText("007");
    address.set_field_focus(0);
    address.set_field_focus(1);
    EXPECT_EQ(address.field(0)->text(), "7");

    // A pasted address fills all four fields; pasted text keeps its digits only.
    address.clear_address();
    QGuiApplication::clipboard()->setText(" 10.20.30.40 ");
    address.set_field_focus(0);
    QTest::keyClick(address.field(0), Qt::Key_V, Qt::ControlModifier);
    address.get_address(bytes);
    EXPECT_EQ(bytes, (IpAddressBytes { 10, 20, 30, 40 }));
    address.clear_address();
    QGuiApplication::clipboard()->setText("port 8080!");
    address.set_field_focus(0);
    QTest::keyClick(address.field(0), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(address.field(0)->text(), "255");
}

TEST_F(ChoiceControls, AddressFieldBorderIsTheListBoxBorder)
{
    CMyIPAddressCtrl address(1060);
    address.resize(address.sizeHint());
    address.show();
    QApplication::processEvents();
    QImage image = render(address);
    const int w = address.width();
    const int h = address.height();
    EXPECT_EQ(at(image, 0, h / 2), word(skin_word::panel));
    EXPECT_EQ(at(image, 1, h / 2), word(skin_word::panel));
    EXPECT_EQ(at(image, w / 2, 0), word(skin_word::panel));
    EXPECT_EQ(at(image, w - 1, h / 2), 0xffffffu);
    EXPECT_EQ(at(image, w / 2, h - 1), 0xffffffu);
    EXPECT_EQ(at(image, w - 2, h / 2), word(skin_word::highlight));
    EXPECT_EQ(at(image, w / 2, h - 2), word(skin_word::highlight));
    EXPECT_EQ(address.objectName(), "ctl_1060");
}

TEST_F(ChoiceControls, SliderPaintsGrooveTicksThumbAndClamps)
{
    CMySliderCtrl slider(1200);
    slider.setRange(0, 100);
    slider.resize(116, 30);
    slider.setValue(50);
    slider.show();
    QApplication::processEvents();
    QImage image = render(slider);
    const int m = 15;
    const int cx = slider.thumb_centre_px();
    EXPECT_EQ(cx, 58);
    // The thumb's face, and its raised edges.
    EXPECT_EQ(at(image, cx, m), word(skin_word::panel));
    EXPECT_EQ(at(image, cx - 4, m - 9), 0xfffcfau);
    EXPECT_EQ(at(image, cx + 4, m), word(skin_word::outline));
    EXPECT_EQ(at(image, cx, m + 9), word(skin_word::outline));
    // The groove either side of the thumb: dark above, light below.
    EXPECT_EQ(at(image, 30, m - 2), word(skin_word::outline));
    EXPECT_EQ(at(image, 30, m + 1), 0xfffcfau);
    EXPECT_EQ(at(image, 8, m), word(skin_word::outline));
    // Ticks above and below at every tenth of the groove, none between.
    for (int x : slider_tick_x(116)) {
        if (std::abs(x - cx) <= 5)
            continue;
        EXPECT_EQ(at(image, x, m - 12), word(skin_word::outline)) << x;
        EXPECT_EQ(at(image, x, m + 12), word(skin_word::outline)) << x;
        EXPECT_NE(at(image, x + 3, m - 12), word(skin_word::outline)) << x;
    }

    slider.setValue(500);
    EXPECT_EQ(slider.value(), 100);
    slider.setValue(-7);
    EXPECT_EQ(slider.value(), 0);
    slider.setRange(0, 65535);
    slider.setValue(70000);
    EXPECT_EQ(slider.value(), 65535);
    EXPECT_EQ(slider.thumb_centre_px(), 108);
}

TEST_F(ChoiceControls, SliderDragFollowsThePointerAndPressesStepAPage)
{
    CMySliderCtrl slider(1200);
    slider.setRange(0, 100);
    slider.setPageStep(10);
    slider.resize(116, 30);
    slider.show();
    QSignalSpy moved(&slider, &QAbstractSlider::valueChanged);
    QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider.thumb_centre_px(), 15));
    QTest::mouseMove(&slider, QPoint(78, 15));
    EXPECT_EQ(slider.value(), 70);
    QTest::mouseMove(&slider, QPoint(300, 12));
    EXPECT_EQ(slider.value(), 100);
    QTest::mouseMove(&slider, QPoint(33, 15));
    QTest::mouseRelease(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(33, 15));
    EXPECT_EQ(slider.value(), 25);
    EXPECT_GE(moved.count(), 3);

    // A press right of the thumb moves one page, then repeats up to the press.
    QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(98, 15));
    EXPECT_EQ(slider.value(), 35);
    for (int waited_ms = 0; slider.value() != 90 && waited_ms < 5000; waited_ms += 50)
        QTest::qWait(50);
    QTest::qWait(300);
    QTest::mouseRelease(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(98, 15));
    EXPECT_EQ(slider.value(), 90);

    // Keys step as the toolkit's sliders do.
    slider.setFocus();
    QTest::keyClick(&slider, Qt::Key_Home);
    EXPECT_EQ(slider.value(), 0);
    QTest::keyClick(&slider, Qt::Key_PageUp);
    EXPECT_EQ(slider.value(), 10);
}

TEST_F(ChoiceControls, SpinButtonStepsTheBuddyAndRepeatsWhileHeld)
{
    CMyEdit_no_scroll buddy(1079);
    CMySpinButtonCtrl spin(1201);
    spin.set_buddy(&buddy);
    spin.set_range(0, 10);
    spin.set_pos(5);
    spin.resize(16, 24);
    spin.show();
    buddy.show();
    QSignalSpy changed(&spin, &CMySpinButtonCtrl::position_changed);
    EXPECT_EQ(buddy.text(), "5");
    QTest::mouseClick(&spin, Qt::LeftButton, Qt::NoModifier, QPoint(8, 4));
    EXPECT_EQ(spin.pos(), 6);
    EXPECT_EQ(buddy.text(), "6");
    QTest::mouseClick(&spin, Qt::LeftButton, Qt::NoModifier, QPoint(8, 20));
    EXPECT_EQ(spin.pos(), 5);
    ASSERT_EQ(changed.count(), 2);

    // The buddy's typed value is where the next step starts; out of range it is held.
    buddy.setText("9");
    QTest::keyClick(&buddy, Qt::Key_Up);
    EXPECT_EQ(spin.pos(), 10);
    QTest::keyClick(&buddy, Qt::Key_Up);
    EXPECT_EQ(spin.pos(), 10);
    buddy.setText("junk");
    QTest::keyClick(&buddy, Qt::Key_Down);
    EXPECT_EQ(buddy.text(), "9");

    // Held, the box repeats; at the end it stops.
    spin.set_pos(0);
    QTest::mousePress(&spin, Qt::LeftButton, Qt::NoModifier, QPoint(8, 4));
    EXPECT_EQ(spin.pressed_box(), 1);
    for (int waited_ms = 0; spin.pos() < 3 && waited_ms < 5000; waited_ms += 50)
        QTest::qWait(50);
    EXPECT_GE(spin.pos(), 3);
    // Off the box while held: it waits.
    QTest::mouseMove(&spin, QPoint(8, 40));
    QTest::qWait(50);
    const int held_off = spin.pos();
    QTest::qWait(300);
    EXPECT_EQ(spin.pos(), held_off);
    QTest::mouseRelease(&spin, Qt::LeftButton, Qt::NoModifier, QPoint(8, 40));
    EXPECT_EQ(spin.pressed_box(), 0);

    // A range the other way round: up counts down.
    spin.set_range(10, 0);
    spin.set_pos(5);
    QTest::mouseClick(&spin, Qt::LeftButton, Qt::NoModifier, QPoint(8, 4));
    EXPECT_EQ(spin.pos(), 4);
}

TEST_F(ChoiceControls, SpinButtonBoxesAreRaisedWithDarkArrows)
{
    CMySpinButtonCtrl spin(1201);
    spin.resize(16, 24);
    spin.show();
    QImage image = render(spin);
    EXPECT_EQ(at(image, 5, 0), word(skin_word::panel));
    EXPECT_EQ(at(image, 0, 5), word(skin_word::panel));
    EXPECT_EQ(at(image, 15, 5), word(skin_word::outline));
    EXPECT_EQ(at(image, 5, 11), word(skin_word::outline));
    EXPECT_EQ(at(image, 1, 5), 0xfffcfau);
    EXPECT_EQ(at(image, 5, 1), 0xfffcfau);
    EXPECT_EQ(at(image, 8, 6), word(skin_word::outline)) << "up arrow";
    EXPECT_EQ(at(image, 8, 18), word(skin_word::outline)) << "down arrow";
    EXPECT_EQ(at(image, 4, 6), word(skin_word::panel));
}

TEST_F(ChoiceControls, SelectedTabStandsTwoPixelsHigher)
{
    for (int s : { 0, 5 }) {
        skin_table().select_skin(s);
        CMyTabCtrl tabs(1001);
        for (const char* text : { "Meeting Room", "File Share", "Video" })
            tabs.insert_item(tabs.item_count(), text);
        tabs.resize(300, 120);
        tabs.set_cur_sel(1);
        tabs.show();
        QApplication::processEvents();
        QImage image = render(tabs);
        const QRect unselected = tabs.item_rect(0);
        const QRect selected = tabs.item_rect(1);
        ASSERT_EQ(unselected.top(), selected.top());
        const int x0 = unselected.left() + 10;
        const int x1 = selected.left() + 10;
        EXPECT_EQ(at(image, x1, selected.top()), 0xfffcfau) << s;
        EXPECT_NE(at(image, x0, unselected.top()), 0xfffcfau) << s;
        EXPECT_NE(at(image, x0, unselected.top() + 1), 0xfffcfau) << s;
        EXPECT_EQ(at(image, x0, unselected.top() + 2), 0xfffcfau) << s;
        // Outlined in the tab colour down both sides.
        const COLORREF outline = word(skin_word::tab_outline);
        EXPECT_EQ(at(image, selected.left(), selected.top() + 10), outline) << s;
        EXPECT_EQ(at(image, selected.right() + 1, selected.top() + 10), outline) << s;
        EXPECT_EQ(at(image, selected.right() + 1, selected.top() + 1), outline) << s;
        // The background below is the skin's.
        QImage background = skin_word_bitmap(skin_word::background_tall).toImage();
        EXPECT_EQ(image.pixel(150, 100), background.pixel(0, 100)) << s;
        EXPECT_FALSE(tabs.spin()->isVisible());
    }
}

TEST_F(ChoiceControls, TabClicksAndKeysChooseAndTellTheOwner)
{
    CMyTabCtrl tabs(1001);
    for (const char* text : { "Meeting Room", "File Share", "Video" })
        tabs.insert_item(tabs.item_count(), text);
    tabs.resize(300, 120);
    tabs.show();
    EXPECT_EQ(tabs.cur_sel(), 0);
    QSignalSpy chosen(&tabs, &CMyTabCtrl::selection_changed);
    QTest::mouseClick(&tabs, Qt::LeftButton, Qt::NoModifier, tabs.item_rect(2).center());
    EXPECT_EQ(tabs.cur_sel(), 2);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 2);
    // The tab already shown: nothing to tell.
    QTest::mouseClick(&tabs, Qt::LeftButton, Qt::NoModifier, tabs.item_rect(2).center());
    EXPECT_EQ(chosen.count(), 1);
    // Below the tabs: no tab.
    QTest::mouseClick(&tabs, Qt::LeftButton, Qt::NoModifier, QPoint(20, 80));
    EXPECT_EQ(tabs.cur_sel(), 2);
    tabs.setFocus();
    QTest::keyClick(&tabs, Qt::Key_Left);
    EXPECT_EQ(tabs.cur_sel(), 1);
    QTest::keyClick(&tabs, Qt::Key_Right);
    QTest::keyClick(&tabs, Qt::Key_Right);
    EXPECT_EQ(tabs.cur_sel(), 2);
    EXPECT_EQ(chosen.count(), 3);
    // Chosen by the owner: nothing told.
    EXPECT_EQ(tabs.set_cur_sel(0), 2);
    EXPECT_EQ(tabs.set_cur_sel(7), -1);
    EXPECT_EQ(tabs.cur_sel(), 0);
    EXPECT_EQ(chosen.count(), 3);
    QRect pages = tabs.display_rect();
    EXPECT_GE(pages.top(), tabs.row_height_px());
    EXPECT_EQ(pages.bottom(), tabs.height() - 3);
}

TEST_F(ChoiceControls, OverflowingTabsShowTheSpinThatScrollsThem)
{
    CMyTabCtrl tabs(1159);
    for (int i = 0; i < 8; ++i)
        tabs.insert_item(i, QString("Page %1").arg(i + 1));
    tabs.resize(220, 80);
    tabs.show();
    QApplication::processEvents();
    ASSERT_TRUE(tabs.overflowing());
    CMySpinButtonCtrl* spin = tabs.spin();
    ASSERT_TRUE(spin->isVisible());
    EXPECT_EQ(spin->orientation(), Qt::Horizontal);
    const QRect spin_area = spin->geometry();
    EXPECT_EQ(spin_area.right(), tabs.width() - 1);
    EXPECT_LT(spin_area.bottom(), tabs.row_height_px());
    // The spin member paints the arrows.
    QImage image = render(tabs);
    EXPECT_EQ(at(image, spin_area.left() + spin_area.width() / 4, spin_area.center().y()), word(skin_word::outline));
    // A tab that reaches under the arrows is not hit there.
    QSignalSpy chosen(&tabs, &CMyTabCtrl::selection_changed);
    QTest::mouseClick(&tabs, Qt::LeftButton, Qt::NoModifier, QPoint(spin_area.left() - 1, 2));
    EXPECT_EQ(chosen.count(), 0);

    const int first_left = tabs.item_rect(0).left();
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(spin_area.width() * 3 / 4, spin_area.height() / 2));
    EXPECT_EQ(tabs.first_visible(), 1);
    EXPECT_LT(tabs.item_rect(0).right(), first_left);
    EXPECT_EQ(tabs.item_rect(1).left(), tab_strip_left_px);
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, QPoint(spin_area.width() / 4, spin_area.height() / 2));
    EXPECT_EQ(tabs.first_visible(), 0);

    // Choosing the last tab by keys scrolls it into view.
    tabs.setFocus();
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(&tabs, Qt::Key_Right);
    EXPECT_EQ(tabs.cur_sel(), 7);
    EXPECT_LE(tabs.item_rect(7).right(), spin_area.left());

    // Widened until they fit, the arrows go.
    tabs.resize(900, 80);
    QApplication::processEvents();
    EXPECT_FALSE(tabs.overflowing());
    EXPECT_FALSE(spin->isVisible());
    EXPECT_EQ(tabs.first_visible(), 0);
}
