#pragma once
// Environment variables a test sets or removes, each put back as it was
// when the guard ends.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class EnvGuard {
public:
    EnvGuard() = default;
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;
    void set(const char* name, const std::string& value) { remember(name), ::setenv(name, value.c_str(), 1); }
    void unset(const char* name) { remember(name), ::unsetenv(name); }
    ~EnvGuard()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    void remember(const char* name)
    {
        const char* v = std::getenv(name);
        saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};
