#pragma once
// The skinned dialog: drawn caption with a close button, a three-line frame in
// the skin's colours, rounded top corners and the skin's background.

#include "skin/ui/skinned_caption.h"

#include <QDialog>

class QHBoxLayout;

class Cgood_dlg : public QDialog {
    Q_OBJECT
public:
    explicit Cgood_dlg(int template_id = 184, QWidget* parent = nullptr);

    // Runs once, just before the dialog first shows.
    virtual bool OnInitDialog();
    // The drawn close button, Escape and the window manager's close call this.
    virtual void OnCancel();
    virtual void OnOK();
    void reject() override { OnCancel(); }
    void accept() override { OnOK(); }

    int template_id() const { return template_id_; }
    int close_state() const { return caption_->states.close; }
    CaptionController& caption() { return *caption_; }

protected:
    // The right-aligned "OK" (default) and "Cancel" row that ends most dialogs.
    QHBoxLayout* ok_cancel_row();

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int template_id_ = 184;
    bool initialised_ = false;
    CaptionController* caption_ = nullptr; // owned by the dialog
};
