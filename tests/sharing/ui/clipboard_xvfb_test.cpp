// The clipboard shared between two real clients, each on an X server of
// its own: what A's clipboard holds (put there by xclip, as any program
// would) reaches B's clipboard after B says Yes, read back with xclip.

#include "core/text_util.h"
#include "tests/support/child_process.h"
#include "tests/support/server_process.h"
#include "tests/support/xvfb.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

bool wait_for_file(const std::string& path, int wait_ms = 20000)
{
    for (int waited = 0; waited < wait_ms; waited += 20) {
        if (fs::exists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Waits until the box log holds text count times.
bool wait_for_box(const std::string& log, const std::string& text, int count, int wait_ms = 30000)
{
    for (int waited = 0; waited < wait_ms; waited += 20) {
        std::string all = read_all(log);
        int n = 0;
        for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1))
            ++n;
        if (n >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// A program started on one display.
std::unique_ptr<ChildProcess> start_on(const std::string& display, const std::vector<std::string>& argv)
{
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    return std::make_unique<ChildProcess>(argv);
}

QImage test_picture()
{
    QImage image(64, 40, QImage::Format_RGB32);
    image.fill(QColor(30, 144, 255));
    QPainter p(&image);
    p.fillRect(8, 6, 20, 12, QColor(250, 200, 10));
    p.fillRect(36, 20, 22, 14, QColor(200, 20, 60));
    return image;
}

TEST(ClipboardBetweenTwoDisplays, TextAndAPictureReachTheOtherClientOnYes)
{
    XvfbServer display_a("640x480x24");
    XvfbServer display_b("640x480x24");
    ASSERT_TRUE(display_a.running() && display_b.running());
    const std::string a = display_a.display();
    const std::string b = display_b.display();
    ServerProcess server;
    char pattern[] = "/tmp/tamblo-clipboard-test-XXXXXX";
    const std::string control = ::mkdtemp(pattern);
    const std::string port = std::to_string(server.port());

    // Each client with a home of its own.
    for (const char* who : { "ann", "bob" })
        fs::create_directories(control + "/" + who);
    ::setenv("XDG_DATA_HOME", (control + "/bob").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (control + "/bob").c_str(), 1);
    auto taker = start_on(b, { TAMBLO_CLIPBOARD_PEER, port, "bob", "Lobby", control, "take" });
    ::setenv("XDG_DATA_HOME", (control + "/ann").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (control + "/ann").c_str(), 1);
    auto sharer = start_on(a, { TAMBLO_CLIPBOARD_PEER, port, "ann", "Lobby", control, "share" });
    ASSERT_TRUE(wait_for_file(control + "/ready-ann"));
    ASSERT_TRUE(wait_for_file(control + "/ready-bob"));

    // Text, as another program on A's display puts it there.
    const std::string text = "Agenda: budget, \xe4\xbd\xa0\xe5\xa5\xbd, and the next meeting";
    std::ofstream(control + "/text.txt", std::ios::binary) << text;
    auto xclip_text = start_on(a, { "/bin/sh", "-c", "exec xclip -quiet -display \"$0\" -selection clipboard -i \"$1\"", a,
                                    control + "/text.txt" });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::ofstream(control + "/go-1") << "1";
    ASSERT_TRUE(wait_for_file(control + "/sent-1"));
    EXPECT_EQ(read_all(control + "/sent-1"), "0");
    const std::string bob_boxes = control + "/boxes-bob.txt";
    ASSERT_TRUE(wait_for_box(bob_boxes, "a meeting room member is sharing clipboard, do you want to download?", 1));
    ASSERT_TRUE(wait_for_box(bob_boxes, "Clipboard content updated successfully.", 1));
    ProgramRun got_text = run_program({ "/bin/sh", "-c", "exec xclip -display \"$0\" -selection clipboard -o", b }, {}, {}, 10000);
    EXPECT_EQ(got_text.exit_status, 0);
    EXPECT_EQ(got_text.output, text);
    xclip_text->stop();

    // A picture.
    const QImage picture = test_picture();
    ASSERT_TRUE(picture.save(QString::fromStdString(control + "/picture.png")));
    auto xclip_png = start_on(a, { "/bin/sh", "-c", "exec xclip -quiet -display \"$0\" -selection clipboard -t image/png -i \"$1\"",
                                   a, control + "/picture.png" });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::ofstream(control + "/go-2") << "1";
    ASSERT_TRUE(wait_for_file(control + "/sent-2"));
    EXPECT_EQ(read_all(control + "/sent-2"), "0");
    ASSERT_TRUE(wait_for_box(bob_boxes, "Clipboard content updated successfully.", 2));
    ProgramRun got_png = run_program({ "/bin/sh", "-c", "xclip -display \"$0\" -selection clipboard -t image/png -o 2>/dev/null", b },
                                     {}, {}, 10000);
    EXPECT_EQ(got_png.exit_status, 0);
    QImage back = QImage::fromData(QByteArray::fromStdString(got_png.output), "PNG");
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
    xclip_png->stop();

    sharer->stop();
    taker->stop();
    std::error_code ec;
    fs::remove_all(control, ec);
}

} // namespace
