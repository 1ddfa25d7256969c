#include "platform/sys/registry_store.h"
#include "tests/support/temp_home.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::RegistryStore;
using platform::StoreResult;

namespace {

std::optional<std::string> read_value(const RegistryStore& store, const char* section, const char* name)
{
    std::optional<std::string> value;
    EXPECT_EQ(store.read(section, name, value), StoreResult::ok);
    return value;
}

} // namespace

TEST(RegistryStore, MissingFileReadsAsNothing)
{
    TempHome home;
    RegistryStore store(home.root() + "/nowhere/tamblo.ini");
    EXPECT_FALSE(read_value(store, "proxy", "proxy_port").has_value());
}

TEST(RegistryStore, ValuesRoundTripWhateverTheyHold)
{
    TempHome home;
    RegistryStore store(home.root() + "/cfg/tamblo.ini");
    const std::pair<const char*, std::string> cases[] = {
        { "plain", "8080" },
        { "empty", "" },
        { "spaces", "  padded value  " },
        { "equals", "a=b=c" },
        { "newlines", "line1\nline2\r\n" },
        { "backslash", "C:\\temp\\x" },
        { "section-like", "[general]" },
        { "comment-like", "; not a comment" },
        { "utf8", "会议室" },
        { "key=with]odd;chars", "v" },
    };
    for (const auto& [name, value] : cases)
        ASSERT_EQ(store.write("general", name, value), StoreResult::ok) << name;
    RegistryStore again(store.file_path());
    for (const auto& [name, value] : cases)
        EXPECT_EQ(read_value(again, "general", name), value) << name;
}

TEST(RegistryStore, SectionsKeepTheirOwnValues)
{
    TempHome home;
    RegistryStore store(home.root() + "/tamblo.ini");
    store.write("proxy", "proxy_type", "1");
    store.write("video", "proxy_type", "2");
    store.write("proxy", "proxy_type", "3");
    EXPECT_EQ(read_value(store, "proxy", "proxy_type"), "3");
    EXPECT_EQ(read_value(store, "video", "proxy_type"), "2");
}

TEST(RegistryStore, MalformedLinesAreSkippedAndTheFileIsNotTruncatedByReading)
{
    TempHome home;
    std::string path = home.root() + "/tamblo.ini";
    const std::string text = "garbage line\n[general\nkey=lost\n[general]\nname = kept \nno equals sign\n\0\n";
    std::ofstream(path) << text;
    RegistryStore store(path);
    EXPECT_EQ(read_value(store, "general", "name"), "kept");
    EXPECT_FALSE(read_value(store, "general", "key").has_value());
    EXPECT_EQ(read_file(path), text);
}

TEST(RegistryStore, FailedWriteLeavesTheOldFileIntact)
{
    TempHome home;
    RegistryStore store(home.root() + "/tamblo.ini");
    ASSERT_EQ(store.write("general", "a", "1"), StoreResult::ok);
    // A folder in the way of the temporary file makes the next write fail.
    std::string tmp = store.file_path() + ".tmp." + std::to_string(::getpid());
    ::mkdir(tmp.c_str(), 0700);
    EXPECT_EQ(store.write("general", "a", "2"), StoreResult::cannot_write);
    ::rmdir(tmp.c_str());
    EXPECT_EQ(read_value(store, "general", "a"), "1");
}

TEST(RegistryStore, UnreadableStoreIsNotOverwritten)
{
    TempHome home;
    // A folder where the file should be cannot be read as a store.
    std::string path = home.root() + "/tamblo.ini";
    ::mkdir(path.c_str(), 0700);
    RegistryStore store(path);
    std::optional<std::string> value;
    EXPECT_NE(store.read("general", "a", value), StoreResult::ok);
    EXPECT_NE(store.write("general", "a", "1"), StoreResult::ok);
}

TEST(RegistryStore, WriteLeavesNoTemporaryFileBehind)
{
    TempHome home;
    RegistryStore store(home.root() + "/s/tamblo.ini");
    store.write("general", "a", "1");
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(home.root() + "/s")) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}
