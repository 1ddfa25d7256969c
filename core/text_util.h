#pragma once
// Texts with the system's fixed limits, held in std::string and cut in one place.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

#define TAMBLO_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))

// Keeps at most limit bytes of text, and never the first bytes of a UTF-8
// character without the rest: a name at its limit loses a whole character.
void cut_to(std::string& text, size_t limit);
std::string cut_copy(std::string_view text, size_t limit);
// How many bytes of text those two keep.
size_t utf8_cut_length(std::string_view text, size_t limit);

// A received body as a terminated text; bodies are not terminated on the wire.
std::string body_text(const char* body, int len);

// printf-style formatting into a std::string of any length.
std::string format_text(const char* fmt, ...) TAMBLO_PRINTF(1, 2);
std::string format_text_v(const char* fmt, va_list args);
