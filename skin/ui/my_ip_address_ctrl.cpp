#include "skin/ui/my_ip_address_ctrl.h"

#include "core/dbg_log.h"
#include "platform/ui/control_id.h"
#include "platform/ui/gdi_painter.h"
#include "skin/skin_table.h"
#include "skin/ui/my_list_box.h"
#include "skin/ui/skin_palette.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

constexpr int ip_border_px = 3;

QString digits_of(const QString& text)
{
    QString digits;
    for (QChar c : text)
        if (c.isDigit() && c.unicode() < 128)
            digits += c;
    return digits;
}

} // namespace

CMyIPAddressCtrl::CMyIPAddressCtrl(int id, QWidget* parent) : QWidget(parent)
{
    set_control_id(this, id);
    setFocusPolicy(Qt::StrongFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(ip_border_px, ip_border_px, ip_border_px, ip_border_px);
    row->setSpacing(fontMetrics().horizontalAdvance('.') + 4);
    for (int i = 0; i < ip_field_count; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString("ip_field_%1").arg(i));
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignCenter);
        edit->setMaxLength(ip_field_digits);
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        edit->setMinimumWidth(fontMetrics().horizontalAdvance("000") + 6);
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Base, Qt::white);
        edit->setPalette(pal);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, i] { field_edited(i); });
        fields_[static_cast<size_t>(i)] = edit;
        row->addWidget(edit);
    }
    setFocusProxy(fields_[0]);
}

QSize CMyIPAddressCtrl::sizeHint() const
{
    const int field_w = fontMetrics().horizontalAdvance("000") + 8;
    const int dot_w = fontMetrics().horizontalAdvance('.') + 4;
    return QSize(ip_field_count * field_w + (ip_field_count - 1) * dot_w + 2 * ip_border_px, fontMetrics().height() + 10);
}

QSize CMyIPAddressCtrl::minimumSizeHint() const { return sizeHint(); }

void CMyIPAddressCtrl::set_address(const IpAddressBytes& bytes)
{
    for (int i = 0; i < ip_field_count; ++i)
        fields_[static_cast<size_t>(i)]->setText(QString::number(bytes[static_cast<size_t>(i)]));
}

void CMyIPAddressCtrl::set_address(uint32_t packed) { set_address(ip_address_unpack(packed)); }

void CMyIPAddressCtrl::set_address_from_setting(std::string_view text)
{
    if (std::optional<uint32_t> packed = ip_address_from_setting(text))
        set_address(*packed);
    else
        clear_address();
}

int CMyIPAddressCtrl::get_address(IpAddressBytes& bytes) const
{
    int filled = 0;
    for (int i = 0; i < ip_field_count; ++i) {
        const int value = ip_field_value(fields_[static_cast<size_t>(i)]->text().toStdString());
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(value < 0 ? 0 : value);
        filled += value >= 0;
    }
    return filled;
}

int CMyIPAddressCtrl::get_address(uint32_t& packed) const
{
    IpAddressBytes bytes {};
    const int filled = get_address(bytes);
    packed = ip_address_pack(bytes);
    return filled;
}

void CMyIPAddressCtrl::clear_address()
{
    for (QLineEdit* edit : fields_)
        edit->clear();
}

bool CMyIPAddressCtrl::is_blank() const
{
    for (QLineEdit* edit : fields_)
        if (!edit->text().isEmpty())
            return false;
    return true;
}

void CMyIPAddressCtrl::set_field_focus(int field)
{
    if (field < 0 || field >= ip_field_count)
        return;
    QLineEdit* edit = fields_[static_cast<size_t>(field)];
    edit->setFocus();
    edit->selectAll();
}

int CMyIPAddressCtrl::field_index(QObject* object) const
{
    for (int i = 0; i < ip_field_count; ++i)
        if (fields_[static_cast<size_t>(i)] == object)
            return i;
    return -1;
}

