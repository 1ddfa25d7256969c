// The files page and its progress dialogs offscreen, as a user meets them:
// the real tamblo-server, this process as the client with its connection
// threads and windows, a headless peer as another member. Message boxes
// are answered by the script.

#include "core/connection_threads.h"
#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "platform/ui/file_dialog.h"
#include "sharing/file_share.h"
#include "sharing/ui/dlg_download_progress.h"
#include "sharing/ui/dlg_upload_progress.h"
#include "sharing/ui/files_page.h"
#include "shell/connect_flow.h"
#include "shell/login_rules.h"
#include "shell/room_rules.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_list_ctrl.h"
#include "skin/ui/my_static.h"
#include "tests/skin/screenshots.h"
#include "tests/support/headless_peer.h"
#include "tests/support/random_bytes.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

namespace fs = std::filesystem;

bool pump_until(const std::function<bool()>& done, int wait_ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(2);
    }
    return done();
}

bool contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

int row_of(CMyListCtrl* list, const QString& name)
{
    for (int r = 0; r < list->item_count(); ++r)
        if (list->item_text(r, 0) == name)
            return r;
    return -1;
}

// What a progress dialog showed while it ran, read by a timer of the test.
struct Watched {
    bool seen = false;
    int max_value = -1;
    int maximum = -1;
    QString text;
};

template <class Dialog>
void watch_dialog(Watched& w)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, &w] {
        auto* dlg = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dlg) {
            if (w.seen) {
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        w.seen = w.seen || dlg->isVisible();
        w.max_value = std::max(w.max_value, dlg->progress()->value());
        w.maximum = dlg->progress()->maximum();
        w.text = dlg->text()->text();
    });
    timer->start(20);
}

class FilesPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        reset_receive_handlers();
        install_control_handlers();
        install_file_share_handlers();
        init_global_state();
        install_file_share_windows();
        char pattern[] = "/tmp/tamblo-page-files-XXXXXX";
        data_dir_ = ::mkdtemp(pattern);
        work_ = home_.root() + "/work/";
        fs::create_directories(work_);
        server_ = std::make_unique<ServerProcess>(std::vector<std::string> { "--data-dir", data_dir_ });
        g_server_host.set("127.0.0.1");
        g_server_port = server_->port();
        ASSERT_EQ(connect_to_current_server(), 0);
        ASSERT_TRUE(pump_until([] { return g_my_customer_id >= 0 && g_file_sock.m_sock != 0; }));
        ASSERT_TRUE(server_->wait_for_log(format_text("client %d: file connection", g_my_customer_id.load())));
        ASSERT_EQ(send_login_from_dialog("ann", "code"), 0);
        ASSERT_TRUE(pump_until([] { return g_logged_in == 1; }));
        ASSERT_EQ(join_room("Lobby", "", false), 0);
        ASSERT_TRUE(pump_until([] { return g_room_number >= 0; }));
        peer_ = std::make_unique<HeadlessPeer>("bob");
        ASSERT_EQ(peer_->connect("127.0.0.1", server_->port()), 0);
        ASSERT_GE(peer_->join_room("Lobby"), 0);
        page_ = std::make_unique<CLeftFormFiles>();
        page_->resize(280, 420);
        page_->show();
        pump_until([] { return false; }, 30);
    }
    void TearDown() override
    {
        page_.reset();
        disconnect_server();
        stop_connection_watchdog();
        pump_until([] { return receive_threads_running(ReceiveConnection::file) == 0; });
        peer_.reset();
        server_.reset();
        reset_receive_handlers();
        set_file_dialog_answer({});
        file_share_windows() = {};
        set_message_box_presenter(nullptr);
        std::error_code ec;
        fs::remove_all(data_dir_, ec);
    }
    void peer_upload(const std::string& name, const std::string& bytes)
    {
        peer_->send(PeerChannel::file, MSG_FILE_UPLOAD_BEGIN, 0, name);
        for (size_t at = 0; at < bytes.size(); at += 1000)
            peer_->send(PeerChannel::file, MSG_FILE_UPLOAD_DATA, 0, std::string_view(bytes).substr(at, 1000));
        peer_->send(PeerChannel::file, MSG_FILE_UPLOAD_END);
    }
    CMyListCtrl* list() const { return page_->file_list(); }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    std::string data_dir_;
    std::string work_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<HeadlessPeer> peer_;
    std::unique_ptr<CLeftFormFiles> page_;
};

