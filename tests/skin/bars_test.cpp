#include "skin/command_icons.h"
#include "skin/skin_table.h"
#include "skin/ui/my_rebar.h"
#include "skin/ui/my_splitter_wnd.h"
#include "skin/ui/my_tool_bar.h"
#include "skin/ui/theme_icons.h"
#include "tests/skin/paint_probe.h"
#include "tests/support/temp_home.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Bars : ::testing::Test {
    TempHome home;
    void SetUp() override { skin_table().select_skin(0); }
    void TearDown() override { skin_table().select_skin(0); }
};

int opaque_pixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 128;
    return n;
}

// A picture that shows exactly where it lands: a solid square with one odd corner pixel.
QPixmap marker(QColor colour)
{
    QImage image(16, 15, QImage::Format_ARGB32);
    image.fill(colour);
    image.setPixelColor(0, 0, QColor(1, 2, 3));
    return QPixmap::fromImage(image);
}

ToolBarImageLists marker_lists()
{
    ToolBarImageLists lists;
    for (int i = 0; i < 3; ++i) {
        lists.normal.push_back(marker(QColor(200, 0, 0)));
        lists.hot.push_back(marker(QColor(0, 200, 0)));
        lists.disabled.push_back(marker(QColor(0, 0, 200)));
    }
    return lists;
}

// Buttons 100 (plain), 101 (check style), a separator, 102.
struct TestBar {
    CMyToolBar bar { 161 };
    TestBar()
    {
        bar.add_button(100, 0, "first");
        bar.add_button(101, 1, "second", true);
        bar.add_separator();
        bar.add_button(102, 2, "third");
        bar.set_image_lists(marker_lists());
        bar.resize(bar.sizeHint());
        bar.show();
    }
    QPoint centre(int id) const { return bar.button_rect(id).center(); }
};

} // namespace

TEST_F(Bars, ThemeHasEveryNamedCommandPicture)
{
    install_theme_icons();
    EXPECT_EQ(QIcon::themeName(), QString(program_icon_theme));
    EXPECT_TRUE(QIcon::themeSearchPaths().contains("/usr/share/icons"));
    for (const CommandIcon& icon : command_icons()) {
        if (!icon.theme_name)
            continue;
        EXPECT_TRUE(theme_has_icon(icon.theme_name)) << icon.theme_name << " (" << icon.command_id << ")";
        QImage glyph = theme_glyph(icon.theme_name, QSize(16, 15));
        EXPECT_GT(opaque_pixels(glyph), 8) << icon.theme_name;
    }
    // Only the exact name counts, not a shorter one the theme would fall back to.
    EXPECT_FALSE(theme_has_icon("edit-undo-tamblo-none"));
    EXPECT_FALSE(theme_has_icon(""));
    EXPECT_FALSE(theme_has_icon(nullptr));
    EXPECT_TRUE(theme_glyph("tamblo-no-such-icon", QSize(16, 15)).isNull());
}

TEST_F(Bars, ThemeGlyphIsCentredAndDisabledIsGreyAndFaded)
{
    QImage glyph = theme_glyph("edit-undo", QSize(20, 16));
    ASSERT_FALSE(glyph.isNull());
    EXPECT_EQ(glyph.size(), QSize(20, 16));
    // A 16-pixel square in the middle: the two columns each side stay clear.
    for (int y = 0; y < 16; ++y)
        for (int x : { 0, 1, 18, 19 })
            EXPECT_EQ(qAlpha(glyph.pixel(x, y)), 0) << x << "," << y;

    QImage record = theme_glyph("media-record", QSize(16, 16)).convertToFormat(QImage::Format_ARGB32);
    QImage faded = theme_glyph("media-record", QSize(16, 16), GlyphLook::disabled);
    int coloured = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            QRgb n = record.pixel(x, y);
            QRgb d = faded.pixel(x, y);
            coloured += qAlpha(n) > 200 && qRed(n) != qBlue(n);
            EXPECT_EQ(qRed(d), qGreen(d));
            EXPECT_EQ(qGreen(d), qBlue(d));
            EXPECT_LE(qAlpha(d), qAlpha(n));
        }
    EXPECT_GT(coloured, 20); // the record glyph is red in the theme
}

