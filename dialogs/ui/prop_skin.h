#pragma once
// "Choose Skin" (page 267): the colour scheme and whether notices animate.
// OK makes the scheme current at once; the frame rebuilds its bars through
// skin_changed and the sheet repaints in the new colours.

#include "skin/ui/my_property_page.h"

#include <functional>

class CMyCheckBox;
class CMyComboBox;

class CPropSkin : public CMyPropertyPage {
    Q_OBJECT
public:
    CPropSkin(QWidget* parent = nullptr, std::function<void()> skin_changed = {}, std::function<void()> repaint_frame = {});

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    CMyComboBox* skin_combo() const { return skin_; }
    CMyCheckBox* no_animation_check() const { return no_animation_; }

private:
    CMyComboBox* skin_ = nullptr;
    CMyCheckBox* no_animation_ = nullptr;
    std::function<void()> skin_changed_;
    std::function<void()> repaint_frame_;
};

// Repaints a window and every window inside it (after a scheme change).
void repaint_window_tree(QWidget* top);
