// A real meeting client for the end-to-end tests of the members page and
// the chat: the program's parts, its main frame, the members page, the chat
// view and the chat dialogs, offscreen, connected to a server through the
// program's own connection threads. A test drives it line by line on
// standard input and reads its answers on standard output; every answer
// ends with a line "." so the test knows where it stops.
//
//   tamblo_members_chat_client --port P --name N [--language en|zh_CN]
//
// Commands:
//   join ROOM                  log in as N and enter ROOM
//   state                      "room R", "flags chairman presenter hand voice partner", "connected C"
//   rows                       "row name|id|image|sub1|sub2|sub3|sub4" for each roster row
//   page                       "label TEXT" of the room, "button ID on|off TEXT" for each button
//   select NAME                select the member's row
//   click ID                   press the members page's button ID
//   menu ID                    run the context menu command ID
//   chat R G B SIZE EFFECTS TEXT   the chat dialog's colour, size, B/I/U/S bits, then TEXT typed with Enter
//   pchat NAME TEXT            the private chat with NAME, TEXT sent with Send
//   view                       "run r g b size effects text" per run of the chat view
//   private                    "dialog NAME visible|hidden" and its "run ..." lines per private chat
//   boxes                      "box TEXT" for each message box shown so far
//   peers                      "peer ID" for each linked peer
//   save rtf|txt PATH          the chat dialog's Save into PATH
//   record PATH | stoprecord   start or stop recording
//   reload                     reload the chat from the server
//   passwords OLD NEW          what the next change-password dialog is given ("-" for nothing)
//   shoot SCHEME PATH          SCHEME made current as the options' skin page does, then
//                              the page, the chat view and the open chat dialogs in one picture
//   quit
#include "core/chat_receive.h"
#include "core/connections.h"
#include "core/control_messages.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/peer_links.h"
#include "core/settings.h"
#include "media/voice_parts.h"
#include "media/voice_state.h"
#include "platform/ui/translations.h"
#include "platform/ui/window_bridge.h"
#include "shell/connect_flow.h"
#include "shell/program_parts.h"
#include "shell/ui/chairman_password_dlg.h"
#include "shell/ui/change_passwd_dlg.h"
#include "shell/ui/chat_rich_text.h"
#include "shell/ui/chat_view.h"
#include "shell/ui/dlg_chat.h"
#include "shell/ui/dlg_private_chat.h"
#include "shell/ui/main_frame.h"
#include "shell/ui/members_page.h"
#include "dialogs/ui/prop_skin.h"
#include "skin/skin_table.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_list_ctrl_owner_draw.h"
#include "skin/ui/my_static.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QComboBox>
#include <QSocketNotifier>
#include <QTest>
#include <QTextBlock>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Answers every box at once, Yes to questions, and keeps the texts.
class AnsweringBoxes : public MessageBoxPresenter {
public:
    int show(MessageBoxKind, int style, const std::string& text) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        texts_.push_back(text);
        return style == MB_STYLE_YES_NO ? IDYES : IDOK;
    }
    std::vector<std::string> texts() const
    {
        std::lock_guard<std::mutex> hold(lock_);
        return texts_;
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> texts_;
};

std::string one_line(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = '~';
    return text;
}

void print_runs(const QTextDocument& document)
{
    for (const RtfRun& run : chat_runs(document)) {
        const ChatStyle& s = run.style;
        std::printf("run %d %d %d %d %d %s\n", s.red, s.green, s.blue, s.size, s.effects, one_line(run.text).c_str());
    }
}

class Client {
public:
    Client(std::string name, int port) : name_(std::move(name)), port_(port)
    {
        set_message_box_presenter(&boxes_);
        frame_ = std::make_unique<CMainFrame>();
        page_ = std::make_unique<CLeftFormMembers>();
        page_->resize(520, 700);
        page_->show();
        g_server_host.set("127.0.0.1");
        g_server_port = port_;
        connect_to_current_server();
    }
    ~Client() { set_message_box_presenter(nullptr); }

