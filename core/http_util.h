#pragma once
// Texts for URLs and plain HTTP replies.

#include <cstddef>
#include <string>

// Keeps A-Z, a-z and bytes of 128 or more; every other byte becomes "%xx".
void url_encode(const std::string& in, std::string& out);
// Every byte as "%xx"; the output never grows beyond size - 1 characters
// (size counts the terminator of the caller's buffer).
void hex_encode_all(const std::string& in, std::string& out, size_t size);
// The value of a "Content-Length:" line in any case; -1 when the line has none.
int http_get_content_length(const std::string& line);
