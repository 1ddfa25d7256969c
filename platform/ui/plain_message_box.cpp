#include "platform/ui/plain_message_box.h"

#include "platform/ui/translations.h"
#include "platform/ui/window_bridge.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

// On the UI thread: the box, modal, and its result.
int exec_plain_box(MessageBoxKind kind, int style, const std::string& text)
{
    QMessageBox box;
    box.setWindowTitle(tr_ui("Message"));
    box.setText(QString::fromStdString(text));
    if (kind == MessageBoxKind::yes_no_cancel_box) {
        QAbstractButton* yes = box.addButton(tr_ui("Yes"), QMessageBox::YesRole);
        QAbstractButton* no = box.addButton(tr_ui("No"), QMessageBox::NoRole);
        QAbstractButton* cancel = box.addButton(tr_ui("Cancel"), QMessageBox::RejectRole);
        box.exec();
        QAbstractButton* clicked = box.clickedButton();
        MessageBoxButton pressed = clicked == yes ? MessageBoxButton::yes
            : clicked == no                       ? MessageBoxButton::no
            : clicked == cancel                   ? MessageBoxButton::cancel
                                                  : MessageBoxButton::caption_close;
        return message_box_yes_no_cancel_result(pressed);
    }
    // The yes/no box keeps its English labels in both languages.
    QAbstractButton* first = box.addButton(style == MB_STYLE_YES_NO ? QString("YES") : tr_ui("OK"), QMessageBox::AcceptRole);
    if (style != MB_STYLE_OK)
        box.addButton(style == MB_STYLE_YES_NO ? QString("No") : tr_ui("Cancel"), QMessageBox::RejectRole);
    else
        box.setEscapeButton(first);
    box.exec();
    return message_box_result(style, box.clickedButton() == first ? MessageBoxButton::first : MessageBoxButton::second);
}

} // namespace

int PlainMessageBoxPresenter::show(MessageBoxKind kind, int style, const std::string& text)
{
    int result = 0;
    run_on_ui_thread([&] { result = exec_plain_box(kind, style, text); });
    return result;
}

void PlainMessageBoxPresenter::post(MessageBoxKind kind, int style, const std::string& text)
{
    post_to_ui_thread([kind, style, text] { exec_plain_box(kind, style, text); });
}
