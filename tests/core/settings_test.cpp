#include "core/message_box.h"
#include "core/settings.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

TEST(Settings, NeverWrittenReadsEmptyZeroOrDefault)
{
    TempHome home;
    std::string text = "stale";
    reg_read("general", "nothing", text, 64);
    EXPECT_EQ(text, "");
    int value = 77;
    reg_read_int("general", "nothing", value);
    EXPECT_EQ(value, 0);
    reg_read_int_or_default("general", "nothing", value, 9081);
    EXPECT_EQ(value, 9081);
}

TEST(Settings, IntegersAreStoredAsDecimalText)
{
    TempHome home;
    reg_write_int("proxy", "proxy_port", 8080);
    std::string text;
    reg_read("proxy", "proxy_port", text, 64);
    EXPECT_EQ(text, "8080");
    reg_write_int("proxy", "negative", -42);
    int value = 0;
    reg_read_int("proxy", "negative", value);
    EXPECT_EQ(value, -42);
}

TEST(Settings, ReadKeepsAtMostSizeMinusOneCharacters)
{
    TempHome home;
    reg_write("general", "long", "abcdefghij");
    std::string text;
    reg_read("general", "long", text, 5);
    EXPECT_EQ(text, "abcd");
}

TEST(Settings, IntegerTextsParseLikeScanf)
{
    TempHome home;
    struct Case {
        const char* stored;
        int want;
    } cases[] = { { "12", 12 }, { " 7", 7 }, { "12abc", 12 }, { "abc", 0 }, { "-3", -3 },
                  // at most 19 characters are read
                  { "00000000000000000012", 1 } };
    for (const Case& c : cases) {
        reg_write("general", "n", c.stored);
        int value = -1;
        reg_read_int_or_default("general", "n", value, 5);
        EXPECT_EQ(value, c.want) << c.stored;
    }
}

TEST(Settings, UnwritableStoreShowsTheMessageAndKeepsRunning)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    // A file where the store's folder should be.
    platform::RegistryStore store(home.root() + "/file/tamblo.ini");
    std::FILE* f = std::fopen((home.root() + "/file").c_str(), "w");
    std::fclose(f);
    use_registry_store(&store);
    reg_write("general", "a", "1");
    std::string text = "x";
    reg_read("general", "a", text, 10);
    use_registry_store(nullptr);
    EXPECT_EQ(text, "");
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "create key failed in reg_write!", "create key failed in reg read!" }));
}
