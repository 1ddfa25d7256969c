// The shared-screen view as a viewer sees it, offscreen: the tiles drawn at
// the sharer's position from the files the transfer unpacked, a tile that
// does not load asked for again, board 9 and the sharer's cursor over them;
// the mouse and keys steering only with the server's leave, every fifth move.

#include "core/connections.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/wire_head.h"
#include "sharing/share_viewer.h"
#include "sharing/whole_picture.h"
#include "sharing/ui/share_view.h"
#include "skin/skin_table.h"
#include "skin/ui/edit_text_tool.h"
#include "skin/ui/my_static.h"
#include "tests/core/loopback.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_model.h"

#include <QApplication>
#include <QDir>
#include <QTranslator>
#include <gtest/gtest.h>

#include <poll.h>

#include <cstring>
#include <tuple>

namespace {

QColor tile_colour(int r, int c) { return QColor(40 * r + 30, 200 - 30 * c, (r * 5 + c) * 9); }

// The numbers and bodies sent on a connection so far.
std::vector<std::pair<int, std::string>> sent_on(int fd)
{
    std::vector<std::pair<int, std::string>> out;
    for (;;) {
        pollfd p { fd, POLLIN, 0 };
        if (::poll(&p, 1, 100) <= 0)
            return out;
        std::string head = read_bytes(fd, wire_head_len, 1000);
        WireHead h;
        if (head.size() != wire_head_len || !parse_wire_head(head.data(), h))
            return out;
        std::string body = read_bytes(fd, static_cast<size_t>(h.length), 1000);
        scramble_message_body(body.data(), static_cast<int>(body.size()));
        out.emplace_back(h.number, body);
    }
}

class ShareView : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        ASSERT_EQ(create_work_folders(), 0);
        clear_app_sharing();
        clear_share_viewer();
        board_model_setup();
        for (auto [socket, peer] : { std::pair { &g_main_sock, &main_peer_ }, std::pair { &g_share_app_sock, &app_peer_ } }) {
            LoopbackListener& listener = socket == &g_main_sock ? main_listener_ : app_listener_;
            socket->host.set("127.0.0.1");
            socket->port = listener.port();
            ASSERT_EQ(socket->connect_server(), 0);
            *peer = listener.accept_one();
            ASSERT_GE(*peer, 0);
        }
        g_remote_controlling = 0;
        g_share_cursor_x = 20;
        g_share_cursor_y = 20;
    }
    void TearDown() override
    {
        g_main_sock.close_socket();
        g_share_app_sock.close_socket();
        ::close(main_peer_);
        ::close(app_peer_);
        clear_app_sharing();
        clear_share_viewer();
        g_remote_controlling = 0;
        set_message_box_presenter(nullptr);
    }

    // The sharer's window at (40, 30), 500 x 250: tiles of 100 x 50.
    void tiles_arrived()
    {
        do_share_app_window_rect_from_server("  40:  30: 500: 250", 19, 0);
        sent_on(app_peer_);  // the first rectangle's requests
        for (int r = 0; r < app_grid_size; ++r)
            for (int c = 0; c < app_grid_size; ++c) {
                QImage tile(100, 50, QImage::Format_RGB32);
                tile.fill(tile_colour(r, c));
                ASSERT_TRUE(tile.save(QString::fromStdString(tile_picture_path(ShareGrid::app, r, c)), "BMP"));
                tile_of(ShareGrid::app, r, c).fresh = 1;
            }
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    LoopbackListener main_listener_, app_listener_;
    int main_peer_ = -1, app_peer_ = -1;
};

} // namespace

