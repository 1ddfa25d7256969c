#pragma once
// The settings store: named texts in sections ("general", "proxy", "skin",
// "video", "audio", "servers", ...). Integers are kept as decimal text.

#include <cstddef>
#include <string>

namespace platform {
class RegistryStore;
}

// Stores the text; a failure shows a message box. Returns 0.
int reg_write(const char* section, const char* name, const std::string& text);
// Empties out and reads at most size - 1 characters of the value (a missing value
// leaves it empty). Returns 0.
int reg_read(const char* section, const char* name, std::string& out, size_t size);
// At most 19 characters are read; an empty value gives 0.
int reg_read_int(const char* section, const char* name, int& out);
int reg_read_int_or_default(const char* section, const char* name, int& out, int default_value);
int reg_write_int(const char* section, const char* name, int value);

// Tests point the store at their own file; nullptr returns to the user's store.
void use_registry_store(platform::RegistryStore* store);

// The store the calls above use, for callers that must tell a failed write
// from a good one (they show their own message boxes).
platform::RegistryStore& settings_store();
