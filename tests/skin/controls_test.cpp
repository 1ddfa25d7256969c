#include "core/message_box.h"
#include "core/settings.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/dlg_messagebox.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_static.h"
#include "skin/ui/skin_bitmaps.h"
#include "tests/skin/paint_probe.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace {

void send_move(QWidget& w, QPoint pos)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), QPointF(w.mapToGlobal(pos)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

struct Skinned : ::testing::Test {
    TempHome home;
    void SetUp() override { skin_table().select_skin(0); }
    void TearDown() override { skin_table().select_skin(0); }
};

} // namespace

using SkinnedControls = Skinned;

TEST_F(SkinnedControls, ButtonTextFollowsHoverAndEnabled)
{
    CMyButton button(1, "HHHH");
    button.resize(90, 25);
    button.show();
    QImage normal = render(button);
    EXPECT_GT(count_of(normal, 0xd0d0d0), 5);
    EXPECT_EQ(count_of(normal, 0xffffff), 0);

    send_move(button, QPoint(10, 10));
    EXPECT_EQ(button.m_hover, 1);
    QImage hovered = render(button);
    EXPECT_GT(count_of(hovered, 0xffffff), 5);
    EXPECT_EQ(count_of(hovered, 0xd0d0d0), 0);

    // Off the button: back to the normal text.
    send_move(button, QPoint(120, 10));
    EXPECT_EQ(button.m_hover, 0);
    EXPECT_GT(count_of(render(button), 0xd0d0d0), 5);

    send_move(button, QPoint(10, 10));
    button.setEnabled(false);
    QImage disabled = render(button);
    EXPECT_GT(count_of(disabled, 0x808080), 5);
    EXPECT_EQ(count_of(disabled, 0xffffff), 0);
}

TEST_F(SkinnedControls, ButtonFaceAndFrame)
{
    CMyButton button(1, "");
    button.resize(80, 23);
    button.show();
    QImage image = render(button);
    COLORREF normal_frame = skin_word_value(skin_word::button_frame_normal);
    EXPECT_EQ(at(image, 40, 0), normal_frame);
    EXPECT_EQ(at(image, 0, 12), normal_frame);
    // The right and bottom parts of the path lie outside the button.
    EXPECT_NE(at(image, 79, 12), normal_frame);
    EXPECT_NE(at(image, 40, 22), normal_frame);
    QImage face = skin_word_bitmap(skin_word::button_face).toImage();
    EXPECT_EQ(image.pixel(40, 12), face.pixel(0, 12));
    EXPECT_EQ(image.pixel(79, 20), face.pixel(0, 20));

    button.activateWindow();
    button.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(button.hasFocus());
    skin_table().select_skin(3);
    EXPECT_EQ(at(render(button), 40, 0), 0xa4a4a4u);

    button.m_flat = 1;
    EXPECT_EQ(at(render(button), 40, 12), 0xe0e0c0u);
}

TEST_F(SkinnedControls, CheckBoxDrawsItsBoxAndTick)
{
    CMyCheckBox box(1185, "Do not show message animation");
    box.setTristate(true);
    box.resize(220, 20);
    box.show();
    const int m = box.height() / 2;
    QImage image = render(box);
    COLORREF outline = skin_word_value(skin_word::outline);
    COLORREF inner = skin_word_value(skin_word::inner_border);
    EXPECT_EQ(at(image, 0, m), outline);
    EXPECT_EQ(at(image, 1, m), outline);
    EXPECT_EQ(at(image, 5, m - 7), outline);
    EXPECT_EQ(at(image, 12, m), 0xffffffu);
    EXPECT_EQ(at(image, 5, m + 5), 0xffffffu);
    EXPECT_EQ(at(image, 11, m), inner);
    EXPECT_EQ(at(image, 5, m + 4), inner);
    auto box_is_white = [&](const QImage& img) {
        for (int y = m - 5; y < m + 4; ++y)
            for (int x = 2; x < 11; ++x)
                if (at(img, x, y) != 0xffffff)
                    return false;
        return true;
    };
    EXPECT_TRUE(box_is_white(image));
    box.setCheckState(Qt::PartiallyChecked);
    EXPECT_TRUE(box_is_white(render(box)));
    box.setCheckState(Qt::Checked);
    EXPECT_FALSE(box_is_white(render(box)));
}

TEST_F(SkinnedControls, InputGateDropsClicksAndKeys)
{
    CMyCheckBox box(1078, "Use Proxy");
    box.resize(160, 20);
    box.show();
    box.m_input_gate = 0;
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, 10));
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_Space);
    EXPECT_FALSE(box.isChecked());
    box.m_input_gate = 1;
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, 10));
    EXPECT_TRUE(box.isChecked());
}

