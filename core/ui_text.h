#pragma once
// User-visible texts are written in English where they are shown; the window
// layer installs a translator so that Qt-free code shows them in the user's
// language too.

#include <functional>
#include <string>

// The translation of an English source text (the text itself when none is installed).
std::string tr_text(const char* source);

void set_text_translator(std::function<std::string(const char*)> translator);
