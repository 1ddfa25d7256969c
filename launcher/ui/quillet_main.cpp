// CquilletApp: the launcher's start. A meeting link (through the desktop's
// handler of tamblo:// links) starts tamblo with the meeting after the name
// dialog; the options below set it up or say what it is.

#include "core/build_config.h"
#include "core/message_box.h"
#include "launcher/desktop_entry.h"
#include "launcher/launch_link.h"
#include "launcher/start_program.h"
#include "launcher/ui/about_quillet_dlg.h"
#include "launcher/ui/dlg_login.h"
#include "launcher/ui/package_offer.h"
#include "platform/sys/paths.h"
#include "platform/ui/translations.h"
#include "shell/window_system.h"
#include "skin/skin_table.h"
#include "skin/ui/dlg_messagebox.h"

#include <QApplication>
#include <QProcess>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const usage_text =
    "Usage: quillet [--name NAME] LINK\n"
    "       quillet --register | --unregister | --about | --version | --help\n"
    "\n"
    "Starts Tamblo with the meeting of a tamblo://launch?... link, after asking\n"
    "for the name to show in the meeting (--name gives it instead).\n"
    "  --register    make quillet this user's handler of tamblo:// links\n"
    "  --unregister  stop handling them\n"
    "  --about       show what quillet is\n";

struct Request {
    enum class Kind { link, help, version, about, register_handler, unregister_handler, bad } kind = Kind::bad;
    std::string link;
    std::string name;
    bool name_given = false;
};

// Options only where they belong: a link never reads as one.
Request read_arguments(const std::vector<std::string>& args)
{
    Request request;
    using Kind = Request::Kind;
    if (args.size() == 1) {
        const std::string& a = args[0];
        if (a == "--help")
            request.kind = Kind::help;
        else if (a == "--version")
            request.kind = Kind::version;
        else if (a == "--about")
            request.kind = Kind::about;
        else if (a == "--register")
            request.kind = Kind::register_handler;
        else if (a == "--unregister")
            request.kind = Kind::unregister_handler;
        else if (!a.empty() && a[0] != '-')
            request = { Kind::link, a, "", false };
    } else if (args.size() == 3 && args[0] == "--name" && !args[2].empty() && args[2][0] != '-') {
        request = { Kind::link, args[2], args[1], true };
    }
    return request;
}

std::string own_path()
{
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.string();
}

int run_link(const Request& request, LoggedMessageBoxes* logged)
{
    CquilletCtrl ctrl;
    std::string refused;
    if (apply_launch_link(request.link, ctrl, refused) != 0) {
        show_refused_link(refused);
        return 1;
    }
    if (request.name_given && !take_launcher_name(request.name, ctrl))
        return 1;
    LauncherActions actions;
    actions.ask_name = [&](CquilletCtrl& c) {
        if (request.name_given)
            return true;
        if (logged) {
            // The test mode closes the dialog as it closes the boxes.
            logged->log_line(tr_ui("Information Required").toStdString());
            return false;
        }
        CDlgLogin dialog(c);
        return dialog.exec() == IDOK;
    };
    actions.start_detached = [](const std::string& program, const std::string& argument) {
        return QProcess::startDetached(QString::fromStdString(program), { QString::fromStdString(argument) });
    };
    actions.download_and_install = download_and_install_tamblo;
    return start_program(ctrl, platform::program_folder(), actions) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    Request request = read_arguments({ argv + 1, argv + argc });
    using Kind = Request::Kind;
    switch (request.kind) {
    case Kind::help:
        std::fputs(usage_text, stdout);
        return 0;
    case Kind::version:
        std::printf("quillet %d.%d.%d\n", TAMBLO_VERSION_MAJOR, TAMBLO_VERSION_MINOR, TAMBLO_VERSION_BUILD);
        return 0;
    case Kind::register_handler:
        return register_quillet(own_path());
    case Kind::unregister_handler:
        return unregister_quillet();
    case Kind::bad:
        std::fputs(usage_text, stderr);
        return 1;
    case Kind::about:
    case Kind::link:
        break;
    }
    if (std::string problem = window_system_problem({}, "quillet"); !problem.empty()) {
        std::fputs(problem.c_str(), stderr);
        return 1;
    }
    // Qt must not take a link or a name for one of its own options.
    int qt_argc = 1;
    QApplication qapp(qt_argc, argv);
    QApplication::setApplicationName("quillet");
    install_translations();
    skin_table().select_skin(0);

    SkinnedMessageBoxPresenter skinned_boxes;
    std::unique_ptr<LoggedMessageBoxes> logged_boxes;
    if (const char* log = std::getenv("TAMBLO_MESSAGE_BOX_LOG"); log && *log) {
        logged_boxes = std::make_unique<LoggedMessageBoxes>(log);
        set_message_box_presenter(logged_boxes.get());
    } else {
        set_message_box_presenter(&skinned_boxes);
    }
    int code = 0;
    if (request.kind == Kind::about) {
        CAboutQuilletDlg about;
        about.exec();
    } else {
        code = run_link(request, logged_boxes.get());
    }
    set_message_box_presenter(nullptr);
    return code;
}
