// The shared screen's records in a meeting recording file.

#include "core/meeting_record.h"
#include "sharing/share_recording.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

struct Record {
    uint32_t type = 0;
    std::string body;
};

std::vector<Record> records_of(const std::string& bytes)
{
    std::vector<Record> out;
    size_t at = record_file_head_len;
    while (at + record_separator_len + record_head_len <= bytes.size()) {
        EXPECT_EQ(bytes.compare(at, record_separator_len, record_separator), 0);
        at += record_separator_len;
        record_head head;
        std::memcpy(&head, bytes.data() + at, sizeof head);
        at += record_head_len;
        out.push_back({ head.type, bytes.substr(at, head.length) });
        at += head.length;
    }
    EXPECT_EQ(at, bytes.size());
    return out;
}

std::vector<int32_t> words(const std::string& body, size_t count)
{
    std::vector<int32_t> out(count);
    std::memcpy(out.data(), body.data(), count * 4);
    return out;
}

} // namespace

TEST(ShareRecording, TilesRectanglesAndSizesAreRecordedWithTheirBodies)
{
    TempHome home;
    std::string tile = home.root() + "/wnd_1_2";
    std::ofstream(tile) << "compressed tile";
    std::string path = home.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(path), 0);
    EXPECT_EQ(record_share_app_action(tile.c_str(), 1, 2), 0);
    EXPECT_EQ(record_share_desk_action(tile.c_str(), 5, 4), 0);
    EXPECT_EQ(record_share_window_rect(10, 20, 300, 200), 0);
    EXPECT_EQ(record_share_desktop_size(1920, 1080), 0);
    recorder().stop();
    auto records = records_of(read_file(path));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].type, record_type_share_app_tile);
    EXPECT_EQ(words(records[0].body, 6), (std::vector<int32_t> { 0, 1, 2, 0, 0, 15 }));
    EXPECT_EQ(records[0].body.substr(24), "compressed tile");
    EXPECT_EQ(records[1].type, record_type_share_desk_tile);
    EXPECT_EQ(words(records[1].body, 3), (std::vector<int32_t> { 0, 5, 4 }));
    EXPECT_EQ(records[2].type, record_type_share_window_rect);
    EXPECT_EQ(words(records[2].body, 4), (std::vector<int32_t> { 10, 20, 300, 200 }));
    EXPECT_EQ(records[2].body.size(), 16u);
    EXPECT_EQ(records[3].type, record_type_share_desktop_size);
    EXPECT_EQ(words(records[3].body, 2), (std::vector<int32_t> { 1920, 1080 }));
}

TEST(ShareRecording, AMissingPathIsRefusedAndLogged)
{
    LogCapture log;
    EXPECT_EQ(record_share_app_action(nullptr, 0, 0), -1);
    EXPECT_EQ(record_share_desk_action(nullptr, 0, 0), -1);
    EXPECT_TRUE(log.contains("record_share_app_action z_file_path is NULL.\n"));
    EXPECT_TRUE(log.contains("record_share_desk_action z_file_path is NULL.\n"));
    // Not recording: nothing to do.
    EXPECT_EQ(record_share_window_rect(0, 0, 1, 1), 0);
}