TEST_F(SkinnedControls, LabelTakesTheSkinTextColourAtPaint)
{
    CMyStatic label(1095, "message");
    label.resize(100, 20);
    label.show();
    render(label);
    EXPECT_EQ(color_colorref(label.palette().color(QPalette::WindowText)), 0xe00000u);
    skin_table().select_skin(2);
    render(label);
    EXPECT_EQ(color_colorref(label.palette().color(QPalette::WindowText)), 0x00a000u);
    EXPECT_EQ(label.objectName(), "ctl_1095");
}

namespace {

QDialog* open_box()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && (qobject_cast<CDlg_messagebox*>(w) || qobject_cast<CDlg_messagebox_yes_no_cancel*>(w)))
            return static_cast<QDialog*>(w);
    return nullptr;
}

// Calls a message-box function on a worker thread and, once its box shows on
// this thread, lets act close it. Returns what the worker's call returned.
int from_worker(const std::function<int()>& call, const std::function<void(QDialog*)>& act)
{
    std::atomic<bool> finished { false };
    int result = -100;
    std::thread worker([&] {
        result = call();
        finished = true;
    });
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QDialog* box = open_box()) {
            poll.stop();
            act(box);
        }
    });
    poll.start();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!finished && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    return result;
}

std::function<void(QDialog*)> click(int id)
{
    return [id](QDialog* box) {
        auto* b = box->findChild<QPushButton*>(QString("ctl_%1").arg(id));
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton);
    };
}

void close_with_caption(QDialog* box)
{
    QPoint p(box->width() - 10, 10);
    for (auto [type, held] : { std::pair { QEvent::MouseButtonPress, Qt::MouseButtons(Qt::LeftButton) },
                               std::pair { QEvent::MouseButtonRelease, Qt::MouseButtons(Qt::NoButton) } }) {
        QMouseEvent e(type, QPointF(p), QPointF(box->mapToGlobal(p)), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(box, &e);
    }
}

void press_escape(QDialog* box) { QTest::keyClick(box, Qt::Key_Escape); }
void press_enter(QDialog* box) { QTest::keyClick(box, Qt::Key_Return); }

} // namespace

struct MessageBoxes : Skinned {
    SkinnedMessageBoxPresenter presenter;
    void SetUp() override
    {
        Skinned::SetUp();
        set_message_box_presenter(&presenter);
    }
    void TearDown() override
    {
        set_message_box_presenter(nullptr);
        Skinned::TearDown();
    }
};

TEST_F(MessageBoxes, ResultsFromAWorkerThreadForEveryWayOfClosing)
{
    constexpr int id = 33921; // "Remote control allowed."
    struct Case {
        const char* what;
        std::function<int()> call;
        std::function<void(QDialog*)> act;
        int want;
    };
    const Case cases[] = {
        { "ok box, OK", [] { return message_box_id(id); }, click(1), IDOK },
        { "ok box, Escape", [] { return message_box_id(id); }, press_escape, IDOK },
        { "ok box, caption close", [] { return message_box_id(id); }, close_with_caption, IDOK },
        { "ok/cancel, OK", [] { return message_box_id_style(id, MB_STYLE_OK_CANCEL); }, click(1), IDOK },
        { "ok/cancel, Enter", [] { return message_box_id_style(id, MB_STYLE_OK_CANCEL); }, press_enter, IDOK },
        { "ok/cancel, Cancel", [] { return message_box_id_style(id, MB_STYLE_OK_CANCEL); }, click(2), IDCANCEL },
        { "ok/cancel, Escape", [] { return message_box_id_style(id, MB_STYLE_OK_CANCEL); }, press_escape, IDCANCEL },
        { "yes/no, YES", [] { return message_box_id_yes_no(id); }, click(1), IDYES },
        { "yes/no, No", [] { return message_box_printf_yes_no("%s?", "sure"); }, click(2), IDNO },
        { "yes/no, caption close", [] { return message_box_id_style(id, MB_STYLE_YES_NO); }, close_with_caption, IDNO },
        { "3-way, Yes", [] { return message_box_yes_no_cancel_id(id); }, click(1171), IDYES },
        { "3-way, No", [] { return message_box_yes_no_cancel_id(id); }, click(1160), IDNO },
        { "3-way, Cancel", [] { return message_box_yes_no_cancel_id(id); }, click(1172), IDCANCEL },
        { "3-way, Escape", [] { return message_box_yes_no_cancel_id(id); }, press_escape, 0 },
        { "3-way, caption close", [] { return message_box_yes_no_cancel_id(id); }, close_with_caption, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(from_worker(c.call, c.act), c.want) << c.what;
}

// A receive thread posts its box and reads on; the box appears when the UI
// thread gets to it and is answered there.
TEST_F(MessageBoxes, APostedBoxShowsWhileTheWorkerGoesOn)
{
    std::atomic<bool> worker_done { false };
    std::thread worker([&] {
        message_box_post_printf("%s", "Long str used up.");
        worker_done = true;
    });
    worker.join();
    EXPECT_TRUE(worker_done.load()) << "nobody answered yet";
    QString seen;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QDialog* box = open_box()) {
            poll.stop();
            seen = box->findChild<QLabel*>("ctl_1095")->text();
            click(1)(box);
        }
    });
    poll.start();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.isEmpty() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(seen, "Long str used up.");
    QCoreApplication::processEvents();
    EXPECT_EQ(open_box(), nullptr);
}

