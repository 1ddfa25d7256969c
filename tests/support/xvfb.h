#pragma once
// An Xvfb of the test's own, on a display number it picks itself, with
// MIT-SHM; DISPLAY points at it while it lives. Stopped by its process id.

#include <string>
#include <vector>

class XvfbServer {
public:
    // screen: Xvfb's "WxHxD" of screen 0.
    // extra: further arguments, e.g. "-extension", "DAMAGE" for a server without it.
    explicit XvfbServer(const char* screen = "800x600x24", const std::vector<std::string>& extra = {});
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return pid_ > 0 && !display_.empty(); }
    const std::string& display() const { return display_; }

private:
    int pid_ = -1;
    std::string display_;
    std::string saved_display_;
    bool had_display_ = false;
};
