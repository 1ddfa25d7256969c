// The status bar and its small windows, painted offscreen and pressed with
// QTest: where the children sit, what the light, the buttons, the sliders
// and the graphs paint, what a press posts, what a drag applies.
#include "core/connections.h"
#include "core/global_state.h"
#include "core/settings.h"
#include "core/sound_levels.h"
#include "core/window_messages.h"
#include "media/voice_state.h"
#include "platform/audio/audio_device.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/my_status_bar.h"
#include "skin/ui/skin_bitmaps.h"
#include "skin/ui/wnd_my_slider_mic.h"
#include "skin/ui/wnd_my_slider_speaker.h"
#include "skin/ui/wnd_sound_level.h"
#include "skin/ui/wnd_status_button.h"
#include "skin/ui/wnd_status_indicator.h"
#include "tests/skin/paint_probe.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// Stands in for the main frame: records the commands posted to it.
class FrameStandIn : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t) override
    {
        if (msg == WM_COMMAND)
            commands.push_back(static_cast<int>(wparam));
        return 0;
    }
    std::vector<int> commands;
};

void process_events_for(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Runs the event loop until done, at most wait_ms; a busy machine may hold the timer back.
bool events_until(const std::function<bool()>& done, int wait_ms = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void send_mouse(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(pos), QPointF(w.mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

void reset_connections()
{
    g_connected_to_server = 0;
    for (Cwf_socket* s : { &g_main_sock, &g_share_app_sock, &g_voice_sock, &g_file_sock })
        s->retry_count = 0;
}

struct StatusBarCase : ::testing::Test {
    TempHome home;
    void SetUp() override
    {
        skin_table().select_skin(0);
        reset_connections();
        g_closing = 0;
    }
    void TearDown() override
    {
        skin_table().select_skin(0);
        reset_connections();
        g_closing = 0;
        platform::set_capture_gain(0xffff);
    }
    // A bar as the main frame makes it: free text and the meeting clock.
    static void fill_panes(CMyStatusBar& bar, const QString& status, const QString& clock)
    {
        bar.set_indicators(2);
        bar.set_pane_width(1, 160);
        bar.set_pane_text(0, status);
        bar.set_pane_text(1, clock);
    }
};

QRect child_rect(StatusChild child, int x0)
{
    ChildRect r = status_child_rect(child, x0);
    return QRect(r.x, r.y, r.width, r.height);
}

} // namespace

TEST_F(StatusBarCase, ChildrenSitFromX0AtTheRightOfPaneZero)
{
    CMyStatusBar bar;
    fill_panes(bar, "Ready", "Meeting Started: 00:00:00");
    bar.resize(800, bar.height());
    bar.show();
    const int x0 = bar.pane_rect(0).right - 53;
    EXPECT_GT(x0, 200);
    EXPECT_EQ(bar.m_slider_mic->geometry(), child_rect(StatusChild::mic_slider, x0));
    EXPECT_EQ(bar.m_sound_level[0]->geometry(), child_rect(StatusChild::mic_graph, x0));
    EXPECT_EQ(bar.m_buttons[0]->geometry(), child_rect(StatusChild::first_button, x0));
    EXPECT_EQ(bar.m_slider_speaker->geometry(), child_rect(StatusChild::speaker_slider, x0));
    EXPECT_EQ(bar.m_sound_level[1]->geometry(), child_rect(StatusChild::speaker_graph, x0));
    EXPECT_EQ(bar.m_buttons[1]->geometry(), child_rect(StatusChild::second_button, x0));
    EXPECT_EQ(bar.m_buttons[2]->geometry(), child_rect(StatusChild::third_button, x0));
    EXPECT_EQ(bar.m_indicator->geometry(), child_rect(StatusChild::light, x0));

    // Painted where they sit: the light's disc and frame, the graph's fill.
    QImage image = render(bar);
    EXPECT_EQ(at(image, x0 - 155 + 7, 4 + 7), light_connected_colour);
    EXPECT_EQ(at(image, x0 - 155, 4), skin_word_value(skin_word::light_3d));
    EXPECT_EQ(at(image, x0 - 155 + 13, 4 + 13), skin_word_value(skin_word::panel));
    EXPECT_EQ(at(image, x0 - 17 + 5, 4 + 5), sound_level_background);
    EXPECT_EQ(at(image, x0 - 104 + 5, 4 + 5), sound_level_background);

    // A wider bar moves them with pane 0's right edge.
    bar.resize(1000, bar.height());
    EXPECT_EQ(bar.m_indicator->geometry(), child_rect(StatusChild::light, bar.pane_rect(0).right - 53));
    EXPECT_EQ(bar.m_indicator->x(), x0 - 155 + 200);
}

TEST_F(StatusBarCase, LightShowsTheRetryCountersColour)
{
    CWndStatusIndicator light;
    light.resize(14, 14);
    light.show();
    struct Case {
        int main, voice, file;
        bool linked;
        COLORREF want;
    };
    const Case cases[] = {
        { 0, 0, 0, false, light_connected_colour }, { 2, 0, 0, false, light_retrying_colour },
        { 1, 2, 1, false, light_retrying_colour },  { 2, 2, 1, false, light_failing_colour },
        { 0, 0, 0, true, light_failing_colour },    { 0, 0, 0, false, light_connected_colour },
    };
    for (const Case& c : cases) {
        g_main_sock.retry_count = c.main;
        g_voice_sock.retry_count = c.voice;
        g_file_sock.retry_count = c.file;
        g_connected_to_server = c.linked ? 1 : 0;
        EXPECT_EQ(light.refresh_light(), c.want);
        QImage image = render(light);
        EXPECT_EQ(at(image, 7, 7), c.want);
        EXPECT_EQ(at(image, 6, 6), c.want);
        // Outside the disc: the light's background, then the raised frame.
        EXPECT_EQ(at(image, 2, 2), skin_word_value(skin_word::connection_light_background));
        EXPECT_EQ(at(image, 0, 0), skin_word_value(skin_word::light_3d));
        EXPECT_EQ(at(image, 0, 12), skin_word_value(skin_word::light_3d));
        EXPECT_EQ(at(image, 13, 0), skin_word_value(skin_word::light_3d));
        EXPECT_EQ(at(image, 5, 13), skin_word_value(skin_word::panel));
        EXPECT_EQ(at(image, 13, 13), skin_word_value(skin_word::panel));
        EXPECT_EQ(at(image, 13, 5), skin_word_value(skin_word::panel));
    }
}

// What a button shows inside its frame: the icon theme's picture for its
// command where the theme has one that shows at this size, else its slice
// of the skin's strip.
TEST_F(StatusBarCase, ButtonShowsItsCommandsPictureOrItsSliceOfTheStrip)
{
    const int strip = static_cast<int>(skin_word_value(skin_word::status_buttons));
    QImage source = skin_bitmap(strip).toImage();
    struct Case {
        int image_x;
        int command_id;
        bool themed;  // the theme's picture must be used
    };
    const Case cases[] = { { 0, 0x8042, true }, { 14, 0x8025, true }, { 30, 0x8087, false }, { 14, 0, false } };
    std::vector<QImage> inside;
    for (const Case& c : cases) {
        CWndStatusButton button;
        button.set_bitmap(strip);
        button.set_image_pos(c.image_x, 0);
        button.set_command_id(c.command_id);
        button.resize(14, 14);
        button.show();
        QImage image = render(button);
        QImage slice = source.copy(c.image_x, 0, 12, 12).convertToFormat(QImage::Format_ARGB32);
        QImage shown = image.copy(1, 1, 12, 12).convertToFormat(QImage::Format_ARGB32);
        if (c.themed)
            EXPECT_NE(shown, slice) << c.command_id;
        // The raised frame in either case.
        EXPECT_EQ(at(image, 0, 7), skin_word_value(skin_word::light_3d));
        EXPECT_EQ(at(image, 7, 13), skin_word_value(skin_word::panel));
        if (c.command_id == 0)
            EXPECT_EQ(shown, slice);
        inside.push_back(shown);
    }
    // The three buttons of the bar look different from each other.
    EXPECT_NE(inside[0], inside[1]);
    EXPECT_NE(inside[1], inside[2]);
    EXPECT_NE(inside[0], inside[2]);
}

TEST_F(StatusBarCase, ButtonPressPostsItsCommandToTheMainFrame)
{
    FrameStandIn frame;
    WindowSlotBinding binding(WindowSlot::main_frame, &frame);
    CMyStatusBar bar;
    fill_panes(bar, "Ready", "");
    bar.resize(800, bar.height());
    bar.show();
    ASSERT_TRUE(bar.m_buttons[2]->m_target.has_value());

    QTest::mouseClick(bar.m_buttons[2], Qt::LeftButton, {}, QPoint(7, 7));
    QTest::mouseClick(bar.m_buttons[0], Qt::RightButton, {}, QPoint(7, 7));  // not a command
    QTest::mouseClick(bar.m_indicator, Qt::LeftButton, {}, QPoint(7, 7));
    QTest::mouseClick(bar.m_buttons[1], Qt::LeftButton, {}, QPoint(3, 3));
    events_until([&] { return frame.commands.size() >= 3; });
    EXPECT_EQ(frame.commands, (std::vector<int> { 0x8087, 0x80b2, 0x8025 }));

    // A button without a command, or without a target, posts nothing.
    frame.commands.clear();
    bar.m_buttons[0]->set_command_id(0);
    QTest::mouseClick(bar.m_buttons[0], Qt::LeftButton, {}, QPoint(7, 7));
    bar.m_buttons[1]->set_target(std::nullopt);
    QTest::mouseClick(bar.m_buttons[1], Qt::LeftButton, {}, QPoint(7, 7));
    process_events_for(50);
    EXPECT_TRUE(frame.commands.empty());
}

TEST_F(StatusBarCase, WithoutAMainFrameTheButtonsHaveNoTarget)
{
    CMyStatusBar bar;
    bar.resize(800, bar.height());
    bar.show();
    EXPECT_FALSE(bar.m_buttons[0]->m_target.has_value());
    EXPECT_FALSE(bar.m_indicator->m_target.has_value());
}

TEST_F(StatusBarCase, SliderPaintsTheWedgeAndTheThumb)
{
    CWndMySliderSpeaker slider;
    slider.resize(50, 12);
    slider.set_value(32767);  // thumb at 24, middle row 7
    slider.show();
    QImage image = render(slider);
    const COLORREF ink = skin_word_value(skin_word::outline);
    // The wedge: its bottom edge, its right edge and inside near the right.
    EXPECT_EQ(at(image, 10, 7), ink);
    EXPECT_EQ(at(image, 46, 5), ink);
    EXPECT_EQ(at(image, 44, 5), ink);
    EXPECT_EQ(at(image, 45, 6), ink);
    // Above the slope near the narrow end, and left of the margin: background.
    EXPECT_NE(at(image, 10, 5), ink);
    EXPECT_NE(at(image, 2, 7), ink);
    // The thumb: the 4 x 8 block from (22, 2), its bottom line and right edge.
    for (QPoint p : { QPoint(22, 2), QPoint(25, 2), QPoint(22, 9), QPoint(25, 9), QPoint(22, 10), QPoint(25, 10),
                      QPoint(26, 10), QPoint(26, 2) })
        EXPECT_EQ(at(image, p.x(), p.y()), ink) << p.x() << "," << p.y();
    EXPECT_NE(at(image, 21, 3), ink);
    EXPECT_NE(at(image, 26, 1), ink);  // the right edge leaves out its end pixel

    // The background is the first scheme's, whatever scheme is current.
    COLORREF background = at(image, 2, 1);
    skin_table().select_skin(3);
    QImage other = render(slider);
    EXPECT_EQ(at(other, 2, 1), background);
    EXPECT_EQ(at(other, 44, 5), skin_word_value(skin_word::outline));
}

TEST_F(StatusBarCase, SpeakerSliderDragAppliesTheVolumeOnButtonUp)
{
    CWndMySliderSpeaker slider;
    EXPECT_EQ(g_slider_speaker, &slider);
    slider.resize(50, 12);
    slider.show();
    // No stored volume and no players: 8191, the thumb at 9.
    EXPECT_EQ(slider.value(), 8191);
    ASSERT_EQ(slider.m_model.thumb_x(50), 9);

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(9, 7));
    EXPECT_EQ(slider.m_model.dragging, 1);
    send_mouse(slider, QEvent::MouseMove, QPoint(25, 7), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(slider.value(), 32767);
    // Dragged above the band the thumb stays, and follows again once back.
    send_mouse(slider, QEvent::MouseMove, QPoint(40, -3), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(slider.value(), 32767);
    EXPECT_EQ(render(slider).pixelColor(24, 2), render(slider).pixelColor(23, 2));
    send_mouse(slider, QEvent::MouseMove, QPoint(35, 6), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(slider.value(), 48371);
    EXPECT_EQ(g_speaker_volume, 0);  // nothing applied while dragging
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(35, 6));
    EXPECT_EQ(slider.m_model.dragging, 0);
    EXPECT_EQ(g_speaker_volume, 48371);
    int stored = 0;
    reg_read_int("audio", "speaker_volume", stored);
    EXPECT_EQ(stored, 48371);

    // A click on the track jumps there and applies at once.
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(4, 7));
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(g_speaker_volume, 0);
    // The volume dialog stored another value: refresh shows it.
    reg_write_int("audio", "speaker_volume", 65535);
    slider.refresh();
    EXPECT_EQ(slider.value(), 65535);
    g_speaker_volume = 0;
}

TEST_F(StatusBarCase, MicrophoneSliderDrivesTheCaptureGain)
{
    platform::set_capture_gain(0xffff);
    {
        CWndMySliderMic slider;
        EXPECT_EQ(g_slider_mic, &slider);
        slider.resize(50, 12);
        slider.show();
        EXPECT_EQ(slider.value(), 0xffff);
        QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(25, 7));
        EXPECT_EQ(slider.value(), 32767);
        EXPECT_EQ(platform::capture_gain(), 32767u);
        int stored = 0;
        reg_read_int("audio", "mic_gain", stored);
        EXPECT_EQ(stored, 32767);
        platform::set_capture_gain(1000);
        slider.refresh_from_mixer();
        EXPECT_EQ(slider.value(), 1000);
    }
    EXPECT_EQ(g_slider_mic, nullptr);
    // The next slider starts from the stored level; one out of range is the full level.
    reg_write_int("audio", "mic_gain", 90000);
    {
        CWndMySliderMic again;
        EXPECT_EQ(again.value(), 0xffff);
    }
    reg_write_int("audio", "mic_gain", 20000);
    {
        CWndMySliderMic third;
        EXPECT_EQ(third.value(), 20000);
        EXPECT_EQ(platform::capture_gain(), 20000u);
    }
    // A level stored under the older name is kept until "mic_gain" is written.
    reg_write("audio", "mic_gain", "");
    reg_write_int("audio", "microphone_gain", 12000);
    CWndMySliderMic older;
    EXPECT_EQ(older.value(), 12000);
}

TEST_F(StatusBarCase, GraphPaintsOneColumnPerSlot)
{
    CWndSoundLevel graph;
    graph.resize(14, 14);
    graph.show();
    EXPECT_EQ(graph.m_history.length(), 14);
    EXPECT_EQ(count_of(render(graph), sound_level_bar_colour), 0);  // quiet until a level comes
    graph.add_level(255);  // slot 1: full
    graph.add_level(150);  // slot 2: 12 pixels
    graph.add_level(128);  // slot 3: silence
    QImage image = render(graph);
    EXPECT_EQ(at(image, 1, 13), sound_level_bar_colour);
    EXPECT_EQ(at(image, 1, 1), sound_level_bar_colour);
    EXPECT_EQ(at(image, 1, 0), sound_level_background);
    EXPECT_EQ(at(image, 2, 3), sound_level_bar_colour);
    EXPECT_EQ(at(image, 2, 2), sound_level_background);
    EXPECT_EQ(at(image, 3, 13), sound_level_background);
    EXPECT_EQ(at(image, 0, 13), sound_level_background);
    EXPECT_EQ(count_of(image, sound_level_bar_colour), 13 + 11);

    // Closing: levels are dropped.
    g_closing = 1;
    graph.add_level(255);
    EXPECT_EQ(graph.m_history.index(), 3);
    g_closing = 0;
}

TEST_F(StatusBarCase, TakesTheVoiceThreadsLevelsOnItsTimer)
{
    EXPECT_EQ(g_status_bar_exists, 0);
    {
        CMyStatusBar bar;
        EXPECT_EQ(g_status_bar, &bar);
        EXPECT_EQ(g_status_bar_exists, 1);
        bar.resize(800, bar.height());
        bar.show();
        std::vector<uint8_t> loud(960, 250);
        std::thread voice([&] { add_sound_levels(g_speaker_sound_levels, loud.data(), loud.size()); });
        voice.join();
        EXPECT_TRUE(events_until([&] { return bar.m_sound_level[1]->m_history.index() == 10; }));
        EXPECT_EQ(bar.m_sound_level[0]->m_history.index(), 0);
        QImage image = render(bar);
        const int x0 = bar.pane_rect(0).right - 53;
        EXPECT_EQ(at(image, x0 - 104 + 5, 4 + 10), sound_level_bar_colour);
        EXPECT_EQ(at(image, x0 - 17 + 5, 4 + 10), sound_level_background);

        // The light follows the connections without being told.
        g_voice_sock.retry_count = 2;
        EXPECT_TRUE(events_until([&] { return bar.m_indicator->m_colour == light_retrying_colour; }));
        EXPECT_EQ(at(render(bar), x0 - 155 + 7, 4 + 7), light_retrying_colour);
    }
    EXPECT_EQ(g_status_bar, nullptr);
    EXPECT_EQ(g_status_bar_exists, 0);
}

TEST_F(StatusBarCase, PanesAreFramedAndPaneZerosTextEndsBeforeTheChildren)
{
    CMyStatusBar bar;
    fill_panes(bar, "", "Meeting Started: 00:00:00");
    bar.resize(700, bar.height());
    bar.show();
    QImage empty = render(bar);
    PaneRect r1 = bar.pane_rect(1);
    EXPECT_EQ(at(empty, r1.left + 6, r1.top), skin_word_value(skin_word::outline));
    EXPECT_EQ(at(empty, r1.right, r1.top + 3), skin_word_value(skin_word::inner_border));
    EXPECT_EQ(at(empty, r1.left + 1, r1.top + 3), skin_word_value(skin_word::outline));
    EXPECT_EQ(at(empty, r1.left + 1, r1.bottom), skin_word_value(skin_word::outline));
    PaneRect r0 = bar.pane_rect(0);
    EXPECT_EQ(at(empty, r0.right, r0.top + 3), skin_word_value(skin_word::inner_border));

    QString long_text;
    for (int i = 0; i < 40; ++i)
        long_text += "Sending data to server failed ";
    bar.set_pane_text(0, long_text);
    QImage full = render(bar);
    const int children_left = status_children_left(status_x0(r0.right));
    int changed_left = 0, changed_right = 0;
    for (int y = r0.top + 1; y < r0.bottom; ++y) {
        for (int x = r0.left + 2; x < children_left - 2; ++x)
            changed_left += full.pixel(x, y) != empty.pixel(x, y);
        for (int x = children_left - 2; x < r0.right; ++x)
            changed_right += full.pixel(x, y) != empty.pixel(x, y);
    }
    EXPECT_GT(changed_left, 100);
    EXPECT_EQ(changed_right, 0);

    // A status message takes pane 0 while it lasts.
    bar.set_pane_text(0, "");
    bar.showMessage("Connected");
    EXPECT_NE(render(bar), empty);
    bar.clearMessage();
    EXPECT_EQ(render(bar), empty);
}

TEST_F(StatusBarCase, AFixedPaneWidensForItsText)
{
    CMyStatusBar bar;
    bar.set_indicators(2);
    bar.set_pane_width(1, 40);
    bar.resize(800, bar.height());
    bar.show();
    EXPECT_EQ(bar.pane_rect(1).right - bar.pane_rect(1).left, 40);
    const QString text = "Meeting Started: 00:00:00";
    bar.set_pane_text(1, text);
    EXPECT_GE(bar.pane_rect(1).right - bar.pane_rect(1).left, QFontMetrics(bar.font()).horizontalAdvance(text) + 6);
    // The children moved left with pane 0's end.
    EXPECT_EQ(bar.m_slider_mic->x(), bar.pane_rect(0).right - 53);
}

TEST_F(StatusBarCase, ANewSchemeReachesTheButtonsAtTheBarsNextPaint)
{
    CMyStatusBar bar;
    bar.resize(800, bar.height());
    bar.show();
    render(bar);
    EXPECT_EQ(bar.m_buttons[0]->m_bitmap_id, static_cast<int>(skin_table().schemes[0][skin_word::status_buttons]));
    skin_table().select_skin(4);
    render(bar);
    for (CWndStatusButton* b : { bar.m_buttons[0], bar.m_buttons[1], bar.m_buttons[2], static_cast<CWndStatusButton*>(bar.m_indicator) })
        EXPECT_EQ(b->m_bitmap_id, static_cast<int>(skin_table().schemes[4][skin_word::status_buttons]));
}

namespace {

// One row of the sheet: the bar in a scheme, with the light, the graphs and
// the sliders in a state that shows their colours.
QImage sheet_row(int scheme, const QString& status, const QString& clock, int& children_left)
{
    skin_table().select_skin(scheme);
    reset_connections();
    const int state = scheme % 3;
    if (state == 1)
        g_voice_sock.retry_count = 2;
    if (state == 2)
        g_connected_to_server = 1;  // linked, but no connection
    CMyStatusBar bar;
    bar.set_indicators(2);
    bar.set_pane_width(1, 160);
    bar.set_pane_text(0, status);
    bar.set_pane_text(1, clock);
    bar.resize(720, bar.height());
    bar.show();
    bar.m_slider_speaker->set_value(40000 + scheme * 3000);
    bar.m_slider_mic->set_value(20000 + scheme * 5000);
    for (int i = 0; i < 14; ++i) {
        bar.m_sound_level[0]->add_level(static_cast<int16_t>(128 + 24 * std::sin(i * 0.7 + scheme)));
        bar.m_sound_level[1]->add_level(static_cast<int16_t>(128 + 20 * std::cos(i * 0.5 + scheme)));
    }
    bar.m_indicator->refresh_light();
    children_left = status_children_left(status_x0(bar.pane_rect(0).right));
    QImage image = render(bar);
    reset_connections();
    return image;
}

} // namespace

// Not compared: the status bar in every scheme and both languages, with its
// right end magnified, for people to look at.
TEST_F(StatusBarCase, Screenshots)
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    for (const char* language : { "en", "zh_CN" }) {
        reg_write("general", "language", language);
        install_translations();
        const QString status = tr_ui("Sending data to server failed in %s, may need reconnect.").replace("%s", "voice sock");
        const QString clock = tr_ui("Meeting Started: 00:00:00");
        std::vector<QImage> rows;
        int children_left = 0;
        for (int s = 0; s < skin_filled_count; ++s)
            rows.push_back(sheet_row(s, status, clock, children_left));
        const int zoom = 4;
        const int label_h = 18;
        const int zoom_w = 212;
        const int bar_w = std::max(rows[0].width(), zoom_w * zoom);
        const int row_h = label_h + rows[0].height() + 4 + rows[0].height() * zoom + 10;
        QImage sheet(bar_w, row_h * static_cast<int>(rows.size()), QImage::Format_ARGB32);
        sheet.fill(Qt::white);
        QPainter p(&sheet);
        for (size_t s = 0; s < rows.size(); ++s) {
            int y = static_cast<int>(s) * row_h;
            p.setPen(Qt::black);
            p.drawText(QRect(4, y, bar_w - 8, label_h), Qt::AlignLeft | Qt::AlignVCenter,
                       tr_ui(skin_scheme_name(static_cast<int>(s))));
            p.drawImage(0, y + label_h, rows[s]);
            QImage right_end = rows[s].copy(children_left - 4, 0, zoom_w, rows[s].height());
            p.drawImage(QPoint(0, y + label_h + rows[s].height() + 4),
                        right_end.scaled(zoom_w * zoom, rows[s].height() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        }
        p.end();
        EXPECT_TRUE(sheet.save(QString("%1/status_bar_%2.png").arg(dir, language)));
    }
}
