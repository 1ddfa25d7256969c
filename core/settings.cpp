#include "core/settings.h"

#include "core/message_box.h"
#include "core/text_util.h"
#include "platform/sys/registry_store.h"

#include <atomic>
#include <cstdlib>
#include <optional>

namespace {

std::atomic<platform::RegistryStore*> g_store { nullptr };

platform::RegistryStore& store()
{
    platform::RegistryStore* s = g_store.load();
    return s ? *s : platform::user_registry_store();
}

int parse_decimal(const std::string& text)
{
    // "%d" reading: leading blanks, a sign and digits; anything else ends it.
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

} // namespace

void use_registry_store(platform::RegistryStore* s) { g_store.store(s); }

platform::RegistryStore& settings_store() { return store(); }

int reg_write(const char* section, const char* name, const std::string& text)
{
    switch (store().write(section, name, text)) {
    case platform::StoreResult::ok:
        break;
    case platform::StoreResult::cannot_create_folder:
        message_box_printf("create key failed in reg_write!");
        break;
    default:
        message_box_printf("set value failed in reg_write.");
        break;
    }
    return 0;
}

int reg_read(const char* section, const char* name, std::string& out, size_t size)
{
    out.clear();
    std::optional<std::string> value;
    if (store().read(section, name, value) != platform::StoreResult::ok) {
        message_box_printf("create key failed in reg read!");
        return 0;
    }
    if (value && size > 0)
        out = cut_copy(*value, size - 1);
    return 0;
}

int reg_read_int(const char* section, const char* name, int& out) { return reg_read_int_or_default(section, name, out, 0); }

int reg_read_int_or_default(const char* section, const char* name, int& out, int default_value)
{
    std::string text;
    reg_read(section, name, text, 20);
    out = text.empty() ? default_value : parse_decimal(text);
    return 0;
}

int reg_write_int(const char* section, const char* name, int value) { return reg_write(section, name, std::to_string(value)); }
