#pragma once
// "Meeting Room Options" (page 268): whether members enter the full-screen
// view when they enter the room. The chairman's OK asks the server (781);
// the option changes when the server tells the room (784).

#include "skin/ui/my_property_page.h"

class CMyCheckBox;

class CPropMeetingRoomOptions : public CMyPropertyPage {
    Q_OBJECT
public:
    explicit CPropMeetingRoomOptions(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    CMyCheckBox* full_screen_check() const { return full_screen_; }

private:
    CMyCheckBox* full_screen_ = nullptr;
};
