#pragma once
// Bodies of decimal fields joined by ':' ("%4d:%4d"): each field padded with
// blanks as "%4d" writes it, but of any width, so numbers past 9999 arrive
// whole.

#include <string_view>

// Splits body into count integers. False when a field is empty, not a
// number or outside int, or when there are more or fewer fields.
bool parse_colon_fields(std::string_view body, int count, int* out);
