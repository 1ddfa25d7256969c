#include "core/folders.h"
#include "core/text_util.h"
#include "tests/support/temp_home.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
void touch(const std::string& path) { std::fclose(std::fopen(path.c_str(), "w")); }
} // namespace

TEST(Folders, UserFolderLiesUnderTheDataHome)
{
    TempHome home;
    std::string user;
    ASSERT_EQ(get_user_folder(user), 0);
    EXPECT_EQ(user, home.user_folder());
    std::string maker;
    ASSERT_EQ(get_maker_data_folder(maker), 0);
    EXPECT_EQ(maker, home.root() + "/data/kelo/");
}

TEST(Folders, WorkFoldersAreCreatedAndExistingOnesAreFine)
{
    TempHome home;
    ASSERT_EQ(create_work_folders(), 0);
    ASSERT_EQ(create_work_folders(), 0);
    for (const char* sub : { "bmp", "share", "play_back", "install" })
        EXPECT_TRUE(fs::is_directory(home.user_folder() + sub)) << sub;
}

TEST(Folders, ClearingDeletesFilesButNotSubFolders)
{
    TempHome home;
    create_work_folders();
    std::string bmp = home.user_folder() + "bmp/";
    touch(bmp + "a.bmp");
    fs::create_directories(bmp + "3");
    touch(bmp + "3/1");
    touch(home.user_folder() + "share/x.z");
    EXPECT_EQ(clear_bmp_folder(), 0);
    EXPECT_EQ(clear_share_folder(), 0);
    EXPECT_FALSE(file_exists(bmp + "a.bmp"));
    EXPECT_TRUE(file_exists(bmp + "3/1"));
    EXPECT_FALSE(file_exists(home.user_folder() + "share/x.z"));
}

TEST(Folders, TileFilesOfBothGridsAreDeleted)
{
    TempHome home;
    create_work_folders();
    std::string bmp = home.user_folder() + "bmp/";
    std::vector<std::string> files = { "wnd_0_0.bmp", "wnd_4_4", "wnd_2_3_mul", "desk_5_5.jpg", "desk_0_5", "desk_1_1_mul" };
    for (const auto& f : files)
        touch(bmp + f);
    touch(bmp + "wnd_5_5");  // outside the application grid
    delete_app_tile_files();
    delete_desk_tile_files();
    for (const auto& f : files)
        EXPECT_FALSE(file_exists(bmp + f)) << f;
    EXPECT_TRUE(file_exists(bmp + "wnd_5_5"));
}

TEST(Folders, BoardBitmapFileIsCreatedEmpty)
{
    TempHome home;
    std::string path;
    std::FILE* f = create_board_bmp_folders(3, 12, path);
    ASSERT_NE(f, nullptr);
    std::fputs("data", f);
    std::fclose(f);
    EXPECT_EQ(path, home.user_folder() + "bmp/3/12");
    f = create_board_bmp_folders(3, 12, path);
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(read_file(path), "");
}

TEST(Folders, ShareFileNamesFromTheNetworkStayInTheShareFolder)
{
    TempHome home;
    std::string path;
    std::FILE* f = create_share_file_path("report.doc", path);
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(path, home.user_folder() + "share/report.doc.z");
    for (const char* bad : { "../escape", "..", ".", "", "a/b", "a\\b", "/etc/passwd" }) {
        EXPECT_EQ(create_share_file_path(bad, path), nullptr) << bad;
        EXPECT_EQ(path, "") << bad;
    }
    EXPECT_FALSE(file_exists(home.user_folder() + "escape.z"));
}