TEST_F(Bars, MissingNameFallsBackToOurGlyph)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    EXPECT_FALSE(draw_theme_glyph(p, image.rect(), "tamblo-no-such-icon", 1));
    EXPECT_FALSE(draw_theme_glyph(p, image.rect(), nullptr, 1));
    p.end();
    EXPECT_GT(count_of(image, skin_word_value(skin_word::text)), 10);

    // A command the theme has no picture for is still drawn.
    EXPECT_GT(opaque_pixels(command_picture(32789, QSize(16, 15))), 10);
    EXPECT_GT(opaque_pixels(command_picture(12345, QSize(16, 15))), 10);
    QImage theme_drawn(16, 15, QImage::Format_ARGB32);
    theme_drawn.fill(Qt::transparent);
    QPainter q(&theme_drawn);
    EXPECT_TRUE(draw_command_picture(q, theme_drawn.rect(), 32800));
}

TEST_F(Bars, CommandPictureOnFaceKeepsTheFaceAroundIt)
{
    QImage face(14, 14, QImage::Format_ARGB32);
    face.fill(QColor(10, 200, 30));
    QImage out = command_picture_on_face(face, 32834);
    EXPECT_EQ(out.size(), face.size());
    int face_left = 0;
    int changed = 0;
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 14; ++x) {
            bool same = out.pixelColor(x, y) == QColor(10, 200, 30);
            face_left += same;
            changed += !same;
        }
    EXPECT_GT(face_left, 60);
    EXPECT_GT(changed, 10);
}

TEST_F(Bars, ToolBarFaceAndFrame)
{
    TestBar t;
    QImage image = render(t.bar);
    const int w = image.width();
    const int h = image.height();
    EXPECT_EQ(w, 2 + 3 * 23 + 8 + 2);
    EXPECT_EQ(h, 26);
    EXPECT_EQ(at(image, 0, 10), skin_word_value(skin_word::light_3d));
    EXPECT_EQ(at(image, 10, 0), skin_word_value(skin_word::light_3d));
    EXPECT_EQ(at(image, 0, h - 1), skin_word_value(skin_word::light_3d));
    EXPECT_EQ(at(image, w - 1, 10), skin_word_value(skin_word::panel));
    EXPECT_EQ(at(image, 10, h - 1), skin_word_value(skin_word::panel));
    EXPECT_EQ(at(image, w - 1, 0), skin_word_value(skin_word::panel));
    EXPECT_EQ(at(image, 1, 1), skin_word_value(skin_word::tool_bar_background));
    // Buttons at rest: no fill, the normal picture at (left + 3, top + 3).
    QRect r = t.bar.button_rect(100);
    EXPECT_EQ(at(image, r.left() + 1, r.top() + 1), skin_word_value(skin_word::tool_bar_background));
    EXPECT_EQ(at(image, r.left() + 3, r.top() + 3), 0x030201u);
    EXPECT_EQ(at(image, r.left() + 5, r.top() + 5), 0x0000c8u);
}

