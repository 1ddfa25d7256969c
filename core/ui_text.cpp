#include "core/ui_text.h"

#include <mutex>

namespace {
std::mutex g_translator_lock;
std::function<std::string(const char*)> g_translator;
} // namespace

std::string tr_text(const char* source)
{
    std::lock_guard lock(g_translator_lock);
    return g_translator ? g_translator(source) : std::string(source);
}

void set_text_translator(std::function<std::string(const char*)> translator)
{
    std::lock_guard lock(g_translator_lock);
    g_translator = std::move(translator);
}
