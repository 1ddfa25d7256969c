#pragma once
// The playback view: the upper view of a meeting record played back.

#include "skin/ui/my_form_view.h"

class CFormRightUpper4 : public CMyFormView {
    Q_OBJECT
public:
    explicit CFormRightUpper4(QWidget* parent = nullptr);

private:
    CViewCanvas* canvas_ = nullptr;
};
