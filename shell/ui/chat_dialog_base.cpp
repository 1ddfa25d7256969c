#include "shell/ui/chat_dialog_base.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "platform/ui/translations.h"
#include "shell/chat_rules.h"
#include "shell/ui/chat_rich_text.h"
#include "skin/skin_table.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_edit.h"

#include <QColorDialog>
#include <QComboBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {

std::function<std::optional<ChatColour>()>& colour_answer()
{
    static std::function<std::optional<ChatColour>()> answer;
    return answer;
}

constexpr uint8_t effect_bits[4] = { chat_effect_bold, chat_effect_italic, chat_effect_underline,
                                     chat_effect_strike_out };

} // namespace

void set_chat_colour_answer(std::function<std::optional<ChatColour>()> answer) { colour_answer() = std::move(answer); }

CChatEffectButton::CChatEffectButton(int id, const QString& letter, uint8_t effect, QWidget* parent)
    : CMyButton(id, letter, parent), effect_(effect)
{
    setCheckable(true);
    setMinimumSize(26, 23);
    setMaximumWidth(30);
    QFont f = font();
    f.setBold(effect == chat_effect_bold);
    f.setItalic(effect == chat_effect_italic);
    f.setUnderline(effect == chat_effect_underline);
    f.setStrikeOut(effect == chat_effect_strike_out);
    setFont(f);
}

void CChatEffectButton::paintEvent(QPaintEvent* event)
{
    CMyButton::paintEvent(event);
    if (!isChecked())
        return;
    try {
        // Pressed: a sunken inner frame in the pushed colour.
        GdiPainter dc(this);
        const int w = width();
        const int h = height();
        dc.select_pen(skin_word_value(skin_word::button_frame_pushed));
        dc.polyline({ { 1, h - 2 }, { 1, 1 }, { w - 1, 1 } });
        dc.polyline({ { 2, h - 3 }, { 2, 2 }, { w - 2, 2 } });
        dc.select_pen(0xffffff);
        dc.polyline({ { 2, h - 2 }, { w - 2, h - 2 }, { w - 2, 1 } });
    } catch (...) {
        dbg_log("exception in CChatEffectButton::paintEvent.\n");
    }
}

