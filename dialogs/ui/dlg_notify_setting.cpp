#include "dialogs/ui/dlg_notify_setting.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "core/server_table.h"
#include "core/text_util.h"
#include "core/ui_text.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include <ctime>
#include <functional>

namespace {

constexpr int duration_hours_preset = 1;

// Entries shown by text, each with its number as value; the one equal to preset selected.
void fill_numbers(CMyComboBox* combo, int first, int last, int preset, const std::function<QString(int)>& text)
{
    combo->clear();
    for (int n = first; n <= last; ++n)
        combo->addItem(text(n), n);
    combo->setCurrentIndex(combo->findData(preset));
}

QString plain_number(int n) { return QString::number(n); }
QString two_wide(int n) { return QString::fromStdString(format_text("%2d", n)); }

std::string text_of(const QString& text) { return cut_copy(text.toStdString(), notify_value_limit); }
int value_of(const CMyComboBox* combo) { return combo->currentData().toInt(); }

} // namespace

CDlgNotifySetting::CDlgNotifySetting(QWidget* parent) : Cgood_dlg(229, parent)
{
    setWindowTitle(tr_ui("Notification Settings"));
    server_ = new CMyComboBox(1103, this);
    code_ = new CMyEdit_no_scroll(1002, this);
    room_ = new CMyComboBox(1106, this);
    room_->setEditable(true);
    room_->lineEdit()->setMaxLength(static_cast<int>(notify_value_limit));
    password_ = new CMyEdit_no_scroll(1105, this);
    for (CMyEdit_no_scroll* edit : { code_, password_ })
        edit->setMaxLength(static_cast<int>(notify_value_limit));
    year_ = new CMyComboBox(1107, this);
    month_ = new CMyComboBox(1108, this);
    day_ = new CMyComboBox(1109, this);
    hour_ = new CMyComboBox(1110, this);
    minute_ = new CMyComboBox(1111, this);
    duration_hours_ = new CMyComboBox(1115, this);
    duration_minutes_ = new CMyComboBox(1116, this);
    title_ = new CMyEdit_no_scroll(1120, this);
    content_ = new CMyEdit(1112, this);
    content_->setAcceptRichText(false);
    content_->setMinimumSize(420, 110);

    auto label = [this](const char* text) { return new CMyStatic(-1, tr_ui(text), this); };
    auto* fields = new QGridLayout;
    fields->addWidget(label("Server:"), 0, 0);
    fields->addWidget(server_, 0, 1);
    fields->addWidget(label("Auth Code:"), 0, 2);
    fields->addWidget(code_, 0, 3);
    fields->addWidget(label("Meeting Room Name:"), 1, 0);
    fields->addWidget(room_, 1, 1);
    fields->addWidget(label("Meeting Room Passwd:"), 1, 2);
    fields->addWidget(password_, 1, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto* when = new QHBoxLayout;
    when->addWidget(label("Scheduled meeting time:"));
    for (CMyComboBox* combo : { year_, month_, day_, hour_ })
        when->addWidget(combo);
    when->addWidget(new CMyStatic(-1, ":", this));
    when->addWidget(minute_);
    when->addStretch(1);

    auto* lasting = new QHBoxLayout;
    lasting->addWidget(label("Duration:"));
    lasting->addWidget(duration_hours_);
    lasting->addWidget(label("hours"));
    lasting->addWidget(duration_minutes_);
    lasting->addWidget(label("minutes"));
    lasting->addStretch(1);

    auto* title_row = new QHBoxLayout;
    title_row->addWidget(label("Notification Title"));
    title_row->addWidget(title_, 1);

    auto* note = label("Please note, Meeting Room Name and Meeting Room Passwd is case sensitive and should be exactly "
                       "match. OK writes the appointment for your calendar and opens one mail for each person in "
                       "your mail program.");
    note->setWordWrap(true);

    QHBoxLayout* buttons = ok_cancel_row();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addLayout(fields);
    layout->addSpacing(4);
    layout->addLayout(when);
    layout->addLayout(lasting);
    layout->addLayout(title_row);
    layout->addWidget(label("Notification mail content:"));
    layout->addWidget(content_, 1);
    layout->addWidget(note);
    layout->addLayout(buttons);
}

bool CDlgNotifySetting::OnInitDialog()
{
    server_->clear();
    for (int i = 0; i < server_count; ++i) {
        server_entry_record entry = server_entry_copy(i);
        if (entry.in_use)
            server_->addItem(QString::fromUtf8(entry.show_name.data()));
    }
    server_->setCurrentIndex(server_->count() > 0 ? 0 : -1);
    room_->clear();
    for (const room_entry_record& room : room_entry) {
        if (room.in_use)
            room_->addItem(QString::fromUtf8(room.name.data()));
    }
    room_->setEditText(QString::fromStdString(cut_copy(g_room_name.get(), notify_value_limit)));
    code_->setText(QString::fromStdString(cut_copy(g_access_code.get(), notify_value_limit)));
    password_->setText(QString::fromStdString(cut_copy(g_room_password.get(), notify_value_limit)));

    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    const std::vector<int> years = schedule_years(local.tm_year + 1900);
    fill_numbers(year_, years.front(), years.back(), years.front(), plain_number);
    fill_numbers(month_, 1, 12, local.tm_mon + 1, plain_number);
    fill_numbers(day_, 1, 31, local.tm_mday, plain_number);
    fill_numbers(hour_, 0, 23, local.tm_hour, [](int h) { return QString::fromStdString(schedule_hour_text(h)); });
    fill_numbers(minute_, 0, 59, local.tm_min, two_wide);
    fill_numbers(duration_hours_, 0, 23, duration_hours_preset, plain_number);
    fill_numbers(duration_minutes_, 0, 59, 0, plain_number);
    return Cgood_dlg::OnInitDialog();
}

void CDlgNotifySetting::OnOK()
{
    NotifySettings s;
    // The whole name, so that a long one still finds its entry.
    s.server.display_name = cut_copy(server_->currentText().toStdString(), invite_display_name_limit);
    s.server.auth_code = text_of(code_->text());
    s.server.room_name = text_of(room_->currentText());
    s.server.room_password = text_of(password_->text());
    s.year = value_of(year_);
    s.month = value_of(month_);
    s.day = value_of(day_);
    s.hour = value_of(hour_);
    s.minute = value_of(minute_);
    s.duration_hours = value_of(duration_hours_);
    s.duration_minutes = value_of(duration_minutes_);
    s.title = title_->text().toStdString();
    s.content = content_->toPlainText().toStdString();
    std::string refusal = complete_notify_settings(s);
    if (!refusal.empty()) {
        message_box_printf("%s", tr_text(refusal.c_str()).c_str());
        return;
    }
    settings_ = std::move(s);
    Cgood_dlg::OnOK();
}
