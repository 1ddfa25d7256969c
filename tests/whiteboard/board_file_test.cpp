// The whiteboard file: a board saved by one client loads in another (its
// own process and user folder) as the same board, its pictures come out as
// ".bmp" files any reader opens, and files that do not hold together change
// nothing.

#include "core/message_box.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_home.h"
#include "tests/whiteboard/board_picture_util.h"
#include "whiteboard/board_file.h"
#include "whiteboard/board_messages.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const std::string peer_program = std::string(TAMBLO_TEST_BUILD_DIR) + "/tests/whiteboard/tamblo_board_file_peer";

void set_path(int board, const std::string& path)
{
    g_board[static_cast<size_t>(board)].file_path.fill('\0');
    std::memcpy(g_board[static_cast<size_t>(board)].file_path.data(), path.data(), std::min<size_t>(path.size(), 255));
}

// Pen strokes, figures, texts in a Latin and a Chinese font (one of them
// long) and three pictures on page 0, built off line as the receivers apply them.
void draw_board()
{
    g_offline_board = 1;
    g_current_board = 0;
    send_board_point(0, 10, 20, 30, 100, 200, 3);
    for (int i = 0; i < 25; ++i)
        send_board_line(0, 200, 0, 0, 100 + i, 200 + i, 101 + i, 202 + i, 2, (i + 1) % 10 == 0 ? 1 : 0);
    send_board_filled_ellipse(0, 0, 128, 0, 300, 300, 400, 380, 1, 1);
    send_board_shape(0, 42, 7, 8, 9, 500, 100, 700, 300, 2, 1);
    send_board_font(make_logfont("DejaVu Sans", -16));
    send_board_text(0, 40, 50, g_board[0].font_index, "Quarterly plan", 0, 0, 255);
    send_board_font(make_logfont("Noto Sans CJK SC", -20, 700));
    send_board_text(0, 40, 90, g_board[0].font_index, "白板测试：第一季度计划", 255, 0, 0);
    send_board_text(0, 40, 130, 0, std::string(450, 'L'), 0, 0, 0);
    g_offline_board = 0;
    ASSERT_TRUE(put_test_picture(0, 0, 1, 64, 48, 20, 30));
    ASSERT_TRUE(put_test_picture(0, 3, 2, 120, 90, 400, 500));
    ASSERT_TRUE(put_test_picture(0, 7, 3, 33, 17, 900, 40));
    g_board[0].bitmaps[3].z_order = -2;
}

// A file's record with what names this machine's files left out: the
// action array's capacity, the picture paths and the file path.
std::string portable_record(std::string record)
{
    board_record r;
    std::memcpy(&r, record.data(), sizeof r);
    r.capacity = 0;
    for (bmp_slot& s : r.bitmaps) {
        s.path.fill('\0');
        s.z_path.fill('\0');
    }
    r.file_path.fill('\0');
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

std::string portable_file(const std::string& bod)
{
    if (bod.size() < board_file_fixed_len)
        return bod;
    std::string out = bod;
    out.replace(board_file_magic_len, sizeof(board_record), portable_record(bod.substr(board_file_magic_len, sizeof(board_record))));
    return out;
}

std::vector<std::string> files_in(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir))
            if (e->d_name[0] != '.')
                names.emplace_back(e->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// What the temporary home holds besides the files named.
std::vector<std::string> home_files(std::vector<std::string> names)
{
    for (const char* made : { "config", "data", "run" })
        names.emplace_back(made);
    std::sort(names.begin(), names.end());
    return names;
}

std::string rgb_hex(QRgb c) { return format_text("%02x%02x%02x", qRed(c), qGreen(c), qBlue(c)); }

class BoardFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        board_model_setup();
        put_view_font();
        g_offline_board = 0;
    }
    void TearDown() override { board_model_free(); }

    TempHome home;
    ScriptedMessageBoxes boxes;
};

