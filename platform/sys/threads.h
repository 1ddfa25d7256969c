#pragma once
// The framework's thread starter: a detached std::thread. The system never
// joins its workers; each ends when its connection closes or its flag clears.

#include <functional>
#include <string>

namespace platform {

// Starts fn on a new detached thread named name (at most 15 characters show).
// Returns false when no thread could be started.
bool start_thread(const std::string& name, std::function<void()> fn);

// Raises the calling thread to the real-time FIFO class; false when refused.
bool set_current_thread_time_critical();

} // namespace platform
