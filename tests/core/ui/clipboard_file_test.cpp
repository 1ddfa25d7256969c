#include "core/global_state.h"
#include "core/message_box.h"
#include "core/ui/clipboard_file.h"
#include "core/ui/dib_image.h"
#include "platform/ui/gdi_painter.h"
#include "tests/support/temp_home.h"
#include "whiteboard/board_bitmap_slots.h"
#include "whiteboard/board_model.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <gtest/gtest.h>

#include <fstream>

namespace {

QImage test_image()
{
    QImage image(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            image.setPixel(x, y, qRgb(x * 30, y * 50, 200));
    return image;
}

void put_on_clipboard(const QString& text, bool with_extras)
{
    auto mime = new QMimeData;
    mime->setText(text);
    if (with_extras) {
        mime->setHtml("<b>bold</b>");
        mime->setImageData(test_image());
        mime->setData("application/x-board-action", QByteArray("\x01\x00\x02", 3));
    }
    QGuiApplication::clipboard()->setMimeData(mime);
}

void write_bytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

uint32_t u32_at(const std::string& b, size_t at)
{
    auto u = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(b[at + i])); };
    return u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24;
}

std::string record(uint32_t format, const std::string& data)
{
    std::string out;
    for (uint32_t v : { format, static_cast<uint32_t>(data.size()) })
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>(v >> (8 * i));
    return out + data;
}

std::string head() { return std::string("clip339966") + std::string(30, '\0'); }

} // namespace

TEST(ClipboardFile, SaveAndLoadKeepTextHtmlPictureAndOtherTypes)
{
    TempHome home;
    put_on_clipboard(QString::fromUtf8("hello \xe4\xbd\xa0\xe5\xa5\xbd"), true);
    std::string path = home.root() + "/c.nclp";
    ASSERT_EQ(clipboard_save_to_file(path), 0);

    std::string bytes = read_file(path);
    ASSERT_GE(bytes.size(), 48u);
    EXPECT_EQ(bytes.substr(0, 40), head());
    std::vector<uint32_t> formats;
    for (size_t at = 40; at + 8 <= bytes.size(); at += 8 + u32_at(bytes, at + 4))
        formats.push_back(u32_at(bytes, at));
    EXPECT_EQ(formats[0], CF_UNICODETEXT);
    EXPECT_EQ(formats[1], CF_TEXT);
    EXPECT_EQ(formats[2], CF_DIB);
    EXPECT_NE(bytes.find(std::string("text/html\0<b>bold</b>", 21)), std::string::npos);

    put_on_clipboard("something else", false);
    ASSERT_EQ(clipboard_load_from_file(path), 0);
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->text(), QString::fromUtf8("hello \xe4\xbd\xa0\xe5\xa5\xbd"));
    EXPECT_EQ(mime->html(), "<b>bold</b>");
    EXPECT_EQ(mime->data("application/x-board-action"), QByteArray("\x01\x00\x02", 3));
    QImage image = qvariant_cast<QImage>(mime->imageData()).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image, test_image());

    // Saved again, the file is the same.
    std::string again = home.root() + "/again.nclp";
    ASSERT_EQ(clipboard_save_to_file(again), 0);
    EXPECT_EQ(read_file(again), bytes);
}

TEST(ClipboardFile, FormatsFromOtherSystemsComeBackUnderTheirNumbers)
{
    TempHome home;
    std::string path = home.root() + "/w.nclp";
    std::string locale("\x04\x08\x00\x00", 4);
    write_bytes(path, head() + record(16, locale) + record(CF_TEXT, std::string("plain\0", 6)));
    ASSERT_EQ(clipboard_load_from_file(path), 0);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "plain");
    std::string out = home.root() + "/w2.nclp";
    ASSERT_EQ(clipboard_save_to_file(out), 0);
    std::string bytes = read_file(out);
    EXPECT_NE(bytes.find(record(16, locale)), std::string::npos);

    // A 32-bit picture, two pixels wide, one high, as Windows puts it there.
    std::string dib(40, '\0');
    dib[0] = 40;
    dib[4] = 2;
    dib[8] = 1;
    dib[12] = 1;
    dib[14] = 32;
    dib += std::string("\x10\x20\x30\x00\x01\x02\x03\x00", 8);
    write_bytes(path, head() + record(CF_DIB, dib));
    ASSERT_EQ(clipboard_load_from_file(path), 0);
    QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(2, 1));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0x30, 0x20, 0x10));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0x03, 0x02, 0x01));
}

