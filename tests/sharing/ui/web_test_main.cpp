// Browser-window tests: WebEngine prepared as the program does it, then a
// QApplication on the offscreen platform with the window-message bridge.
#include "platform/ui/window_bridge.h"
#include "sharing/ui/dlg_ie.h"
#include "sharing/ui/web_browser2.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    prepare_web_engine();
    QApplication app(argc, argv);
    QtWindowMessageBridge::install();
    ::testing::InitGoogleTest(&argc, argv);
    int code = RUN_ALL_TESTS();
    destroy_dlg_ie();
    return code;
}
