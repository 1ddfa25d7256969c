#include "core/message_box.h"
#include "platform/ui/translations.h"
#include "platform/ui/window_bridge.h"
#include "shell/ui/brenmo_app.h"
#include "shell/window_system.h"
#include "skin/ui/dlg_messagebox.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// TAMBLO_MESSAGE_BOX_LOG=<file>: the test mode of the message boxes. Every text
// is appended to the file as one line and answered as if closed at once.
class LoggedMessageBoxes : public MessageBoxPresenter {
public:
    explicit LoggedMessageBoxes(std::string path) : path_(std::move(path)) {}
    int show(MessageBoxKind kind, int style, const std::string& text) override
    {
        if (std::FILE* f = std::fopen(path_.c_str(), "a")) {
            std::fprintf(f, "%s\n", text.c_str());
            std::fclose(f);
        }
        return kind == MessageBoxKind::ok_box ? message_box_result(style, MessageBoxButton::caption_close)
                                              : message_box_yes_no_cancel_result(MessageBoxButton::caption_close);
    }

private:
    std::string path_;
};

} // namespace

int main(int argc, char** argv)
{
    if (std::string problem = window_system_problem({ argv + 1, argv + argc }); !problem.empty()) {
        std::fputs(problem.c_str(), stderr);
        return 1;
    }
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Tamblo");
    QtWindowMessageBridge::install();
    install_translations();

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
    if (app.InitInstance())
        code = QApplication::exec();
    code = app.ExitInstance(code);
    set_message_box_presenter(nullptr);
    return code;
}
