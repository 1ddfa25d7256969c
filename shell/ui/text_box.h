#pragma once
// A message box with one English source text, shown in the user's language:
// the dialogs' refusals and confirmations.

#include "core/message_box.h"
#include "core/ui_text.h"

#include <string>

inline int show_text_box(const std::string& english) { return message_box_printf("%s", tr_text(english.c_str()).c_str()); }
