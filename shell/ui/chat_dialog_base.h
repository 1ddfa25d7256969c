#pragma once
// What the public and the private chat dialogs share: the typing field, the
// size list ("6" to "50", "8" at start), the B, I, U and S toggles, "Send On
// Return" (ticked at start), Send, Clear, Save and Close, and the colour
// swatch at (15, 15) of the client area that opens the colour dialog.
// A line typed here is not shown here: it shows when the server relays it.

#include "core/chat_receive.h"
#include "skin/ui/good_dlg.h"
#include "skin/ui/my_button.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

class CMyCheckBox;
class CMyEdit;
class QComboBox;
class QTextEdit;
class QVBoxLayout;

// A toggle of the chat's effects: pressed (1) or not (0), drawn sunken with
// its letter in its own effect.
class CChatEffectButton : public CMyButton {
    Q_OBJECT
public:
    CChatEffectButton(int id, const QString& letter, uint8_t effect, QWidget* parent);
    int pressed() const { return isChecked() ? 1 : 0; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint8_t effect_ = 0;
};

class CChatDialogBase : public Cgood_dlg {
    Q_OBJECT
public:
    CChatDialogBase(int template_id, int typing_id, QWidget* parent);

    // Close and the caption's close button only hide the dialog.
    void OnCancel() override;
    void OnOK() override;

    void OnSend();
    void OnClear();
    void OnSave();
    void OnTypingChanged();
    // Opens the colour dialog (tests answer it with set_chat_colour_answer).
    void OnChooseColour();

    // The style the controls give a line now.
    ChatStyle style() const;
    void set_colour(uint8_t red, uint8_t green, uint8_t blue);

    CMyEdit* typing_edit() const { return typing_; }
    QComboBox* size_list() const { return size_list_; }
    CChatEffectButton* effect_button(int index) const { return effects_[static_cast<size_t>(index)]; }
    CMyCheckBox* send_on_return_check() const { return send_on_return_; }
    CMyButton* send_button() const { return send_; }

protected:
    // The line to the server, style included.
    virtual void send_line(const std::string& text, const ChatStyle& style) = 0;
    // The control Save writes out.
    virtual const QTextEdit* saved_edit() const = 0;
    // Read limit of "Send".
    virtual size_t send_limit() const;
    // Where the conversation goes (above the typing field), for the private dialog.
    QVBoxLayout* conversation_area() const { return conversation_; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void empty_typing_field();

    CMyEdit* typing_ = nullptr;
    QComboBox* size_list_ = nullptr;
    std::array<CChatEffectButton*, 4> effects_ {};
    CMyCheckBox* send_on_return_ = nullptr;
    CMyButton* send_ = nullptr;
    QVBoxLayout* conversation_ = nullptr;
    uint8_t red_ = 64, green_ = 64, blue_ = 224;
    bool emptying_ = false;
};

// Tests answer the colour dialog: the chosen colour, or nothing for Cancel.
struct ChatColour {
    uint8_t red, green, blue;
};
void set_chat_colour_answer(std::function<std::optional<ChatColour>()> answer);
