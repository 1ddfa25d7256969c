#include "whiteboard/ui/tool_width_dlg.h"

#include "core/global_state.h"
#include "core/message_box.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_edit.h"
#include "skin/ui/my_static.h"
#include "whiteboard/board_model.h"
#include "whiteboard/board_tool_values.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

board_record* current_page()
{
    int board = g_current_board.load();
    return board_index_valid(board) ? &g_board[static_cast<size_t>(board)] : nullptr;
}

} // namespace

CDlgToolWidth::CDlgToolWidth(int template_id, const char* title, const char* prompt, bool prompt_first, int initial,
                             int max, int refusal_string_id, QWidget* parent)
    : Cgood_dlg(template_id, parent), value_(initial), max_(max), refusal_string_id_(refusal_string_id)
{
    setWindowTitle(tr_ui(title));
    auto* label = new CMyStatic(1089, tr_ui(prompt), this);
    edit_ = new CMyEdit_no_scroll(1002, this);
    edit_->setMaxLength(static_cast<int>(tool_value_chars));
    edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    auto* ok = new CMyButton(IDOK, tr_ui("OK"), this);
    auto* cancel = new CMyButton(IDCANCEL, tr_ui("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);
    if (prompt_first) {
        layout->addWidget(label);
        layout->addWidget(edit_);
    } else {
        auto* row = new QHBoxLayout;
        row->addWidget(label);
        row->addWidget(edit_, 1);
        layout->addLayout(row);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

bool CDlgToolWidth::OnInitDialog()
{
    Cgood_dlg::OnInitDialog();
    edit_->setText(QString::number(value_));
    edit_->selectAll();
    edit_->setFocus();
    return true;
}

void CDlgToolWidth::OnOK()
{
    ToolValueCheck check = board_check_width(edit_->text().toStdString(), max_, refusal_string_id_);
    if (!check.accepted) {
        message_box_id(check.refusal_string_id);
        return;
    }
    value_ = check.value;
    store(value_);
    Cgood_dlg::OnOK();
}

CDlgPenWidth::CDlgPenWidth(QWidget* parent)
    : CDlgToolWidth(134, "Set Pen Width", "Please enter the pen width:", true,
                    current_page() ? current_page()->pen_width : 1, pen_width_max, string_pen_width_range, parent)
{
}

void CDlgPenWidth::store(int value)
{
    if (board_record* page = current_page())
        page->pen_width = value;
}

CDlgEraserWidth::CDlgEraserWidth(QWidget* parent)
    : CDlgToolWidth(135, "Set Eraser Width", "Eraser Width:", false,
                    current_page() ? current_page()->eraser_width : 40, eraser_width_max, string_eraser_width_range,
                    parent)
{
}

void CDlgEraserWidth::store(int value)
{
    if (board_record* page = current_page())
        page->eraser_width = value;
}
