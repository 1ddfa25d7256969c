#pragma once
// The left panel of the main frame (dialog 129): the skin's panel background
// and the tab control whose pages are the members, files and member-pictures
// pages.

#include "skin/ui/my_form_view.h"

class CLeftFormTab;

class CLeftForm : public CMyFormView {
    Q_OBJECT
public:
    explicit CLeftForm(QWidget* parent = nullptr);
    ~CLeftForm() override;

    CLeftFormTab* tab() const { return tab_; }

private:
    CLeftFormTab* tab_ = nullptr;
};

// The process's left form while it exists.
extern CLeftForm* g_left_form;
