#pragma once
// The company logo: the server names a file (message 791), the client fetches
// it from the web host over plain HTTP into "bmp/logo/" of the user folder and
// tells the frame that shows it (WM_MY_MSG_LOGO_READY to WindowSlot::logo_frame).

#include <string>

inline constexpr int logo_name_limit = 127;
inline constexpr int logo_head_line_limit = 2047;
// A reply without a length is read until the server closes, up to this much.
inline constexpr long long logo_size_limit = 16 * 1024 * 1024;

// Handler of 791: body is the logo's file name on the web host. A name that
// could leave its folder or break the request line is refused and logged.
int do_company_logo_from_server(const char* body, int length);
// True for a name the handler accepts.
bool logo_name_acceptable(const std::string& name);
// "company_logo" + the name's extension (the last '.' within its last eight characters).
std::string company_logo_file_name_for(const std::string& name);

// Where the logo file is kept; empty while no logo has been named.
std::string company_logo_file_path();

// The download itself: 0 when the logo file is complete and the frame was told.
int download_company_logo();
// The thread started by the handler; runs download_company_logo.
void g_download_company_logo_thread();

// Plugs the handler of 791 into the main connection's dispatch.
void install_company_logo_handler();
