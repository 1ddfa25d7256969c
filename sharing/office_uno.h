#pragma once
// The office drivers over LibreOffice (C++ UNO). Each application kind runs
// in a LibreOffice of its own, started by the driver with its own profile
// ("office/<app>" in the user folder) and its own pipe, so that it never
// meets the user's LibreOffice: quitting ends only that process.

#include "sharing/office_driver.h"

#include <memory>
#include <string>

// The installed factory of the program: a PresentationDriver, TextDriver or
// SheetDriver by kind.
std::unique_ptr<OfficeDriver> make_uno_office_driver(OfficeKind kind);

// "impress", "writer" or "calc".
const char* office_app_name(OfficeKind kind);
// The pipe the kind's LibreOffice accepts on: "tamblo_<pid>_<app>".
std::string office_pipe_name(OfficeKind kind);
// Its profile folder: the user folder's "office/<app>/".
std::string office_profile_folder(OfficeKind kind);

// Limits of the office calls, in milliseconds.
inline constexpr int office_probe_limit_ms = 500;
inline constexpr int office_call_limit_ms = 2000;
// Starting, connecting and loading a document take longer than a call. A
// first start makes the profile, which on a busy machine took over 30 s.
inline constexpr int office_start_limit_ms = 60000;
inline constexpr int office_load_limit_ms = 30000;
