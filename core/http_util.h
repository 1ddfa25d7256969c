#pragma once
// Texts for URLs and plain HTTP replies.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Keeps A-Z, a-z and bytes of 128 or more; every other byte becomes "%xx".
void url_encode(const std::string& in, std::string& out);
// Every byte as "%xx"; the output never grows beyond size - 1 characters
// (size counts the terminator of the caller's buffer).
void hex_encode_all(const std::string& in, std::string& out, size_t size);
// The value of a "Content-Length:" line in any case; -1 when the line has none.
int http_get_content_length(const std::string& line);

// Undoes "%xx" and turns '+' into a blank. False for a '%' without two
// hexadecimal digits behind it (out then holds nothing useful).
bool url_decode(std::string_view in, std::string& out);
// "name=value&name=value..." with each name and value decoded. False when
// a field has no '=' or an escape is broken. Empty fields ("a=1&&b=2") are skipped.
bool parse_query_fields(std::string_view text, std::vector<std::pair<std::string, std::string>>& fields);
// The UTF-8 rules: no overlong forms, no surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::string_view text);
