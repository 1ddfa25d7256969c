#pragma once
// Stand-in for the registry: named string values grouped in sections, kept in
// one INI file. Every write replaces the file atomically (temporary file, then
// rename), so a crash or a full disk never leaves a half-written store.

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class StoreResult { ok, cannot_create_folder, cannot_read, cannot_write };

class RegistryStore {
public:
    explicit RegistryStore(std::string file_path);

    const std::string& file_path() const { return file_path_; }

    // A missing file reads as empty; a malformed line is skipped.
    StoreResult read(std::string_view section, std::string_view name, std::optional<std::string>& value) const;
    StoreResult write(std::string_view section, std::string_view name, std::string_view value);

private:
    using Values = std::map<std::string, std::string, std::less<>>;
    using Sections = std::map<std::string, Values, std::less<>>;
    StoreResult load(Sections& sections) const;

    std::string file_path_;
    mutable std::mutex mutex_;
};

// The store of this user: $XDG_CONFIG_HOME/kelo/tamblo.ini.
RegistryStore& user_registry_store();

// Escaping of the INI file, kept visible for the tests.
std::string ini_escape(std::string_view text, bool is_key);
std::string ini_unescape(std::string_view text);

} // namespace platform
