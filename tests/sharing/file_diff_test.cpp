// The desktop picture's file difference: the weak checksum and its roll,
// MD4, the records the encoder writes for given signatures, and the
// server's applier rebuilding the new file from them, or refusing a lying
// difference.

#include "sharing/file_diff.h"
#include "tests/support/random_bytes.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string hex(const Md4Digest& d)
{
    std::string out;
    char two[3];
    for (uint8_t b : d) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

std::string u32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    return s;
}

// One signature record with the given fields; md4_of is the bytes whose MD4 it carries.
std::string signature(uint32_t value, int32_t length, uint32_t weak, const std::string& md4_of)
{
    Md4Digest d = diff_md4(reinterpret_cast<const uint8_t*>(md4_of.data()), md4_of.size());
    return u32(value) + u32(static_cast<uint32_t>(length)) + u32(weak) + std::string(reinterpret_cast<const char*>(d.data()), d.size());
}

uint32_t weak_of(const std::string& s) { return diff_weak_checksum(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

struct Record {
    uint32_t position;
    int32_t kind;
    uint32_t value;  // block value, or the literal's length
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Record& r)
{
    return out << "{" << r.position << (r.kind == diff_kind_copy ? " copy " : " literal ") << r.value << "}";
}

std::vector<Record> records_of(const std::string& diff)
{
    std::vector<Record> out;
    size_t at = 0;
    auto get = [&](size_t off) {
        uint32_t v = 0;
        std::memcpy(&v, diff.data() + at + off, 4);
        return v;
    };
    while (at + diff_record_len <= diff.size()) {
        Record r { get(0), static_cast<int32_t>(get(4)), get(8) };
        out.push_back(r);
        at += diff_record_len + (r.kind == diff_kind_literal ? r.value : 0);
    }
    EXPECT_EQ(at, diff.size()) << "the records do not end where the file ends";
    return out;
}

class FileDiff : public ::testing::Test {
protected:
    std::string path(const char* name) const { return home_.root() + "/" + name; }

    // The difference of new_file against the signature file's bytes.
    std::string diff(const std::string& new_file, const std::string& signatures)
    {
        write_file(path("new"), new_file);
        write_file(path("sig"), signatures);
        EXPECT_EQ(s_create_diff_file(path("new"), path("diff"), path("sig")), 0);
        return read_file(path("diff"));
    }

    TempHome home_;
};

} // namespace

TEST(FileDiffChecksum, WeakChecksumOfAbcIsTheKnownValue)
{
    EXPECT_EQ(weak_of("abc"), 0x024A0126u);
}

TEST(FileDiffChecksum, RollingEqualsComputingAgainOverBytesOfEverySign)
{
    const std::string bytes = random_bytes(5000, 7) + std::string(600, '\xff') + std::string(600, '\x80');
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    uint32_t rolled = diff_weak_checksum(p, diff_block_len);
    for (size_t k = 1; k + diff_block_len <= bytes.size(); ++k) {
        rolled = diff_roll_checksum(rolled, p[k - 1], p[k + diff_block_len - 1]);
        ASSERT_EQ(rolled, diff_weak_checksum(p + k, diff_block_len)) << "at offset " << k;
    }
}

TEST(FileDiffChecksum, Md4MatchesTheReferenceVectors)
{
    struct Case {
        const char* in;
        const char* want;
    };
    const Case cases[] = {
        { "", "31d6cfe0d16ae931b73c59d7e0c089c0" },
        { "a", "bde52cb31de33e46245e05fbdbd6fb24" },
        { "abc", "a448017aaf21d8525fc10ae87aa6729d" },
        { "message digest", "d9130a8164549fe818874806e1c7014b" },
        { "abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9" },
        { "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "043f8582f241db351ce627e153e7f0e4" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
          "e33b4ddc9c38f2199c3e7b164fcc0536" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(hex(diff_md4(reinterpret_cast<const uint8_t*>(c.in), std::strlen(c.in))), c.want) << '"' << c.in << '"';
}

TEST_F(FileDiff, RecordsForGivenSignatures)
{
    const std::string server = random_bytes(1200, 1);  // blocks of 500, 500 and 200
    const std::string block0 = server.substr(0, 500), block1 = server.substr(500, 500);
    const std::string sigs = make_diff_signatures(server);
    const std::string other = random_bytes(500, 2);
    // A signature whose weak checksum equals block 0's but whose MD4 is another block's.
    const std::string impostor = signature(77, 500, weak_of(block0), other);
    struct Case {
        const char* what;
        std::string new_file;
        std::string signatures;
        std::vector<Record> want;
    };
    const Case cases[] = {
        { "an empty file writes no record", "", sigs, {} },
        { "300 bytes are one literal at 0", server.substr(0, 300), sigs, { { 0, diff_kind_literal, 300 } } },
        { "the server's own file is copies and the short last block a literal", server, sigs,
          { { 0, diff_kind_copy, 0 }, { 500, diff_kind_copy, 1 }, { 1000, diff_kind_literal, 200 } } },
        { "a literal before a copy moves the copy's position on", other.substr(0, 37) + block1, sigs,
          { { 0, diff_kind_literal, 37 }, { 37, diff_kind_copy, 1 } } },
        { "no signatures: the bytes go as literals of at most 500", random_bytes(1100, 3), "",
          { { 0, diff_kind_literal, 500 }, { 500, diff_kind_literal, 500 }, { 1000, diff_kind_literal, 100 } } },
        { "a weak hit whose MD4 differs is passed over for the one whose MD4 equals", block0,
          signature(5, 500, weak_of(block0), block0) + impostor, { { 0, diff_kind_copy, 5 } } },
        { "of two that both match, the one read later", block0,
          signature(5, 500, weak_of(block0), block0) + signature(6, 500, weak_of(block0), block0), { { 0, diff_kind_copy, 6 } } },
        { "block lengths outside 1..500 are left out", block0,
          signature(5, 0, weak_of(block0), block0) + signature(6, 501, weak_of(block0), block0)
              + signature(7, -1, weak_of(block0), block0),
          { { 0, diff_kind_literal, 500 } } },
        { "a signature cut off at the end is left out", block0, signature(5, 500, weak_of(block0), block0).substr(0, 27),
          { { 0, diff_kind_literal, 500 } } },
        { "a shorter block length drops only that many bytes", block0 + block1,
          signature(9, 100, weak_of(block0), block0) + signature(3, 500, weak_of(block1), block1),
          { { 0, diff_kind_copy, 9 }, { 100, diff_kind_literal, 400 }, { 500, diff_kind_copy, 3 } } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(records_of(diff(c.new_file, c.signatures)), c.want) << c.what;
}

TEST_F(FileDiff, OnlyTheFirst20000SignaturesAreRead)
{
    const std::string block = random_bytes(500, 4);
    std::string sigs;
    for (int i = 0; i < diff_signature_limit; ++i)
        sigs += signature(static_cast<uint32_t>(i), 500, static_cast<uint32_t>(i), "x");
    EXPECT_EQ(records_of(diff(block, sigs + signature(99999, 500, weak_of(block), block))),
              (std::vector<Record> { { 0, diff_kind_literal, 500 } }));
    // The same signature inside the limit is used.
    sigs.replace(sigs.size() - diff_signature_record_len, diff_signature_record_len, signature(99999, 500, weak_of(block), block));
    EXPECT_EQ(records_of(diff(block, sigs)), (std::vector<Record> { { 0, diff_kind_copy, 99999 } }));
}

TEST_F(FileDiff, AMissingFileFailsAndLeavesTheDifferenceEmpty)
{
    LogCapture log;
    write_file(path("new"), "abc");
    write_file(path("diff"), "old contents");
    EXPECT_EQ(s_create_diff_file(path("new"), path("diff"), path("no-such-signatures")), -1);
    EXPECT_EQ(read_file(path("diff")), "");
    EXPECT_EQ(s_create_diff_file(path("no-such-new"), path("diff"), path("new")), -1);
    EXPECT_TRUE(log.contains("can not open one file in s_create_diff_file\n"));
}

TEST_F(FileDiff, EditedFilesAreRebuiltByTheApplier)
{
    std::mt19937 gen(11);
    for (int round = 0; round < 40; ++round) {
        const std::string old_file = random_bytes(1 + gen() % 30000, gen());
        std::string new_file = old_file;
        int edits = 1 + static_cast<int>(gen() % 6);
        for (int e = 0; e < edits; ++e) {
            size_t at = new_file.empty() ? 0 : gen() % new_file.size();
            size_t n = 1 + gen() % 900;
            switch (gen() % 4) {
            case 0: new_file.insert(at, random_bytes(n, gen())); break;     // insert
            case 1: new_file.erase(at, n); break;                            // delete
            case 2: new_file = new_file.substr(at) + new_file.substr(0, at); break;  // shift
            default:                                                          // change bytes in place
                for (size_t i = at; i < std::min(new_file.size(), at + n); i += 1 + gen() % 50)
                    new_file[i] = static_cast<char>(gen());
            }
        }
        std::string rebuilt;
        std::string d = diff(new_file, make_diff_signatures(old_file));
        ASSERT_EQ(apply_desk_diff(old_file, d, rebuilt), DiffApplyResult::ok) << "round " << round;
        ASSERT_EQ(rebuilt, new_file) << "round " << round;
    }
}

TEST_F(FileDiff, AnUnchangedFileTravelsAsCopies)
{
    const std::string file = random_bytes(200000, 5);
    const std::string d = diff(file, make_diff_signatures(file));
    EXPECT_EQ(d.size(), diff_record_len * 400);
    std::string rebuilt;
    EXPECT_EQ(apply_desk_diff(file, d, rebuilt), DiffApplyResult::ok);
    EXPECT_EQ(rebuilt, file);
}

TEST(FileDiffApply, ALyingDifferenceIsRefusedAndRebuildsNothing)
{
    const std::string base = random_bytes(1200, 9);  // three blocks
    auto copy = [](uint32_t position, uint32_t block) { return u32(position) + u32(diff_kind_copy) + u32(block); };
    auto literal = [](uint32_t position, const std::string& bytes, uint32_t claimed) {
        return u32(position) + u32(diff_kind_literal) + u32(claimed) + bytes;
    };
    struct Case {
        const char* what;
        std::string diff;
        DiffApplyResult want;
        size_t limit = diff_apply_limit;
    };
    const Case cases[] = {
        { "copies and literals in order", copy(0, 2) + literal(200, "xyz", 3) + copy(203, 0), DiffApplyResult::ok },
        { "an empty difference", "", DiffApplyResult::ok },
        { "a block the signatures did not have", copy(0, 3), DiffApplyResult::unknown_block },
        { "a gap before a record", copy(0, 0) + copy(501, 1), DiffApplyResult::position_gap },
        { "a record that overlaps the one before", copy(0, 0) + copy(499, 1), DiffApplyResult::position_gap },
        { "a literal longer than its bytes", literal(0, "ab", 3), DiffApplyResult::literal_past_end },
        { "a literal of 4 GiB", literal(0, "ab", 0xffffffffu), DiffApplyResult::literal_past_end },
        { "a record cut off", copy(0, 0).substr(0, 11), DiffApplyResult::cut_record },
        { "a record of no known kind", u32(0) + u32(3) + u32(0), DiffApplyResult::bad_kind },
        { "a difference over the limit", literal(0, std::string(100, 'a'), 100), DiffApplyResult::too_large, 50 },
        { "a file that grows over the limit", copy(0, 0) + copy(500, 0), DiffApplyResult::too_large, 900 },
    };
    for (const Case& c : cases) {
        std::string out = "stale";
        EXPECT_EQ(apply_desk_diff(base, c.diff, out, c.limit), c.want) << c.what;
        if (c.want != DiffApplyResult::ok) {
            EXPECT_TRUE(out.empty()) << c.what;
        }
    }
    std::string out;
    ASSERT_EQ(apply_desk_diff(base, copy(0, 2) + literal(200, "xyz", 3) + copy(203, 0), out), DiffApplyResult::ok);
    EXPECT_EQ(out, base.substr(1000) + "xyz" + base.substr(0, 500));
}
