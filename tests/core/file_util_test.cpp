#include "core/file_util.h"
#include "core/http_util.h"
#include "core/message_box.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {
void write_text(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string some_bytes(size_t n)
{
    std::string text(n, '\0');
    uint32_t x = 12345;
    for (char& c : text) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return text;
}
} // namespace

TEST(Gzip, RoundTripKeepsEveryByteAndWritesRealGzip)
{
    TempHome home;
    for (size_t n : { size_t { 0 }, size_t { 1 }, size_t { 9999 }, size_t { 10000 }, size_t { 123457 } }) {
        std::string plain = home.root() + "/plain";
        std::string packed = home.root() + "/plain.z";
        std::string back = home.root() + "/back";
        std::string text = some_bytes(n);
        write_text(plain, text);
        ASSERT_EQ(z_compress_file(plain, packed), 0) << n;
        std::string z = read_file(packed);
        ASSERT_GE(z.size(), 2u);
        EXPECT_EQ(static_cast<unsigned char>(z[0]), 0x1f);
        EXPECT_EQ(static_cast<unsigned char>(z[1]), 0x8b);
        ASSERT_EQ(z_uncompress_file(packed, back), 0) << n;
        EXPECT_EQ(read_file(back), text) << n;
    }
}

TEST(Gzip, RefusesLongNamesMissingFilesAndDamagedData)
{
    TempHome home;
    LogCapture log;
    ScriptedMessageBoxes boxes;
    std::string long_name = home.root() + "/" + std::string(260, 'a');
    std::string plain = home.root() + "/plain";
    write_text(plain, some_bytes(50000));
    EXPECT_EQ(z_compress_file(long_name, plain + ".z"), -1);
    EXPECT_EQ(z_compress_file(plain, long_name), -1);
    EXPECT_EQ(z_uncompress_file(long_name, plain), -1);
    EXPECT_EQ(z_uncompress_file(plain, long_name), -1);
    EXPECT_TRUE(log.contains("in_file_name too long in z_compress_file.\n"));
    EXPECT_TRUE(log.contains("out_file_name too long in z_compress_file.\n"));
    EXPECT_TRUE(log.contains("in_file_name too long in z_uncompress_file.\n"));
    EXPECT_TRUE(log.contains("out_file_name too long in z_uncompress_file.\n"));

    std::string missing = home.root() + "/missing";
    EXPECT_EQ(z_compress_file(missing, plain + ".z"), -1);
    EXPECT_TRUE(log.contains("failed to open in_file " + missing + " in z_compress_fle\n"));
    EXPECT_EQ(z_compress_file(plain, home.root() + "/no/dir.z"), -1);
    EXPECT_TRUE(log.contains("failed to open out_file " + home.root() + "/no/dir.z in z_compress_fle\n"));
    EXPECT_EQ(z_uncompress_file(plain + ".z", home.root() + "/x"), -1);
    ASSERT_FALSE(boxes.texts().empty());
    EXPECT_EQ(boxes.texts().back(), "failed to open in_file in z_uncompress_file: " + plain + ".z");

    // A gzip file cut in the middle is reported, not taken for a short file.
    ASSERT_EQ(z_compress_file(plain, plain + ".z"), 0);
    std::string z = read_file(plain + ".z");
    write_text(plain + ".cut.z", z.substr(0, z.size() / 2));
    EXPECT_EQ(z_uncompress_file(plain + ".cut.z", home.root() + "/cut"), -1);
    EXPECT_EQ(z_uncompress_file(plain + ".z", home.root() + "/no/dir"), -1);
    EXPECT_EQ(boxes.texts().back(), "failed to open out_file in z_uncompress_file: " + home.root() + "/no/dir");
}

