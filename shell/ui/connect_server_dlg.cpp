#include "shell/ui/connect_server_dlg.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/translations.h"
#include "shell/connect_flow.h"
#include "shell/ui/text_box.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_ip_address_ctrl.h"
#include "skin/ui/my_list_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QVBoxLayout>

CDlgConnectServer::CDlgConnectServer(QWidget* parent) : Cgood_dlg(154, parent)
{
    setWindowTitle(tr_ui("Connect to server"));
    auto* choose_label = new CMyStatic(-1, tr_ui("Please choose a server to connect:"), this);
    server_list_ = new CMyListBox(1039, this);
    server_list_->setMinimumHeight(110);
    auto* port_label = new CMyStatic(-1, tr_ui("Port:"), this);
    port_combo_ = new CMyComboBox(1106, this);
    refresh_button_ = new CMyButton(1061, tr_ui("Refresh List"), this);

    manual_check_ = new CMyCheckBox(1059, tr_ui("Specify IP and port manually"), this);
    auto* ip_label = new CMyStatic(-1, tr_ui("IP:"), this);
    address_edit_ = new CMyIPAddressCtrl(1060, this);
    address_edit_->set_address(IpAddressBytes { 127, 0, 0, 1 });
    auto* manual_port_label = new CMyStatic(-1, tr_ui("Port:"), this);
    port_edit_ = new CMyEdit_no_scroll(1002, this);
    port_edit_->setValidator(new QIntValidator(0, 99999, port_edit_));
    port_edit_->setText("9081");

    auto_connect_check_ = new CMyCheckBox(1149, tr_ui("Automatically connect me next time"), this);
    refresh_status_ = new CMyStatic(-1, QString(), this);
    ok_button_ = new CMyButton(1, tr_ui("OK"), this);
    cancel_button_ = new CMyButton(2, tr_ui("Cancel"), this);
    ok_button_->setDefault(true);

    auto* choice_row = new QHBoxLayout;
    choice_row->addWidget(port_label);
    choice_row->addWidget(port_combo_, 1);
    choice_row->addSpacing(12);
    choice_row->addWidget(refresh_button_);

    auto* manual_grid = new QGridLayout;
    manual_grid->setContentsMargins(20, 0, 0, 0);
    manual_grid->addWidget(ip_label, 0, 0);
    manual_grid->addWidget(address_edit_, 0, 1);
    manual_grid->addWidget(manual_port_label, 0, 2);
    manual_grid->addWidget(port_edit_, 0, 3);
    manual_grid->setColumnStretch(1, 3);
    manual_grid->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(refresh_status_, 1);
    buttons->addWidget(ok_button_);
    buttons->addWidget(cancel_button_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addWidget(choose_label);
    layout->addWidget(server_list_, 1);
    layout->addLayout(choice_row);
    layout->addSpacing(6);
    layout->addWidget(manual_check_);
    layout->addLayout(manual_grid);
    layout->addSpacing(6);
    layout->addWidget(auto_connect_check_);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    setMinimumWidth(400);

    connect(server_list_, &QListWidget::itemDoubleClicked, this, [this] { OnOK(); });
    connect(manual_check_, &QCheckBox::toggled, this, [this] { update_enabled(); });
    connect(refresh_button_, &QPushButton::clicked, this, &CDlgConnectServer::OnRefreshList);
    connect(ok_button_, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel_button_, &QPushButton::clicked, this, [this] { OnCancel(); });
}

CDlgConnectServer::~CDlgConnectServer() { end_refresh_worker(); }

bool CDlgConnectServer::OnInitDialog()
{
    auto_connect_check_->setChecked(auto_connect_checked());
    fill_server_list();
    port_combo_->clear();
    for (const PortChoice& port : port_choices())
        port_combo_->addItem(tr_ui(port.text), port.port);
    port_combo_->setCurrentIndex(port_choice_default);
    update_enabled();
    Cgood_dlg::OnInitDialog();
    return true;
}

void CDlgConnectServer::fill_server_list()
{
    server_list_->clear();
    for (const ServerLine& line : server_list_lines()) {
        auto* item = new QListWidgetItem(QString::fromStdString(line.show_name), server_list_);
        item->setData(Qt::UserRole, line.index);
    }
    if (server_list_->count() > 0)
        server_list_->setCurrentRow(0);
}

void CDlgConnectServer::update_enabled()
{
    const bool manual = manual_check_->isChecked();
    address_edit_->setEnabled(manual && !refreshing_);
    port_edit_->setEnabled(manual && !refreshing_);
    server_list_->setEnabled(!manual && !refreshing_);
    port_combo_->setEnabled(!manual && !refreshing_);
    refresh_button_->setEnabled(!refreshing_);
    ok_button_->setEnabled(!refreshing_);
}

std::array<int, 4> CDlgConnectServer::typed_address() const
{
    IpAddressBytes bytes {};
    address_edit_->get_address(bytes);
    return { bytes[0], bytes[1], bytes[2], bytes[3] };
}

void CDlgConnectServer::OnOK()
{
    if (refreshing_)
        return;
    std::string refusal;
    if (manual_check_->isChecked()) {
        refusal = choose_manual_server(typed_address(), port_edit_->text().toStdString(), choice_);
    } else {
        QListWidgetItem* item = server_list_->currentItem();
        int index = item && item->isSelected() ? item->data(Qt::UserRole).toInt() : -1;
        refusal = choose_listed_server(index, port_combo_->currentIndex(), choice_);
    }
    if (!refusal.empty()) {
        show_text_box(refusal);
        return;
    }
    store_auto_connect(auto_connect_check_->isChecked(), choice_);
    Cgood_dlg::OnOK();
}

void CDlgConnectServer::OnCancel()
{
    end_refresh_worker();
    Cgood_dlg::OnCancel();
}

void CDlgConnectServer::OnRefreshList()
{
    if (refreshing_)
        return;
    end_refresh_worker();
    refreshing_ = true;
    refresh_cancel_ = false;
    refresh_status_->setText(tr_ui("Refreshing the server list..."));
    update_enabled();
    // The answer can take seconds: the worker waits, the window stays usable.
    refresh_worker_ = std::thread([this] {
        ServerListRefresh result = ServerListRefresh::no_connection;
        try {
            result = refresh_server_list(refresh_cancel_);
        } catch (...) {
            dbg_log("exception in CDlgConnectServer::OnRefreshList worker.\n");
        }
        post_window_message(WindowSlot::connect_server, WM_MY_MSG_SERVER_LIST_REFRESHED,
                            static_cast<uintptr_t>(result));
    });
}

void CDlgConnectServer::OnMyMsgServerListRefreshed(int result)
{
    refreshing_ = false;
    end_refresh_worker();
    if (static_cast<ServerListRefresh>(result) == ServerListRefresh::saved) {
        fill_server_list();
        refresh_status_->setText(QString());
    } else {
        refresh_status_->setText(tr_ui("No server list came from the server."));
    }
    update_enabled();
}

void CDlgConnectServer::end_refresh_worker()
{
    if (!refresh_worker_.joinable())
        return;
    refresh_cancel_ = true;
    refresh_worker_.join();
    refresh_cancel_ = false;
}

intptr_t CDlgConnectServer::handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t)
{
    if (msg == WM_MY_MSG_SERVER_LIST_REFRESHED)
        OnMyMsgServerListRefreshed(static_cast<int>(wparam));
    return 0;
}
