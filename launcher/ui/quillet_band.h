#pragma once
// The control's face: the link's caption centred on its colour band.

#include "launcher/quillet_ctrl.h"

#include <QWidget>

class CquilletBand : public QWidget {
    Q_OBJECT
public:
    explicit CquilletBand(const CquilletCtrl& ctrl, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CquilletCtrl& ctrl_;
};