TEST_F(Bars, ToolBarHotPressedCheckedAndDisabledLooks)
{
    TestBar t;
    const QRect r = t.bar.button_rect(100);
    auto word = [](int w) { return skin_word_value(w); };

    QTest::mouseMove(&t.bar, t.centre(100));
    QImage hot = render(t.bar);
    EXPECT_EQ(at(hot, r.left() + 2, r.top() + 2), word(skin_word::highlight));
    EXPECT_EQ(at(hot, r.left(), r.top() + 5), word(skin_word::light_3d));
    EXPECT_EQ(at(hot, r.left() + 5, r.top()), word(skin_word::light_3d));
    EXPECT_EQ(at(hot, r.right(), r.top() + 5), word(skin_word::panel));
    EXPECT_EQ(at(hot, r.left() + 5, r.bottom()), word(skin_word::panel));
    EXPECT_EQ(at(hot, r.left() + 5, r.top() + 5), 0x00c800u); // the hot picture

    QTest::mousePress(&t.bar, Qt::LeftButton, Qt::NoModifier, t.centre(100));
    QImage pressed = render(t.bar);
    EXPECT_EQ(at(pressed, r.left() + 2, r.top() + 2), word(skin_word::tool_button_hot_selected));
    EXPECT_EQ(at(pressed, r.left(), r.top() + 5), word(skin_word::panel));
    EXPECT_EQ(at(pressed, r.right(), r.top() + 5), word(skin_word::light_3d));
    // The picture moves one pixel right and down while pressed.
    EXPECT_EQ(at(pressed, r.left() + 3, r.top() + 3), word(skin_word::tool_button_hot_selected));
    EXPECT_EQ(at(pressed, r.left() + 4, r.top() + 4), 0x030201u);
    QTest::mouseRelease(&t.bar, Qt::LeftButton, Qt::NoModifier, t.centre(100));

    t.bar.set_checked(102, true);
    QTest::mouseMove(&t.bar, QPoint(t.bar.width() - 1, t.bar.height() - 1));
    QImage checked = render(t.bar);
    const QRect c = t.bar.button_rect(102);
    EXPECT_EQ(at(checked, c.left() + 2, c.top() + 2), word(skin_word::highlight));
    EXPECT_EQ(at(checked, c.left(), c.top() + 5), word(skin_word::panel));
    EXPECT_EQ(at(checked, c.right(), c.top() + 5), word(skin_word::light_3d));
    EXPECT_EQ(at(checked, r.left() + 2, r.top() + 2), word(skin_word::tool_bar_background)); // 100 no longer hot

    t.bar.set_enabled(100, false);
    QTest::mouseMove(&t.bar, t.centre(100));
    QImage disabled = render(t.bar);
    EXPECT_EQ(at(disabled, r.left() + 2, r.top() + 2), word(skin_word::tool_bar_background));
    EXPECT_EQ(at(disabled, r.left() + 5, r.top() + 5), 0xc80000u); // the disabled picture
}