    void run(const std::string& line)
    {
        std::istringstream in(line);
        std::string command;
        in >> command;
        std::string rest;
        std::getline(in >> std::ws, rest);
        if (command == "join") {
            login_pending_ = true;
            join_room_ = rest;
        } else if (command == "state") {
            std::printf("room %d\nflags %d %d %d %d %d\nconnected %d\nlogged %d\n", g_room_number.load(),
                        g_is_chairman.load(), g_is_presenter.load(), g_hand_raised.load(), g_private_voice_chat.load(),
                        g_private_voice_partner_id.load(), g_connected_to_server.load(), g_logged_in.load());
        } else if (command == "rows") {
            CMyListCtrlOwnerDraw* list = page_->member_list();
            for (int r = 0; r < list->item_count(); ++r) {
                std::printf("row %s|%lld|%d", list->item_text(r, 0).toStdString().c_str(),
                            static_cast<long long>(list->item_data(r)), page_->roster().rows()[static_cast<size_t>(r)].image);
                for (int c = 1; c <= 4; ++c)
                    std::printf("|%s", list->item_text(r, c).toStdString().c_str());
                std::printf("\n");
            }
        } else if (command == "page") {
            std::printf("label %s\n", one_line(page_->room_label()->text().toStdString()).c_str());
            for (int id : { CLeftFormMembers::id_refresh, CLeftFormMembers::id_raise_hand, CLeftFormMembers::id_private_chat,
                            CLeftFormMembers::id_private_voice, CLeftFormMembers::id_request_chairman,
                            CLeftFormMembers::id_request_presenter, CLeftFormMembers::id_start_meeting,
                            CLeftFormMembers::id_stop_meeting, CLeftFormMembers::id_allow_talk, CLeftFormMembers::id_boost,
                            CLeftFormMembers::id_set_passwd, CLeftFormMembers::id_set_chairman_passwd,
                            CLeftFormMembers::id_room_options, CLeftFormMembers::id_invite,
                            CLeftFormMembers::id_show_rooms, CLeftFormMembers::id_leave })
                if (CMyButton* b = page_->button(id))
                    std::printf("button %d %s %s\n", id, b->isEnabled() ? "on" : "off", b->text().toStdString().c_str());
        } else if (command == "select") {
            CMyListCtrlOwnerDraw* list = page_->member_list();
            for (int r = 0; r < list->item_count(); ++r)
                list->set_item_selected(r, list->item_text(r, 0).toStdString() == rest);
        } else if (command == "click") {
            if (CMyButton* b = page_->button(std::stoi(rest)))
                b->click();
        } else if (command == "menu") {
            page_->run_menu_command(std::stoi(rest));
        } else if (command == "chat") {
            int r = 0, g = 0, b = 0, size = 8, effects = 0;
            in.clear();
            std::istringstream args(rest);
            args >> r >> g >> b >> size >> effects;
            std::string text;
            std::getline(args >> std::ws, text);
            CDlgChat* dlg = show_chat_dialog(frame_.get());
            dlg->set_colour(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
            dlg->size_list()->setCurrentIndex(size - chat_size_first);
            for (int i = 0; i < 4; ++i)
                dlg->effect_button(i)->setChecked((effects >> i) & 1);
            // Typed as a whole (key clicks know only ASCII), then Enter.
            dlg->typing_edit()->insertPlainText(QString::fromStdString(text));
            QTest::keyClick(dlg->typing_edit(), Qt::Key_Return);
        } else if (command == "pchat") {
            std::string partner = rest.substr(0, rest.find(' '));
            std::string text = rest.substr(rest.find(' ') + 1);
            CDlgPrivateChat* dlg = open_private_chat(partner);
            if (dlg) {
                dlg->typing_edit()->setPlainText(QString::fromStdString(text));
                dlg->OnSend();
            }
        } else if (command == "view") {
            if (CFormRightLower* view = chat_view())
                print_runs(*view->rich_edit()->document());
        } else if (command == "private") {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dlg = dynamic_cast<CDlgPrivateChat*>(w);
                if (!dlg)
                    continue;
                std::printf("dialog %s %s\n", dlg->partner_name().c_str(), dlg->isVisible() ? "visible" : "hidden");
                print_runs(*dlg->conversation()->document());
            }
        } else if (command == "boxes") {
            for (const std::string& t : boxes_.texts())
                std::printf("box %s\n", one_line(t).c_str());
        } else if (command == "peers") {
            for (const Cpeer_slot& slot : g_peer_slots) {
                if (slot.in_use && slot.connected)
                    std::printf("peer %d\n", slot.customer_id.load());
                else if (slot.in_use)
                    std::printf("unlinked %d\n", slot.customer_id.load());
            }
        } else if (command == "save") {
            std::string kind = rest.substr(0, rest.find(' '));
            std::string path = rest.substr(rest.find(' ') + 1);
            int choice = kind == "rtf" ? chat_save_rtf : chat_save_text;
            set_chat_save_answers([choice] { return choice; }, [path](const ChatSaveFormat&) { return path; });
            show_chat_dialog(frame_.get())->OnSave();
            set_chat_save_answers({}, {});
        } else if (command == "record") {
            recorder().start(rest);
        } else if (command == "stoprecord") {
            recorder().stop();
        } else if (command == "reload") {
            send_reload_chat();
        } else if (command == "passwords") {
            std::istringstream args(rest);
            args >> old_password_ >> new_password_;
            for (std::string* p : { &old_password_, &new_password_ })
                if (*p == "-")
                    p->clear();
        } else if (command == "shoot") {
            std::istringstream args(rest);
            int scheme = 0;
            std::string path;
            args >> scheme >> path;
            if (!shoot(scheme, path))
                std::printf("not saved\n");
        } else if (command == "quit") {
            QApplication::quit();
        }
        std::printf(".\n");
        std::fflush(stdout);
    }