TEST_F(FilesPage, ItsControlsAndTheirRefusals)
{
    for (int id : { 1089, 1034, 1002, 1029, 1030, 1028, 1031, 1037, 1161, 1160 }) {
        QWidget* w = page_->findChild<QWidget*>(QString("ctl_%1").arg(id));
        ASSERT_NE(w, nullptr) << id;
        EXPECT_TRUE(w->isVisible()) << id;
    }
    for (int id : { 1140, 1141, 1142, 1143 })
        EXPECT_FALSE(page_->button(id)->isVisible()) << id;
    EXPECT_EQ(list()->geometry(), QRect(0, 30, 280, 160));
    EXPECT_EQ(page_->path_edit()->geometry(), QRect(0, 195, 280, 20));
    // The buttons stay inside the page and apart from each other.
    std::vector<QRect> rects;
    for (int id : { 1029, 1030, 1028, 1031, 1037, 1161, 1160 }) {
        QRect r = page_->button(id)->geometry();
        EXPECT_TRUE(page_->rect().contains(r)) << id;
        for (const QRect& other : rects)
            EXPECT_FALSE(r.intersects(other)) << id;
        rects.push_back(r);
    }
    QTest::mouseClick(page_->button(1028), Qt::LeftButton);
    QTest::mouseClick(page_->button(1037), Qt::LeftButton);
    QTest::mouseClick(page_->button(1160), Qt::LeftButton);
    EXPECT_EQ(boxes_.texts(), (std::vector<std::string> { "Please select a file to download.", "Please select a file to delete.",
                                                          "Please select a file to download." }));
    // A list entry that is no clipboard file is refused by Download Clipboard.
    std::string body = std::string("notes.txt") + '\0' + "             5";
    send_window_message(WindowSlot::files_page, WM_MY_MSG_FILE_LIST_FIRST, reinterpret_cast<uintptr_t>(body.c_str()),
                        static_cast<intptr_t>(body.size()));
    ASSERT_EQ(list()->item_count(), 1);
    list()->set_item_selected(0, true);
    boxes_.clear();
    QTest::mouseClick(page_->button(1160), Qt::LeftButton);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "Please select a clipboard file to download.(ended with .nclp.z)" });
}

