#pragma once
// The application: one copy per user, the global state, the main window and
// the threads that live as long as the process; undone in order at exit.

#include <memory>
#include <string>

class CMainFrame;

class CBrenmoApp {
public:
    explicit CBrenmoApp(std::string command_line);
    ~CBrenmoApp();

    // false when start-up stops (another copy runs).
    bool InitInstance();
    int ExitInstance(int exit_code);

    CMainFrame* main_frame() const { return main_frame_.get(); }

private:
    std::string command_line_;
    std::unique_ptr<CMainFrame> main_frame_;
};
