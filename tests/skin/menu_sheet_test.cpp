#include "core/message_box.h"
#include "platform/ui/control_id.h"
#include "skin/bar_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_menu.h"
#include "skin/ui/my_property_page.h"
#include "skin/ui/my_property_sheet.h"
#include "skin/ui/my_tab_ctrl.h"
#include "skin/ui/skin_bitmaps.h"
#include "tests/skin/paint_probe.h"
#include "tests/support/temp_home.h"

#include <QActionGroup>
#include <QApplication>
#include <QMouseEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct MenuSheet : ::testing::Test {
    TempHome home;
    void SetUp() override { skin_table().select_skin(0); }
    void TearDown() override { skin_table().select_skin(0); }
};

// A frame's menu: a normal item, a disabled one, a checked one, two of a
// group, a separator and a submenu.
struct TestMenu {
    CMyMenu bar;
    QMenu* file = nullptr;
    QAction* connect = nullptr;
    QAction* logout = nullptr;
    QAction* offline = nullptr;
    QAction* free_mode = nullptr;
    QAction* chair_mode = nullptr;
    QMenu* bars = nullptr;
    TestMenu()
    {
        file = bar.add_popup("Meeting");
        connect = file->addAction("Connect to Server");
        logout = file->addAction("Logout");
        logout->setEnabled(false);
        offline = file->addAction("Work off line");
        offline->setCheckable(true);
        offline->setChecked(true);
        file->addSeparator();
        auto* group = new QActionGroup(file);
        free_mode = file->addAction("Switch to Free Lance Mode");
        chair_mode = file->addAction("Switch to Chairman control Mode");
        for (QAction* a : { free_mode, chair_mode }) {
            a->setCheckable(true);
            group->addAction(a);
        }
        free_mode->setChecked(true);
        bars = file->addMenu("View");
        bars->addAction("Misc Bar");
    }
    QImage popup()
    {
        file->popup(QPoint(0, 0));
        QImage image = render(*file);
        return image;
    }
    QRect item(QAction* a) const { return file->actionGeometry(a); }
};

int count_in(const QImage& image, const QRect& r, COLORREF colour)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += at(image, x, y) == colour;
    return n;
}

// Pixels within 24 of colour in every channel: text is drawn smoothed.
int count_near(const QImage& image, const QRect& r, COLORREF colour)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            COLORREF c = at(image, x, y);
            n += std::abs(colorref_red(c) - colorref_red(colour)) <= 24 && std::abs(colorref_green(c) - colorref_green(colour)) <= 24
                && std::abs(colorref_blue(c) - colorref_blue(colour)) <= 24;
        }
    return n;
}

} // namespace

TEST_F(MenuSheet, MenuBackgroundIsTheKeptBrush)
{
    TestMenu m;
    const COLORREF scheme0 = skin_word_value(skin_word::panel);
    EXPECT_FALSE(m.bar.background_applied());
    QImage before = m.popup();
    const QRect r = m.item(m.connect);
    EXPECT_NE(at(before, r.left() + 3, r.top() + 3), scheme0); // the system's colour until applied
    EXPECT_EQ(m.bar.apply_background(), 0);
    QImage applied = m.popup();
    EXPECT_EQ(at(applied, r.left() + 3, r.top() + 3), scheme0);
    EXPECT_EQ(at(applied, 0, 0), skin_word_value(skin_word::outline)); // the frame
    // Below the last item too: the whole menu, whatever its height.
    EXPECT_EQ(at(applied, 5, applied.height() - 2), scheme0);

    // A new scheme reaches the menu only through reload_skin.
    skin_table().select_skin(1);
    EXPECT_EQ(at(m.popup(), r.left() + 3, r.top() + 3), scheme0);
    m.bar.reload_skin();
    const COLORREF scheme1 = skin_word_value(skin_word::panel);
    ASSERT_NE(scheme0, scheme1);
    EXPECT_EQ(m.bar.brush_colour(), scheme1);
    EXPECT_EQ(at(m.popup(), r.left() + 3, r.top() + 3), scheme1);
    m.file->hide();

    // The bar itself and a submenu added later.
    m.bar.resize(300, m.bar.sizeHint().height());
    m.bar.show();
    EXPECT_EQ(at(render(m.bar), 299, 2), scheme1);
    // The bar's item under the pointer: word 8 framed in word 3.
    QRect title = m.bar.actionGeometry(m.file->menuAction());
    QMouseEvent move(QEvent::MouseMove, QPointF(title.center()), m.bar.mapToGlobal(QPointF(title.center())), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&m.bar, &move);
    QImage hovered = render(m.bar);
    EXPECT_EQ(at(hovered, title.left(), title.top() + 3), skin_word_value(skin_word::outline));
    EXPECT_EQ(at(hovered, title.left() + 2, title.top() + 2), skin_word_value(skin_word::highlight));
    QMenu* later = m.bars->addMenu("More");
    later->addAction("Push Mode");
    later->popup(QPoint(0, 0));
    EXPECT_EQ(at(render(*later), 5, later->actionGeometry(later->actions()[0]).center().y()), scheme1);
    later->hide();
}

