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
