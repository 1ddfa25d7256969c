#include "core/dbg_log.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>
#include <thread>

TEST(DbgLog, PrefixHasNoLeadingZeros)
{
    EXPECT_EQ(dbg_log_prefix(8, 9, 5, 3, 7), "8 9:5:3 7 ");
    EXPECT_EQ(dbg_log_prefix(31, 23, 59, 59, 999), "31 23:59:59 999 ");
}

TEST(DbgLog, RotationAppendsToTheLogAndEmptiesTheOtherTwo)
{
    TempHome home;
    std::string folder = home.user_folder();
    ASSERT_EQ(rotate_dbg_log(), 0);
    dbg_log("first %d\n", 1);
    ASSERT_TRUE(file_exists(folder + "dbg_log1.txt"));
    {
        std::FILE* f = std::fopen((folder + "dbg_log1.txt").c_str(), "w");
        std::fputs("old", f);
        std::fclose(f);
    }
    ASSERT_EQ(rotate_dbg_log(), 0);
    dbg_log("second\n");
    close_dbg_logs();
    dbg_log("lost while closed\n");

    std::string log = read_file(folder + "dbg_log.txt");
    EXPECT_NE(log.find(" first 1\n"), std::string::npos);
    EXPECT_NE(log.find(" second\n"), std::string::npos);
    EXPECT_EQ(log.find("lost"), std::string::npos);
    EXPECT_EQ(read_file(folder + "dbg_log1.txt"), "");
    EXPECT_EQ(read_file(folder + "dbg_log2.txt"), "");
}

TEST(DbgLog, LinesFromManyThreadsStayWhole)
{
    TempHome home;
    ASSERT_EQ(rotate_dbg_log(), 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                dbg_log("thread %d line %d end\n", t, i);
        });
    for (auto& th : threads)
        th.join();
    close_dbg_logs();
    std::string log = read_file(home.user_folder() + "dbg_log.txt");
    size_t lines = 0;
    size_t start = 0;
    for (size_t nl = log.find('\n'); nl != std::string::npos; nl = log.find('\n', start)) {
        std::string line = log.substr(start, nl - start);
        EXPECT_TRUE(line.ends_with(" end")) << line;
        ++lines;
        start = nl + 1;
    }
    EXPECT_EQ(lines, 1600u);
}
