#include "sharing/ui/choose_app_dlg.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "platform/ui/translations.h"
#include "sharing/app_candidates.h"
#include "sharing/share_sharer.h"
#include "sharing/sharing_messages.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_list_ctrl.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int list_id = 1005;
constexpr int share_id = 1006;
constexpr int allow_control_id = 1047;
constexpr int close_id = 1;

QPixmap icon_of(const AppCandidate& c)
{
    if (c.icon_width > 0) {
        QImage image(reinterpret_cast<const uchar*>(c.icon_argb.data()), c.icon_width, c.icon_height, c.icon_width * 4,
                     QImage::Format_ARGB32);
        return QPixmap::fromImage(image.scaled(app_icon_px, app_icon_px, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    // A window without an icon gets the desktop's generic program picture.
    QIcon generic = QIcon::fromTheme("application-x-executable");
    if (!generic.isNull())
        return generic.pixmap(app_icon_px, app_icon_px);
    QPixmap blank(app_icon_px, app_icon_px);
    blank.fill(Qt::transparent);
    return blank;
}

} // namespace

CDlgChooseApp::CDlgChooseApp(QWidget* parent) : Cgood_dlg(139, parent)
{
    setWindowTitle(tr_ui("Please choose an application to share"));
    list_ = new CMyListCtrl(list_id, this);
    list_->insert_column(0, tr_ui("Applications"), 400);
    list_->insert_column(1, QString(), 100);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setMinimumHeight(220);
    allow_control_ = new CMyCheckBox(allow_control_id, tr_ui("Allow Remote Control"), this);
    auto* share = new CMyButton(share_id, tr_ui("Share"), this);
    auto* close = new CMyButton(close_id, tr_ui("Close"), this);
    share->setDefault(true);

    connect(share, &QPushButton::clicked, this, &CDlgChooseApp::OnShare);
    connect(list_, &QAbstractItemView::doubleClicked, this, &CDlgChooseApp::OnShare);
    connect(allow_control_, &QCheckBox::clicked, this, &CDlgChooseApp::OnAllowRemoteControl);
    connect(close, &QPushButton::clicked, this, [this] { OnOK(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(allow_control_);
    buttons->addStretch(1);
    buttons->addWidget(share);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    setMinimumWidth(540);
}

bool CDlgChooseApp::OnInitDialog()
{
    fill_list();
    list_->setFocus();
    Cgood_dlg::OnInitDialog();
    return true;
}

void CDlgChooseApp::fill_list()
{
    list_->delete_all_items();
    std::vector<AppCandidate> candidates = list_share_candidates();
    std::vector<QPixmap> icons;
    icons.reserve(candidates.size());
    for (const AppCandidate& c : candidates)
        icons.push_back(icon_of(c));
    list_->set_image_list(std::move(icons));
    for (size_t i = 0; i < candidates.size(); ++i) {
        int row = list_->insert_item(static_cast<int>(i), QString::fromStdString(candidates[i].title), static_cast<int>(i));
        list_->set_item_data(row, static_cast<int64_t>(candidates[i].window));
    }
}

void CDlgChooseApp::OnShare()
{
    int selected = 0;
    int row = -1;
    for (int at = list_->next_selected_item(); at >= 0; at = list_->next_selected_item(at)) {
        ++selected;
        row = at;
    }
    if (int refusal = choose_app_refusal_id(selected)) {
        message_box_id(refusal);
        return;
    }
    requested_window_ = static_cast<platform::XWindowId>(list_->item_data(row));
    OnAllowRemoteControl();
    send_share_app_start(g_my_customer_id);
}

void CDlgChooseApp::OnAllowRemoteControl()
{
    if (allow_control_->isChecked())
        send_share_app_allow_control(g_my_customer_id);
    else
        send_share_app_deny_control(g_my_customer_id);
}

void CDlgChooseApp::OnMyMsg202()
{
    if (!requested_window_)
        return;
    share_sharer().app_share_approved(requested_window_);
    if (on_share_started_)
        on_share_started_();
    Cgood_dlg::OnOK();
}

void CDlgChooseApp::OnMyMsgShareAppRefused() { message_box_id(33920); }

intptr_t CDlgChooseApp::handle_window_message(uint32_t msg, uintptr_t, intptr_t)
{
    switch (msg) {
    case WM_MY_MSG_202: OnMyMsg202(); break;
    case WM_MY_MSG_SHARE_APP_REFUSED: OnMyMsgShareAppRefused(); break;
    default: break;
    }
    return 0;
}
