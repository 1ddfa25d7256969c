#pragma once
// What every fuzz target shares: the input taken apart field by field (a
// field past the end reads as zero), a file holding given bytes, and quiet
// message boxes.

#include "core/message_box.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    size_t left() const { return size_ - pos_; }
    uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16() { return static_cast<uint16_t>(u8() | (u8() << 8)); }
    // Up to n bytes (fewer at the end).
    std::string_view bytes(size_t n)
    {
        n = n < left() ? n : left();
        std::string_view out(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return out;
    }
    std::string_view rest() { return bytes(left()); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A file in memory with the given bytes, named by a path the readers open.
class MemoryFile {
public:
    MemoryFile(const void* data, size_t size)
    {
        fd_ = ::memfd_create("fuzz", MFD_CLOEXEC);
        if (fd_ >= 0 && size > 0 && ::write(fd_, data, size) != static_cast<ssize_t>(size)) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~MemoryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    bool ok() const { return fd_ >= 0; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_ = -1;
};

// Every box is answered at once with its caption button, and not printed.
class QuietMessageBoxes : public MessageBoxPresenter {
public:
    int show(MessageBoxKind kind, int style, const std::string&) override
    {
        return kind == MessageBoxKind::ok_box ? message_box_result(style, MessageBoxButton::caption_close)
                                              : message_box_yes_no_cancel_result(MessageBoxButton::caption_close);
    }
};
