#include "shell/ui/about_dlg.h"

#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_static.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : Cgood_dlg(100, parent)
{
    setObjectName("dlg_100");
    setWindowTitle(tr_ui("About Tamblo"));

    auto* icon = new CMyStatic(-1, QString(), this);
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    auto* version = new CMyStatic(1089, tr_ui("Tamblo Version 1.9.4"), this);
    auto* second = new CMyStatic(1090, tr_ui("A desktop meeting client for Linux."), this);
    auto* ok = new CMyButton(1, tr_ui("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });

    auto* texts = new QVBoxLayout;
    texts->addWidget(version);
    texts->addWidget(second);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->addLayout(row);
    layout->addLayout(buttons);
}
