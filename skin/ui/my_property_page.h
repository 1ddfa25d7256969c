#pragma once
// A page of the skinned property sheet: the dialog background of the skin
// (word 25 under 301 pixels high, else word 24) and the sheet's page
// operations. The option and contact pages derive from it.

#include <QString>
#include <QWidget>

class CMyPropertySheet;

class CMyPropertyPage : public QWidget {
    Q_OBJECT
public:
    CMyPropertyPage(int template_id, const QString& caption, QWidget* parent = nullptr);

    int template_id() const { return template_id_; }
    QString caption() const { return caption_; }

    // Runs once, when the page is first shown.
    virtual bool OnInitDialog();
    // The page becomes the shown one; false keeps the one before.
    virtual bool OnSetActive();
    // The page is about to be left (another page, OK); false keeps it shown.
    virtual bool OnKillActive();
    // OK or Apply: stores the page's values (OnOK); false keeps the sheet open.
    virtual bool OnApply();
    virtual void OnOK();
    virtual void OnCancel();

    // A control changed: the sheet's Apply button becomes usable.
    void SetModified(bool changed = true);
    bool is_modified() const { return modified_; }
    bool initialised() const { return initialised_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class CMyPropertySheet;
    void initialise_once();

    int template_id_ = 0;
    QString caption_;
    bool modified_ = false;
    bool initialised_ = false;
    CMyPropertySheet* sheet_ = nullptr;
};
