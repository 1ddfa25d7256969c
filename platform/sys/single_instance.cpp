#include "platform/sys/single_instance.h"

#include "platform/sys/paths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::string single_instance_lock_path(const std::string& name)
{
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime_folder();
    bool private_folder = xdg && folder == std::string(xdg) + (std::string(xdg).back() == '/' ? "" : "/");
    if (private_folder)
        return folder + name + ".lock";
    return folder + name + "-" + std::to_string(::getuid()) + ".lock";
}

InstanceLock acquire_single_instance(const std::string& name)
{
    std::string path = single_instance_lock_path(name);
    // The descriptor stays open on purpose: the lock goes with the process.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return InstanceLock::failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return InstanceLock::acquired;
    int err = errno;
    ::close(fd);
    return err == EWOULDBLOCK ? InstanceLock::already_running : InstanceLock::failed;
}

} // namespace platform