TEST_F(BoardFileTest, ABoardSavedHereLoadsInAnotherClientAsTheSameBoard)
{
    draw_board();
    const std::string bod = home.root() + "/meeting.bod";
    set_path(0, bod);
    ASSERT_EQ(board_file_save(0), 0) << ::testing::PrintToString(boxes.texts());
    const std::string saved = file_bytes(bod);
    long long pictures = 0;
    for (int slot : { 0, 3, 7 })
        pictures += static_cast<long long>(file_bytes(g_board[0].bitmaps[static_cast<size_t>(slot)].z_path.data()).size());
    EXPECT_EQ(static_cast<long long>(saved.size()),
              377534 + 44LL * g_board[0].visible_count + pictures);
    EXPECT_EQ(saved.substr(0, 14), std::string("0001KHBSENITE\0", 14));
    EXPECT_EQ(files_in(home.root()), home_files({ "meeting.bod" })) << "no temporary file is left beside the saved one";

    const std::string other = home.root() + "/other";
    const std::string dump = home.root() + "/dump";
    ::mkdir(other.c_str(), 0700);
    ::mkdir(dump.c_str(), 0700);
    ProgramRun run = run_program({ peer_program, "--home", other, "--load", bod, "--dump", dump }, {}, {}, 30000);
    ASSERT_EQ(run.exit_status, 0) << run.output << file_bytes(dump + "/boxes.txt");
    EXPECT_EQ(file_bytes(dump + "/boxes.txt"), "");

    // The same page: record, actions with their texts and fonts, pictures.
    EXPECT_EQ(file_bytes(dump + "/state.txt"), board_state_text());
    EXPECT_EQ(portable_record(file_bytes(dump + "/record.bin")),
              portable_record(std::string(reinterpret_cast<const char*>(&g_board[0]), sizeof(board_record))));
    for (int slot : { 0, 3, 7 }) {
        const bmp_slot& s = g_board[0].bitmaps[static_cast<size_t>(slot)];
        std::string there = format_text("%s/kelo/tamblo/bmp/0/%d", other.c_str(), slot);
        EXPECT_EQ(file_bytes(there), file_bytes(s.z_path.data())) << slot;
        EXPECT_EQ(file_bytes(there + ".bmp"), file_bytes(s.path.data())) << slot;
    }
    // Saved there again, it is this file, byte for byte, but for the
    // names of that machine's files.
    EXPECT_EQ(portable_file(file_bytes(dump + "/again.bod")), portable_file(saved));

    // The pictures come out as ".bmp" files that readers open: Qt's reader
    // and a plain parse of the format.
    struct Picture {
        int slot, seed, w, h;
    };
    for (const Picture& p : { Picture { 0, 1, 64, 48 }, Picture { 3, 2, 120, 90 }, Picture { 7, 3, 33, 17 } }) {
        std::string path = format_text("%s/kelo/tamblo/bmp/0/%d.bmp", other.c_str(), p.slot);
        QImageReader reader(QString::fromStdString(path));
        EXPECT_EQ(reader.format(), "bmp");
        QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        ASSERT_EQ(image.size(), QSize(p.w, p.h));
        DeviceBitmap want = test_picture(p.seed, p.w, p.h);
        auto want_at = [&](int x, int y) {
            uint32_t v = 0;
            std::memcpy(&v, want.bits.data() + static_cast<size_t>(y * want.stride_bytes + x * 4), 4);
            return format_text("%06x", v & 0xffffff);
        };
        int differing = 0;
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x)
                differing += rgb_hex(image.pixel(x, y)) != want_at(x, y) ? 1 : 0;
        EXPECT_EQ(differing, 0) << p.slot;
        ProgramRun probe = run_program({ "/usr/bin/python3", std::string(TAMBLO_TEST_SOURCE_DIR) + "/tests/whiteboard/bmp_probe.py", path },
                                       {}, {}, 10000);
        EXPECT_EQ(probe.exit_status, 0) << probe.output;
        EXPECT_EQ(probe.output, format_text("%d %d 24 %s %s\n", p.w, p.h, want_at(0, 0).c_str(),
                                            want_at(p.w - 1, p.h - 1).c_str()));
    }
}

