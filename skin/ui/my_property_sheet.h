#pragma once
// The skinned property sheet (the options dialog): the skinned dialog's
// caption and close button, its frame in skin words 7 and 11, a tab for
// each page on the skinned tab control, and skinned OK, Cancel and Apply
// buttons. Pages are set up
// when first shown; OK and Apply hand every page that was set up to its
// OnApply, Cancel to its OnCancel; Apply is usable while a page is modified.

#include "skin/ui/skinned_caption.h"

#include <QDialog>

#include <vector>

class CMyButton;
class CMyPropertyPage;
class CMyTabCtrl;
class SheetPages;

class CMyPropertySheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int ok_id = 1;
    static constexpr int cancel_id = 2;
    static constexpr int apply_id = 12321;
    static constexpr int tab_id = 12320;

    CMyPropertySheet(const QString& caption, QWidget* parent = nullptr, int select_page = 0);

    void AddPage(CMyPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(pages_.size()); }
    CMyPropertyPage* GetPage(int index) const;
    CMyPropertyPage* GetActivePage() const { return GetPage(active_); }
    int GetActiveIndex() const { return active_; }
    // Leaves the shown page (its OnKillActive may refuse) and shows page index.
    bool SetActivePage(int index);
    int DoModal() { return exec(); }

    // Runs once, just before the sheet first shows.
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // The Apply button: every page that was set up stores its values.
    virtual bool OnApplyNow();
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

    int close_state() const { return caption_->states.close; }
    CaptionController& caption() { return *caption_; }

    CMyTabCtrl* m_tab = nullptr;
    CMyButton* m_ok = nullptr;
    CMyButton* m_cancel = nullptr;
    CMyButton* m_apply = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class CMyPropertyPage;
    void page_modified_changed();
    bool apply_pages();
    void tab_clicked(int index);
    void fit_tab_to_pages();

    CaptionController* caption_ = nullptr; // owned by the sheet
    SheetPages* stack_ = nullptr; // inside the tab control's display area
    std::vector<CMyPropertyPage*> pages_;
    int active_ = -1;
    int select_page_ = 0;
    bool initialised_ = false;
};
