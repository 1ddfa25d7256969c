#include "dialogs/ui/dlg_invite_url.h"

#include "core/message_box.h"
#include "core/server_table.h"
#include "core/web_host.h"
#include "dialogs/invite_link.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

CDlgInviteURL::CDlgInviteURL(QWidget* parent) : Cgood_dlg(266, parent)
{
    setWindowTitle(tr_ui("Generate Invite URL"));
    server_ = new CMyComboBox(1103, this);
    port_ = new CMyComboBox(1104, this);
    code_ = new CMyEdit_no_scroll(1002, this);
    room_ = new CMyComboBox(1106, this);
    room_->setEditable(true);
    // A typed room is for this link only, not a new entry of the list.
    room_->setInsertPolicy(QComboBox::NoInsert);
    password_ = new CMyEdit_no_scroll(1105, this);
    code_->setMaxLength(static_cast<int>(invite_code_limit));
    room_->lineEdit()->setMaxLength(static_cast<int>(invite_room_limit));
    password_->setMaxLength(static_cast<int>(invite_password_limit));

    link_ = new CMyEdit(1175, this);
    link_->setAcceptRichText(false);
    // The link has no blanks: it wraps at the edge, not at words.
    link_->setWordWrapMode(QTextOption::WrapAnywhere);
    link_->setMinimumSize(420, 110);
    generate_ = new CMyButton(1174, tr_ui("Generate URL and copy to clipboard"), this);
    auto* close = new CMyButton(IDCANCEL, tr_ui("Close"), this);
    generate_->setDefault(true);
    connect(generate_, &QPushButton::clicked, this, [this] { OnGenerate(); });
    connect(close, &QPushButton::clicked, this, [this] { OnCancel(); });

    auto* fields = new QGridLayout;
    int row = 0;
    for (auto [label, control] : std::initializer_list<std::pair<const char*, QWidget*>> {
             { "Server:", server_ }, { "Port:", port_ }, { "Auth Code:", code_ }, { "Meeting Room Name:", room_ },
             { "Meeting Room Passwd:", password_ } }) {
        fields->addWidget(new CMyStatic(-1, tr_ui(label), this), row, 0);
        fields->addWidget(control, row++, 1);
    }
    fields->setColumnStretch(1, 1);

    auto* note = new CMyStatic(
        -1, tr_ui("Please copy the content in the following edit box and send it to your friend in whatever way you like."),
        this);
    note->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(generate_);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addWidget(note);
    layout->addWidget(link_, 1);
    layout->addLayout(buttons);
    setMinimumWidth(460);
}

bool CDlgInviteURL::OnInitDialog()
{
    const InviteStart start = invite_start();
    server_->clear();
    for (const std::string& name : start.servers)
        server_->addItem(q(name));
    server_->setCurrentIndex(start.server_index);

    room_->clear();
    for (const std::string& name : start.rooms)
        room_->addItem(q(name));
    room_->setCurrentIndex(start.room_index);
    room_->setEditText(q(start.room_text));
    code_->setText(q(start.auth_code));
    password_->setText(q(start.room_password));

    port_->clear();
    for (const PortChoice& choice : port_choices())
        port_->addItem(tr_ui(choice.text), choice.port);
    port_->setCurrentIndex(start.port_index);
    Cgood_dlg::OnInitDialog();
    return true;
}

void CDlgInviteURL::OnGenerate()
{
    InviteForm form;
    form.display_name = server_->currentText().toStdString();
    form.port_index = port_->currentIndex();
    form.auth_code = code_->text().toStdString();
    form.room_name = room_->currentText().toStdString();
    form.room_password = password_->text().toStdString();
    std::optional<InviteValues> values = invite_values(form);
    if (!values || web_host_name().empty()) {
        message_box_printf("The invitation link needs a server: please connect to a server first.");
        return;
    }
    link_->setPlainText(q(invite_url_link(web_host_url(""), *values)));
    link_->selectAll();
    link_->ensureCursorVisible();
    link_->copy();
}