TEST_F(Bars, ToolBarClicksSendCommandsAndFollowActions)
{
    TestBar t;
    QSignalSpy commands(&t.bar, &CMyToolBarCtrl::command);
    QTest::mouseClick(&t.bar, Qt::LeftButton, Qt::NoModifier, t.centre(100));
    QTest::mouseClick(&t.bar, Qt::LeftButton, Qt::NoModifier, t.centre(101));
    ASSERT_EQ(commands.count(), 2);
    EXPECT_EQ(commands[0][0].toInt(), 100);
    EXPECT_EQ(commands[1][0].toInt(), 101);
    EXPECT_TRUE(t.bar.is_checked(101));
    // Pressed on one button, released on another: nothing.
    QTest::mousePress(&t.bar, Qt::LeftButton, Qt::NoModifier, t.centre(100));
    QTest::mouseMove(&t.bar, t.centre(102));
    QTest::mouseRelease(&t.bar, Qt::LeftButton, Qt::NoModifier, t.centre(102));
    EXPECT_EQ(commands.count(), 2);
    t.bar.set_enabled(102, false);
    QTest::mouseClick(&t.bar, Qt::LeftButton, Qt::NoModifier, t.centre(102));
    EXPECT_EQ(commands.count(), 2);

    CMyToolBar bar(144);
    QAction talk("Voice chat");
    talk.setData(32785);
    talk.setCheckable(true);
    talk.setToolTip("Voice chat");
    int triggered = 0;
    QObject::connect(&talk, &QAction::triggered, [&] { ++triggered; });
    bar.add_action(&talk, 0);
    bar.set_image_lists(command_image_lists({ 32785 }));
    bar.resize(bar.sizeHint());
    bar.show();
    QPoint centre = bar.button_rect(32785).center();
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_EQ(triggered, 1);
    EXPECT_TRUE(talk.isChecked());
    EXPECT_TRUE(bar.is_checked(32785)); // the action's check shows on the button
    talk.setEnabled(false);
    EXPECT_FALSE(bar.is_enabled(32785));
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_EQ(triggered, 1);
    talk.setToolTip("Start(Stop) Meeting Room Talk");
    EXPECT_EQ(bar.tip(32785), "Start(Stop) Meeting Room Talk");
    talk.setEnabled(true);
    talk.setStatusTip("Start or stop the talk of the meeting room");
    bar.set_fly_by(true);
    QSignalSpy fly_by(&bar, &CMyToolBarCtrl::fly_by_text);
    QMouseEvent off(QEvent::MouseMove, QPointF(1, 1), bar.mapToGlobal(QPointF(1, 1)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &off);
    QMouseEvent on(QEvent::MouseMove, QPointF(centre), bar.mapToGlobal(QPointF(centre)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &on);
    ASSERT_EQ(fly_by.count(), 1);
    EXPECT_EQ(fly_by[0][0].toString(), "Start or stop the talk of the meeting room");
    talk.setVisible(false);
    EXPECT_TRUE(bar.button_rect(32785).isEmpty());
}

TEST_F(Bars, ToolTipsShowAfterRestingAndHideOnPress)
{
    TestBar t;
    t.bar.set_fly_by(true);
    QSignalSpy fly_by(&t.bar, &CMyToolBarCtrl::fly_by_text);
    ToolTipRelay& tips = t.bar.tool_tips();
    QTest::mouseMove(&t.bar, t.centre(101));
    EXPECT_FALSE(tips.tip_shown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tips.tip_shown(); }, 3000));
    EXPECT_EQ(tips.shown_text(), "second");
    EXPECT_EQ(tips.shown_tool(), 101);
    EXPECT_LE(tips.tip_window()->width(), ToolTipRelay::max_tip_width_px);
    ASSERT_GE(fly_by.count(), 1);
    EXPECT_EQ(fly_by.last()[0].toString(), "second");

    // From one tip to the next is quick.
    QTest::mouseMove(&t.bar, t.centre(100));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tips.shown_text() == "first"; }, 400));

    // A press hides it, and it stays away while the pointer stays on that button.
    QTest::mousePress(&t.bar, Qt::LeftButton, Qt::NoModifier, t.centre(100));
    EXPECT_FALSE(tips.tip_shown());
    QTest::mouseRelease(&t.bar, Qt::LeftButton, Qt::NoModifier, t.centre(100));
    QTest::mouseMove(&t.bar, t.centre(100) + QPoint(1, 0));
    QTest::qWait(ToolTipRelay::initial_delay_ms + 200);
    EXPECT_FALSE(tips.tip_shown());

    // Over the separator: no tip, and fly-by says nothing.
    QTest::mouseMove(&t.bar, t.bar.button_rect(102).topLeft() - QPoint(4, -5));
    QTest::qWait(ToolTipRelay::initial_delay_ms + 200);
    EXPECT_FALSE(tips.tip_shown());
    EXPECT_EQ(fly_by.last()[0].toString(), "");

    // A long text wraps at 400 pixels.
    t.bar.set_tip(102, QString("word ").repeated(80));
    QTest::mouseMove(&t.bar, t.centre(102));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tips.tip_shown(); }, 3000));
    EXPECT_LE(tips.tip_window()->width(), ToolTipRelay::max_tip_width_px);
    EXPECT_GT(tips.tip_window()->height(), 2 * tips.tip_window()->fontMetrics().height());

    t.bar.set_tool_tips(false);
    EXPECT_FALSE(tips.tip_shown());
}