TEST_F(MenuSheet, MenuItemsDrawnFromTheSkin)
{
    TestMenu m;
    m.bar.apply_background();
    const COLORREF bg = m.bar.brush_colour();
    m.file->popup(QPoint(0, 0));
    m.file->setActiveAction(m.connect);
    QImage image = render(*m.file);

    // The selected item: word 8 framed in word 3, black text.
    QRect sel = m.item(m.connect);
    EXPECT_EQ(at(image, sel.left(), sel.top() + 2), skin_word_value(skin_word::outline));
    EXPECT_EQ(at(image, sel.left() + 3, sel.top() + 3), skin_word_value(skin_word::highlight));
    EXPECT_GT(count_near(image, sel, 0x000000), 10);

    // The disabled item: text darkened from the brush, with a light emboss, never black.
    QRect dis = m.item(m.logout);
    MenuItemLook look = menu_item_look(false, false, bg);
    EXPECT_GT(count_near(image, dis, look.text_colour), 10);
    EXPECT_GT(count_near(image, dis, look.emboss_colour), 10);
    EXPECT_EQ(count_near(image, dis, 0x000000), 0);

    // The checked item: the check box's outline, white box and tick in the mark column.
    QRect chk = m.item(m.offline);
    QRect mark(chk.left(), chk.top(), 22, chk.height());
    EXPECT_GT(count_in(image, mark, skin_word_value(skin_word::outline)), 10);
    EXPECT_GT(count_in(image, mark, 0xffffff), 20);
    QImage tick = skin_bitmap(check_box_tick_bitmap).toImage();
    int tick_dark = 0;
    for (int y = 1; y < 9; ++y)
        for (int x = 1; x < 9; ++x)
            tick_dark += qGray(tick.pixel(x, y)) < 128;
    EXPECT_GT(tick_dark, 3);
    // The unchecked one of the group has no mark; the checked one a round mark in the text colour.
    QRect free_mark(m.item(m.free_mode).left(), m.item(m.free_mode).top(), 22, m.item(m.free_mode).height());
    QRect chair_mark(m.item(m.chair_mode).left(), m.item(m.chair_mode).top(), 22, m.item(m.chair_mode).height());
    EXPECT_GT(count_in(image, free_mark, 0x000000), 6);
    EXPECT_EQ(count_in(image, chair_mark, 0x000000), 0);
    EXPECT_EQ(count_in(image, QRect(mark.left(), m.item(m.connect).top(), 22, sel.height()), 0xffffff), 0);

    // The separator: a line darkened from the brush.
    QAction* separator = m.file->actions()[3];
    ASSERT_TRUE(separator->isSeparator());
    QRect sep = m.item(separator);
    EXPECT_GT(count_in(image, sep, darken_colour(bg, 64)), sep.width() / 2);

    // The submenu's arrow in the text colour at the right.
    QRect sub = m.item(m.bars->menuAction());
    EXPECT_GT(count_in(image, QRect(sub.right() - 20, sub.top(), 20, sub.height()), 0x000000), 5);
    m.file->hide();
}