TEST_F(FilesPage, AFileUploadedWithVisibleProgressDownloadsByteForByteAndItsUploaderDeletesIt)
{
    const std::string bytes = random_bytes(20000000, 21);
    std::ofstream(work_ + "big.bin", std::ios::binary) << bytes;
    page_->path_edit()->setText(QString::fromStdString(work_ + "big.bin"));
    // The dialog as it ended, read once its run is over.
    Watched up;
    watch_dialog<CDlgUploadProgress>(up);
    QString last_text;
    int last_value = -1;
    file_share_windows().run_upload_dialog = [&] {
        CDlgUploadProgress dlg;
        int result = dlg.exec();
        last_text = dlg.text()->text();
        last_value = dlg.progress()->value();
        return result;
    };
    QTest::mouseClick(page_->button(1030), Qt::LeftButton);
    EXPECT_TRUE(up.seen);
    EXPECT_EQ(last_text, "Finished:100.00% (20000000/20000000)");
    EXPECT_EQ(last_value, 20000000);
    EXPECT_EQ(up.maximum, 20000000);
    EXPECT_TRUE(boxes_.texts().empty());
    // The room's 160 makes the page ask again; the entry shows its size.
    ASSERT_TRUE(pump_until([&] { return row_of(list(), "big.bin") >= 0; }));
    EXPECT_EQ(list()->item_text(row_of(list(), "big.bin"), 1), "20000000");

    // Another member's file is listed above it (newest first).
    peer_upload("small.txt", "tiny");
    ASSERT_TRUE(pump_until([&] { return list()->item_count() == 2; }));
    EXPECT_EQ(list()->item_text(0, 0), "small.txt");

    const std::string local = work_ + "downloaded.bin";
    QString suggested;
    set_file_dialog_answer([&](const QString&, bool save) { return save ? QString::fromStdString(local) : QString(); });
    list()->set_item_selected(row_of(list(), "big.bin"), true);
    Watched down;
    watch_dialog<CDlgDownloadProgress>(down);
    QTest::mouseClick(page_->button(1028), Qt::LeftButton);
    EXPECT_TRUE(down.seen);
    EXPECT_EQ(download_state(), DownloadState::done);
    EXPECT_TRUE(read_file(local) == bytes);
    EXPECT_FALSE(fs::exists(local + ".part"));

    // The uploader deletes it; the other member's file stays.
    list()->set_item_selected(row_of(list(), "small.txt"), false);
    list()->set_item_selected(row_of(list(), "big.bin"), true);
    QTest::mouseClick(page_->button(1037), Qt::LeftButton);
    ASSERT_TRUE(pump_until([&] { return row_of(list(), "big.bin") < 0 && list()->item_count() == 1; }));
    // The chairman (the first in the room) deletes another member's file too.
    list()->set_item_selected(0, true);
    QTest::mouseClick(page_->button(1037), Qt::LeftButton);
    EXPECT_TRUE(pump_until([&] { return list()->item_count() == 0; }));
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(FilesPage, ADownloadThatCannotFinishSaysWhyAndLeavesNoFile)
{
    // Listed, but gone from the server by the time it is asked for.
    std::string body = std::string("gone.txt") + '\0' + "            10";
    send_window_message(WindowSlot::files_page, WM_MY_MSG_FILE_LIST_FIRST, reinterpret_cast<uintptr_t>(body.c_str()),
                        static_cast<intptr_t>(body.size()));
    const std::string local = work_ + "gone.txt";
    set_file_dialog_answer([&](const QString&, bool) { return QString::fromStdString(local); });
    list()->set_item_selected(0, true);
    QTest::mouseClick(page_->button(1028), Qt::LeftButton);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "gone.txt is no longer in share." });
    EXPECT_FALSE(fs::exists(local));
    EXPECT_FALSE(fs::exists(local + ".part"));

    // Cancelled by the user from the dialog.
    peer_upload("long.bin", random_bytes(20000000, 22));
    ASSERT_TRUE(pump_until([&] { return row_of(list(), "long.bin") >= 0; }));
    list()->set_item_selected(0, false);
    list()->set_item_selected(row_of(list(), "long.bin"), true);
    const std::string local2 = work_ + "long.bin";
    set_file_dialog_answer([&](const QString&, bool) { return QString::fromStdString(local2); });
    QString said;
    QTimer::singleShot(0, [&] {
        pump_until([] { return qobject_cast<CDlgDownloadProgress*>(QApplication::activeModalWidget()) != nullptr; });
        auto* dlg = qobject_cast<CDlgDownloadProgress*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        QTest::mouseClick(dlg->cancel_button(), Qt::LeftButton);
        said = dlg->outcome();
    });
    // The server held still until the user has cancelled: however fast the
    // loopback, the download cannot end first.
    ::kill(server_->pid(), SIGSTOP);
    QTest::mouseClick(page_->button(1028), Qt::LeftButton);
    ::kill(server_->pid(), SIGCONT);
    EXPECT_EQ(said, "Download of long.bin was cancelled.");
    EXPECT_FALSE(fs::exists(local2));
    EXPECT_FALSE(fs::exists(local2 + ".part"));
}

TEST_F(FilesPage, TheClipboardTravelsThroughTheShareAndComesBackOnYes)
{
    QGuiApplication::clipboard()->setText("shared text \xe4\xbd\xa0\xe5\xa5\xbd");
    QTest::mouseClick(page_->button(1161), Qt::LeftButton);
    // The other member is offered it.
    auto offer = peer_->await_number(MSG_CLIPBOARD_OFFER);
    ASSERT_TRUE(offer.has_value());
    EXPECT_TRUE(is_clipboard_file_name(offer->body)) << offer->body;
    EXPECT_EQ(offer->head.address, g_my_customer_id.load());
    ASSERT_TRUE(pump_until([&] { return row_of(list(), QString::fromStdString(offer->body)) >= 0; }));

    // Double-click on it fetches it onto the clipboard.
    QGuiApplication::clipboard()->setText("something else");
    const int row = row_of(list(), QString::fromStdString(offer->body));
    list()->set_item_selected(row, true);
    page_->OnDblclkList(row);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "shared text \xe4\xbd\xa0\xe5\xa5\xbd");
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "Clipboard content updated successfully." });

    // An offer from another member asks first; No leaves the clipboard alone, Yes fetches.
    QGuiApplication::clipboard()->setText("mine");
    boxes_.clear();
    boxes_.answer_with(MessageBoxButton::no);
    peer_->send(PeerChannel::main, MSG_CLIPBOARD_OFFER, 999, offer->body);
    ASSERT_TRUE(pump_until([&] { return !boxes_.texts().empty(); }));
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "a meeting room member is sharing clipboard, do you want to download?" });
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "mine");
    boxes_.clear();
    boxes_.answer_with(MessageBoxButton::yes);
    peer_->send(PeerChannel::main, MSG_CLIPBOARD_OFFER, 999, offer->body);
    ASSERT_TRUE(pump_until([&] { return boxes_.texts().size() == 2; }));
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "shared text \xe4\xbd\xa0\xe5\xa5\xbd");
    // Nothing of it is left in the share folder.
    EXPECT_TRUE(fs::is_empty(home_.user_folder() + "share"));
}