TEST_F(BoardFileTest, EmptyAndPartlyMissingPagesAndTheirRedo)
{
    const std::string bod = home.root() + "/empty.bod";
    set_path(0, bod);
    ASSERT_EQ(board_file_save(0), 0);
    EXPECT_EQ(file_bytes(bod).size(), 377534u);

    // A picture whose compressed file went missing is sized 0 and adds nothing.
    ASSERT_TRUE(put_test_picture(1, 2, 5, 10, 10, 1, 1));
    ASSERT_TRUE(put_test_picture(1, 4, 6, 10, 10, 2, 2));
    std::remove(g_board[1].bitmaps[2].z_path.data());
    g_offline_board = 1;
    send_board_line(1, 1, 1, 1, 0, 0, 9, 9, 1, 1);
    send_board_line(1, 1, 1, 1, 0, 9, 9, 0, 1, 1);
    g_offline_board = 0;
    set_path(1, home.root() + "/partly.bod");
    ASSERT_EQ(board_file_save(1), 0);
    EXPECT_EQ(g_board[1].bitmaps[2].file_size, 0u);
    long long kept = static_cast<long long>(file_bytes(g_board[1].bitmaps[4].z_path.data()).size());
    EXPECT_EQ(static_cast<long long>(file_bytes(home.root() + "/partly.bod").size()), 377534 + 2 * 44 + kept);

    // Into page 5 after an undo there: the page shows the file, and redo brings nothing back.
    g_offline_board = 1;
    send_board_line(5, 3, 3, 3, 1, 1, 2, 2, 1, 1);
    send_board_line(5, 3, 3, 3, 1, 1, 2, 2, 1, 1);
    send_board_undo(5);
    g_offline_board = 0;
    set_path(5, home.root() + "/partly.bod");
    ASSERT_EQ(board_file_load(5), 0) << ::testing::PrintToString(boxes.texts());
    EXPECT_EQ(g_board[5].visible_count, 2);
    EXPECT_EQ(g_board[5].redo_limit, 2);
    EXPECT_EQ(board_redo(5), 0);
    EXPECT_EQ(g_board[5].bitmaps[2].used, 0u) << "a picture with no bytes has nothing to show";
    EXPECT_EQ(g_board[5].bitmaps[4].used, 1u);
    EXPECT_EQ(file_bytes(g_board[5].bitmaps[4].z_path.data()), file_bytes(g_board[1].bitmaps[4].z_path.data()));
    EXPECT_EQ(std::string(g_board[5].file_path.data()), home.root() + "/partly.bod");
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(BoardFileTest, LoadingTextsAgainTakesNewPoolEntriesUntilThePoolIsFull)
{
    g_offline_board = 1;
    send_board_text(0, 1, 1, 0, "one", 0, 0, 0);
    send_board_text(0, 1, 2, 0, "two", 0, 0, 0);
    g_offline_board = 0;
    set_path(0, home.root() + "/t.bod");
    ASSERT_EQ(board_file_save(0), 0);
    set_path(2, home.root() + "/t.bod");
    ASSERT_EQ(board_file_load(2), 0);
    EXPECT_EQ(board_find_free_short_str(), 4);
    EXPECT_EQ(board_action_text(*board_action_at(2, 1)), "two");
    EXPECT_EQ(board_action_at(2, 1)->text_entry(), 3);

    // Two texts need two entries: with one left the file is refused whole.
    for (int i = 4; i < board_short_str_count - 1; ++i)
        g_board_short_str[static_cast<size_t>(i)].used = 1;
    set_path(3, home.root() + "/t.bod");
    const std::string with_path = std::string(reinterpret_cast<const char*>(&g_board[3]), sizeof(board_record));
    EXPECT_EQ(board_file_load(3), -1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "Short str used up in file_open_fix_text." });
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&g_board[3]), sizeof(board_record)), with_path);
    EXPECT_EQ(board_find_free_short_str(), board_short_str_count - 1);
}

// A file that does not hold together, made from a good one.
struct BadFile {
    const char* name;
    std::function<void(std::string&)> spoil;
    const char* told;
};

