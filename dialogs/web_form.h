#pragma once
// The feedback and tell-a-friend forms as the service's web host takes them:
// a form-encoded body, the browser-like head for line, sent raw over one
// connection. Success is a 2xx status within the wait; everything else is
// told in a message box and the caller keeps its fields.

#include <string>
#include <utility>
#include <vector>

inline constexpr const char* feedback_form_path = "/cgi-bin/brenmo/customer/feed_back2.pl";
inline constexpr const char* form_page_path = "/cgi-bin/brenmo/customer/feed_back1.pl";
inline constexpr int web_form_wait_ms = 10000;

// What the tell-a-friend form holds, as typed.
struct TellFriendFields {
    std::string friend_name, friend_email, name, email, subject, content;
};
// The text refusing the first empty field, in the form's order; nullptr when all are filled.
const char* tell_friend_refusal(const TellFriendFields& f);
std::string tell_friend_body(const TellFriendFields& f);
// The form of the user's language: ".../customer/tell_friend2.pl" or ".../customer/ch/tell_friend2.pl".
std::string tell_friend_form_path();

// "name=value&..." with every value form-encoded.
std::string web_form_body(const std::vector<std::pair<std::string, std::string>>& fields);
// The request head for a body of body_length bytes, up to and with its empty line.
std::string web_form_head(const std::string& path, size_t body_length);
// Posts body to path on the web host of the settings; true on a 2xx answer
// within wait_ms, else false with the failure shown.
bool post_web_form(const std::string& path, const std::string& body, int wait_ms = web_form_wait_ms);
