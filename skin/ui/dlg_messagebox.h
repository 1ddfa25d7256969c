#pragma once
// The program's message boxes: a skinned dialog with the text and one or two
// buttons, and the three-way yes/no/cancel question.

#include "core/message_box.h"
#include "skin/ui/good_dlg.h"

#include <string>

class CMyButton;
class CMyStatic;

class CDlg_messagebox : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlg_messagebox(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    int m_style = MB_STYLE_OK;
    int m_result = 0;
    CMyButton* m_button_1 = nullptr; // control 1
    CMyButton* m_button_2 = nullptr; // control 2
    CMyStatic* m_static = nullptr;   // control 1095
    std::string m_text;
};

class CDlg_messagebox_yes_no_cancel : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlg_messagebox_yes_no_cancel(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    // Escape and the caption's close button end it with the result still 0.
    void OnCancel() override;

    CMyStatic* m_static = nullptr;   // control 1095
    CMyButton* m_button_yes = nullptr;    // 1171
    CMyButton* m_button_no = nullptr;     // 1160
    CMyButton* m_button_cancel = nullptr; // 1172
    int m_result = 0;
    std::string m_text;

private:
    void end_with(int result);
};

// Shows the boxes on the UI thread for whichever thread asks; the caller waits.
class SkinnedMessageBoxPresenter : public MessageBoxPresenter {
public:
    int show(MessageBoxKind kind, int style, const std::string& text) override;
    // Queued to the UI thread; the caller goes on at once.
    void post(MessageBoxKind kind, int style, const std::string& text) override;
};