TEST_F(MessageBoxes, ShowsTheTextAndTheStyleButtons)
{
    struct Seen {
        QString text, first, second;
        bool second_visible = false;
    };
    auto inspect_then_ok = [](Seen& seen) {
        return [&seen](QDialog* box) {
            seen.text = box->findChild<QLabel*>("ctl_1095")->text();
            seen.first = box->findChild<QPushButton*>("ctl_1")->text();
            auto* second = box->findChild<QPushButton*>("ctl_2");
            seen.second = second->text();
            seen.second_visible = second->isVisible();
            click(1)(box);
        };
    };
    Seen ok;
    from_worker([] { return message_box_printf("%d files", 3); }, inspect_then_ok(ok));
    EXPECT_EQ(ok.text, "3 files");
    EXPECT_EQ(ok.first, "OK");
    EXPECT_FALSE(ok.second_visible);

    Seen yes_no;
    from_worker([] { return message_box_printf_yes_no("go on?"); }, inspect_then_ok(yes_no));
    EXPECT_EQ(yes_no.first, "YES");
    EXPECT_EQ(yes_no.second, "No");
    EXPECT_TRUE(yes_no.second_visible);

    Seen unknown;
    from_worker([] { return message_box_id(1); }, inspect_then_ok(unknown));
    EXPECT_EQ(unknown.text, "");
}

TEST_F(MessageBoxes, ScriptedModeAnswersWorkersToo)
{
    ScriptedMessageBoxes script;
    script.answer_with(MessageBoxButton::second);
    int result = 0;
    std::thread worker([&] { result = message_box_id_style(33921, MB_STYLE_OK_CANCEL); });
    worker.join();
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(script.texts().size(), 1u);
    EXPECT_EQ(script.texts()[0], "Remote control allowed.");
}

TEST_F(MessageBoxes, YesNoLabelsStayEnglishInChinese)
{
    reg_write("general", "language", "zh_CN");
    ASSERT_TRUE(install_translations());
    CDlg_messagebox box;
    box.m_style = MB_STYLE_YES_NO;
    box.m_text = "x";
    box.show();
    EXPECT_EQ(box.windowTitle(), QString::fromUtf8("消息"));
    EXPECT_EQ(box.m_button_1->text(), "YES");
    EXPECT_EQ(box.m_button_2->text(), "No");
    CDlg_messagebox ok_cancel;
    ok_cancel.m_style = MB_STYLE_OK_CANCEL;
    ok_cancel.show();
    EXPECT_EQ(ok_cancel.m_button_1->text(), QString::fromUtf8("确定"));
    box.done(0);
    ok_cancel.done(0);
}

// Not compared: the message boxes in every scheme, for people to look at.
TEST_F(MessageBoxes, Screenshots)
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    for (int s = 0; s < skin_filled_count; ++s) {
        skin_table().select_skin(s);
        CDlg_messagebox box;
        box.m_style = MB_STYLE_OK_CANCEL;
        box.m_text = "Are you sure to delete this bitmap? This action can not be undo.";
        box.show();
        EXPECT_TRUE(render(box).save(QString("%1/messagebox_scheme_%2.png").arg(dir).arg(s)));
        box.done(0);
        CDlg_messagebox_yes_no_cancel three;
        three.m_text = "Save the whiteboard before closing?";
        three.show();
        EXPECT_TRUE(render(three).save(QString("%1/messagebox_3way_scheme_%2.png").arg(dir).arg(s)));
        three.done(0);
    }
}
