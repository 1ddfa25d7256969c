// The notice windows offscreen: where they stand, how they grow and shrink,
// what they show, and that they never take the focus.

#include "dialogs/event_notice.h"
#include "dialogs/ui/dlg_event.h"
#include "dialogs/ui/dlg_event_history.h"
#include "dialogs/ui/event_notices.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

namespace {

void pump(int ms = 20)
{
    QElapsedTimer t;
    t.start();
    do
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    while (t.elapsed() < ms);
}

std::vector<CDlgEvent*> open_notices()
{
    std::vector<CDlgEvent*> out;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dlg = qobject_cast<CDlgEvent*>(w);
        if (dlg && dlg->isVisible())
            out.push_back(dlg);
    }
    return out;
}

class EventDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_skin_not_show_animation = 0;
        g_event_position_counter = {};
        install_event_notices();
    }
    void TearDown() override
    {
        remove_event_notices();
        pump();
        g_skin_not_show_animation = 0;
    }
    QRect area() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(EventDialogs, SixNoticesStandAtZeroToFourAndTheSixthTakesZero)
{
    g_skin_not_show_animation = 1;
    for (int i = 0; i < 6; ++i)
        show_event_printf("notice %d", i);
    std::vector<CDlgEvent*> notices = open_notices();
    ASSERT_EQ(notices.size(), 6u);
    std::sort(notices.begin(), notices.end(), [](CDlgEvent* a, CDlgEvent* b) {
        return a->label()->text() < b->label()->text();
    });
    const int positions[] = { 0, 1, 2, 3, 4, 0 };
    const QRect a = area();
    for (int i = 0; i < 6; ++i) {
        CDlgEvent* n = notices[static_cast<size_t>(i)];
        EXPECT_EQ(n->position(), positions[i]) << i;
        // At full height at once, right-aligned, stacked from the bottom.
        EXPECT_EQ(n->x() + n->width(), a.x() + a.width()) << i;
        EXPECT_EQ(n->y(), a.y() + a.height() - (positions[i] + 1) * event_dlg_height_px) << i;
        EXPECT_EQ(n->height(), event_dlg_height_px) << i;
        // Its own window, on top, that never takes the focus.
        EXPECT_TRUE(n->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_TRUE(n->windowFlags() & Qt::WindowDoesNotAcceptFocus);
        EXPECT_TRUE(n->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(n->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        EXPECT_TRUE(n->testAttribute(Qt::WA_ShowWithoutActivating));
        EXPECT_EQ(n->label()->objectName(), "ctl_1102");
    }
    EXPECT_EQ(g_event_position_counter, (std::array<int, 5> { 2, 1, 1, 1, 1 }));
    // A closed notice frees its position for the next.
    notices[2]->OnCancel();
    pump();
    EXPECT_EQ(g_event_position_counter[2], 0);
    show_event_printf("notice %d", 6);
    EXPECT_EQ(g_event_position_counter[2], 1);
}

TEST_F(EventDialogs, ALongNoticeShows511CharactersInThePopUpAndTheHistory)
{
    show_event_printf("%s", std::string(600, 'a').c_str());
    std::vector<CDlgEvent*> notices = open_notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0]->label()->text(), QString(511, 'a'));
    ASSERT_NE(event_history_dialog(), nullptr);
    QStringList lines = event_history_dialog()->edit()->toPlainText().split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), QString(511, 'a'));
}

TEST_F(EventDialogs, HeightFollowsTheTicksWithTheBottomEdgeFixed)
{
    struct Case {
        bool no_animation;
        int ticks;  // ticks run so far
        int want_h; // -1: closed
    };
    const Case cases[] = {
        { false, 0, 23 }, { false, 1, 32 }, { false, 5, 67 }, { false, 10, 110 }, { false, 110, 110 },
        { false, 111, 108 }, { false, 130, 67 }, { false, 149, 26 }, { false, 150, 26 }, { false, 151, -1 },
        { true, 0, 110 }, { true, 120, 110 }, { true, 150, 110 }, { true, 151, -1 },
    };
    for (bool no_animation : { false, true }) {
        g_skin_not_show_animation = no_animation ? 1 : 0;
        CDlgEvent* n = pop_up_event("growing");
        n->stop_ticking();
        const int bottom = n->y() + n->height();
        int done = 0;
        for (const Case& c : cases) {
            if (c.no_animation != no_animation)
                continue;
            for (; done < c.ticks; ++done)
                n->OnTimer();
            pump(1);
            if (c.want_h < 0) {
                EXPECT_FALSE(n->isVisible()) << c.ticks;
                EXPECT_EQ(g_event_position_counter[0], 0);
            } else {
                EXPECT_EQ(n->height(), c.want_h) << "flag " << no_animation << " tick " << c.ticks;
                EXPECT_EQ(n->y() + n->height(), bottom) << "flag " << no_animation << " tick " << c.ticks;
            }
        }
        pump();
    }
}

TEST_F(EventDialogs, TheFocusStaysWhereTheUserIsTyping)
{
    QWidget window;
    auto* edit = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(edit);
    window.show();
    window.activateWindow();
    edit->setFocus();
    pump(50);
    ASSERT_EQ(QApplication::focusWidget(), edit);
    QTest::keyClicks(QApplication::focusWidget(), "ab");
    show_event_printf("%s joined conference.", "bob");
    // A platform that activates the notice anyway gets the focus handed back
    // a few turns of the event loop later.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QApplication::focusWidget() == edit && QApplication::activeWindow() == &window; }, 20000));
    QTest::keyClicks(QApplication::focusWidget(), "cd");
    EXPECT_EQ(edit->text(), "abcd");
}

TEST_F(EventDialogs, AWorkersNoticeIsShownOnTheUiThread)
{
    std::thread worker([] { show_event_printf("%s left conference.", "cy"); });
    worker.join();
    EXPECT_TRUE(open_notices().empty()); // not yet: handed over
    pump(50);
    std::vector<CDlgEvent*> notices = open_notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0]->label()->text(), "cy left conference.");
    EXPECT_EQ(notices[0]->thread(), QApplication::instance()->thread());
}

TEST_F(EventDialogs, TheHistoryGathersEveryNoticeAndItsButtonHidesIt)
{
    show_event_printf("first");
    show_event_printf("second");
    show_event_text("100% third");
    CDlgEventHistory* h = event_history_dialog();
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(h->isVisible()); // gathered, not shown, until asked for
    EXPECT_EQ(h->edit()->toPlainText(), "first\nsecond\n100% third\n");
    EXPECT_TRUE(h->edit()->isReadOnly());
    EXPECT_EQ(h->edit()->objectName(), "ctl_1162");
    EXPECT_EQ(h->windowTitle(), "Event History");
    show_event_history();
    pump();
    EXPECT_TRUE(h->isVisible());
    EXPECT_EQ(h->close_button()->text(), "Close Window");
    QTest::mouseClick(h->close_button(), Qt::LeftButton);
    pump();
    EXPECT_FALSE(h->isVisible());
    // The same window goes on gathering.
    show_event_printf("fourth");
    EXPECT_EQ(event_history_dialog(), h);
    EXPECT_TRUE(h->edit()->toPlainText().endsWith("fourth\n"));
}

} // namespace