TEST_F(MenuSheet, MenuKeysAndClicks)
{
    TestMenu m;
    m.bar.apply_background();
    QSignalSpy connected(m.connect, &QAction::triggered);
    QSignalSpy logged_out(m.logout, &QAction::triggered);
    QSignalSpy offline(m.offline, &QAction::triggered);

    m.file->popup(QPoint(0, 0));
    QTest::keyClick(m.file, Qt::Key_Down);
    EXPECT_EQ(m.file->activeAction(), m.connect);
    QTest::keyClick(m.file, Qt::Key_Down); // the disabled item is passed over
    EXPECT_EQ(m.file->activeAction(), m.offline);
    QTest::keyClick(m.file, Qt::Key_Return);
    EXPECT_EQ(offline.count(), 1);
    EXPECT_FALSE(m.offline->isChecked());

    m.file->popup(QPoint(0, 0));
    QTest::mouseClick(m.file, Qt::LeftButton, Qt::NoModifier, m.item(m.logout).center());
    EXPECT_EQ(logged_out.count(), 0);
    QTest::mouseClick(m.file, Qt::LeftButton, Qt::NoModifier, m.item(m.connect).center());
    EXPECT_EQ(connected.count(), 1);
    EXPECT_FALSE(m.file->isVisible());
}

TEST_F(MenuSheet, ContextMenuTakesTheCurrentBrush)
{
    skin_table().select_skin(4);
    QMenu menu;
    menu.addAction("Clear Board");
    QMenu* sub = menu.addMenu("Pen");
    sub->addAction("Use pen");
    skin_menu(&menu);
    menu.popup(QPoint(0, 0));
    QRect r = menu.actionGeometry(menu.actions()[0]);
    EXPECT_EQ(at(render(menu), r.left() + 3, r.top() + 3), skin_word_value(skin_word::panel));
    EXPECT_EQ(sub->style(), menu.style());
    menu.hide();
}

namespace {

// A page that records what the sheet asks of it.
class RecordingPage : public CMyPropertyPage {
public:
    RecordingPage(int id, const QString& caption, std::vector<std::string>& log, int height = 280)
        : CMyPropertyPage(id, caption), log_(log)
    {
        setMinimumSize(360, height);
    }
    bool refuse_leave = false;
    bool refuse_apply = false;
    bool OnInitDialog() override { return note("init"), true; }
    bool OnSetActive() override { return note("set_active"), true; }
    bool OnKillActive() override { return note("kill_active"), !refuse_leave; }
    bool OnApply() override
    {
        note("apply");
        return !refuse_apply && CMyPropertyPage::OnApply();
    }
    void OnOK() override { note("ok"); }
    void OnCancel() override { note("cancel"); }

private:
    void note(const char* what) { log_.push_back(std::to_string(template_id()) + " " + what); }
    std::vector<std::string>& log_;
};

struct TestSheet {
    std::vector<std::string> log;
    CMyPropertySheet sheet { "Options...", nullptr, 0 };
    RecordingPage* contact = new RecordingPage(107, "Contact", log);
    RecordingPage* proxy = new RecordingPage(170, "Proxy Settings", log);
    RecordingPage* skin = new RecordingPage(267, "Choose Skin", log);
    TestSheet()
    {
        sheet.AddPage(contact);
        sheet.AddPage(proxy);
        sheet.AddPage(skin);
    }
    void click_tab(int index) { QTest::mouseClick(sheet.m_tab, Qt::LeftButton, Qt::NoModifier, sheet.m_tab->item_rect(index).center()); }
    void take_log(std::vector<std::string>& out)
    {
        out = log;
        log.clear();
    }
};

} // namespace

