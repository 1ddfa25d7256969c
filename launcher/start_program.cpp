#include "launcher/start_program.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "core/web_host.h"
#include "dialogs/update_download.h"
#include "platform/sys/process.h"

namespace {

const char* const not_installed_format =
    "Your tamblo software is not installed\n Would you like to download and install it now?\n"
    "(If the download does not work, get the package yourself from %s)";

int offer_package(const LauncherActions& actions)
{
    if (message_box_printf_yes_no("%s", not_installed_text().c_str()) != IDYES)
        return 0;
    return actions.download_and_install();
}

} // namespace

std::string not_installed_text()
{
    return format_text(tr_text(not_installed_format).c_str(), web_host_url(update_package_path).c_str());
}

std::string find_tamblo_program(const std::string& launcher_folder)
{
    // A store that cannot be read is said by reg_read and leaves the path empty.
    std::string exe_path;
    reg_read("tamblo", "exe_path", exe_path, exe_path_limit + 1);
    // A stored path is where tamblo was; anything else there is no tamblo.
    if (!exe_path.empty())
        return platform::is_executable_file(exe_path) ? exe_path : std::string();
    if (std::string beside = launcher_folder + "tamblo"; platform::is_executable_file(beside))
        return beside;
    return platform::find_program("tamblo");
}

int start_program(CquilletCtrl& ctrl, const std::string& launcher_folder, const LauncherActions& actions)
{
    g_server_host.set(ctrl.server_addr());
    std::string program = find_tamblo_program(launcher_folder);
    if (program.empty())
        return offer_package(actions);
    if (!actions.ask_name(ctrl))
        return 0;
    if (!actions.start_detached(program, ctrl.launch_argument())) {
        message_box_printf("Failed to start %s.", program.c_str());
        return -1;
    }
    return 0;
}

std::optional<std::string> launcher_name_refusal(const std::string& name)
{
    if (name.find(':') != std::string::npos)
        return "The name entered should not contain ':'";
    if (name.find_first_not_of(" \t") == std::string::npos)
        return "The name entered should not be blank.";
    return std::nullopt;
}

bool take_launcher_name(const std::string& typed, CquilletCtrl& ctrl)
{
    std::string name = cut_copy(typed, launcher_name_read_limit);
    if (std::optional<std::string> refusal = launcher_name_refusal(name)) {
        message_box_printf("%s", tr_text(refusal->c_str()).c_str());
        return false;
    }
    ctrl.set_user_name(name);
    return true;
}
