// A picture pasted into this program's page, the way the view's paste does
// it, reaches another member through a real tamblo-server with every pixel
// the same; a window paste while an upload runs is told to wait.

#include "core/message_box.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/whiteboard/board_picture_clients.h"
#include "whiteboard/ui/board_commands.h"
#include "whiteboard/ui/board_picture_upload.h"
#include "whiteboard/ui/board_pictures.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage photo(int w, int h, QColor a, QColor b)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(image.rect(), a);
    p.setPen(QPen(b, 5));
    p.drawEllipse(QRect(10, 10, w - 20, h - 20));
    p.drawText(QRect(0, 0, w, h), Qt::AlignCenter, "Tamblo 白板");
    return image;
}

TEST(PasteThroughServer, APastedPictureShowsAtTheOtherMemberWithTheSamePixels)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    ServerProcess server;
    board_model_setup();
    put_view_font();
    g_offline_board = 0;
    install_board_picture_upload();
    PeerClient b(home.root(), "bo", server.port(), "paste");
    ASSERT_TRUE(b.wait_joined());
    PictureClient client;
    ASSERT_EQ(client.connect_and_join(server.port(), "paste"), 0);
    ASSERT_TRUE(server.wait_for_log("file connection from"));

    const QImage first = photo(320, 200, QColor(250, 240, 200), QColor(20, 60, 200));
    ASSERT_EQ(board_paste_image(0, first, 140, 90), 0);
    ASSERT_TRUE(bmp_wait_upload_done(5000));
    EXPECT_FALSE(board_picture_upload_in_progress());
    // While an upload runs, a window paste is told to wait.
    g_bmp_uploading = 1;
    EXPECT_FALSE(board_start_window_paste(false, nullptr));
    g_bmp_uploading = 0;
    EXPECT_EQ(boxes.texts(), std::vector<std::string> {
        "a window image is still in the process of upload, \nplease wait a moment and try again." });

    std::string shown = board_state_text();
    ASSERT_NE(shown.find("slot 0 0 at 140 90 z 0 picture"), std::string::npos) << shown;
    ASSERT_TRUE(b.wait_shows(shown)) << b.board() << "\nwanted\n" << shown;
    QImage there = QImageReader(QString::fromStdString(home.root() + "/bo/kelo/tamblo/bmp/0/0.bmp")).read();
    ASSERT_EQ(there.size(), first.size());
    EXPECT_EQ(there.convertToFormat(QImage::Format_RGB32), first);

    client.close();
    board_model_free();
}

} // namespace
