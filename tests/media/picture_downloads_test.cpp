// Pictures on the application connection: a named picture and an
// attendee's picture written, unpacked and, for an attendee, recorded; names
// from the network that would leave the folder or take one of the
// program's own files write nothing; a bad picture leaves the last one.

#include "core/file_util.h"
#include "core/folders.h"
#include "core/global_state.h"
#include "core/meeting_record.h"
#include "core/message_box.h"
#include "core/messages.h"
#include "core/receive_dispatch.h"
#include "media/picture_downloads.h"
#include "media/video_image_files.h"
#include "tests/support/random_bytes.h"
#include "tests/support/record_file.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace {

class PictureDownloads : public ::testing::Test {
protected:
    void SetUp() override
    {
        set_message_box_presenter(&boxes_);
        ASSERT_EQ(create_work_folders(), 0);
        reset_receive_handlers();
        install_picture_downloads();
        set_app_handler(MSG_VIDEO_IMAGE_DATA, video_z_down_data_from_server);
        set_app_handler(MSG_VIDEO_IMAGE_DATA_2, video_z_down_data_2_from_server);
        for (customer_info_record& r : customer_info)
            r = customer_info_record {};
        customer_info[3].in_use = 1;
        customer_info[3].customer_id = 1042;
        std::strcpy(customer_info[3].name.data(), "ann");
    }
    void TearDown() override
    {
        recorder().stop();
        video_image_files_close_all();
        for (customer_info_record& r : customer_info)
            r = customer_info_record {};
        reset_receive_handlers();
        set_message_box_presenter(nullptr);
    }

    std::string bmp(const std::string& name) const { return home_.user_folder() + "bmp/" + name; }

    std::string gzip_of(const std::string& plain)
    {
        std::ofstream(home_.root() + "/plain", std::ios::binary) << plain;
        EXPECT_EQ(z_compress_file(home_.root() + "/plain", home_.root() + "/packed"), 0);
        return read_file(home_.root() + "/packed");
    }

    void app(int number, const std::string& body, int field2 = 0)
    {
        dispatch_received_message(ReceiveConnection::app, number, body.data(), static_cast<int>(body.size()), field2);
    }

    void named(const std::string& name, const std::string& bytes, const std::string& end_name)
    {
        app(MSG_VIDEO_IMAGE_BEGIN, name);
        for (size_t at = 0; at < bytes.size(); at += 8000)
            app(MSG_VIDEO_IMAGE_DATA, bytes.substr(at, 8000));
        app(MSG_VIDEO_IMAGE_END, end_name);
    }

    void by_id(int id, const std::string& name_field, const std::string& bytes, const std::string& number)
    {
        std::string prefix = name_field;
        prefix.resize(video_image_name_len, '\0');
        app(MSG_VIDEO_IMAGE_BEGIN_2, "", id);
        for (size_t at = 0; at < bytes.size(); at += 8000)
            app(MSG_VIDEO_IMAGE_DATA_2, prefix + bytes.substr(at, 8000));
        app(MSG_VIDEO_IMAGE_END_2, number, id);
    }

    std::set<std::string> bmp_files() const
    {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(home_.user_folder() + "bmp"))
            out.insert(e.path().filename().string());
        return out;
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
};

} // namespace