TEST_F(MenuSheet, SheetCaptionFrameAndButtons)
{
    TestSheet t;
    t.sheet.show();
    QImage image = render(t.sheet);
    const int w = image.width();
    const int h = image.height();
    auto word = [](int v) { return skin_word_value(v); };
    EXPECT_EQ(at(image, 0, 60), word(skin_word::panel));
    EXPECT_EQ(at(image, 1, 60), word(skin_word::light_3d));
    EXPECT_EQ(at(image, 2, 60), word(skin_word::light_3d));
    EXPECT_EQ(at(image, w - 1, 60), word(skin_word::panel));
    EXPECT_EQ(at(image, w - 2, 60), word(skin_word::light_3d));
    EXPECT_EQ(at(image, 60, h - 1), word(skin_word::panel));
    EXPECT_EQ(at(image, 60, h - 2), word(skin_word::light_3d));
    // The caption as the skinned dialog's: close button at the right end, white title.
    QImage close = skin_word_bitmap(skin_word::dialog_close_normal).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(image.pixel(w - 20, 10), close.pixel(21, 10));
    EXPECT_GT(count_near(image, QRect(8, 2, w - 60, 18), 0xffffff), 10);
    // Rounded top corners.
    EXPECT_FALSE(t.sheet.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(t.sheet.mask().contains(QPoint(4, 0)));

    for (int id : { CMyPropertySheet::ok_id, CMyPropertySheet::cancel_id, CMyPropertySheet::apply_id })
        EXPECT_NE(t.sheet.findChild<CMyButton*>(control_name(id)), nullptr) << id;
    EXPECT_NE(t.sheet.findChild<CMyTabCtrl*>(control_name(CMyPropertySheet::tab_id)), nullptr);
    // The pages' frame in the tabs' colour, open under the chosen tab.
    QWidget* pages = t.sheet.findChild<QWidget*>("pages");
    ASSERT_NE(pages, nullptr);
    const QPoint frame_top = pages->mapTo(&t.sheet, QPoint(0, 0));
    const int row = t.sheet.m_tab->row_height_px();
    EXPECT_EQ(frame_top.y(), t.sheet.m_tab->mapTo(&t.sheet, QPoint(0, row - 1)).y());
    const QRect chosen = t.sheet.m_tab->item_rect(0).translated(t.sheet.m_tab->mapTo(&t.sheet, QPoint(0, 0)));
    const QRect other = t.sheet.m_tab->item_rect(1).translated(t.sheet.m_tab->mapTo(&t.sheet, QPoint(0, 0)));
    EXPECT_NE(at(image, chosen.center().x(), frame_top.y()), word(skin_word::tab_outline));
    EXPECT_EQ(at(image, other.center().x(), frame_top.y()), word(skin_word::tab_outline));
    EXPECT_EQ(at(image, frame_top.x(), frame_top.y() + 40), word(skin_word::tab_outline));
    EXPECT_EQ(t.sheet.GetActivePage()->geometry().topLeft(), QPoint(1, 1)); // inside the frame

    EXPECT_FALSE(t.sheet.m_apply->isEnabled());
    EXPECT_EQ(t.sheet.m_tab->item_count(), 3);
    EXPECT_EQ(t.sheet.m_tab->item_text(1), "Proxy Settings");
    t.sheet.done(0);
}

TEST_F(MenuSheet, PageBackgroundBySheetHeight)
{
    struct Case {
        int height;
        int word;
    };
    for (Case c : { Case { 300, skin_word::background_short }, Case { 301, skin_word::background_tall } }) {
        CMyPropertyPage page(170, "Proxy Settings");
        page.resize(200, c.height);
        QImage image = render(page);
        QImage bitmap = skin_word_bitmap(c.word).toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y : { 0, 150, c.height - 1 })
            EXPECT_EQ(image.pixel(100, y), bitmap.pixel(0, std::min(y, bitmap.height() - 1))) << c.height << " row " << y;
    }
}

