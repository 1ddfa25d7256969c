#include "whiteboard/ui/playback_view.h"

CFormRightUpper4::CFormRightUpper4(QWidget* parent) : CMyFormView(235, parent)
{
    setObjectName("view_playback");
    canvas_ = new CViewCanvas;
    setWidgetResizable(true);
    setWidget(canvas_);
}