TEST_F(Bars, PlainToolBarControlShadesFromItsFace)
{
    CMyToolBarCtrl ctrl(200);
    ctrl.add_button(100, 0, "first");
    ctrl.add_separator();
    ctrl.add_button(101, 1, "second");
    ctrl.set_image_lists(marker_lists());
    ctrl.resize(ctrl.sizeHint());
    ctrl.show();
    const COLORREF face = skin_word_value(skin_word::tool_bar_background);
    ToolEdgeColours edges = tool_edge_colours(face);
    QImage rest = render(ctrl);
    EXPECT_EQ(at(rest, 0, 0), face); // no frame of its own
    EXPECT_EQ(at(rest, ctrl.width() - 1, ctrl.height() - 1), face);
    const int sep_x = ctrl.button_rect(100).right() + 1 + 3;
    EXPECT_EQ(at(rest, sep_x, 10), edges.shadow);
    EXPECT_EQ(at(rest, sep_x + 1, 10), edges.light);

    QRect r = ctrl.button_rect(100);
    QTest::mouseMove(&ctrl, r.center());
    QImage hot = render(ctrl);
    EXPECT_EQ(at(hot, r.left(), r.top() + 5), edges.light);
    EXPECT_EQ(at(hot, r.right(), r.top() + 5), edges.shadow);
    EXPECT_EQ(at(hot, r.left() + 2, r.top() + 2), face); // no fill
    QTest::mousePress(&ctrl, Qt::LeftButton, Qt::NoModifier, r.center());
    QImage pressed = render(ctrl);
    EXPECT_EQ(at(pressed, r.left(), r.top() + 5), edges.shadow);
    EXPECT_EQ(at(pressed, r.right(), r.top() + 5), edges.light);
    QTest::mouseRelease(&ctrl, Qt::LeftButton, Qt::NoModifier, r.center());
}

TEST_F(Bars, RebarBandsAndGripperDrag)
{
    CMyRebar rebar(59392);
    auto* talk = new CMyToolBar(161);
    talk->add_button(32834, 0, "Take Over Microphone");
    talk->add_button(32890, 1, "Show me");
    auto* ctrl = new CMyToolBar(131);
    for (int i = 0; i < 3; ++i)
        ctrl->add_button(32785 + i, i, "x");
    auto* misc = new CMyToolBar(144);
    for (int i = 0; i < 9; ++i)
        misc->add_button(32806 + i, i, "x");
    EXPECT_EQ(rebar.add_band(talk), 0);
    EXPECT_EQ(rebar.add_band(ctrl), 1);
    EXPECT_EQ(rebar.add_band(misc), 2);
    rebar.resize(700, rebar.sizeHint().height());
    rebar.show();
    EXPECT_EQ(rebar.height(), 26 + 4);
    for (int i = 0; i < 3; ++i)
        rebar.minimize_band(i);
    rebar.set_band_width(0, 60);

    const int talk_w = talk->sizeHint().width();
    // Band 0 is held at what its tool bar needs: 60 pixels would cut it.
    EXPECT_EQ(rebar.band_rect(0).width(), CMyRebar::gripper_px + talk_w + CMyRebar::band_margin_px);
    EXPECT_EQ(talk->geometry().left(), CMyRebar::gripper_px);
    EXPECT_EQ(rebar.band_rect(2).right(), 699); // the last band reaches the end
    EXPECT_EQ(misc->width(), rebar.band_rect(2).width() - CMyRebar::gripper_px - CMyRebar::band_margin_px);

    QImage image = render(rebar);
    EXPECT_EQ(at(image, rebar.band_rect(1).left() + 1, 0), skin_word_value(skin_word::highlight));
    EXPECT_EQ(at(image, 1, rebar.height() - 1), skin_word_value(skin_word::highlight));

    rebar.show_band(0, false);
    EXPECT_FALSE(talk->isVisible());
    EXPECT_EQ(rebar.band_rect(1).left(), 0);
    EXPECT_EQ(ctrl->geometry().left(), CMyRebar::gripper_px);
    rebar.show_band(0, true);
    EXPECT_TRUE(talk->isVisible());

    // Dragging band 1's gripper 40 pixels right widens band 0.
    const int before = rebar.band_rect(0).width();
    QPoint grip = rebar.gripper_rect(1).center();
    QTest::mousePress(&rebar, Qt::LeftButton, Qt::NoModifier, grip);
    QTest::mouseMove(&rebar, grip + QPoint(20, 0));
    QTest::mouseMove(&rebar, grip + QPoint(40, 0));
    QTest::mouseRelease(&rebar, Qt::LeftButton, Qt::NoModifier, grip + QPoint(40, 0));
    EXPECT_EQ(rebar.band_rect(0).width(), before + 40);
    EXPECT_EQ(ctrl->geometry().left(), before + 40 + CMyRebar::gripper_px);
    // And back past its minimum: held there.
    grip = rebar.gripper_rect(1).center();
    QTest::mousePress(&rebar, Qt::LeftButton, Qt::NoModifier, grip);
    QTest::mouseMove(&rebar, grip - QPoint(300, 0));
    QTest::mouseRelease(&rebar, Qt::LeftButton, Qt::NoModifier, grip - QPoint(300, 0));
    EXPECT_EQ(rebar.band_rect(0).width(), before);

    // A tool bar that loses a button asks its band for less (a band kept
    // wider by a drag stays so).
    rebar.minimize_band(1);
    const int ctrl_band = rebar.band_rect(1).width();
    ctrl->set_hidden(32786, true);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(rebar.band_rect(1).width(), ctrl_band - 23);

    for (int i = 0; i < 3; ++i)
        rebar.show_band(i, false);
    EXPECT_EQ(rebar.sizeHint().height(), 0);
}

