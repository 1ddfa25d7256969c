#pragma once
// The sizable skinned dialog: caption with close, maximise/restore and
// minimise, a four-line frame in fixed colours, a white client area.

#include "skin/ui/skinned_caption.h"

#include <QDialog>

class Cgood_dlg_frame : public QDialog {
    Q_OBJECT
public:
    explicit Cgood_dlg_frame(int template_id, QWidget* parent = nullptr);

    virtual bool OnInitDialog();
    virtual void OnCancel();
    virtual void OnOK();
    void reject() override { OnCancel(); }
    void accept() override { OnOK(); }

    int template_id() const { return template_id_; }
    const CaptionButtonStates& button_states() const { return caption_->states; }
    CaptionController& caption() { return *caption_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int template_id_ = 0;
    bool initialised_ = false;
    CaptionController* caption_ = nullptr;
};
