#pragma once
// The skinned dialog under the window manager's own caption: the skin's
// background and rounded top corners; its close button cancels through OnCancel.

#include <QDialog>

class Cgood_dlg_no_upper : public QDialog {
    Q_OBJECT
public:
    explicit Cgood_dlg_no_upper(int template_id, QWidget* parent = nullptr);

    virtual bool OnInitDialog();
    virtual void OnCancel();
    virtual void OnOK();
    void reject() override { OnCancel(); }
    void accept() override { OnOK(); }

    int template_id() const { return template_id_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int template_id_ = 0;
    bool initialised_ = false;
};
