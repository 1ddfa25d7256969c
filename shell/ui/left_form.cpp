#include "shell/ui/left_form.h"

CLeftForm::CLeftForm(QWidget* parent) : CMyFormView(129, parent)
{
    setObjectName("left_form");
    canvas_ = new CViewCanvas;
    setWidgetResizable(true);
    setWidget(canvas_);
}