TEST_F(ShareView, TilesAreDrawnWhereTheSharedWindowStandsWithBoardNineAndTheCursorOverThem)
{
    CFormRightUpper2 view;
    EXPECT_TRUE(view.viewer_timer_running());
    EXPECT_EQ(view.canvas()->size(), QSize(1600, 1000));
    tiles_arrived();
    g_share_cursor_x = 700;
    g_share_cursor_y = 400;
    board_action line;
    line.kind = ACTION_LINE;
    line.data = { 100, 60, 300, 60, 3, 255, 0, 0, 0 };
    ASSERT_GE(board_append_action(9, line), 0);
    view.paint_share();
    const QImage& shown = view.back_buffer();
    for (int r = 0; r < app_grid_size; ++r)
        for (int c = 0; c < app_grid_size; ++c)
            EXPECT_EQ(shown.pixelColor(40 + c * 100 + 50, 30 + r * 50 + 35), tile_colour(r, c)) << r << ":" << c;
    EXPECT_NE(shown.pixelColor(20, 20), tile_colour(0, 0));  // left of the window: background
    EXPECT_EQ(shown.pixelColor(200, 60), QColor(255, 0, 0));   // board 9 over the tiles
    EXPECT_EQ(shown.pixelColor(700, 400), QColor(Qt::black));  // the cursor's tip
    EXPECT_EQ(shown.pixelColor(702, 406), QColor(Qt::white));
    EXPECT_EQ(tile_of(ShareGrid::app, 2, 2).fresh, 0);
    EXPECT_TRUE(sent_on(app_peer_).empty());

    // A tile file that does not load: the old picture stays, the tile is asked for again.
    std::FILE* broken = std::fopen(tile_picture_path(ShareGrid::app, 1, 3).c_str(), "wb");
    std::fputs("not a picture", broken);
    std::fclose(broken);
    tile_of(ShareGrid::app, 1, 3).fresh = 1;
    view.paint_share();
    EXPECT_EQ(view.back_buffer().pixelColor(40 + 350, 30 + 85), tile_colour(1, 3));
    auto requests = sent_on(app_peer_);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].first, MSG_SHARE_APP_TILE_REQUEST);

    // The desktop grid: 6 x 6 over the screen size.
    g_desktop_mode = 1;
    do_share_desk_size_from_server(" 600: 300", 9, 0);
    sent_on(app_peer_);
    QImage desk(100, 50, QImage::Format_RGB32);
    desk.fill(QColor(10, 120, 250));
    ASSERT_TRUE(desk.save(QString::fromStdString(tile_picture_path(ShareGrid::desk, 5, 5)), "JPG", 100));
    ASSERT_FALSE(QImage(QString::fromStdString(tile_picture_path(ShareGrid::desk, 5, 5))).isNull());
    tile_of(ShareGrid::desk, 5, 5).fresh = 1;
    view.paint_share();
    EXPECT_EQ(tile_of(ShareGrid::desk, 5, 5).fresh, 0);
    QColor got = view.back_buffer().pixelColor(550, 275);
    EXPECT_NEAR(got.blue(), 250, 8);
    EXPECT_NEAR(got.green(), 120, 8);
}

TEST_F(ShareView, TheWholePictureLiesUnderTheTilesUntilANewShare)
{
    CFormRightUpper2 view;
    do_share_app_window_rect_from_server("  40:  30: 500: 250", 19, 0);
    sent_on(app_peer_);
    const QColor whole(250, 220, 10);
    forget_whole_picture(ShareGrid::app);
    QImage picture(500, 250, QImage::Format_RGB32);
    picture.fill(whole);
    ASSERT_TRUE(picture.save(QString::fromStdString(whole_picture_path(ShareGrid::app)), "BMP"));
    view.paint_share();
    EXPECT_EQ(view.back_buffer().pixelColor(40, 30), whole);  // at the shared window's top left
    EXPECT_EQ(view.back_buffer().pixelColor(539, 279), whole);
    EXPECT_NE(view.back_buffer().pixelColor(540, 280), whole);

    // A tile that arrives paints over it; the rest of the picture stays.
    QImage tile(100, 50, QImage::Format_RGB32);
    tile.fill(tile_colour(1, 2));
    ASSERT_TRUE(tile.save(QString::fromStdString(tile_picture_path(ShareGrid::app, 1, 2)), "BMP"));
    tile_of(ShareGrid::app, 1, 2).fresh = 1;
    view.paint_share();
    EXPECT_EQ(view.back_buffer().pixelColor(40 + 250, 30 + 75), tile_colour(1, 2));
    EXPECT_EQ(view.back_buffer().pixelColor(40 + 50, 30 + 25), whole);

    // The desktop's picture is drawn at 0, 0 when the desktop grid is shown.
    g_desktop_mode = 1;
    forget_whole_picture(ShareGrid::desk);
    QImage screen(320, 200, QImage::Format_RGB32);
    screen.fill(QColor(20, 90, 200));
    ASSERT_TRUE(screen.save(QString::fromStdString(whole_picture_path(ShareGrid::desk)), "JPG", 100));
    view.paint_share();
    QColor got = view.back_buffer().pixelColor(5, 5);
    EXPECT_NEAR(got.blue(), 200, 8);
    EXPECT_NEAR(view.back_buffer().pixelColor(319, 199).red(), 20, 8);

    // A new share of either kind takes its picture away.
    do_desk_tiles_reset_from_server(nullptr, 0, 0);
    EXPECT_FALSE(file_exists(whole_picture_path(ShareGrid::desk)));
    view.paint_share();
    EXPECT_GT(std::abs(view.back_buffer().pixelColor(5, 5).blue() - 200), 8);
    g_desktop_mode = 0;
    do_app_tiles_reset_from_server(nullptr, 0, 0);
    view.paint_share();
    EXPECT_NE(view.back_buffer().pixelColor(40 + 50, 30 + 25), whole);
}