    // Once logged in, the room asked for.
    void tick()
    {
        // The login waits until the server has given the main connection its id.
        if (login_pending_ && g_my_customer_id >= 0 && g_connected_to_server == 1) {
            login_pending_ = false;
            send_login(name_, "");
        }
        if (!login_pending_ && !join_room_.empty() && g_logged_in == 1) {
            send_join_meeting_room(join_room_, "");
            join_room_.clear();
        }
    }

    // The change-password dialogs typed into as the last "passwords" said.
    void answer(CDlgChangePasswd* dialog)
    {
        dialog->old_edit()->setText(QString::fromStdString(old_password_));
        dialog->new_edit()->setText(QString::fromStdString(new_password_));
        dialog->retyped_edit()->setText(QString::fromStdString(new_password_));
        dialog->OnOK();
    }

private:
    // The windows as a member sees them: the page and the chat view on the
    // left, the chat dialog and the private chats on the right.
    bool shoot(int scheme, const std::string& path)
    {
        skin_table().select_skin(scheme);
        frame_->reload_skin();
        repaint_window_tree(page_.get());
        page_->resize(520, 420);
        std::vector<QWidget*> left { page_.get() };
        // The chat view gets its size and lays out its control only in a shown frame.
        if (!frame_->isVisible()) {
            frame_->resize(1000, 720);
            frame_->show();
        }
        if (CFormRightLower* view = chat_view())
            left.push_back(view);
        std::vector<QWidget*> right;
        for (QWidget* w : QApplication::allWidgets())
            if (w->isVisible() && dynamic_cast<CDlgChat*>(w))
                right.push_back(w);
        for (QWidget* w : QApplication::allWidgets())
            if (w->isVisible() && dynamic_cast<CDlgPrivateChat*>(w))
                right.push_back(w);
        for (QWidget* w : right)
            repaint_window_tree(w);
        QApplication::processEvents();

        const int gap = 10;
        auto column = [&](const std::vector<QWidget*>& ws, int* width) {
            int height = gap;
            for (QWidget* w : ws) {
                *width = std::max(*width, w->width());
                height += w->height() + gap;
            }
            return height;
        };
        int left_width = 0, right_width = 0;
        int height = std::max(column(left, &left_width), column(right, &right_width));
        QImage sheet(gap + left_width + gap + (right.empty() ? 0 : right_width + gap), height, QImage::Format_ARGB32);
        sheet.fill(QColor(128, 128, 128));
        QPainter painter(&sheet);
        auto place = [&](const std::vector<QWidget*>& ws, int x) {
            int y = gap;
            for (QWidget* w : ws) {
                QImage image(w->size(), QImage::Format_ARGB32);
                image.fill(Qt::transparent);
                w->render(&image);
                painter.drawImage(x, y, image);
                y += w->height() + gap;
            }
        };
        place(left, gap);
        place(right, gap + left_width + gap);
        painter.end();
        return sheet.save(QString::fromStdString(path));
    }

    std::string name_;
    int port_ = 0;
    std::string join_room_;
    std::string old_password_, new_password_;
    bool login_pending_ = false;
    AnsweringBoxes boxes_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<CLeftFormMembers> page_;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string name = "client";
    int port = 0;
    std::string language;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--name")
            name = argv[i + 1];
        else if (a == "--port")
            port = std::atoi(argv[i + 1]);
        else if (a == "--language")
            language = argv[i + 1];
    }
    QtWindowMessageBridge::install();
    // The language as the program takes it from its settings at start.
    if (!language.empty()) {
        reg_write("general", "language", language);
        install_translations();
    }
    // The peer port goes to the server in the 84 only when the setting names it.
    if (const char* peer_port = std::getenv("TAMBLO_PEER_PORT"))
        reg_write("general", "peer_port", peer_port);
    install_program_parts();
    init_global_state();
    g_global_state_ready = 1;
    start_voice_threads();
    Client client(name, port);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QApplication::quit();
            return;
        }
        pending.append(buffer, static_cast<size_t>(n));
        size_t end = 0;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            client.run(line);
        }
    });
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        client.tick();
        // The chairman password is answered with OK and nothing typed (the
        // room has none); the login and room dialogs the frame opens by
        // itself are closed: the test logs in and joins through its commands.
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            if (dynamic_cast<CDlgMeetingRoomChairmanPasswd*>(dialog))
                dialog->accept();
            else if (auto* change = dynamic_cast<CDlgChangePasswd*>(dialog))
                client.answer(change);
            else
                dialog->reject();
        }
    });
    ticker.start(20);
    int rc = app.exec();
    destroy_private_chats();
    g_main_sock.close_socket();
    g_voice_sock.close_socket();
    g_share_app_sock.close_socket();
    g_file_sock.close_socket();
    ::_exit(rc);
}
