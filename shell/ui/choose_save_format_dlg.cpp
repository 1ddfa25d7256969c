#include "shell/ui/choose_save_format_dlg.h"

#include "platform/ui/translations.h"
#include "shell/chat_rules.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_static.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CDlgChooseSaveFormat::CDlgChooseSaveFormat(QWidget* parent) : Cgood_dlg(257, parent)
{
    setWindowTitle(tr_ui("Choose Save Format"));
    auto* rtf = new CMyButton(1189, tr_ui("Save As RTF File"), this);
    auto* text = new CMyButton(1190, tr_ui("Save As Text File"), this);
    auto* cancel = new CMyButton(2, tr_ui("Cancel"), this);
    rtf->setDefault(true);
    connect(rtf, &QPushButton::clicked, this, [this] { choose(chat_save_rtf); });
    connect(text, &QPushButton::clicked, this, [this] { choose(chat_save_text); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(rtf);
    buttons->addWidget(text);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addLayout(buttons);
}

void CDlgChooseSaveFormat::choose(int choice)
{
    choice_ = choice;
    OnOK();
}