void CMyIPAddressCtrl::field_edited(int index)
{
    if (normalising_)
        return;
    QLineEdit* edit = fields_[static_cast<size_t>(index)];
    // Whatever reached the field (typed, pasted, set), it keeps only digits
    // and never more than 255.
    QString text = digits_of(edit->text()).left(ip_field_digits);
    if (text.toInt() > ip_field_max)
        text = QString::number(ip_field_max);
    if (text != edit->text()) {
        normalising_ = true;
        const int cursor = std::min(edit->cursorPosition(), static_cast<int>(text.size()));
        edit->setText(text);
        edit->setCursorPosition(cursor);
        normalising_ = false;
    }
    emit address_changed();
    // A full field hands the typing on to the next one.
    if (edit->hasFocus() && text.size() == ip_field_digits && edit->cursorPosition() == ip_field_digits &&
        index + 1 < ip_field_count)
        set_field_focus(index + 1);
}

void CMyIPAddressCtrl::normalise_field(int index)
{
    QLineEdit* edit = fields_[static_cast<size_t>(index)];
    const int value = ip_field_value(edit->text().toStdString());
    const QString text = value < 0 ? QString() : QString::number(value);
    if (text != edit->text())
        edit->setText(text);
}

bool CMyIPAddressCtrl::paste_into(int index)
{
    const QString pasted = QGuiApplication::clipboard()->text().trimmed();
    if (std::optional<IpAddressBytes> bytes = ip_address_parse(pasted.toStdString())) {
        set_address(*bytes);
        set_field_focus(ip_field_count - 1);
        return true;
    }
    QLineEdit* edit = fields_[static_cast<size_t>(index)];
    edit->insert(digits_of(pasted));
    return true;
}

bool CMyIPAddressCtrl::eventFilter(QObject* watched, QEvent* event)
{
    const int index = field_index(watched);
    if (index >= 0 && event->type() == QEvent::FocusOut)
        normalise_field(index);
    if (index < 0 || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* edit = fields_[static_cast<size_t>(index)];
    if (key->matches(QKeySequence::Paste))
        return paste_into(index);
    const QString text = key->text();
    switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Space:
        // Only out of a field that holds something: after three digits have
        // moved on by themselves, the dot the user types next stays put.
        if (!edit->text().isEmpty() && index + 1 < ip_field_count)
            set_field_focus(index + 1);
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Left:
        if (edit->cursorPosition() == 0 && !edit->hasSelectedText() && index > 0) {
            QLineEdit* previous = fields_[static_cast<size_t>(index - 1)];
            previous->setFocus();
            previous->end(false);
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (edit->cursorPosition() == edit->text().size() && !edit->hasSelectedText() && index + 1 < ip_field_count) {
            QLineEdit* next = fields_[static_cast<size_t>(index + 1)];
            next->setFocus();
            next->home(false);
            return true;
        }
        return false;
    default: break;
    }
    // Printable keys other than digits are refused; control keys go on.
    if (!text.isEmpty() && text[0].isPrint() && !(text[0].isDigit() && text[0].unicode() < 128))
        return true;
    return false;
}

void CMyIPAddressCtrl::paintEvent(QPaintEvent*)
{
    try {
        for (QLineEdit* edit : fields_)
            follow_skin_text_colour(edit);
        GdiPainter dc(this);
        dc.fill_rect(0, 0, width(), height(), 0xffffff);
        // The dots, centred in the gaps between the fields.
        dc.painter().setFont(font());
        const COLORREF text = isEnabled() ? skin_word_value(skin_word::text)
                                          : color_colorref(palette().color(QPalette::Disabled, QPalette::Text));
        for (int i = 0; i + 1 < ip_field_count; ++i) {
            const QRect a = fields_[static_cast<size_t>(i)]->geometry();
            const QRect b = fields_[static_cast<size_t>(i + 1)]->geometry();
            dc.draw_text(".", QRect(a.right() + 1, a.top(), b.left() - a.right() - 1, a.height()), Qt::AlignCenter, text);
        }
        if (isVisible())
            paint_list_box_border(dc, width(), height());
    } catch (...) {
        dbg_log("exception in CMyIPAddressCtrl::paintEvent.\n");
    }
}
