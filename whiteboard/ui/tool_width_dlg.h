#pragma once
// "Set Pen Width" and "Set Eraser Width": one number for the current page,
// refused with a string-table message while it is out of range.

#include "skin/ui/good_dlg.h"

class CMyEdit_no_scroll;
class CMyStatic;

// The shared body of the two width dialogs.
class CDlgToolWidth : public Cgood_dlg {
    Q_OBJECT
public:
    CMyEdit_no_scroll* edit() const { return edit_; }
    int value() const { return value_; }

    bool OnInitDialog() override;
    void OnOK() override;

protected:
    CDlgToolWidth(int template_id, const char* title, const char* prompt, bool prompt_first, int initial, int max,
                  int refusal_string_id, QWidget* parent);
    // Stores an accepted value where it belongs.
    virtual void store(int value) = 0;

private:
    CMyEdit_no_scroll* edit_ = nullptr;
    int value_ = 0;
    int max_ = 0;
    int refusal_string_id_ = 0;
};

class CDlgPenWidth : public CDlgToolWidth {
    Q_OBJECT
public:
    explicit CDlgPenWidth(QWidget* parent = nullptr);

protected:
    void store(int value) override;
};

class CDlgEraserWidth : public CDlgToolWidth {
    Q_OBJECT
public:
    explicit CDlgEraserWidth(QWidget* parent = nullptr);

protected:
    void store(int value) override;
};