TEST(ClipboardFile, BadFilesChangeNothingAndSaySo)
{
    TempHome home;
    std::string good = head() + record(CF_TEXT, std::string("abc\0", 4)) + record(CF_UNICODETEXT, std::string("a\0b\0\0\0", 6));
    struct Case {
        const char* name;
        std::string bytes;
        const char* log_line;
    } cases[] = {
        { "wrong head", std::string("clip339967") + std::string(30, '\0') + record(CF_TEXT, "x"), "file format error in clipboard_load_from_file.\n" },
        { "short head", "clip339966", "file format error in clipboard_load_from_file.\n" },
        { "cut record head", good.substr(0, 40 + 6), "truncated record in clipboard_load_from_file.\n" },
        { "cut record data", good.substr(0, good.size() - 1), "truncated record in clipboard_load_from_file.\n" },
        { "size beyond file", head() + record(CF_TEXT, "abc").substr(0, 4) + std::string("\xff\xff\xff\x7f", 4) + "abc",
          "truncated record in clipboard_load_from_file.\n" },
    };
    for (const Case& c : cases) {
        put_on_clipboard("keep me", false);
        std::string path = home.root() + "/bad.nclp";
        write_bytes(path, c.bytes);
        ScriptedMessageBoxes boxes;
        LogCapture log;
        EXPECT_EQ(clipboard_load_from_file(path), -1) << c.name;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "keep me") << c.name;
        EXPECT_EQ(boxes.texts(), std::vector<std::string> { "file format error" }) << c.name;
        EXPECT_TRUE(log.contains(c.log_line)) << c.name;
    }
    LogCapture log;
    EXPECT_EQ(clipboard_load_from_file(home.root() + "/missing.nclp"), -1);
    EXPECT_TRUE(log.contains("failed to open " + home.root() + "/missing.nclp in clipboard_load_from_file.\n"));
}

TEST(ClipboardFile, EmptyClipboardIsReportedAndWritesNoFile)
{
    TempHome home;
    QGuiApplication::clipboard()->clear();
    ScriptedMessageBoxes boxes;
    std::string path = home.root() + "/e.nclp";
    EXPECT_EQ(clipboard_save_to_file(path), 0);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Clipboard is empty." });
    EXPECT_FALSE(file_exists(path));

    put_on_clipboard("x", false);
    LogCapture log;
    EXPECT_EQ(clipboard_save_to_file(home.root() + "/no/dir/e.nclp"), -1);
    EXPECT_TRUE(log.contains("failed to open " + home.root() + "/no/dir/e.nclp in clipboard_save_to_file.\n"));
}

TEST(BmpDrawGeneral, DrawsTheFileAtItsPositionAndGivesItsSize)
{
    TempHome home;
    std::string path = home.root() + "/d.bmp";
    auto dib = qimage_to_dib(test_image());
    ASSERT_TRUE(dib);
    ASSERT_EQ(dib_write_bmp_file(*dib, path), 1);
    QImage target(20, 20, QImage::Format_RGB32);
    target.fill(Qt::black);
    int w = 0, h = 0;
    {
        GdiPainter dc(&target);
        EXPECT_EQ(bmp_draw_general(dc, path, 3, 4, &w, &h), 0);
        EXPECT_EQ(bmp_draw_general(dc, home.root() + "/missing.bmp", 0, 0), -1);
    }
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 5);
    EXPECT_EQ(target.pixel(3, 4), qRgb(0, 0, 200));
    EXPECT_EQ(target.pixel(3 + 6, 4 + 4), qRgb(180, 200, 200));
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(target.pixel(10, 4), qRgb(0, 0, 0));
}

TEST(BmpDraw, DrawsABoardSlotAndStoresItsSize)
{
    TempHome home;
    LogCapture log;
    std::string path = home.root() + "/slot.bmp";
    ASSERT_EQ(dib_write_bmp_file(*qimage_to_dib(test_image()), path), 1);
    bmp_slot& slot = g_board[2].bitmaps[4];
    bmp_reset_one_entry(slot);
    copy_to_field(slot.path, path);
    slot.x = 10;
    slot.y = 11;
    QImage target(30, 30, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        GdiPainter dc(&target);
        EXPECT_EQ(bmp_draw(dc, 2, 4), -1);  // not in use yet
        slot.used = 1;
        EXPECT_EQ(bmp_draw(dc, 2, 4), 0);
        EXPECT_EQ(bmp_draw(dc, 10, 4), -1);
        EXPECT_EQ(bmp_draw(dc, 2, -1), -1);
    }
    EXPECT_EQ(slot.width, 7);
    EXPECT_EQ(slot.height, 5);
    EXPECT_EQ(target.pixel(10, 11), qRgb(0, 0, 200));
    EXPECT_TRUE(log.contains("board_num out of range in bmp_draw.\n"));
    EXPECT_TRUE(log.contains("index out of range in bmp_draw.\n"));

    EXPECT_EQ(bmp_reset_one_entry(10, 4), -1);
    EXPECT_EQ(bmp_reset_one_entry(2, 10), -1);
    EXPECT_TRUE(log.contains("board_num:10 out of range: 0 - 9 in bmp_reset_one_entry.\n"));
    EXPECT_TRUE(log.contains("index:10 out of range: 0 - 9 in bmp_reset_one_entry.\n"));
    EXPECT_EQ(slot.used, 1u);
    EXPECT_EQ(bmp_reset_one_entry(2, 4), 0);
    EXPECT_EQ(slot.used, 0u);
    EXPECT_EQ(slot.path[0], '\0');
    EXPECT_EQ(slot.width, 0);
}