CChatDialogBase::CChatDialogBase(int template_id, int typing_id, QWidget* parent) : Cgood_dlg(template_id, parent)
{
    setModal(false);
    typing_ = new CMyEdit(typing_id, this);
    typing_->setAcceptRichText(false);
    size_list_ = new QComboBox(this);
    set_control_id(size_list_, 1106);
    for (int size = chat_size_first; size <= chat_size_last; ++size)
        size_list_->addItem(QString::number(size), size);
    size_list_->setCurrentIndex(chat_size_start_index);
    const char* letters[4] = { "B", "I", "U", "S" };
    for (int i = 0; i < 4; ++i)
        effects_[static_cast<size_t>(i)] = new CChatEffectButton(1164 + i, letters[i], effect_bits[i], this);
    send_on_return_ = new CMyCheckBox(1009, tr_ui("Send On Return"), this);
    send_on_return_->setChecked(true);
    send_ = new CMyButton(1007, tr_ui("Send"), this);
    auto* clear = new CMyButton(1008, tr_ui("Clear"), this);
    auto* save = new CMyButton(1170, tr_ui("Save"), this);
    auto* close = new CMyButton(1, tr_ui("Close"), this);

    connect(send_, &QPushButton::clicked, this, &CChatDialogBase::OnSend);
    connect(clear, &QPushButton::clicked, this, &CChatDialogBase::OnClear);
    connect(save, &QPushButton::clicked, this, &CChatDialogBase::OnSave);
    connect(close, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(typing_, &QTextEdit::textChanged, this, &CChatDialogBase::OnTypingChanged);

    // The top row leaves the swatch its place at (15, 15) of the client area.
    auto* style_row = new QHBoxLayout;
    style_row->addSpacing(chat_swatch_x + chat_swatch_size + 8 - 14);
    style_row->addWidget(size_list_);
    style_row->addSpacing(6);
    for (CChatEffectButton* b : effects_)
        style_row->addWidget(b);
    style_row->addStretch(1);
    conversation_ = new QVBoxLayout;
    auto* send_row = new QHBoxLayout;
    send_row->addWidget(send_on_return_);
    send_row->addStretch(1);
    send_row->addWidget(send_);
    send_row->addWidget(clear);
    send_row->addWidget(save);
    send_row->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addLayout(style_row);
    layout->addLayout(conversation_, 1);
    layout->addWidget(typing_);
    layout->addLayout(send_row);
}

void CChatDialogBase::OnCancel() { hide(); }

void CChatDialogBase::OnOK() { hide(); }

size_t CChatDialogBase::send_limit() const { return chat_typed_limit; }

ChatStyle CChatDialogBase::style() const
{
    ChatStyle s;
    s.red = red_;
    s.green = green_;
    s.blue = blue_;
    s.size = static_cast<uint8_t>(chat_size_for_index(size_list_->currentIndex()));
    s.effects = chat_effects(effects_[0]->isChecked(), effects_[1]->isChecked(), effects_[2]->isChecked(),
                             effects_[3]->isChecked());
    return s;
}

void CChatDialogBase::set_colour(uint8_t red, uint8_t green, uint8_t blue)
{
    red_ = red;
    green_ = green;
    blue_ = blue;
    const QPoint o = contentsRect().topLeft();
    update(o.x() + chat_swatch_x, o.y() + chat_swatch_y, chat_swatch_size + 1, chat_swatch_size + 1);
}

void CChatDialogBase::empty_typing_field()
{
    emptying_ = true;
    typing_->clear();
    emptying_ = false;
}

void CChatDialogBase::OnSend()
{
    std::optional<std::string> text = chat_text_for_send(typing_->toPlainText().toStdString(), send_limit());
    if (!text)
        return;
    empty_typing_field();
    send_line(*text, style());
}

void CChatDialogBase::OnTypingChanged()
{
    if (emptying_)
        return;
    std::optional<std::string> text =
        chat_text_for_typing(typing_->toPlainText().toStdString(), send_on_return_->isChecked());
    if (!text)
        return;
    empty_typing_field();
    send_line(*text, style());
}

void CChatDialogBase::OnClear() { empty_typing_field(); }

void CChatDialogBase::OnSave()
{
    if (const QTextEdit* edit = saved_edit())
        save_chat_contents(this, *edit);
}

void CChatDialogBase::OnChooseColour()
{
    std::optional<ChatColour> chosen;
    if (colour_answer()) {
        chosen = colour_answer()();
    } else {
        QColor c = QColorDialog::getColor(QColor(red_, green_, blue_), this);
        if (c.isValid())
            chosen = ChatColour { static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                                  static_cast<uint8_t>(c.blue()) };
    }
    if (chosen)
        set_colour(chosen->red, chosen->green, chosen->blue);
    typing_->setFocus();
}

void CChatDialogBase::paintEvent(QPaintEvent* event)
{
    Cgood_dlg::paintEvent(event);
    try {
        GdiPainter dc(this);
        const QPoint o = contentsRect().topLeft();
        const int x = o.x() + chat_swatch_x;
        const int y = o.y() + chat_swatch_y;
        dc.fill_rect(x, y, x + chat_swatch_size, y + chat_swatch_size, make_colorref(red_, green_, blue_));
        dc.select_pen(skin_word_value(skin_word::outline));
        dc.polyline({ { x - 1, y - 1 }, { x + chat_swatch_size, y - 1 }, { x + chat_swatch_size, y + chat_swatch_size },
                      { x - 1, y + chat_swatch_size }, { x - 1, y - 1 } });
    } catch (...) {
        dbg_log("exception in CChatDialogBase::paintEvent.\n");
    }
}

void CChatDialogBase::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint() - contentsRect().topLeft();
    if (event->button() == Qt::LeftButton && chat_swatch_hit(p.x(), p.y())) {
        OnChooseColour();
        return;
    }
    Cgood_dlg::mousePressEvent(event);
}
