#include "dialogs/ui/dlg_choose_browser.h"

#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_static.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgChooseBrowser::CDlgChooseBrowser(QWidget* parent) : Cgood_dlg(255, parent)
{
    setWindowTitle(tr_ui("Choose Browser"));
    label_ = new CMyStatic(1089,
                           tr_ui("It is recommended to choose \"Tamblo Browser\": pages you browse in the system "
                                 "browser are not followed by the others."),
                           this);
    label_->setWordWrap(true);
    own_ = new CMyButton(1159, tr_ui("Tamblo Browser"), this);
    system_ = new CMyButton(1160, tr_ui("System Browser"), this);
    cancel_ = new CMyButton(2, tr_ui("Cancel"), this);
    own_->setDefault(true);
    connect(own_, &QPushButton::clicked, this, [this] { choose(choose_browser_own); });
    connect(system_, &QPushButton::clicked, this, [this] { choose(choose_browser_system); });
    connect(cancel_, &QPushButton::clicked, this, [this] { OnCancel(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(own_);
    buttons->addWidget(system_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addWidget(label_);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void CDlgChooseBrowser::choose(int choice)
{
    choice_ = choice;
    OnOK();
}
