// Pictures of the launcher's windows in English and Chinese, in the fixed
// "Default Blue" scheme the launcher uses: the name dialog under a link's
// caption band, the download dialog at rest and under way, the about box.
// Each is also checked for texts its controls would clip.

#include "core/ui_text.h"
#include "dialogs/internet_update.h"
#include "dialogs/ui/dlg_internet_update.h"
#include "launcher/ui/about_quillet_dlg.h"
#include "launcher/ui/dlg_login.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_static.h"
#include "tests/skin/paint_probe.h"
#include "tests/skin/screenshots.h"
#include "tests/support/temp_home.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

// No button or one-line label of the window is narrower than its text.
void expect_nothing_clipped(QWidget& window, const QString& what)
{
    for (QAbstractButton* b : window.findChildren<QAbstractButton*>())
        EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), b->width()) << what.toStdString() << ": " << b->text().toStdString();
    for (QLabel* l : window.findChildren<QLabel*>()) {
        if (!l->wordWrap() && !l->text().isEmpty()) {
            EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width()) << what.toStdString() << ": " << l->text().toStdString();
        }
    }
}

void shoot(QWidget& window, const QString& name)
{
    window.show();
    QApplication::processEvents();
    expect_nothing_clipped(window, name);
    EXPECT_TRUE(render(window).save(screenshot_dir() + "/" + name + ".png")) << name.toStdString();
}

} // namespace

TEST(QuilletScreens, NameDownloadAndAboutDialogs)
{
    TempHome home;
    set_text_translator([](const char* source) { return QCoreApplication::translate("tamblo", source).toStdString(); });
    ASSERT_TRUE(for_each_language_and_scheme([&](const QString& language, int scheme) {
        if (scheme != 0)
            return;
        CquilletCtrl ctrl;
        ctrl.set_from_color(0, 70, 160);
        ctrl.set_to_color(120, 190, 255);
        ctrl.set_text_color(255, 255, 255);
        ctrl.set_text(language == "zh" ? "\xE6\xAF\x8F\xE5\x91\xA8\xE4\xBE\x8B\xE4\xBC\x9A - Lobby" : "Weekly meeting - Lobby");
        CDlgLogin name(ctrl);
        shoot(name, "quillet_name_dlg_" + language);

        CDlgInternetUpdate download(213, 203);
        shoot(download, "quillet_download_dlg_" + language);
        g_update_progress.total = 3145728;
        g_update_progress.received = 1258291;
        download.OnTimer();
        // As it stands while its thread downloads.
        download.start_button()->setEnabled(false);
        shoot(download, "quillet_download_dlg_under_way_" + language);
        g_update_progress.total = 0;
        g_update_progress.received = 0;

        CAboutQuilletDlg about;
        shoot(about, "quillet_about_dlg_" + language);
    }));
    set_text_translator(nullptr);
}
