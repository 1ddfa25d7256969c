#include "dialogs/ui/prop_proxy.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "core/ui_text.h"
#include "core/wf_socket.h"
#include "dialogs/option_settings.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_ip_address_ctrl.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QVBoxLayout>

namespace {
// Long enough for a proxy on the far side of a slow link, short enough
// that the page does not seem to hang.
constexpr int test_connect_wait_ms = 8000;
} // namespace

CPropProxy::CPropProxy(QWidget* parent) : CMyPropertyPage(170, tr_ui("Proxy Settings"), parent)
{
    use_proxy_ = new CMyCheckBox(1078, tr_ui("Use Proxy"), this);
    auto* ip_label = new CMyStatic(-1, tr_ui("Proxy IP:"), this);
    address_ = new CMyIPAddressCtrl(1080, this);
    auto* port_label = new CMyStatic(-1, tr_ui("Proxy Port:"), this);
    port_ = new CMyEdit_no_scroll(1079, this);
    port_->setMaxLength(proxy_port_text_limit);
    auto* type_label = new CMyStatic(-1, tr_ui("Proxy Type:"), this);
    type_ = new CMyComboBox(1083, this);
    for (const ProxyTypeEntry& e : proxy_type_entries)
        type_->addItem(tr_ui(e.name), e.value);
    auto* note = new CMyStatic(
        -1, tr_ui("If your proxy server needs authentication, please enter user name and password: "), this);
    note->setWordWrap(true);
    auto* user_label = new CMyStatic(-1, tr_ui("User Name:"), this);
    user_name_ = new CMyEdit_no_scroll(1002, this);
    user_name_->setMaxLength(proxy_text_limit);
    auto* password_label = new CMyStatic(-1, tr_ui("Password:"), this);
    password_ = new CMyEdit_no_scroll(1084, this);
    password_->setMaxLength(proxy_text_limit);
    password_->setEchoMode(QLineEdit::Password);
    test_ = new CMyButton(1085, tr_ui("Test"), this);

    auto modified = [this] { SetModified(true); };
    connect(use_proxy_, &QCheckBox::toggled, this, modified);
    connect(address_, &CMyIPAddressCtrl::address_changed, this, modified);
    connect(port_, &QLineEdit::textEdited, this, modified);
    connect(type_, &QComboBox::activated, this, modified);
    connect(user_name_, &QLineEdit::textEdited, this, modified);
    connect(password_, &QLineEdit::textEdited, this, modified);
    connect(test_, &QPushButton::clicked, this, [this] { OnTest(); });

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->addWidget(ip_label, 0, 0);
    grid->addWidget(address_, 0, 1, Qt::AlignLeft);
    grid->addWidget(port_label, 1, 0);
    grid->addWidget(port_, 1, 1, Qt::AlignLeft);
    grid->addWidget(type_label, 2, 0);
    grid->addWidget(type_, 2, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    port_->setFixedWidth(address_->sizeHint().width() / 2);
    auto* credentials = new QGridLayout;
    credentials->setHorizontalSpacing(8);
    credentials->addWidget(user_label, 0, 0);
    credentials->addWidget(user_name_, 0, 1);
    credentials->addWidget(password_label, 1, 0);
    credentials->addWidget(password_, 1, 1);
    credentials->setColumnStretch(1, 1);
    auto* test_row = new QHBoxLayout;
    test_row->addStretch(1);
    test_row->addWidget(test_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addWidget(use_proxy_);
    layout->addSpacing(4);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(note);
    layout->addLayout(credentials);
    layout->addStretch(1);
    layout->addLayout(test_row);
}

bool CPropProxy::OnInitDialog()
{
    ProxyOptions o = read_proxy_options();
    use_proxy_->setChecked(o.use_proxy);
    if (o.ip_set)
        address_->set_address(o.ip);
    else
        address_->clear_address();
    port_->setText(QString::number(o.port));
    type_->setCurrentIndex(proxy_type_index(o.type));
    user_name_->setText(QString::fromStdString(o.user_name));
    password_->setText(QString::fromStdString(o.password));
    SetModified(false);
    return true;
}

bool CPropProxy::OnApply()
{
    if (proxy_port_for_ok(port_->text().toStdString(), use_proxy_->isChecked()) < 0) {
        message_box_printf("%s", tr_text(proxy_port_refusal).c_str());
        port_->setFocus();
        port_->selectAll();
        return false;
    }
    OnOK();
    return true;
}

void CPropProxy::OnOK()
{
    ProxyOptions o;
    o.use_proxy = use_proxy_->isChecked();
    address_->get_address(o.ip);
    o.ip_set = true;
    o.port = proxy_port_for_ok(port_->text().toStdString(), o.use_proxy);
    if (o.port < 0)
        return;
    o.type = type_->currentData().toInt();
    o.user_name = user_name_->text().toStdString();
    o.password = password_->text().toStdString();
    if (write_proxy_options(o) != 0)
        message_box_printf("set value failed in reg_write.");
    SetModified(false);
}

void CPropProxy::OnTest()
{
    Cwf_socket::start_winsock();
    Cwf_socket test;
    test.name.set("proxy test");
    test.host.set(g_server_host.get());
    test.port = static_cast<uint16_t>(g_server_port.load());
    test.show_errors = 0;
    test.retry = 0;
    test.connect_wait_ms = test_connect_wait_ms;
    // connect_server reads the stored proxy settings, not this page's edits.
    bool ok = test.connect_server() == 0;
    test.close_socket();
    message_box_printf("%s", tr_text(ok ? "connecting success!" : "connecting failed!").c_str());
}
