#pragma once
// Message boxes as plain Qt dialogs, shown on the UI thread whichever thread asks.

#include "core/message_box.h"

class PlainMessageBoxPresenter : public MessageBoxPresenter {
public:
    int show(MessageBoxKind kind, int style, const std::string& text) override;
    void post(MessageBoxKind kind, int style, const std::string& text) override;
};