TEST_F(BoardFileTest, FilesThatDoNotHoldTogetherChangeNothing)
{
    draw_board();
    set_path(0, home.root() + "/good.bod");
    ASSERT_EQ(board_file_save(0), 0);
    const std::string good = file_bytes(home.root() + "/good.bod");
    const size_t record_at = board_file_magic_len;
    const size_t actions_at = record_at + sizeof(board_record);
    const int n = g_board[0].visible_count;
    const size_t short_pool_at = actions_at + 44 * static_cast<size_t>(n) + sizeof(board_font_entry) * board_font_count;
    auto put_word = [](std::string& f, size_t at, int32_t v) { std::memcpy(f.data() + at, &v, 4); };
    auto first_text = [&] {
        for (int i = 0; i < n; ++i)
            if (board_action_at(0, i)->kind == ACTION_TEXT)
                return actions_at + 44 * static_cast<size_t>(i);
        return size_t { 0 };
    };
    const size_t slot3_size_at = record_at + offsetof(board_record, bitmaps) + 3 * sizeof(bmp_slot) + offsetof(bmp_slot, file_size);

    const std::vector<BadFile> cases = {
        { "foreign magic", [](std::string& f) { f[3] = '2'; }, "file format not correct" },
        { "shorter than the magic", [](std::string& f) { f.resize(9); }, "file format not correct" },
        { "cut inside the record", [](std::string& f) { f.resize(5000); }, "file format not correct" },
        { "cut inside the pools", [](std::string& f) { f.resize(300000); }, "file format not correct" },
        { "cut inside the last picture", [](std::string& f) { f.pop_back(); }, "file format not correct" },
        { "a byte too many", [](std::string& f) { f.push_back('x'); }, "file format not correct" },
        { "more actions than the file holds",
          [&](std::string& f) { put_word(f, record_at + offsetof(board_record, visible_count), 1000000); }, "file format not correct" },
        { "a negative action count",
          [&](std::string& f) { put_word(f, record_at + offsetof(board_record, visible_count), -5); }, "file format not correct" },
        { "a picture pointing past the end", [&](std::string& f) { put_word(f, slot3_size_at, 5000000); }, "file format not correct" },
        { "a picture larger than any may be", [&](std::string& f) { put_word(f, slot3_size_at, 0x7fffffff); }, "file format not correct" },
        { "a text length beyond its pool",
          [&](std::string& f) {
              int entry = 0;
              std::memcpy(&entry, f.data() + first_text() + 4 * 9, 4);
              put_word(f, short_pool_at + 408 * static_cast<size_t>(entry) + 4, 700);
          },
          "file format not correct" },
        { "a text without its end",
          [&](std::string& f) {
              int entry = 0;
              std::memcpy(&entry, f.data() + first_text() + 4 * 9, 4);
              std::memset(f.data() + short_pool_at + 408 * static_cast<size_t>(entry) + 8, 'x', 400);
          },
          "file format not correct" },
        { "a text of no pool", [&](std::string& f) { put_word(f, first_text() + 4 * 8, 3); },
          "file_open_fix_text error: text.type not correct." },
        { "a font beyond the table", [&](std::string& f) { put_word(f, first_text() + 4 * 7, 77); }, "file format not correct" },
        { "a picture that does not unpack",
          [&](std::string& f) { f[f.size() - 30] = static_cast<char>(f[f.size() - 30] ^ 0x5a); }, "file format not correct" },
    };
    ASSERT_NE(first_text(), 0u);
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bad = good;
        c.spoil(bad);
        const std::string path = home.root() + "/bad.bod";
        {
            std::FILE* f = std::fopen(path.c_str(), "wb");
            std::fwrite(bad.data(), 1, bad.size(), f);
            std::fclose(f);
        }
        set_path(4, path);
        const std::string before = std::string(reinterpret_cast<const char*>(&g_board[4]), sizeof(board_record));
        const int free_short = board_find_free_short_str();
        boxes.clear();
        EXPECT_EQ(board_file_load(4), -1);
        EXPECT_EQ(boxes.texts(), std::vector<std::string> { c.told });
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&g_board[4]), sizeof(board_record)), before);
        EXPECT_EQ(board_find_free_short_str(), free_short);
        EXPECT_EQ(files_in(home.user_folder() + "bmp/4"), std::vector<std::string> {}) << "nothing left behind";
    }
    // Names with no file behind them.
    boxes.clear();
    set_path(4, "");
    EXPECT_EQ(board_file_load(4), -1);
    set_path(4, home.root() + "/none.bod");
    EXPECT_EQ(board_file_load(4), -1);
    set_path(4, "");
    EXPECT_EQ(board_file_save(4), -1);
    set_path(4, home.root() + "/no/such/folder/x.bod");
    EXPECT_EQ(board_file_save(4), -1);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string> { "Open File Error, no path specified.",
                                                         "failed to open " + home.root() + "/none.bod.",
                                                         "Save board Error, no path specified.",
                                                         "failed to open " + home.root() + "/no/such/folder/x.bod." }));
}

TEST_F(BoardFileTest, ASaveThatCannotBeWrittenWholeLeavesTheOldFile)
{
    draw_board();
    const std::string bod = home.root() + "/kept.bod";
    set_path(0, bod);
    ASSERT_EQ(board_file_save(0), 0);
    const std::string old = file_bytes(bod);
    g_offline_board = 1;
    send_board_line(0, 1, 1, 1, 5, 5, 6, 6, 1, 1);
    g_offline_board = 0;
    // A full disk: writes past 200 kB fail.
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 200000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int rc = board_file_save(0);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string> { "failed to write " + bod + "." });
    EXPECT_EQ(file_bytes(bod), old);
    EXPECT_EQ(files_in(home.root()), home_files({ "kept.bod" }));
}

} // namespace
