#pragma once
// "Choose Browser" (dialog 255), run by Share Browser: "Tamblo Browser"
// closes it with OK and choice 1, "System Browser" with OK and choice 2;
// "Cancel" and the caption's close leave the choice 0.

#include "skin/ui/good_dlg.h"

class CMyButton;
class CMyStatic;

inline constexpr int choose_browser_none = 0;
inline constexpr int choose_browser_own = 1;
inline constexpr int choose_browser_system = 2;

class CDlgChooseBrowser : public Cgood_dlg {
    Q_OBJECT
public:
    explicit CDlgChooseBrowser(QWidget* parent = nullptr);
    int choice() const { return choice_; }
    void choose(int choice);
    CMyStatic* label() const { return label_; }
    CMyButton* own_button() const { return own_; }
    CMyButton* system_button() const { return system_; }
    CMyButton* cancel_button() const { return cancel_; }

private:
    int choice_ = choose_browser_none;
    CMyStatic* label_ = nullptr;
    CMyButton* own_ = nullptr;
    CMyButton* system_ = nullptr;
    CMyButton* cancel_ = nullptr;
};
