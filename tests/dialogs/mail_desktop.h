#pragma once
// A desktop of the test's own for the real xdg-email and xdg-open: the
// XDG folders of a TempHome, private XDG_DATA_DIRS, an Xvfb for xdg-open's
// display check, no desktop session to detect, and no mail or calendar
// program until the test installs one. Those it installs are recording
// scripts named by .desktop files and `xdg-mime default`; what they were
// handed is read back line by line.

#include "tests/support/env_guard.h"
#include "tests/support/private_desktop.h"
#include "tests/support/temp_home.h"
#include "tests/support/wait_until.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// "%xx" sequences back to bytes.
inline std::string percent_decode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct Mailto {
    std::string to;
    std::map<std::string, std::string> fields;
};

inline Mailto parse_mailto(const std::string& uri)
{
    Mailto m;
    std::string rest = uri.substr(std::string("mailto:").size());
    size_t q = rest.find('?');
    m.to = percent_decode(rest.substr(0, q));
    std::string query = q == std::string::npos ? "" : rest.substr(q + 1);
    size_t start = 0;
    while (start < query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        std::string pair = query.substr(start, end - start);
        size_t eq = pair.find('=');
        m.fields[pair.substr(0, eq)] = percent_decode(pair.substr(eq + 1));
        start = end + 1;
    }
    return m;
}

inline std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

inline void write_executable(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

class MailDesktop {
public:
    explicit MailDesktop(const TempHome& home)
        : root_(home.root()), desktop_(root_), mail_log(root_ + "/mail.log"), calendar_log(root_ + "/calendar.log")
    {
        env.unset("MAILER");
    }

    bool running() const { return xvfb_.running(); }

    // A recording program with its .desktop file, the default for the type.
    void install_program(const std::string& name, const char* type, const std::string& log)
    {
        ASSERT_TRUE(desktop_.install_recording_handler(name, type, log)) << type;
    }
    void install_mail_program() { install_program("tamblo-test-mail", "x-scheme-handler/mailto", mail_log); }
    void install_calendar() { install_program("tamblo-test-calendar", "text/calendar", calendar_log); }

    std::vector<std::string> mails() const { return lines_of(read_file(mail_log)); }
    std::vector<std::string> calendar_opens() const { return lines_of(read_file(calendar_log)); }

private:
    XvfbServer xvfb_;
    std::string root_;
    PrivateDesktop desktop_;

public:
    EnvGuard env;
    const std::string mail_log;
    const std::string calendar_log;
};
