#pragma once
// Plain HTTP over loopback for tests: the bytes of a request as written, the
// bytes of the reply as they came.

#include <cstdint>
#include <string>

// A connected socket to 127.0.0.1:port, or -1.
int connect_loopback(uint16_t port);
// Sends request and reads until the server closes or wait_ms passes.
std::string http_exchange(uint16_t port, const std::string& request, int wait_ms = 5000);

struct HttpReply {
    int status = -1;    // -1: no status line
    std::string head;   // up to the empty line, without it
    std::string body;
    // A header's value (name in any case); empty when absent.
    std::string header(const std::string& name) const;
};
HttpReply parse_http_reply(const std::string& bytes);
// The decoded text of an HTML attribute: entities &amp; &lt; &gt; &quot; &#39; undone.
std::string html_unescape(const std::string& text);
// The decoded value of the attribute whose opening quote ends marker (say
// `id="join" href="`); empty when the page has none.
std::string html_attribute_after(const std::string& page, const std::string& marker);
