#include "core/colon_fields.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

bool parse_colon_fields(std::string_view body, int count, int* out)
{
    int found = 0;
    size_t at = 0;
    while (true) {
        size_t colon = body.find(':', at);
        std::string field(body.substr(at, colon == std::string_view::npos ? std::string_view::npos : colon - at));
        if (found == count || field.find_first_not_of(' ') == std::string::npos)
            return false;
        char* end = nullptr;
        errno = 0;
        long value = std::strtol(field.c_str(), &end, 10);
        while (end && *end == ' ')
            ++end;
        if (errno != 0 || end == field.c_str() || *end != '\0' || value < INT_MIN || value > INT_MAX)
            return false;
        out[found++] = static_cast<int>(value);
        if (colon == std::string_view::npos)
            break;
        at = colon + 1;
    }
    return found == count;
}
