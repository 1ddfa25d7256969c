#pragma once
// A text of the global state that one thread writes and another reads: held
// under one small lock shared by every such text, cut at its limit on entry.

#include "core/text_util.h"

#include <mutex>
#include <string>
#include <string_view>

std::mutex& shared_text_lock();

template <size_t Limit>
class SharedText {
public:
    static constexpr size_t limit = Limit;

    void set(std::string_view text)
    {
        std::lock_guard lock(shared_text_lock());
        value_ = cut_copy(text, Limit);
    }
    std::string get() const
    {
        std::lock_guard lock(shared_text_lock());
        return value_;
    }
    void clear() { set({}); }
    bool empty() const
    {
        std::lock_guard lock(shared_text_lock());
        return value_.empty();
    }

private:
    std::string value_;
};