TEST_F(Bars, SplitterPaintsBordersAndBarsAndDragResizesPanes)
{
    CMySplitterWnd splitter;
    ASSERT_TRUE(splitter.CreateStatic(1, 2));
    EXPECT_FALSE(splitter.CreateView(0, 2, new QLabel, QSize(10, 10)));
    auto* left = new QLabel("left");
    auto* right = new QLabel("right");
    ASSERT_TRUE(splitter.CreateView(0, 0, left, QSize(200, 100)));
    ASSERT_TRUE(splitter.CreateView(0, 1, right, QSize(100, 100)));
    splitter.SetColumnInfo(0, 200, 50);
    splitter.SetColumnInfo(1, 0, 80);
    splitter.resize(600, 300);
    splitter.show();
    splitter.RecalcLayout();

    EXPECT_EQ(left->geometry(), QRect(2, 2, 200, 296));
    EXPECT_EQ(right->geometry(), QRect(209, 2, 389, 296));
    EXPECT_EQ(splitter.GetPane(0, 1), right);

    left->hide();
    right->hide(); // the splitter's own pixels only
    QImage image = render(splitter);
    auto word = [](int w) { return skin_word_value(w); };
    EXPECT_EQ(at(image, 0, 50), word(skin_word::panel));        // outer border, top-left
    EXPECT_EQ(at(image, 1, 50), word(skin_word::splitter_inner_edge));
    EXPECT_EQ(at(image, 203, 50), word(skin_word::light_3d));   // outer border, bottom-right
    EXPECT_EQ(at(image, 202, 50), word(skin_word::light_3d));   // inner border, bottom-right
    EXPECT_EQ(at(image, 50, 1), word(skin_word::splitter_inner_edge));
    EXPECT_EQ(at(image, 205, 50), word(skin_word::panel));      // the bar
    EXPECT_EQ(at(image, 207, 50), word(skin_word::panel));      // next pane's outer border
    EXPECT_EQ(at(image, 208, 50), word(skin_word::splitter_inner_edge));
    EXPECT_EQ(at(image, 599, 50), word(skin_word::light_3d));
    EXPECT_EQ(at(image, 50, 299), word(skin_word::light_3d));
    left->show();
    right->show();

    // Drag the bar 60 pixels right: both panes follow while the mouse moves.
    QPoint bar(205, 150);
    QTest::mousePress(&splitter, Qt::LeftButton, Qt::NoModifier, bar);
    QTest::mouseMove(&splitter, bar + QPoint(30, 0));
    EXPECT_EQ(left->width(), 230);
    QTest::mouseMove(&splitter, bar + QPoint(60, 0));
    QTest::mouseRelease(&splitter, Qt::LeftButton, Qt::NoModifier, bar + QPoint(60, 0));
    EXPECT_EQ(left->width(), 260);
    EXPECT_EQ(right->geometry().left(), 269);
    EXPECT_EQ(right->width(), 329);
    int current = 0;
    int min = 0;
    splitter.GetColumnInfo(0, current, min);
    EXPECT_EQ(current, 260);
    EXPECT_EQ(min, 50);

    // Past either minimum the panes stop.
    bar = QPoint(265, 150);
    QTest::mousePress(&splitter, Qt::LeftButton, Qt::NoModifier, bar);
    QTest::mouseMove(&splitter, QPoint(590, 150));
    QTest::mouseRelease(&splitter, Qt::LeftButton, Qt::NoModifier, QPoint(590, 150));
    EXPECT_EQ(right->width(), 80);
    bar = splitter.column_gap(0).center();
    QTest::mousePress(&splitter, Qt::LeftButton, Qt::NoModifier, bar);
    QTest::mouseMove(&splitter, QPoint(3, 150));
    QTest::mouseRelease(&splitter, Qt::LeftButton, Qt::NoModifier, QPoint(3, 150));
    EXPECT_EQ(left->width(), 50);

    // A press inside a pane's border starts nothing.
    QTest::mousePress(&splitter, Qt::LeftButton, Qt::NoModifier, QPoint(0, 150));
    QTest::mouseMove(&splitter, QPoint(100, 150));
    QTest::mouseRelease(&splitter, Qt::LeftButton, Qt::NoModifier, QPoint(100, 150));
    EXPECT_EQ(left->width(), 50);
}