TEST_F(ShareView, TheMouseAndKeysSteerOnlyWithLeaveAndMovesAreThinned)
{
    CFormRightUpper2 view;
    tiles_arrived();
    sent_on(main_peer_);
    // Without the server's leave nothing is sent.
    view.on_mouse_press(Qt::LeftButton, { 100, 100 });
    view.on_mouse_release(Qt::LeftButton, { 100, 100 });
    view.on_key('A', 1);
    EXPECT_TRUE(sent_on(main_peer_).empty());

    g_remote_controlling = 1;
    for (int i = 1; i <= 4; ++i)
        view.on_mouse_move({ 100 + i, 100 });
    EXPECT_TRUE(sent_on(main_peer_).empty()) << "four moves send nothing";
    view.on_mouse_move({ 105, 100 });
    view.on_mouse_press(Qt::LeftButton, { 105, 100 });
    view.on_mouse_release(Qt::LeftButton, { 105, 100 });
    view.on_double_click(Qt::LeftButton, { 300, 281 });  // just below the picture: nothing
    view.on_double_click(Qt::LeftButton, { 300, 280 });  // its bottom edge counts
    view.on_mouse_press(Qt::RightButton, { 20, 20 });    // outside: only the release goes
    view.on_mouse_release(Qt::RightButton, { 20, 20 });
    view.on_key('A', 1);
    auto sent = sent_on(main_peer_);
    std::vector<std::pair<int, std::string>> want {
        { MSG_REMOTE_DESK_MOUSE_MOVE, " 105: 100" },
        { MSG_REMOTE_DESK_LBUTTON_DOWN, " 105: 100" },
        { MSG_REMOTE_DESK_LBUTTON_UP, " 105: 100" },
        { MSG_REMOTE_DESK_LBUTTON_DBLCLK, " 300: 280" },
    };
    ASSERT_EQ(sent.size(), 6u);
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(sent[i], want[i]) << i;
    EXPECT_EQ(sent[4].first, MSG_REMOTE_KEY_INPUT);
    InputRecord record;
    ASSERT_TRUE(decode_input_record(sent[4].second.data(), static_cast<int>(sent[4].second.size()), record));
    EXPECT_EQ(record.flags, mouse_right_up);
    EXPECT_EQ(sent[5], (std::pair<int, std::string> { MSG_REMOTE_DESK_KEY, "        65:         1" }));

    // With the desktop grid shown every click counts, wherever it lands.
    g_desktop_mode = 1;
    view.on_double_click(Qt::LeftButton, { 1500, 900 });
    sent = sent_on(main_peer_);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].first, MSG_REMOTE_DESK_LBUTTON_DBLCLK);
}

