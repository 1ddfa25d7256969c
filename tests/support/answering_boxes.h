#pragma once
// A peer program's message boxes: each text appended to a file as a line,
// and every question answered Yes, as a user who goes along would.

#include "core/message_box.h"

#include <fstream>
#include <string>
#include <utility>

class AnsweringBoxes : public MessageBoxPresenter {
public:
    explicit AnsweringBoxes(std::string path) : path_(std::move(path)) {}
    int show(MessageBoxKind kind, int style, const std::string& text) override
    {
        std::ofstream(path_, std::ios::app) << text << "\n";
        if (kind == MessageBoxKind::yes_no_cancel_box)
            return IDYES;
        return style == MB_STYLE_YES_NO ? IDYES : IDOK;
    }

private:
    std::string path_;
};
