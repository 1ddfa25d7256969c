#include "launcher/ui/about_quillet_dlg.h"

#include "core/build_config.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_static.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CAboutQuilletDlg::CAboutQuilletDlg(QWidget* parent) : Cgood_dlg(1, parent)
{
    setObjectName("dlg_1");
    setWindowTitle(tr_ui("About quillet Control"));
    auto* version = new CMyStatic(-1, tr_ui("quillet Version %1.%2.%3")
                                          .arg(TAMBLO_VERSION_MAJOR)
                                          .arg(TAMBLO_VERSION_MINOR)
                                          .arg(TAMBLO_VERSION_BUILD), this);
    auto* what = new CMyStatic(-1, tr_ui("Starts Tamblo from the meeting links of web pages."), this);
    auto* ok = new CMyButton(1, tr_ui("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->addWidget(version);
    layout->addWidget(what);
    layout->addLayout(buttons);
}