TEST(AppendFile, WritesExactlyTheAnnouncedSize)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    std::string part = home.root() + "/part";
    std::string text = some_bytes(10000);
    write_text(part, text);
    struct Case {
        long long size;
        int want;
    } cases[] = { { 10000, 0 }, { 10001, -3 }, { 9999, -2 }, { 0, -1 }, { -5, -1 } };
    for (const Case& c : cases) {
        std::string out_path = home.root() + "/out";
        std::FILE* out = std::fopen(out_path.c_str(), "wb");
        std::fputs("head", out);
        EXPECT_EQ(file_append_one_z_bmp_to_file(out, part, c.size), c.want) << c.size;
        std::fclose(out);
        if (c.want == 0) {
            EXPECT_EQ(read_file(out_path), "head" + text);
        }
    }
    std::FILE* read_only = std::fopen(part.c_str(), "rb");
    EXPECT_EQ(file_append_one_z_bmp_to_file(read_only, part, 10000), -4);
    std::fclose(read_only);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(file_append_one_z_bmp_to_file(nullptr, home.root() + "/missing", 10), -1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "file open failed in file_append_one_z_bmp_to_file" });
}

TEST(FileSize, GivesTheSizeOrSaysItFailed)
{
    TempHome home;
    ScriptedMessageBoxes boxes;
    write_text(home.root() + "/f", "12345");
    EXPECT_EQ(file_get_size(home.root() + "/f"), 5);
    EXPECT_EQ(file_get_size(home.root() + "/missing"), -1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "get file size failed in file_get_size" });
}

TEST(UrlText, UrlEncodeKeepsOnlyLettersAndHighBytes)
{
    struct Case {
        std::string in, want;
    } cases[] = {
        { "abcXYZ", "abcXYZ" },
        { "a b", "a%20b" },
        { "1", "%31" },
        { "x=1&y", "x%3d%31%26y" },
        { "\xe4\xbd\xa0", "\xe4\xbd\xa0" },
        { "", "" },
    };
    for (const Case& c : cases) {
        std::string out = "old";
        url_encode(c.in, out);
        EXPECT_EQ(out, c.want) << c.in;
    }
}

TEST(UrlText, HexEncodeAllStopsBeforeTheBufferIsFull)
{
    struct Case {
        std::string in;
        size_t size;
        std::string want;
    } cases[] = {
        { "s=1", 100, "%73%3d%31" },
        { "s=1", 10, "%73%3d%31" },
        { "s=1", 9, "%73%3d" },
        { "s=1", 3, "" },
        { "\xff", 4, "%ff" },
    };
    for (const Case& c : cases) {
        std::string out;
        hex_encode_all(c.in, out, c.size);
        EXPECT_EQ(out, c.want) << c.in << " " << c.size;
    }
}

TEST(UrlText, ContentLengthInAnyCase)
{
    struct Case {
        const char* line;
        int want;
    } cases[] = {
        { "Content-Length: 1234", 1234 }, { "content-length:7", 7 }, { "CONTENT-LENGTH:   42", 42 },
        { "Content-Type: image/gif", -1 }, { "Content-Length: x", -1 }, { "", -1 },
        { "X-Content-Length: 5", 5 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(http_get_content_length(c.line), c.want) << c.line;
}

TEST(UrlText, DecodingUndoesEscapesAndSplitsFields)
{
    std::string out;
    EXPECT_TRUE(url_decode("a+b%41%4a%4A", out));
    EXPECT_EQ(out, "a bAJJ");
    for (const char* broken : { "%", "%4", "%g1", "a%1" })
        EXPECT_FALSE(url_decode(broken, out)) << broken;

    std::vector<std::pair<std::string, std::string>> fields;
    EXPECT_TRUE(parse_query_fields("a=1&&b=&c=x%26y", fields));
    EXPECT_EQ(fields, (std::vector<std::pair<std::string, std::string>> { { "a", "1" }, { "b", "" }, { "c", "x&y" } }));
    EXPECT_FALSE(parse_query_fields("a=1&b", fields));
}

TEST(UrlText, Utf8Rules)
{
    struct Case {
        std::string text;
        bool valid;
    } cases[] = {
        { "", true }, { "abc", true }, { "会议室", true }, { "\xf0\x9f\x98\x80", true },
        { "\xff", false }, { "\xc0\xaf", false }, { "\xe0\x80\xaf", false }, { "\xed\xa0\x80", false },
        { "\xf4\x90\x80\x80", false }, { "\xe4\xbd", false }, { "\x80", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(is_valid_utf8(c.text), c.valid) << c.text;
}
