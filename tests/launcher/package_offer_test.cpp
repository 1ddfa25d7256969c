// Yes to the offer without tamblo: the launcher's download dialog fetches the
// package and its signature from tamblo-server's web host, checks them, and
// "Install" hands the package to the desktop's handler of Debian packages
// (here a test handler that logs what it was given). A package the keyring
// did not sign is never offered for installation.

#include "core/message_box.h"
#include "core/settings.h"
#include "core/web_host.h"
#include "dialogs/internet_update.h"
#include "dialogs/ui/dlg_internet_update.h"
#include "launcher/start_program.h"
#include "launcher/ui/package_offer.h"
#include "platform/sys/process.h"
#include "skin/ui/my_button.h"
#include "tests/dialogs/download_driver.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/update_package.h"
#include "tests/support/xvfb.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* was = std::getenv(name))
            was_ = was;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (was_)
            ::setenv(name_, was_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> was_;
};

} // namespace

TEST(PackageOffer, YesDownloadsAndChecksThePackageAndInstallOpensIt)
{
    TempHome home;
    XvfbServer xvfb; // xdg-open's generic mode asks for a display
    ASSERT_TRUE(xvfb.running());
    const std::string made = home.root() + "/made";
    fs::create_directories(made);
    std::string package = build_test_package(made, "tamblo.deb", "tamblo", machine_architecture(), 4000);
    ASSERT_FALSE(package.empty());
    TestSigningKey key(made + "/key");
    TestSigningKey stranger(made + "/stranger");
    ASSERT_TRUE(key.ready() && stranger.ready());
    const fs::path site = fs::path(home.root()) / "site";
    fs::create_directories(site / "home/release");
    ServerProcess web({ "--web", "127.0.0.1:0", "--web-root", site.string() });
    ASSERT_NE(web.web_port(), 0);
    reg_write_int("general", "web_port", web.web_port());
    ScopedEnv keyring("TAMBLO_UPDATE_KEYRING", key.keyring());
    const std::string opened_log = home.root() + "/opened.txt";
    ScopedEnv fake_log("FAKE_TAMBLO_LOG", opened_log);
    ScopedEnv data_dirs("XDG_DATA_DIRS", home.root() + "/no-system-share");
    // xdg-open then asks no X server (xprop) which desktop it is on: that can wait forever.
    ScopedEnv generic_desktop("XDG_CURRENT_DESKTOP", "X-Generic");

    // The desktop's installer, as far as xdg-open can tell.
    fs::create_directories(home.root() + "/data/applications");
    std::ofstream(home.root() + "/data/applications/test-installer.desktop")
        << "[Desktop Entry]\nType=Application\nName=Test installer\nExec=" << TAMBLO_FAKE_PROGRAM
        << " %f\nMimeType=application/vnd.debian.binary-package;\n";
    ASSERT_EQ(platform::run_program({ "xdg-mime", "default", "test-installer.desktop", "application/vnd.debian.binary-package" }), 0);
    reg_write("tamblo", "exe_path", home.root() + "/gone/tamblo");

    struct Case {
        const TestSigningKey* signer;
        bool installed;
        std::vector<std::string> after_offer;
    } cases[] = {
        { &stranger, false, { "The update package is not signed with the update key." } },
        { &key, true, {} },
    };
    for (const Case& k : cases) {
        fs::copy_file(package, site / "home/release/tamblo_install.deb", fs::copy_options::overwrite_existing);
        ASSERT_TRUE(k.signer->sign(package, (site / "home/release/tamblo_install.deb.sig").string()));
        ScriptedMessageBoxes boxes;
        boxes.answer_with(MessageBoxButton::yes);
        DownloadDriver driver;
        CquilletCtrl ctrl;
        ctrl.server_addr("127.0.0.1");
        LauncherActions actions;
        actions.ask_name = [](CquilletCtrl&) { ADD_FAILURE() << "no tamblo, no name"; return false; };
        actions.start_detached = [](const std::string&, const std::string&) { return false; };
        actions.download_and_install = download_and_install_tamblo;
        EXPECT_EQ(start_program(ctrl, home.root() + "/", actions), 0);

        std::vector<std::string> texts = boxes.texts();
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts[0].rfind("Your tamblo software is not installed", 0), 0u);
        EXPECT_NE(texts[0].find(web_host_url(update_package_path)), std::string::npos) << texts[0];
        EXPECT_EQ(std::vector<std::string>(texts.begin() + 1, texts.end()), k.after_offer);
        EXPECT_TRUE(driver.started);
        EXPECT_EQ(driver.installed, k.installed);
        EXPECT_EQ(file_exists(update_final_path(update_target())), k.installed);
    }
    // The handler was given the checked package, once.
    EXPECT_EQ(read_file(opened_log), "1\t" + update_final_path(update_target()) + "\n");
}
