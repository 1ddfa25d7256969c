#include "platform/sys/threads.h"

#include <pthread.h>
#include <sched.h>
#include <system_error>
#include <thread>

namespace platform {

bool start_thread(const std::string& name, std::function<void()> fn)
{
    try {
        std::thread t([name, fn = std::move(fn)]() {
            ::pthread_setname_np(::pthread_self(), name.substr(0, 15).c_str());
            fn();
        });
        t.detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

bool set_current_thread_time_critical()
{
    sched_param param {};
    param.sched_priority = ::sched_get_priority_max(SCHED_FIFO);
    return ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param) == 0;
}

} // namespace platform