TEST_F(PictureDownloads, ANamedPictureTakesTheSpareFileUnderItsName)
{
    const std::string jpeg = random_bytes(20000, 1);
    const std::string packed = gzip_of(jpeg);
    named("zoe", packed, "zoe");
    EXPECT_EQ(read_file(bmp("zoe")), packed);
    EXPECT_EQ(read_file(bmp("zoe.jpg")), jpeg);
    EXPECT_EQ(g_picture_downloading, 0);

    // An end that names another picture drops what was written; one with nothing open fails quietly.
    named("zoe", gzip_of("other"), "yan");
    EXPECT_FALSE(file_exists(bmp("zoe")));
    EXPECT_EQ(read_file(bmp("zoe.jpg")), jpeg);
    app(MSG_VIDEO_IMAGE_END, "zoe");
    // A picture that does not unpack leaves the last one.
    named("zoe", packed.substr(0, packed.size() / 2), "zoe");
    EXPECT_EQ(read_file(bmp("zoe.jpg")), jpeg);
    EXPECT_FALSE(file_exists(bmp("zoe.jpg.part")));
    EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(PictureDownloads, AnAttendeesPictureIsShownNumberedAndRecorded)
{
    const std::string record_path = home_.root() + "/meeting.mrd";
    ASSERT_EQ(recorder().start(record_path), 0);
    const std::string packed = gzip_of(random_bytes(9000, 2));
    by_id(1042, "ann", packed, "7");
    EXPECT_EQ(read_file(bmp("ann")), packed);
    EXPECT_TRUE(file_exists(bmp("ann.jpg")));
    EXPECT_EQ(customer_info[3].picture_number, 7);

    // An id no attendee has writes nothing and changes no record.
    const std::set<std::string> before = bmp_files();
    by_id(77, "ann", gzip_of("stranger"), "9");
    EXPECT_EQ(bmp_files(), before);
    EXPECT_EQ(customer_info[3].picture_number, 7);

    // Past what a recording's picture record holds, the picture shows but is not recorded.
    const std::string large = gzip_of(random_bytes(static_cast<size_t>(record_picture_limit) + 10, 3));
    by_id(1042, "ann", large, "8");
    EXPECT_EQ(read_file(bmp("ann")), large);
    recorder().stop();

    std::vector<ReadRecord> records = read_records(record_path);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].head.type, record_type_picture);
    ASSERT_EQ(records[0].body.size(), 84 + packed.size());
    uint32_t length = 0;
    std::memcpy(&length, records[0].body.data(), 4);
    EXPECT_EQ(length, packed.size());
    EXPECT_EQ(std::string(records[0].body.data() + 4, 80), std::string("ann") + std::string(77, '\0'));
    EXPECT_EQ(records[0].body.substr(84), packed);
}

// The members page takes the attendee's record in on its own thread: a
// picture that comes first waits for it instead of being dropped.
TEST_F(PictureDownloads, AnAttendeesPictureWaitsForTheRecordStillOnItsWay)
{
    const std::string packed = gzip_of(random_bytes(5000, 4));
    std::thread members_page([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        customer_info[5].customer_id = 1043;
        std::strcpy(customer_info[5].name.data(), "bea");
        std::atomic_ref<int32_t>(customer_info[5].in_use).store(1, std::memory_order_release);
    });
    by_id(1043, "bea", packed, "4");
    members_page.join();
    EXPECT_EQ(read_file(bmp("bea")), packed);
    EXPECT_TRUE(file_exists(bmp("bea.jpg")));
    EXPECT_EQ(customer_info[5].picture_number, 4);
}

TEST_F(PictureDownloads, NamesThatLeaveTheFolderOrTakeTheProgramsFilesWriteNothing)
{
    struct Case {
        std::string name;
        bool allowed;
    };
    const Case cases[] = {
        { "ann", true }, { "desktop", true }, { "wnd_a_b", true }, { "bob.bmp", true }, { "desk top", true },
        { std::string(63, 'n'), true },
        { std::string(64, 'n'), false }, { "", false }, { "a/b", false }, { "..", false }, { ".", false },
        { std::string("x\0y", 3), false }, { "desk", false }, { "wnd", false }, { "desk.jpg", false },
        { "wnd_1_2", false }, { "desk_3_4_mul", false }, { "wnd.bmp", false }, { "wnd_0_0.bmp", false },
        { "desk_cs_server", false }, { "desk_diff_to_server", false }, { "video_snapshot.bmp", false },
        { "logo", false }, { "7", false }, { "ann.jpg", false }, { "ann.part", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(picture_name_allowed(c.name), c.allowed) << '"' << c.name << '"';

    const std::set<std::string> before = bmp_files();
    for (const char* name : { "../escaped", "desk", "wnd_2_2", "ann.jpg" })
        named(name, gzip_of("bytes"), name);
    EXPECT_EQ(bmp_files(), before);
    EXPECT_FALSE(file_exists(home_.user_folder() + "escaped"));
    // An attendee whose name is refused gets no file either.
    std::strcpy(customer_info[3].name.data(), "desk");
    by_id(1042, "desk", gzip_of("bytes"), "1");
    EXPECT_EQ(bmp_files(), before);
}
