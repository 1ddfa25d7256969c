#include "core/dbg_log.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "platform/sys/registry_store.h"
#include "platform/ui/translations.h"
#include "platform/ui/window_bridge.h"
#include "sharing/ui/web_browser2.h"
#include "shell/ui/brenmo_app.h"
#include "shell/window_system.h"
#include "sharing/office_share.h"
#include "sharing/office_uno.h"
#include "skin/ui/dlg_messagebox.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

// The web launcher finds the program here, wherever it was installed.
void remember_program_path()
{
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || settings_store().write("tamblo", "exe_path", self.string()) != platform::StoreResult::ok)
        dbg_log("remember_program_path: exe_path not stored.\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (std::string problem = window_system_problem({ argv + 1, argv + argc }); !problem.empty()) {
        std::fputs(problem.c_str(), stderr);
        return 1;
    }
    prepare_web_engine();
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Tamblo");
    QtWindowMessageBridge::install();
    install_translations();
    set_office_driver_factory(make_uno_office_driver);

    SkinnedMessageBoxPresenter skinned_boxes;
    std::unique_ptr<LoggedMessageBoxes> logged_boxes;
    if (const char* log = std::getenv("TAMBLO_MESSAGE_BOX_LOG"); log && *log) {
        logged_boxes = std::make_unique<LoggedMessageBoxes>(log);
        set_message_box_presenter(logged_boxes.get());
    } else {
        set_message_box_presenter(&skinned_boxes);
    }

    CBrenmoApp app(argc > 1 ? argv[1] : "");
    int code = 0;
    if (app.InitInstance()) {
        remember_program_path();
        code = QApplication::exec();
    }
    code = app.ExitInstance(code);
    set_message_box_presenter(nullptr);
    return code;
}