TEST_F(MenuSheet, PagesAreSetUpWhenFirstShownAndApplied)
{
    TestSheet t;
    t.sheet.show();
    std::vector<std::string> log;
    t.take_log(log);
    EXPECT_EQ(log, (std::vector<std::string> { "107 init", "107 set_active" }));
    EXPECT_EQ(t.sheet.GetActivePage(), t.contact);

    t.click_tab(2);
    t.take_log(log);
    EXPECT_EQ(log, (std::vector<std::string> { "107 kill_active", "267 init", "267 set_active" }));
    EXPECT_EQ(t.sheet.GetActiveIndex(), 2);
    t.click_tab(0);
    t.take_log(log);
    EXPECT_EQ(log, (std::vector<std::string> { "267 kill_active", "107 set_active" })); // set up once only

    // A change makes Apply usable; Apply stores the pages set up, not the proxy page never shown.
    t.skin->SetModified();
    EXPECT_TRUE(t.sheet.m_apply->isEnabled());
    QTest::mouseClick(t.sheet.m_apply, Qt::LeftButton);
    t.take_log(log);
    EXPECT_EQ(log, (std::vector<std::string> { "107 kill_active", "107 apply", "107 ok", "267 apply", "267 ok" }));
    EXPECT_FALSE(t.sheet.m_apply->isEnabled());
    EXPECT_FALSE(t.skin->is_modified());
    EXPECT_TRUE(t.sheet.isVisible());

    // A page may refuse to be left.
    t.contact->refuse_leave = true;
    t.click_tab(1);
    EXPECT_EQ(t.sheet.GetActiveIndex(), 0);
    EXPECT_EQ(t.sheet.m_tab->cur_sel(), 0);
    EXPECT_FALSE(t.proxy->initialised());
    t.contact->refuse_leave = false;
    t.take_log(log);

    // OK: one refusing page keeps the sheet open and is shown.
    t.skin->refuse_apply = true;
    QTest::mouseClick(t.sheet.m_ok, Qt::LeftButton);
    EXPECT_TRUE(t.sheet.isVisible());
    EXPECT_EQ(t.sheet.GetActivePage(), t.skin);
    t.skin->refuse_apply = false;
    t.take_log(log);
    QTest::mouseClick(t.sheet.m_ok, Qt::LeftButton);
    EXPECT_FALSE(t.sheet.isVisible());
    EXPECT_EQ(t.sheet.result(), IDOK);
    t.take_log(log);
    EXPECT_EQ(log, (std::vector<std::string> { "267 kill_active", "107 apply", "107 ok", "267 apply", "267 ok" }));
}

TEST_F(MenuSheet, ControlTabMovesBetweenPages)
{
    TestSheet t;
    t.sheet.show();
    QTest::keyClick(&t.sheet, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(t.sheet.GetActiveIndex(), 1);
    QTest::keyClick(&t.sheet, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(t.sheet.GetActiveIndex(), 2);
    QTest::keyClick(&t.sheet, Qt::Key_Tab, Qt::ControlModifier); // round to the first
    EXPECT_EQ(t.sheet.GetActiveIndex(), 0);
    QTest::keyClick(&t.sheet, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(t.sheet.GetActiveIndex(), 2);
    QTest::keyClick(&t.sheet, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(t.sheet.GetActiveIndex(), 1);
    EXPECT_EQ(t.sheet.m_tab->cur_sel(), 1);
    t.sheet.done(0);
}

TEST_F(MenuSheet, CancelByButtonCloseButtonAndEscape)
{
    enum Way { button, close_button, escape };
    for (Way way : { button, close_button, escape }) {
        TestSheet t;
        t.sheet.show();
        t.click_tab(1);
        t.log.clear();
        if (way == button) {
            QTest::mouseClick(t.sheet.m_cancel, Qt::LeftButton);
        } else if (way == close_button) {
            t.sheet.caption().track(HitArea::close, true);
            EXPECT_EQ(t.sheet.close_state(), 2);
            t.sheet.caption().track(HitArea::close, false);
        } else {
            QTest::keyClick(&t.sheet, Qt::Key_Escape);
        }
        EXPECT_FALSE(t.sheet.isVisible()) << way;
        EXPECT_EQ(t.sheet.result(), IDCANCEL) << way;
        EXPECT_EQ(t.log, (std::vector<std::string> { "107 cancel", "170 cancel" })) << way;
    }
}

TEST_F(MenuSheet, SheetStartsAtTheChosenPageAndRunsModal)
{
    std::vector<std::string> log;
    CMyPropertySheet sheet("Meeting Room Options...", nullptr, 1);
    auto* first = new RecordingPage(107, "Contact", log);
    auto* second = new RecordingPage(268, "Meeting Room Options", log, 320);
    sheet.AddPage(first);
    sheet.AddPage(second);
    QTimer::singleShot(0, &sheet, [&] {
        EXPECT_EQ(sheet.GetActivePage(), second);
        EXPECT_FALSE(first->initialised());
        sheet.m_ok->click();
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(log, (std::vector<std::string> { "268 init", "268 set_active", "268 kill_active", "268 apply", "268 ok" }));
    // The page fills a sheet taller than 300 pixels: the tall background.
    EXPECT_GT(second->height(), 300);
}
