#include "tests/support/record_file.h"

#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>

std::vector<ReadRecord> read_records(const std::string& path, std::string* file_head)
{
    std::string data = read_file(path);
    std::vector<ReadRecord> out;
    EXPECT_GE(data.size(), record_file_head_len);
    if (data.size() < record_file_head_len)
        return out;
    if (file_head)
        *file_head = data.substr(0, record_file_head_len);
    size_t pos = record_file_head_len;
    while (pos < data.size()) {
        EXPECT_EQ(data.compare(pos, record_separator_len, record_separator), 0) << "separator at " << pos;
        pos += record_separator_len;
        ReadRecord r;
        if (pos + record_head_len > data.size()) {
            ADD_FAILURE() << "short head at " << pos;
            break;
        }
        std::memcpy(&r.head, data.data() + pos, record_head_len);
        pos += record_head_len;
        if (pos + r.head.length > data.size()) {
            ADD_FAILURE() << "body runs past the end at " << pos;
            break;
        }
        r.body = data.substr(pos, r.head.length);
        pos += r.head.length;
        out.push_back(r);
    }
    return out;
}
