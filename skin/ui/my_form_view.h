#pragma once
// The base of the scrolling views built from a dialog template (shared screen,
// video, playback): a scroll area whose bars are painted in the skin.

#include <QScrollArea>

class CMyFormView : public QScrollArea {
    Q_OBJECT
public:
    explicit CMyFormView(int template_id = 105, QWidget* parent = nullptr);
    int template_id() const { return template_id_; }

private:
    int template_id_ = 105;
};