TEST_F(Bars, SplitterRowsAndStackedViews)
{
    CMySplitterWnd splitter;
    ASSERT_TRUE(splitter.CreateStatic(2, 1));
    EXPECT_FALSE(splitter.CreateStatic(0, 1));
    auto* share = new QLabel("share");
    auto* chat = new QLabel("chat");
    auto* video = new QLabel("video");
    splitter.CreateView(0, 0, share, QSize(100, 350));
    splitter.CreateView(1, 0, chat, QSize(100, 150));
    splitter.CreateView(0, 0, video, QSize(100, 350));
    splitter.resize(400, 520);
    splitter.show();
    splitter.show_pane_view(0, 0, video);
    EXPECT_EQ(splitter.GetPane(0, 0), video);
    EXPECT_FALSE(share->isVisible());
    EXPECT_TRUE(video->isVisible());
    EXPECT_EQ(video->geometry(), QRect(2, 2, 396, 350));
    EXPECT_EQ(share->geometry(), video->geometry());
    EXPECT_EQ(chat->geometry(), QRect(2, 359, 396, 159));
    EXPECT_EQ(splitter.row_gap(0), QRect(0, 352, 400, 7));

    QPoint bar = splitter.row_gap(0).center();
    QTest::mousePress(&splitter, Qt::LeftButton, Qt::NoModifier, bar);
    QTest::mouseMove(&splitter, bar - QPoint(0, 100));
    QTest::mouseRelease(&splitter, Qt::LeftButton, Qt::NoModifier, bar - QPoint(0, 100));
    EXPECT_EQ(video->height(), 250);
    EXPECT_EQ(share->height(), 250); // the hidden view keeps the pane's size
    EXPECT_EQ(chat->height(), 259);

    // With no painter the part is only marked for repainting.
    splitter.OnDrawSplitter(nullptr, SplitterPart::bar, splitter.row_gap(0));
}