namespace {

// The texts sent as board actions so far: where each stands and what it says.
std::vector<std::tuple<int, int, std::string>> texts_sent(int fd)
{
    std::vector<std::tuple<int, int, std::string>> out;
    for (const auto& [number, body] : sent_on(fd)) {
        board_action a;
        if (number != MSG_BOARD_TEXT || body.size() < sizeof a)
            continue;
        std::memcpy(&a, body.data(), sizeof a);
        out.emplace_back(a.data[0], a.data[1], body.substr(sizeof a));
    }
    return out;
}

} // namespace

TEST_F(ShareView, TextTypedOntoTheShareGoesToBoardNineAtTheClick)
{
    CFormRightUpper2 view;
    view.resize(720, 420);
    view.show();
    tiles_arrived();
    sent_on(main_peer_);
    g_board[9].tool = tool_text;
    ASSERT_NE(g_share_text_tool, nullptr);

    // The box opens where the press lands, over the picture; the next press sends what was typed.
    view.on_mouse_press(Qt::LeftButton, { 220, 120 });
    view.on_mouse_release(Qt::LeftButton, { 220, 120 });
    EXPECT_EQ(g_current_board, 9);
    ASSERT_TRUE(g_share_text_tool->isVisible());
    EXPECT_EQ(g_share_text_tool->parentWidget(), view.canvas());
    EXPECT_EQ(g_share_text_tool->pos(), QPoint(220, 120));
    EXPECT_TRUE(texts_sent(main_peer_).empty()) << "an empty box sends nothing";
    g_share_text_tool->setPlainText("look here");
    view.on_mouse_press(Qt::LeftButton, { 400, 200 });
    view.on_mouse_release(Qt::LeftButton, { 400, 200 });
    EXPECT_EQ(texts_sent(main_peer_), (std::vector<std::tuple<int, int, std::string>> { { 220, 120, "look here" } }));
    EXPECT_TRUE(g_share_text_tool->toPlainText().isEmpty());
    EXPECT_TRUE(g_share_text_tool->isVisible()) << "the text tool keeps its box for the next text";
    EXPECT_EQ(g_share_text_tool->pos(), QPoint(400, 200));

    // Another tool sends the rest and puts the box away.
    g_share_text_tool->setPlainText("and here");
    g_board[9].tool = tool_pen;
    view.on_mouse_press(Qt::LeftButton, { 600, 300 });
    view.on_mouse_release(Qt::LeftButton, { 600, 300 });
    EXPECT_FALSE(g_share_text_tool->isVisible());
    EXPECT_EQ(texts_sent(main_peer_), (std::vector<std::tuple<int, int, std::string>> { { 400, 200, "and here" } }));
}

// Not compared: the view with tiles, board 9, the cursor and a text being typed, in two schemes and both languages.
TEST_F(ShareView, Screenshots)
{
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    QTranslator chinese;
    ASSERT_TRUE(chinese.load(":/i18n/tamblo_zh_CN.qm"));
    board_action line;
    line.kind = ACTION_LINE;
    line.data = { 120, 140, 420, 220, 4, 230, 20, 20, 0 };
    ASSERT_GE(board_append_action(9, line), 0);
    g_share_cursor_x = 330;
    g_share_cursor_y = 160;
    for (const char* language : { "en", "zh" }) {
        if (QString(language) == "zh")
            QCoreApplication::installTranslator(&chinese);
        for (int scheme : { 0, 3 }) {
            skin_table().select_skin(scheme);
            CFormRightUpper2 view;
            view.resize(720, 420);
            tiles_arrived();
            view.show();
            // A text being typed onto the picture.
            g_board[9].tool = tool_text;
            view.on_mouse_press(Qt::LeftButton, { 470, 90 });
            g_share_text_tool->setPlainText("OK?");
            QApplication::processEvents();
            QImage shot(view.size(), QImage::Format_ARGB32);
            view.render(&shot);
            EXPECT_TRUE(shot.save(dir + QString("/share_view_scheme_%1_%2.png").arg(scheme).arg(language)));
            EXPECT_LE(view.title()->sizeHint().width(), view.title()->width());
        }
    }
    QCoreApplication::removeTranslator(&chinese);
    skin_table().select_skin(0);
}
