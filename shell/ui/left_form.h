#pragma once
// The left panel of the main frame; its tab control holds the members, files
// and member-pictures pages.

#include "skin/ui/my_form_view.h"

class CLeftForm : public CMyFormView {
    Q_OBJECT
public:
    explicit CLeftForm(QWidget* parent = nullptr);

private:
    CViewCanvas* canvas_ = nullptr;
};
