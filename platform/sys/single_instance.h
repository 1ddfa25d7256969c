#pragma once
// Stand-in for the named mutex that keeps one copy of the program running:
// an exclusive flock on a file in the runtime folder, held until the process ends.

#include <string>

namespace platform {

enum class InstanceLock { acquired, already_running, failed };

// name "kelo_tamblo" locks "<runtime folder>kelo_tamblo.lock" (with the user id
// in the name when the runtime folder is the shared temporary directory).
InstanceLock acquire_single_instance(const std::string& name);

// Where the lock file of a name lies.
std::string single_instance_lock_path(const std::string& name);

} // namespace platform
