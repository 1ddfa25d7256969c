#pragma once
// Reading a meeting recording back, record by record, for the tests of the
// writers.

#include "core/meeting_record.h"

#include <string>
#include <vector>

struct ReadRecord {
    record_head head;
    std::string body;
};

// Fails the test on any separator or length that is not where it should be.
std::vector<ReadRecord> read_records(const std::string& path, std::string* file_head = nullptr);

// The time stamp ms milliseconds into the month, the way the tests' clocks
// count it (day = whole days since its start).
inline record_system_time record_time(uint16_t year, uint16_t month, int64_t ms)
{
    record_system_time st;
    st.year = year;
    st.month = month;
    st.day = static_cast<uint16_t>(ms / 86400000);
    st.hour = static_cast<uint16_t>(ms / 3600000 % 24);
    st.minute = static_cast<uint16_t>(ms / 60000 % 60);
    st.second = static_cast<uint16_t>(ms / 1000 % 60);
    st.millisecond = static_cast<uint16_t>(ms % 1000);
    return st;
}