TEST_F(FilesPage, ClipboardFilesThatAreNotGzipOrUnpackTooFarAreRefused)
{
    // Not gzip at all, and a small file that unpacks past 256 MiB.
    peer_upload("clip_1_1_1_1.nclp.z", "this is no gzip data at all");
    const std::string bomb = work_ + "bomb.gz";
    {
        gzFile gz = gzopen(bomb.c_str(), "wb9");
        std::string zeros(1 << 20, '\0');
        for (int i = 0; i < 260; ++i)
            gzwrite(gz, zeros.data(), static_cast<unsigned>(zeros.size()));
        gzclose(gz);
    }
    peer_upload("clip_2_2_2_2.nclp.z", read_file(bomb));
    ASSERT_TRUE(pump_until([&] { return list()->item_count() == 2; }, 20000));
    for (const char* name : { "clip_1_1_1_1.nclp.z", "clip_2_2_2_2.nclp.z" }) {
        QGuiApplication::clipboard()->setText("kept");
        boxes_.clear();
        boxes_.answer_with(MessageBoxButton::yes);
        peer_->send(PeerChannel::main, MSG_CLIPBOARD_OFFER, 999, name);
        ASSERT_TRUE(pump_until([&] { return contains(boxes_.texts(), format_text("The clipboard file %s could not be unpacked.", name)); },
                               20000))
            << name;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept") << name;
        EXPECT_TRUE(fs::is_empty(home_.user_folder() + "share")) << name;
    }
}

TEST_F(FilesPage, ScreenshotsOfThePageAndTheProgressDialogs)
{
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        // Made anew so that its texts are in the language.
        CLeftFormFiles page;
        page.resize(280, 420);
        for (const auto& [name, size] : std::vector<std::pair<std::string, int>> {
                 { "minutes_2024.doc", 48128 }, { "clip_9_14_5_59.nclp.z", 3210 }, { "slides.ppt", 1250304 } }) {
            std::string body = name + '\0' + format_text("%14d", size);
            page.handle_window_message(WM_MY_MSG_FILE_LIST_ADD, reinterpret_cast<uintptr_t>(body.c_str()),
                                       static_cast<intptr_t>(body.size()));
        }
        page.path_edit()->setText("/home/ann/Documents/report.pdf");
        page.file_list()->set_item_selected(1, true);
        page.show();
        QApplication::processEvents();
        EXPECT_TRUE(page.grab().save(QString("%1/files_page_%2_scheme_%3.png").arg(screenshot_dir(), language).arg(scheme)));
        // The dialogs part-way, as the counters stand; skinned, so in every scheme too.
        g_file_transfer.upload_total = 20000000;
        g_file_transfer.upload_sent = 7512000;
        g_file_transfer.upload_running = 1;
        CDlgUploadProgress up;
        up.show();
        up.OnTimer();
        QApplication::processEvents();
        EXPECT_TRUE(up.grab().save(QString("%1/upload_progress_%2_scheme_%3.png").arg(screenshot_dir(), language).arg(scheme)));
        g_file_transfer.upload_running = 0;
        g_file_transfer.upload_result = -1;
        up.hide();
        CDlgDownloadProgress down;
        g_file_transfer.download_remote_name.set("slides.ppt");
        g_file_transfer.download_total = 1250304;
        g_file_transfer.download_done = 1000000;
        g_file_transfer.download_state = static_cast<int>(DownloadState::running);
        down.show();
        down.OnTimer();
        QApplication::processEvents();
        EXPECT_TRUE(down.grab().save(QString("%1/download_progress_%2_scheme_%3.png").arg(screenshot_dir(), language).arg(scheme)));
        g_file_transfer.download_state = static_cast<int>(DownloadState::idle);
        down.hide();
    }));
}

} // namespace
