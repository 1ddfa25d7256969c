#include "dialogs/internet_update.h"

#include "core/build_config.h"
#include "core/dbg_log.h"
#include "core/folders.h"
#include "core/message_box.h"
#include "core/web_host.h"
#include "platform/sys/process.h"
#include "platform/sys/threads.h"

#include <cstdlib>

UpdateProgress g_update_progress;

std::string update_keyring_path()
{
    const char* chosen = std::getenv("TAMBLO_UPDATE_KEYRING");
    return chosen && *chosen ? chosen : TAMBLO_UPDATE_KEYRING;
}

UpdateTarget update_target()
{
    UpdateTarget target;
    target.host = web_host_name();
    target.port = web_host_port();
    target.authority = web_host_authority();
    std::string user;
    if (get_user_folder(user) == 0)
        target.folder = user + "install/";
    target.keyring = update_keyring_path();
    return target;
}

void g_update_thread()
{
    try {
        UpdateTarget target = update_target();
        if (target.folder.empty()) {
            message_box_printf("Open installation file failed.");
            g_update_progress.state = UpdateState::failed;
            return;
        }
        download_update_package(target, g_update_progress);
    } catch (...) {
        dbg_log("exception in g_update_thread.\n");
        g_update_progress.state = UpdateState::failed;
    }
}

std::string update_install_command(const std::string& path)
{
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return "sudo apt install " + quoted + "'";
}

namespace {

int say_install_by_hand(const std::string& path)
{
    message_box_printf("The package could not be opened for installation. Install it with:\n%s",
                       update_install_command(path).c_str());
    return -1;
}

} // namespace

int open_update_package_now(const std::string& path)
{
    int opened = platform::run_program({ "xdg-open", path });
    if (opened == 0)
        return 0;
    dbg_log("xdg-open %s failed (%d).\n", path.c_str(), opened);
    return say_install_by_hand(path);
}

void open_update_package(const std::string& path)
{
    if (!platform::start_thread("update install", [path] { open_update_package_now(path); }))
        say_install_by_hand(path);
}
